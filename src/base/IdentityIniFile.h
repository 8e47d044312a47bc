// The section that "identityver.ini" and "identity.ini" share.
#pragma once

#include "base/ZvString.h"

namespace userdata {

// Values are read into buffers of this many characters, so a longer value is
// cut to 259 characters.
inline constexpr unsigned kIdentityValueCapacity = 260;

// Reads `key` from section "ProductIdentity" of the INI file `iniPath`; empty
// when the file, the section or the key is missing.
ZvString ReadProductIdentityValue(const ZvString& iniPath, const wchar_t* key);

}  // namespace userdata
