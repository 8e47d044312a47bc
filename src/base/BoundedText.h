// Bounded copies and appends into fixed wide-character buffers, and the two
// buffer result conventions of the exports. No Windows header: these routines
// are built and fuzzed natively too.
//
// Every routine is all-or-nothing: when the text does not fit with its
// terminator, the destination is left exactly as it was. Capacities count
// characters, terminator included.
#pragma once

#include <cstddef>
#include <cwchar>

namespace userdata {

// Length of `text` up to its first NUL, reading no more than `capacity`
// characters (`capacity` when there is no NUL among them).
std::size_t BoundedLength(const wchar_t* text, std::size_t capacity) noexcept;

// Copies `length` characters of `text` and a terminator when length < capacity.
// Inline, with DeliverLengthResult: the identity queries that hosts make
// often are little more than this copy.
[[nodiscard]] inline bool CopyText(wchar_t* destination, std::size_t capacity, const wchar_t* text,
                                   std::size_t length) noexcept
{
    if (destination == nullptr || length >= capacity || (text == nullptr && length != 0)) {
        return false;
    }
    if (length != 0) {
        std::wmemmove(destination, text, length);
    }
    destination[length] = L'\0';
    return true;
}
// Copies the NUL-terminated `text` (null counts as empty).
[[nodiscard]] bool CopyText(wchar_t* destination, std::size_t capacity, const wchar_t* text) noexcept;

// Appends `piece` behind the text already in `destination`.
[[nodiscard]] bool AppendText(wchar_t* destination, std::size_t capacity, const wchar_t* piece) noexcept;

// The separator rule: appends one backslash unless the text already ends with
// one, then `piece`.
[[nodiscard]] bool AppendPathPiece(wchar_t* destination, std::size_t capacity, const wchar_t* piece) noexcept;

// Length result: copies `text` with its terminator and returns `length` when
// length < capacity; otherwise writes nothing and returns 0.
inline unsigned DeliverLengthResult(const wchar_t* text, std::size_t length, wchar_t* buffer,
                                    std::size_t capacity) noexcept
{
    return CopyText(buffer, capacity, text, length) ? static_cast<unsigned>(length) : 0;
}

// Capacity result: length + 1 on success; with a null buffer or a capacity of 0
// only that number. 0 for an empty text, a text whose length + 1 does not fit
// the 32-bit result, or a buffer that is too small, and then nothing is
// written.
unsigned DeliverCapacityResult(const wchar_t* text, std::size_t length, wchar_t* buffer, std::size_t capacity) noexcept;

template <std::size_t N>
[[nodiscard]] bool CopyText(wchar_t (&destination)[N], const wchar_t* text) noexcept
{
    return CopyText(destination, N, text);
}

template <std::size_t N>
[[nodiscard]] bool AppendText(wchar_t (&destination)[N], const wchar_t* piece) noexcept
{
    return AppendText(destination, N, piece);
}

template <std::size_t N>
[[nodiscard]] bool AppendPathPiece(wchar_t (&destination)[N], const wchar_t* piece) noexcept
{
    return AppendPathPiece(destination, N, piece);
}

template <std::size_t N>
std::size_t BoundedLength(const wchar_t (&text)[N]) noexcept
{
    return BoundedLength(text, N);
}

}  // namespace userdata
