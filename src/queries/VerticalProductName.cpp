#include "queries/VerticalProductName.h"

#include "base/RegistryAccess.h"

namespace userdata {

VerticalProductName ReadVerticalProductName(const ZvString& productRootKey)
{
    VerticalProductName name;
    if (productRootKey.empty() || productRootKey.length() >= kPathCapacity) {
        return name;
    }
    ZvRegistryAccess productKey;
    if (productKey.Open(HKEY_LOCAL_MACHINE, productRootKey.c_str()) != ERROR_SUCCESS) {
        return name;
    }
    DWORD bytes = sizeof(name.text);
    const LSTATUS status = productKey.ReadAnyType(L"ProductName", nullptr, name.text, &bytes);
    if (status != ERROR_SUCCESS || bytes >= sizeof(name.text)) {
        return name;
    }
    name.text[bytes / sizeof(wchar_t)] = L'\0';
    name.bytes = bytes;
    return name;
}

}  // namespace userdata
