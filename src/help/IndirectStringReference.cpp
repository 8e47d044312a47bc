#include "help/IndirectStringReference.h"

#include "base/BoundedText.h"

#include <cwchar>

namespace userdata {
namespace {

bool IsDecimalNumber(const wchar_t* text, std::size_t length) noexcept
{
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < L'0' || text[i] > L'9') {
            return false;
        }
    }
    return length != 0;
}

// Stops growing above the largest string number, so that no run of digits can
// wrap around to the number of a string that exists.
std::uint32_t StringNumberOf(const wchar_t* digits, std::size_t length) noexcept
{
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < length && number <= kLargestStringNumber; ++i) {
        number = number * 10 + static_cast<std::uint32_t>(digits[i] - L'0');
    }
    return number <= kLargestStringNumber ? number : kLargestStringNumber + 1;
}

}  // namespace

bool ParseIndirectStringReference(const wchar_t* text, IndirectStringReference& reference) noexcept
{
    if (text == nullptr || text[0] != L'@') {
        return false;
    }
    const wchar_t* const module = text + 1;
    const wchar_t* const separator = std::wcsstr(module, L",-");
    if (separator == nullptr) {
        return false;
    }
    const wchar_t* const digits = separator + 2;
    const std::size_t digitCount = std::wcslen(digits);
    if (!IsDecimalNumber(digits, digitCount)) {
        return false;
    }
    // Too long for its working buffer, a part names nothing: no module is
    // found by an empty name, and no string by a number above the largest.
    if (!CopyText(reference.module, kReferencePartCapacity, module, static_cast<std::size_t>(separator - module))) {
        reference.module[0] = L'\0';
    }
    reference.number =
        digitCount < kReferencePartCapacity ? StringNumberOf(digits, digitCount) : kLargestStringNumber + 1;
    return true;
}

}  // namespace userdata
