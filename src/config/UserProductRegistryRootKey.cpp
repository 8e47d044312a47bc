#include "config/UserProductRegistryRootKey.h"

#include "base/BoundedText.h"
#include "base/Holders.h"
#include "config/CurrentIdentity.h"

#include <windows.h>

namespace userdata {
namespace {

// Process-wide, empty at load; only SetUserProductRegistryRootKeyOverride
// writes it, holding the lock exclusively. Readers copy it whole under the
// shared lock, so each sees the old or the new value and never a mix of both,
// and readers never wait for one another.
wchar_t UserProductRegistryRootKeyOverride[kKeyPathCapacity] = {};
SRWLOCK OverrideLock = SRWLOCK_INIT;

}  // namespace

void SetUserProductRegistryRootKeyOverride(const wchar_t* key) noexcept
{
    const ZvExclusiveLock lock(OverrideLock);
    if (!CopyText(UserProductRegistryRootKeyOverride, key)) {
        UserProductRegistryRootKeyOverride[0] = L'\0';
    }
}

void CopyUserProductRegistryRootKeyOverride(wchar_t (&key)[kKeyPathCapacity]) noexcept
{
    const ZvSharedLock lock(OverrideLock);
    if (!CopyText(key, UserProductRegistryRootKeyOverride)) {
        key[0] = L'\0';  // cannot happen: both hold the same number of characters
    }
}

const wchar_t* CurrentIdentity::UserRootKey()
{
    if (!overrideRead_) {
        CopyUserProductRegistryRootKeyOverride(userOverride_);
        overrideRead_ = true;
    }
    return userOverride_[0] != L'\0' ? userOverride_ : EnsureProductParams().ProductRegistryRootKey.c_str();
}

}  // namespace userdata
