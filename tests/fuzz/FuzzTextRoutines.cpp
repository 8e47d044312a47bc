// The library's text routines that need no Win32 call, each compared on every
// input with a plain model of its contract written with std::wstring. One fuzz
// target: the first byte picks the routine, the rest is its input. The
// scenarios through the DLL cover the same routines at their known limits; the
// fuzzer looks for the inputs nobody thought of.
#include "base/BoundedText.h"
#include "migration/MigratorArguments.h"

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {
using namespace userdata;

void Check(bool property)
{
    if (!property)
        std::abort();
}

// The fuzzer's bytes, read from the front.
struct FuzzInput {
    const std::uint8_t *next, *end;

    std::uint8_t Byte() { return next < end ? *next++ : 0; }

    // Text of up to `maxLength` characters, drawn mostly from `alphabet` so
    // that separators and markers come up often; a zero byte ends it.
    std::wstring Text(std::size_t maxLength, const std::wstring& alphabet)
    {
        std::wstring text;
        for (std::uint8_t pick = 0; text.size() < maxLength && (pick = Byte()) != 0;) {
            text.push_back(pick < 0xF0 ? alphabet[pick % alphabet.size()] : static_cast<wchar_t>(0x80 + pick));
        }
        return text;
    }
};

// The appends (through them the bounded copy): all or nothing, and nothing
// written beyond the terminator.
void BoundedCopies(FuzzInput& input)
{
    constexpr std::size_t kArena = 96;
    const std::size_t capacity = input.Byte() % kArena;
    const std::wstring initial = input.Text(capacity == 0 ? 0 : capacity - 1, L"ab\\");
    std::wstring arena = initial + L'\0' + std::wstring(kArena - initial.size() - 1, L'\x7F');
    const std::wstring piece = input.Text(kArena, L"cd\\");
    const std::wstring before = arena;
    const bool path = input.Byte() % 2 != 0;
    const std::wstring expected = initial + (path && !initial.ends_with(L'\\') ? L"\\" : L"") + piece;
    const bool written = path ? AppendPathPiece(arena.data(), capacity, piece.c_str())
                              : AppendText(arena.data(), capacity, piece.c_str());
    Check(written == (expected.size() < capacity) &&
          arena == (written ? expected + L'\0' + before.substr(expected.size() + 1) : before));
}

// The rules of CommandLineToArgvW: the program name runs up to the next quote;
// after it, 2n backslashes before a quote give n and the quote opens or
// closes quoting, 2n+1 give n and a literal quote, other backslashes are
// literal, and blanks outside quotes separate arguments.
std::vector<std::wstring> ParseCommandLine(const wchar_t* at)
{
    const wchar_t* const programEnd = std::wcschr(at + 1, L'"');
    std::vector<std::wstring> arguments{std::wstring(at + 1, programEnd)};
    // Each turn skips the blanks before an argument.
    for (at = programEnd + 1; *(at += std::wcsspn(at, L" ")) != L'\0';) {
        std::wstring& argument = arguments.emplace_back();
        for (bool quoted = false; *at != L'\0' && (quoted || *at != L' ');) {
            const std::size_t backslashes = std::wcsspn(at, L"\\");
            at += backslashes;
            argument.append(*at == L'"' ? backslashes / 2 : backslashes, L'\\');
            if (*at == L'"' && backslashes % 2 == 0) {
                quoted = !quoted;
                ++at;
            } else if (*at != L'\0' && (quoted || *at != L' ')) {
                argument.push_back(*at++);
            }
        }
    }
    return arguments;
}

// The migration tool's command line stays within its buffer, and the
// platform's argument rules give back exactly the arguments asked for. One
// input in eight takes the tool path, product and language at the longest
// length accepted, the latter two made of quotes: the worst case that sizes
// the buffer.
void MigratorCommandLines(FuzzInput& input)
{
    const std::uint8_t flags = input.Byte();
    const auto text = [&](wchar_t longest) {
        return (flags & 0x1C) == 0x1C ? std::wstring(kMigratorNameCapacity - 1, longest) : input.Text(300, L"pT:\\ \"");
    };
    const std::wstring tool = text(L't'), product = text(L'"'), language = text(L'"');
    const MigratorRequest request{(flags & 1) != 0, product.c_str(), language.c_str(), (flags & 2) != 0};
    wchar_t line[kMigratorCommandLineCapacity];
    const bool built = BuildMigratorCommandLine(tool.c_str(), request, line);
    Check(built == (!tool.empty() && tool.size() < kMigratorNameCapacity && tool.find(L'"') == tool.npos));
    // The arguments in their order, each with whether it is asked for.
    const auto given = [](const std::wstring& value) { return !value.empty() && value.size() < kMigratorNameCapacity; };
    const std::pair<bool, std::vector<std::wstring>> arguments[] = {
        {request.fullRun, {L"/a"}},
        {request.fullRun && given(product), {L"/product", product}},
        {request.fullRun && given(language), {L"/language", language}},
        {request.dapMarkerCreated, {L"/dap"}}};
    std::vector<std::wstring> expected{tool};
    for (const auto& [asked, argument] : arguments) {
        expected.insert(expected.end(), argument.begin(), asked ? argument.end() : argument.begin());
    }
    Check(!built || ParseCommandLine(line) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static void (*const properties[])(FuzzInput&) = {&BoundedCopies, &MigratorCommandLines};
    FuzzInput input{data, data + size};
    properties[input.Byte() % 2](input);
    return 0;
}
