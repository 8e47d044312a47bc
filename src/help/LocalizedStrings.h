// Localized strings: indirect string references resolved from the string
// table of their resource module; any other text handed back as it is.
#pragma once

#include "base/Capacities.h"

#include <string_view>

namespace userdata {

// `text` (not null) resolved: for a reference "@module,-number" the string
// read into `loaded` (empty when the module or the string is missing), for
// any other text the text itself.
std::wstring_view ResolveString(const wchar_t* text, wchar_t (&loaded)[kNameCapacity]);

}  // namespace userdata
