#include "help/ResourceModule.h"

#include "base/LibraryModule.h"
#include "config/ProcessEnvironment.h"

#include <windows.h>
#include <shlwapi.h>

namespace userdata {
namespace {

constexpr DWORD kResourcesOnly = LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE;

// The folders of the module search that a planted module cannot reach
// through the current folder, ';'-separated.
ZvString ModuleSearchFolders()
{
    ZvString folders;
    wchar_t folder[kPathCapacity] = {};
    const DWORD hostLength = GetModuleFileNameW(nullptr, folder, kPathCapacity);
    if (hostLength != 0 && hostLength < kPathCapacity && PathRemoveFileSpecW(folder)) {
        folders.Append(folder).Append(L';');
    }
    const UINT systemLength = GetSystemDirectoryW(folder, kPathCapacity);
    if (systemLength != 0 && systemLength < kPathCapacity) {
        folders.Append(folder).Append(L';');
    }
    const UINT windowsLength = GetWindowsDirectoryW(folder, kPathCapacity);
    if (windowsLength != 0 && windowsLength < kPathCapacity) {
        folders.Append(folder).Append(L';');
    }
    ZvString path;
    if (ReadProcessPath(path)) {
        folders.Append(path);
    }
    return folders;
}

// The full path of `module` in the first of `folders` that holds it; "" when
// none does. A name without extension gets ".dll", as the loader gives it.
ZvString FindModule(const wchar_t* module, const ZvString& folders)
{
    ZvString found;
    DWORD size = SearchPathW(folders.c_str(), module, L".dll", 0, nullptr, nullptr);
    while (size != 0) {
        wchar_t* const buffer = found.GetBufferSetLength(size - 1);
        const DWORD length = SearchPathW(folders.c_str(), module, L".dll", size, buffer, nullptr);
        if (length < size) {
            found.ReleaseBuffer();
            return length != 0 ? found : ZvString();
        }
        size = length;  // a folder changed meanwhile: ask again
    }
    return ZvString();
}

}  // namespace

ZvUniqueModule LoadResourceModule(const wchar_t* module)
{
    if (!PathIsRelativeW(module)) {
        return ZvUniqueModule(LoadLibraryExW(module, nullptr, kResourcesOnly));
    }
    ZvUniqueModule loaded;
    if (GetModuleHandleExW(0, module, loaded.Receive())) {
        return loaded;
    }
    const ZvString found = FindModule(module, ModuleSearchFolders());
    if (found.empty()) {
        return ZvUniqueModule();
    }
    return ZvUniqueModule(LoadLibraryExW(found.c_str(), nullptr, kResourcesOnly));
}

}  // namespace userdata
