#include "Environment.h"

#include <windows.h>

#include <cstdlib>

namespace userdata::testing {

std::optional<std::wstring> GetEnvironment(const wchar_t* name)
{
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    if (value.empty()) {
        return std::nullopt;
    }
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

void SetEnvironment(const wchar_t* name, const wchar_t* value)
{
    _wputenv((std::wstring(name) + L"=" + (value != nullptr ? value : L"")).c_str());
    SetEnvironmentVariableW(name, value);  // after the runtime, which removes a variable set to ""
}

}  // namespace userdata::testing
