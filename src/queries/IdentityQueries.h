// What the other modules ask of the identity queries.
#pragma once

#include <cstddef>

namespace userdata {

// The program name cut from the product registry root key, delivered into
// `buffer` of `capacity` characters as GetProgramName does (0 when there is
// none or it does not fit).
unsigned DeliverProgramName(wchar_t* buffer, std::size_t capacity);

// The current UI language, after running start-up if it has not run. Raises
// STATUS_INVALID_HANDLE, which passes out to the host, when there is none.
const wchar_t* ProductUILanguage();

}  // namespace userdata
