#include "queries/ProductFilePaths.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/RegistryAccess.h"

#include <windows.h>

namespace userdata {

ZvString ReadProductSpecificValue(const ZvString& productRootKey, const ZvString& name)
{
    ZvRegistryAccess productSpecific;
    wchar_t value[kPathCapacity];
    if (productSpecific.OpenBelow(HKEY_LOCAL_MACHINE, productRootKey, L"ProductSpecific") != ERROR_SUCCESS ||
        !productSpecific.ReadExpandedCharacters(name.c_str(), value)) {
        return ZvString();
    }
    return ZvString(value, BoundedLength(value));
}

}  // namespace userdata
