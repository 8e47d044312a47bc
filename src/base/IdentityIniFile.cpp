#include "base/IdentityIniFile.h"

#include <windows.h>

namespace userdata {

ZvString ReadProductIdentityValue(const ZvString& iniPath, const wchar_t* key)
{
    wchar_t value[kIdentityValueCapacity] = {};
    const DWORD length =
        GetPrivateProfileStringW(L"ProductIdentity", key, L"", value, kIdentityValueCapacity, iniPath.c_str());
    return ZvString(value, length);
}

}  // namespace userdata
