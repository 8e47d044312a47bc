// The section that "identityver.ini" and "identity.ini" share.
#pragma once

#include "base/ZvString.h"

namespace userdata {

// Reads `key` from section "ProductIdentity" of the INI file `iniPath`; empty
// when the file, the section or the key is missing.
ZvString ReadProductIdentityValue(const ZvString& iniPath, const wchar_t* key);

}  // namespace userdata
