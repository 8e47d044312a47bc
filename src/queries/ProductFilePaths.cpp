// GetProductSpecificFilePath: the locations of product-specific files, stored
// as named values of the key "ProductSpecific" below the product registry root
// key. It settles nothing: before another export has run start-up the root
// key is empty and no product's values are read.
#include "UserData.h"
#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

namespace userdata {
namespace {

// The value `name` ("" for the default value), expanded; empty when it cannot
// be read, a value too long for the read buffer included.
ZvString ReadProductSpecificValue(const CProductConfigInit& config, const ZvString& name)
{
    ZvRegistryAccess productSpecific;
    wchar_t value[kPathCapacity];
    if (productSpecific.OpenBelow(HKEY_LOCAL_MACHINE, config.GetProductParams().ProductRegistryRootKey,
                                  L"ProductSpecific") != ERROR_SUCCESS ||
        !ReadExpandedCharacters(productSpecific.Key(), name.c_str(), value)) {
        return ZvString();
    }
    return ZvString(value, BoundedLength(value));
}

}  // namespace
}  // namespace userdata

using namespace userdata;

unsigned int GetProductSpecificFilePath(const wchar_t* name, wchar_t* buffer, unsigned long capacity)
{
    const ZvString value = ReadProductSpecificValue(GetProductConfig(), StringFromArgument(name));
    return DeliverLengthResult(value.c_str(), value.length(), buffer, capacity);
}
