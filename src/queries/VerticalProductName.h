// The vertical product's display name: the value "ProductName" of the product
// registry root key.
#pragma once

#include "base/Capacities.h"
#include "base/ZvString.h"

#include <windows.h>

namespace userdata {

struct VerticalProductName {
    wchar_t text[kProductNameCapacity] = {};
    // The size of the text read, in bytes with its terminator; 0 when there is none.
    DWORD bytes = 0;
};

// "ProductName" of `productRootKey` (opened machine first, then for the
// user), of any type, environment references expanded. None for an empty key,
// a key of kPathCapacity characters or more, or a value that does not fit.
VerticalProductName ReadVerticalProductName(const ZvString& productRootKey);

}  // namespace userdata
