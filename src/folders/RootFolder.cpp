// GetProductRootFolder and SetWorkingDirectory: the library's own folder, and
// the move out of the user-data cache folder at host start-up.
#include "UserData.h"
#include "folders/LibraryModule.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>

using namespace userdata;

unsigned int GetProductRootFolder(wchar_t* buffer, unsigned long capacity)
{
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    const DWORD length = GetModuleFileNameW(FindLibraryModule(), buffer, capacity);
    ModulePathParts parts;
    // A path cut to the capacity would name another folder: no answer then.
    if (length == 0 || length >= capacity || !SplitModulePath(buffer, parts) ||
        _wmakepath_s(buffer, capacity, parts.drive, parts.directory, L"", L"") != 0) {
        buffer[0] = L'\0';
        return 0;
    }
    return static_cast<unsigned int>(std::wcslen(buffer));
}

void SetWorkingDirectory(void)
{
    wchar_t executable[kModulePathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, executable, kModulePathCapacity);
    ModulePathParts parts;
    if (length == 0 || length >= kModulePathCapacity || !SplitModulePath(executable, parts)) {
        return;
    }
    wchar_t cacheFolder[kModulePathCapacity] = {};
    if (_wmakepath_s(cacheFolder, kModulePathCapacity, parts.drive, parts.directory, L"userdatacache", nullptr) != 0) {
        return;
    }
    wchar_t folder[kModulePathCapacity] = {};
    const DWORD current = GetCurrentDirectoryW(kModulePathCapacity, folder);
    if (current == 0 || current >= kModulePathCapacity || _wcsicmp(cacheFolder, folder) != 0) {
        return;
    }
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        SetCurrentDirectoryW(folder);
    }
}
