#include "queries/RegistryKeyNames.h"

#include <cwchar>

namespace userdata {
namespace {

// Ends `key` at its last '\' and returns the text that followed it.
wchar_t* CutAtLastBackslash(wchar_t* key) noexcept
{
    wchar_t* const separator = std::wcsrchr(key, L'\\');
    if (separator == nullptr) {
        return nullptr;
    }
    *separator = L'\0';
    return separator + 1;
}

}  // namespace

wchar_t* CutProgramName(wchar_t* key) noexcept
{
    wchar_t* const dash = std::wcsrchr(key, L'-');
    if (dash == nullptr) {
        return nullptr;
    }
    *dash = L'\0';
    return CutAtLastBackslash(key);
}

wchar_t* CutProductName(wchar_t* key) noexcept
{
    if (CutAtLastBackslash(key) == nullptr || CutAtLastBackslash(key) == nullptr) {
        return nullptr;
    }
    return CutAtLastBackslash(key);
}

}  // namespace userdata
