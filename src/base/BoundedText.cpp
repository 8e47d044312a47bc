#include "base/BoundedText.h"

#include <cwchar>
#include <limits>

namespace userdata {

std::size_t BoundedLength(const wchar_t* text, std::size_t capacity) noexcept
{
    if (text == nullptr) {
        return 0;
    }
    std::size_t length = 0;
    while (length < capacity && text[length] != L'\0') {
        ++length;
    }
    return length;
}

bool CopyText(wchar_t* destination, std::size_t capacity, const wchar_t* text) noexcept
{
    // Looking one character beyond the capacity is enough to know it won't fit.
    const std::size_t length = BoundedLength(text, capacity);
    return CopyText(destination, capacity, text, length);
}

bool AppendText(wchar_t* destination, std::size_t capacity, const wchar_t* piece) noexcept
{
    const std::size_t used = BoundedLength(destination, capacity);
    if (used >= capacity) {
        return false;
    }
    return CopyText(destination + used, capacity - used, piece);
}

bool AppendPathPiece(wchar_t* destination, std::size_t capacity, const wchar_t* piece) noexcept
{
    const std::size_t used = BoundedLength(destination, capacity);
    if (used >= capacity) {
        return false;
    }
    if (used != 0 && destination[used - 1] == L'\\') {
        return CopyText(destination + used, capacity - used, piece);
    }
    // Room for the separator first, then the piece behind it.
    const std::size_t pieceLength = BoundedLength(piece, capacity);
    if (used + 1 + pieceLength >= capacity) {
        return false;
    }
    destination[used] = L'\\';
    return CopyText(destination + used + 1, capacity - used - 1, piece, pieceLength);
}

unsigned DeliverCapacityResult(const wchar_t* text, std::size_t length, wchar_t* buffer, std::size_t capacity) noexcept
{
    // A count that the 32-bit result cannot state is no answer: a host's text
    // of 2^32 - 1 characters or more would come back as a small number.
    if (length == 0 || length >= std::numeric_limits<unsigned>::max()) {
        return 0;
    }
    if (buffer == nullptr || capacity == 0) {
        return static_cast<unsigned>(length + 1);
    }
    if (!CopyText(buffer, capacity, text, length)) {
        return 0;
    }
    return static_cast<unsigned>(length + 1);
}

}  // namespace userdata
