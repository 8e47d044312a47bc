// The program and product names cut from a registry root key stay inside the
// key and agree with the same cut made with std::wstring.
#include "queries/RegistryKeyNames.h"

#include "FuzzInput.h"

#include <cstdlib>
#include <optional>
#include <vector>

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

void CheckCut(const std::wstring& key, wchar_t* (*cut)(wchar_t*) noexcept,
              std::optional<std::wstring> (*reference)(std::wstring))
{
    std::vector<wchar_t> buffer(key.begin(), key.end());
    buffer.push_back(L'\0');
    const wchar_t* const name = cut(buffer.data());
    const std::optional<std::wstring> expected = reference(key);
    Check(name != nullptr == expected.has_value());
    if (name != nullptr) {
        Check(name >= buffer.data() && name < buffer.data() + buffer.size());
        Check(std::wstring(name) == *expected);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::wstring key = input.Text(512, L"ab-\\");
    CheckCut(key, &userdata::CutProgramName, &ProgramName);
    CheckCut(key, &userdata::CutProductName, &ProductName);
    return 0;
}
