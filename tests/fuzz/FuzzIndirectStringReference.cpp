// The "@module,-number" parser agrees with the same rules written with
// std::wstring, and keeps the module name inside its buffer.
#include "help/IndirectStringReference.h"

#include "FuzzInput.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using userdata::kReferencePartCapacity;
    FuzzInput input(data, size);
    const std::wstring text = input.Text(600, L"@,-0123456789ab.");

    userdata::IndirectStringReference reference;
    const bool parsed = userdata::ParseIndirectStringReference(text.c_str(), reference);

    bool expected = false;
    std::wstring module;
    std::wstring digits;
    if (!text.empty() && text[0] == L'@') {
        const std::size_t separator = text.find(L",-", 1);
        if (separator != std::wstring::npos) {
            module = text.substr(1, separator - 1);
            digits = text.substr(separator + 2);
            expected = !digits.empty() && digits.find_first_not_of(L"0123456789") == std::wstring::npos &&
                       module.size() < kReferencePartCapacity && digits.size() < kReferencePartCapacity;
        }
    }
    Check(parsed == expected);
    if (parsed) {
        Check(std::wmemchr(reference.module, L'\0', kReferencePartCapacity) != nullptr);
        Check(module == reference.module);
        unsigned long long number = 0;
        for (const wchar_t digit : digits) {
            number = std::min(number * 10 + static_cast<unsigned>(digit - L'0'), 1ULL << 20);
        }
        Check(reference.number == (number <= userdata::kLargestStringNumber ? number
                                                                            : userdata::kLargestStringNumber + 1));
    }
    return 0;
}
