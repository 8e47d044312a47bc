// The user product registry root key: the override that a host sets with
// zvudSetUserProductRegistryRootKey, else the product registry root key.
// Folder values, help profiles and the migration state live below it.
#pragma once

#include "base/Capacities.h"

#include <cstddef>

namespace userdata {

// Sets the override; a key that does not fit, or none, switches it off
// rather than being cut.
void SetUserProductRegistryRootKeyOverride(const wchar_t* key) noexcept;

// The override copied whole into `key`, even while another thread sets it;
// "" when none is set.
void CopyUserProductRegistryRootKeyOverride(wchar_t (&key)[kKeyPathCapacity]) noexcept;

// Copies the override (at most 511 characters, read whole even while another
// thread sets it), or else the product registry root key after start-up has
// run, into `key`. False, with `key` unchanged, when it does not fit. Reading
// the override settles nothing.
[[nodiscard]] bool CopyUserProductRegistryRootKey(wchar_t* key, std::size_t capacity);

template <std::size_t N>
[[nodiscard]] bool CopyUserProductRegistryRootKey(wchar_t (&key)[N])
{
    return CopyUserProductRegistryRootKey(key, N);
}

}  // namespace userdata
