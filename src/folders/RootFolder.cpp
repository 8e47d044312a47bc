// The library's own folder, and the move out of the user-data cache folder at
// host start-up.
#include "base/LibraryModule.h"
#include "folders/FolderPaths.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

namespace userdata {

unsigned ProductRootFolder(wchar_t (&folder)[kPathCapacity]) noexcept
{
    return GetLibraryFolder(folder);
}

void LeaveUserDataCacheFolder()
{
    wchar_t executable[kPathCapacity] = {};
    ModulePathParts parts;
    if (!GetModulePath(nullptr, executable) || !SplitModulePath(executable, parts)) {
        return;
    }
    wchar_t cacheFolder[kPathCapacity] = {};
    if (_wmakepath_s(cacheFolder, kPathCapacity, parts.drive, parts.directory, L"userdatacache", nullptr) != 0) {
        return;
    }
    wchar_t folder[kPathCapacity] = {};
    const DWORD current = GetCurrentDirectoryW(kPathCapacity, folder);
    if (current == 0 || current >= kPathCapacity || _wcsicmp(cacheFolder, folder) != 0) {
        return;
    }
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        SetCurrentDirectoryW(folder);
    }
}

}  // namespace userdata
