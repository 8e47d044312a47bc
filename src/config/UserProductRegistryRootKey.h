// The user product registry root key override that a host sets with
// zvudSetUserProductRegistryRootKey. The rule that chooses between it and the
// product registry root key is CurrentIdentity::UserRootKey.
#pragma once

#include "base/Capacities.h"

namespace userdata {

// Sets the override; a key that does not fit, or none, switches it off
// rather than being cut.
void SetUserProductRegistryRootKeyOverride(const wchar_t* key) noexcept;

// The override copied whole into `key`, even while another thread sets it;
// "" when none is set.
void CopyUserProductRegistryRootKeyOverride(wchar_t (&key)[kKeyPathCapacity]) noexcept;

}  // namespace userdata
