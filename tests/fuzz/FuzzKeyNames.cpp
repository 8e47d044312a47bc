// The program and product names found in a registry root key lie inside the
// key and agree with the same cut made with std::wstring.
#include "queries/RegistryKeyNames.h"

#include "FuzzInput.h"

#include <cstdlib>
#include <optional>

namespace {

std::optional<std::wstring> ProgramName(std::wstring key)
{
    const std::size_t dash = key.rfind(L'-');
    if (dash == std::wstring::npos) {
        return std::nullopt;
    }
    key.resize(dash);
    const std::size_t separator = key.rfind(L'\\');
    if (separator == std::wstring::npos) {
        return std::nullopt;
    }
    return key.substr(separator + 1);
}

std::optional<std::wstring> ProductName(std::wstring key)
{
    for (int cut = 0; cut < 2; ++cut) {
        const std::size_t separator = key.rfind(L'\\');
        if (separator == std::wstring::npos) {
            return std::nullopt;
        }
        key.resize(separator);
    }
    const std::size_t separator = key.rfind(L'\\');
    if (separator == std::wstring::npos) {
        return std::nullopt;
    }
    return key.substr(separator + 1);
}

void CheckName(const std::wstring& key, std::optional<std::wstring_view> (*nameIn)(std::wstring_view) noexcept,
               std::optional<std::wstring> (*reference)(std::wstring))
{
    const std::optional<std::wstring_view> name = nameIn(key);
    const std::optional<std::wstring> expected = reference(key);
    Check(name.has_value() == expected.has_value());
    if (name) {
        Check(name->data() >= key.data() && name->data() + name->length() <= key.data() + key.length());
        Check(*name == *expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::wstring key = input.Text(512, L"ab-\\");
    CheckName(key, &userdata::ProgramNameIn, &ProgramName);
    CheckName(key, &userdata::ProductNameIn, &ProductName);
    return 0;
}
