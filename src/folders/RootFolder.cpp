// GetProductRootFolder and SetWorkingDirectory: the library's own folder, and
// the move out of the user-data cache folder at host start-up.
#include "UserData.h"
#include "base/BoundedText.h"
#include "base/LibraryModule.h"

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
    buffer[0] = L'\0';
    // Composed in the library's own buffer: the caller's capacity is no
    // scratch space, and only the answer and its terminator are written.
    wchar_t folder[kPathCapacity] = {};
    const unsigned length = GetLibraryFolder(folder);
    if (length == 0) {
        return 0;
    }
    return DeliverLengthResult(folder, length, buffer, capacity);
}

void SetWorkingDirectory(void)
{
    wchar_t executable[kPathCapacity] = {};
    const DWORD length = GetModuleFileNameW(nullptr, executable, kPathCapacity);
    ModulePathParts parts;
    if (length == 0 || length >= kPathCapacity || !SplitModulePath(executable, parts)) {
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
