// The help file and the context help file of the current product.
#pragma once

#include "base/Capacities.h"
#include "config/CurrentIdentity.h"

namespace userdata {

// The help file of the user's current profile below the user product
// registry root key, else the product's default help file; false when there
// is none.
[[nodiscard]] bool FindHelpFile(CurrentIdentity& identity, wchar_t (&helpPath)[kPathCapacity]);

// The context help file: the program name and "CTXT.CHM" in the folder of the
// help file; false when there is no help file or no program name.
[[nodiscard]] bool FindContextFile(CurrentIdentity& identity, wchar_t (&contextPath)[kContextPathCapacity]);

}  // namespace userdata
