// ZvString - the library's UTF-16 string.
//
// Buffers come from the process heap. A string operation that fails raises a
// non-continuable structured exception whose code is the HRESULT: out of
// memory, a length out of range, or a failed bounded copy. Nothing in the
// library catches it.
//
// This file and ZvString.cpp use no Windows header, so the text routines built
// on them can be compiled and fuzzed natively; the heap and the exception come
// from ZvStringPlatform.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace userdata {

inline constexpr std::int32_t kStringOutOfMemory = static_cast<std::int32_t>(0x8007000EU);
inline constexpr std::int32_t kStringInvalidLength = static_cast<std::int32_t>(0x80070057U);
inline constexpr std::int32_t kStringCopyFailed = static_cast<std::int32_t>(0x80004005U);

// Provided by the platform: heap memory for string buffers, and the raise.
void* ZvStringAllocate(std::size_t bytes) noexcept;
void ZvStringFree(void* memory) noexcept;
[[noreturn]] void ZvRaiseStringFailure(std::int32_t hresult);

class ZvString {
public:
    // Longest string the type holds; a longer length is an invalid length.
    static constexpr std::size_t kMaxLength = 0x3FFFFFFF;

    ZvString() noexcept = default;
    ZvString(const wchar_t* text);  // null gives the empty string
    ZvString(const wchar_t* text, std::size_t length);
    ZvString(const ZvString& other);
    ZvString(ZvString&& other) noexcept;
    ZvString& operator=(const ZvString& other);
    ZvString& operator=(ZvString&& other) noexcept;
    ~ZvString();

    const wchar_t* c_str() const noexcept { return data_ ? data_ : L""; }
    std::size_t length() const noexcept { return length_; }
    bool empty() const noexcept { return length_ == 0; }
    wchar_t operator[](std::size_t index) const noexcept { return data_[index]; }

    void Assign(const wchar_t* text, std::size_t length);
    ZvString& Append(const wchar_t* text, std::size_t length);
    ZvString& Append(const wchar_t* text);
    ZvString& Append(const ZvString& text) { return Append(text.c_str(), text.length()); }
    ZvString& Append(wchar_t character) { return Append(&character, 1); }
    // Appends `value` in decimal, with a minus sign when it is negative.
    ZvString& AppendDecimal(long long value);
    void Clear() noexcept;

    // Makes the string `length` characters long and returns its buffer, which
    // holds length + 1 characters, for a platform call to fill; ReleaseBuffer
    // then ends the string at its first NUL within those `length` characters.
    wchar_t* GetBufferSetLength(std::size_t length);
    void ReleaseBuffer() noexcept;

    // Lower-cases every character as the C runtime's towlower does.
    void ToLower();

    // Replaces every non-overlapping occurrence of `from` (searched left to
    // right, ordinal comparison) by `to`; returns the number of occurrences.
    int ReplaceAll(const ZvString& from, const ZvString& to);

    friend bool operator==(const ZvString& left, const ZvString& right) noexcept;
    friend bool operator==(const ZvString& left, const wchar_t* right) noexcept;
    // Ordinal order of UTF-16 code units taken as unsigned numbers.
    friend bool operator<(const ZvString& left, const ZvString& right) noexcept;

private:
    void Reserve(std::size_t capacity);

    wchar_t* data_ = nullptr;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;  // characters, terminator excluded
};

// The text of an export's string argument: null, or a value below 0x10000 (a
// resource ordinal rather than a pointer, never dereferenced), gives "".
ZvString StringFromArgument(const wchar_t* text);

// Copies `count` characters into `destination`, which holds `capacity`
// characters; raises the copy failure when they do not fit.
void ZvCopyChars(wchar_t* destination, std::size_t capacity, const wchar_t* source, std::size_t count);

}  // namespace userdata
