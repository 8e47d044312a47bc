// The locations of product-specific files, stored as named values of the key
// "ProductSpecific" below the product registry root key.
#pragma once

#include "base/ZvString.h"

namespace userdata {

// The value `name` ("" for the default value) below `productRootKey`,
// expanded; empty when it cannot be read, a value too long for the read
// buffer included. An empty root key names no product's values.
ZvString ReadProductSpecificValue(const ZvString& productRootKey, const ZvString& name);

}  // namespace userdata
