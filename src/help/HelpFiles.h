// What the other modules ask of the help files.
#pragma once

#include <cstddef>

namespace userdata {

// The help file of the user's current profile, else the product's default
// help file, delivered into `buffer` of `capacity` characters as
// GetHelpFileName does (0 when there is none or it does not fit).
[[nodiscard]] unsigned DeliverHelpFileName(wchar_t* buffer, std::size_t capacity);

}  // namespace userdata
