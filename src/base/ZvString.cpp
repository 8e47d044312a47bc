#include "base/ZvString.h"

#include <cwchar>
#include <cwctype>
#include <iterator>
#include <utility>

namespace userdata {
namespace {

std::size_t CheckedLength(std::size_t length)
{
    if (length > ZvString::kMaxLength) {
        ZvRaiseStringFailure(kStringInvalidLength);
    }
    return length;
}

unsigned CodeUnit(wchar_t character)
{
    return static_cast<unsigned>(static_cast<char16_t>(character));
}

}  // namespace

ZvString StringFromArgument(const wchar_t* text)
{
    if (reinterpret_cast<std::uintptr_t>(text) < 0x10000) {
        return ZvString();
    }
    return ZvString(text);
}

void ZvCopyChars(wchar_t* destination, std::size_t capacity, const wchar_t* source, std::size_t count)
{
    if (count > capacity || (count != 0 && (destination == nullptr || source == nullptr))) {
        ZvRaiseStringFailure(kStringCopyFailed);
    }
    if (count != 0) {
        std::wmemmove(destination, source, count);
    }
}

ZvString::ZvString(const wchar_t* text)
{
    if (text != nullptr) {
        Assign(text, std::wcslen(text));
    }
}

ZvString::ZvString(const wchar_t* text, std::size_t length)
{
    Assign(text, length);
}

ZvString::ZvString(const ZvString& other)
{
    Assign(other.c_str(), other.length_);
}

ZvString::ZvString(ZvString&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0))
{
}

ZvString& ZvString::operator=(const ZvString& other)
{
    if (this != &other) {
        Assign(other.c_str(), other.length_);
    }
    return *this;
}

ZvString& ZvString::operator=(ZvString&& other) noexcept
{
    if (this != &other) {
        ZvStringFree(data_);
        data_ = std::exchange(other.data_, nullptr);
        length_ = std::exchange(other.length_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

ZvString::~ZvString()
{
    ZvStringFree(data_);
}

void ZvString::Reserve(std::size_t capacity)
{
    CheckedLength(capacity);
    if (capacity <= capacity_ && data_ != nullptr) {
        return;
    }
    auto* grown = static_cast<wchar_t*>(ZvStringAllocate((capacity + 1) * sizeof(wchar_t)));
    if (grown == nullptr) {
        ZvRaiseStringFailure(kStringOutOfMemory);
    }
    ZvCopyChars(grown, capacity + 1, c_str(), length_ + 1);
    ZvStringFree(data_);
    data_ = grown;
    capacity_ = capacity;
}

void ZvString::Assign(const wchar_t* text, std::size_t length)
{
    CheckedLength(length);
    if (length == 0) {
        Clear();
        return;
    }
    if (length > capacity_ || data_ == nullptr) {
        ZvString fresh;
        fresh.Reserve(length);
        ZvCopyChars(fresh.data_, fresh.capacity_, text, length);
        fresh.data_[length] = L'\0';
        fresh.length_ = length;
        *this = std::move(fresh);
        return;
    }
    ZvCopyChars(data_, capacity_, text, length);
    data_[length] = L'\0';
    length_ = length;
}

ZvString& ZvString::Append(const wchar_t* text, std::size_t length)
{
    if (length == 0) {
        return *this;
    }
    const std::size_t total = CheckedLength(length_ + CheckedLength(length));
    if (total > capacity_ || data_ == nullptr) {
        // Keep the source alive in case it points into this string.
        ZvString grown;
        grown.Reserve(total < 2 * length_ ? 2 * length_ : total);
        grown.Assign(c_str(), length_);
        grown.Append(text, length);
        *this = std::move(grown);
        return *this;
    }
    ZvCopyChars(data_ + length_, capacity_ - length_, text, length);
    length_ = total;
    data_[length_] = L'\0';
    return *this;
}

ZvString& ZvString::Append(const wchar_t* text)
{
    return text == nullptr ? *this : Append(text, std::wcslen(text));
}

ZvString& ZvString::AppendDecimal(long long value)
{
    // Digits from the last, as the magnitude's unsigned value: the most
    // negative number has no positive counterpart.
    wchar_t digits[24];
    std::size_t first = std::size(digits);
    unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[--first] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        digits[--first] = L'-';
    }
    return Append(digits + first, std::size(digits) - first);
}

void ZvString::Clear() noexcept
{
    length_ = 0;
    if (data_ != nullptr) {
        data_[0] = L'\0';
    }
}

wchar_t* ZvString::GetBufferSetLength(std::size_t length)
{
    Reserve(length);
    length_ = length;
    data_[length_] = L'\0';
    return data_;
}

void ZvString::ReleaseBuffer() noexcept
{
    if (data_ == nullptr) {
        return;
    }
    // Only the characters handed out count, whatever the call wrote there.
    std::size_t length = 0;
    while (length < length_ && data_[length] != L'\0') {
        ++length;
    }
    length_ = length;
    data_[length_] = L'\0';
}

void ZvString::ToLower()
{
    // ASCII, which paths mostly are, without a run-time call per character:
    // towlower maps only A to Z there, in every locale.
    for (std::size_t i = 0; i < length_; ++i) {
        const wchar_t character = data_[i];
        if (character >= L'A' && character <= L'Z') {
            data_[i] = static_cast<wchar_t>(character - L'A' + L'a');
        } else if (CodeUnit(character) >= 0x80) {
            data_[i] = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(character)));
        }
    }
}

int ZvString::ReplaceAll(const ZvString& from, const ZvString& to)
{
    if (from.empty() || from.length_ > length_) {
        return 0;
    }
    // The next occurrence at or after `position`; length_ for none.
    const auto next = [&](std::size_t position) {
        while (position + from.length_ <= length_ && std::wmemcmp(data_ + position, from.data_, from.length_) != 0) {
            ++position;
        }
        return position + from.length_ <= length_ ? position : length_;
    };
    std::size_t count = 0;
    for (std::size_t hit = next(0); hit < length_; hit = next(hit + from.length_)) {
        ++count;
    }
    if (count == 0) {
        return 0;
    }
    // Counted first, so that the new text is allocated once, at its full length.
    ZvString rebuilt;
    rebuilt.Reserve(CheckedLength(length_ - count * from.length_ + count * to.length_));
    std::size_t kept = 0;  // start of the text not yet copied
    for (std::size_t hit = next(0); hit < length_; hit = next(kept)) {
        rebuilt.Append(data_ + kept, hit - kept).Append(to);
        kept = hit + from.length_;
    }
    rebuilt.Append(data_ + kept, length_ - kept);
    *this = std::move(rebuilt);
    return static_cast<int>(count);
}

bool operator==(const ZvString& left, const ZvString& right) noexcept
{
    return left.length_ == right.length_ && std::wmemcmp(left.c_str(), right.c_str(), left.length_) == 0;
}

bool operator==(const ZvString& left, const wchar_t* right) noexcept
{
    const wchar_t* text = right != nullptr ? right : L"";
    return std::wcslen(text) == left.length_ && std::wmemcmp(left.c_str(), text, left.length_) == 0;
}

bool operator<(const ZvString& left, const ZvString& right) noexcept
{
    const std::size_t common = left.length_ < right.length_ ? left.length_ : right.length_;
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned a = CodeUnit(left.data_[i]);
        const unsigned b = CodeUnit(right.data_[i]);
        if (a != b) {
            return a < b;
        }
    }
    return left.length_ < right.length_;
}

}  // namespace userdata
