// The folder exports: each builds its path through the core, which settles
// start-up only when the path needs the identity, and delivers it from the
// library's own buffer, so that only the answer and its terminator reach the
// caller's. No heap after start-up (see base/Capacities.h).
#include "UserData.h"
#include "base/BoundedText.h"
#include "config/CurrentIdentity.h"
#include "folders/FolderPaths.h"

namespace userdata {
namespace {

unsigned DeliverSpecialFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder, wchar_t* buffer,
                              unsigned long long capacity)
{
    wchar_t path[kFolderPathCapacity] = {};
    if (!BuildSpecialFolder(identity, folder, path)) {
        return 0;
    }
    return DeliverCapacityResult(path, BoundedLength(path), buffer, capacity);
}

}  // namespace
}  // namespace userdata

using namespace userdata;

unsigned int zvudGetSpecialFolder(ZvUdSpecialFolder::Folders folder, wchar_t* buffer, unsigned long long capacity)
{
    CurrentIdentity identity;
    return DeliverSpecialFolder(identity, folder, buffer, capacity);
}

unsigned int zvudGetProductXFoldPath(wchar_t* buffer, unsigned long long capacity, ZvUdSpecialFolder::Folders folder)
{
    CurrentIdentity identity;
    wchar_t path[kFolderPathCapacity] = {};
    if (buffer == nullptr || !BuildProductFolder(identity, folder, path) || !CopyText(buffer, capacity, path)) {
        return 0;
    }
    return 1;
}

// A null buffer asks only whether the value exists as a string; otherwise the
// value is read straight into the caller's buffer, at the caller's capacity.
unsigned int zvudGetXRootFoldPath(const wchar_t* valueName, wchar_t* buffer, unsigned long long capacity)
{
    CurrentIdentity identity;
    ZvRegistryAccess folderKey;
    if (OpenFolderValues(identity, folderKey) != ERROR_SUCCESS) {
        return 0;
    }
    if (buffer == nullptr) {
        return folderKey.HoldsString(valueName) ? 1 : 0;
    }
    return folderKey.DeliverRawString(valueName, buffer, capacity) ? 1 : 0;
}

extern "C" unsigned int GetZOVAUserDataCacheLangPath(wchar_t* buffer, void* /*ignored*/, unsigned int capacity)
{
    CurrentIdentity identity;
    // The plain cache folder first, so that a buffer too small for the
    // per-language folder still receives it.
    DeliverSpecialFolder(identity, ZvUdSpecialFolder::UserDataCacheFolder, buffer, capacity);
    return DeliverSpecialFolder(identity, ZvUdSpecialFolder::UserDataCacheFolderLang, buffer, capacity);
}

// Composed in the library's own buffer: the caller's capacity is no scratch
// space, and only the answer and its terminator are written.
unsigned int GetProductRootFolder(wchar_t* buffer, unsigned long capacity)
{
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    buffer[0] = L'\0';
    wchar_t folder[kPathCapacity] = {};
    const unsigned length = ProductRootFolder(folder);
    if (length == 0) {
        return 0;
    }
    return DeliverLengthResult(folder, length, buffer, capacity);
}

// Settles nothing: the host's executable and working directory are all it needs.
void SetWorkingDirectory(void)
{
    LeaveUserDataCacheFolder();
}
