// Bounded copies and appends never write beyond the capacity they are given,
// are all-or-nothing, and keep the separator rule.
#include "base/BoundedText.h"

#include "FuzzInput.h"

#include <cstdlib>
#include <cwchar>

namespace {

constexpr std::size_t kArena = 96;
constexpr wchar_t kGuard = L'\x7F';

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    wchar_t arena[kArena];
    std::wmemset(arena, kGuard, kArena);
    const std::size_t capacity = input.Below(kArena);
    const std::wstring initial = input.Text(capacity == 0 ? 0 : capacity - 1, L"ab\\");
    if (capacity != 0) {
        initial.copy(arena, initial.size());
        arena[initial.size()] = L'\0';
    }
    const std::wstring piece = input.Text(kArena, L"cd\\");
    const std::wstring before(arena, kArena);

    bool done = false;
    std::wstring expected;
    switch (input.Byte() % 3) {
    case 0:
        done = userdata::CopyText(arena, capacity, piece.c_str());
        expected = piece;
        break;
    case 1:
        done = userdata::AppendText(arena, capacity, piece.c_str());
        expected = initial + piece;
        break;
    default:
        done = userdata::AppendPathPiece(arena, capacity, piece.c_str());
        expected = initial.empty() || initial.back() != L'\\' ? initial + L"\\" + piece : initial + piece;
        break;
    }
    // Nothing at or beyond the capacity changes, ever.
    Check(std::wmemcmp(arena + capacity, before.data() + capacity, kArena - capacity) == 0);
    if (done) {
        Check(expected.size() < capacity);
        Check(std::wstring(arena) == expected);
    } else {
        Check(expected.size() >= capacity || capacity == 0 || initial.size() >= capacity);
        Check(std::wmemcmp(arena, before.data(), kArena) == 0);
    }
    return 0;
}
