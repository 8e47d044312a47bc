// The user product registry root key: the override that a host sets with
// zvudSetUserProductRegistryRootKey, else the product registry root key.
// Folder values, help profiles and the migration state live below it.
#pragma once

namespace userdata {

// The override (at most 511 characters), or the product registry root key
// after start-up has run. Reading the override settles nothing.
const wchar_t* UserProductRegistryRootKey();

}  // namespace userdata
