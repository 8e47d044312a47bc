#include "base/Capacities.h"
#include "base/IdentityIniFile.h"

#include <windows.h>

namespace userdata {

ZvString ReadProductIdentityValue(const ZvString& iniPath, const wchar_t* key)
{
    wchar_t value[kNameCapacity] = {};
    const DWORD length = GetPrivateProfileStringW(L"ProductIdentity", key, L"", value, kNameCapacity, iniPath.c_str());
    return ZvString(value, length);
}

}  // namespace userdata
