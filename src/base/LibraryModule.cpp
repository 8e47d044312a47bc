#include "base/LibraryModule.h"

#include "base/BoundedText.h"

#include <cstdlib>
#include <cwchar>

namespace userdata {
namespace {

// Win32 path handling drops the dots and blanks that end a path component, so
// that "C:\Suite.\L1" names "C:\Suite\L1"; a path behind "\\?\" is taken as
// written. True when every folder of `path` names itself to Win32.
bool FoldersKeepTheirNames(const wchar_t* path) noexcept
{
    if (std::wcsncmp(path, L"\\\\?\\", 4) == 0) {
        return true;
    }
    const wchar_t* const fileName = std::wcsrchr(path, L'\\');
    for (const wchar_t* at = path; fileName != nullptr && at < fileName; ++at) {
        if (at[1] == L'\\' && (*at == L'.' || *at == L' ')) {
            return false;
        }
    }
    return true;
}

}  // namespace

HMODULE FindLibraryModule() noexcept
{
    MEMORY_BASIC_INFORMATION memory = {};
    const void* const insideLibrary = reinterpret_cast<const void*>(&FindLibraryModule);
    if (VirtualQuery(insideLibrary, &memory, sizeof(memory)) != sizeof(memory)) {
        return nullptr;
    }
    return static_cast<HMODULE>(memory.AllocationBase);
}

bool GetModulePath(HMODULE module, wchar_t (&path)[kPathCapacity]) noexcept
{
    const DWORD length = GetModuleFileNameW(module, path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity || !FoldersKeepTheirNames(path)) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

bool GetLibraryModuleFileName(wchar_t (&path)[kPathCapacity]) noexcept
{
    return GetModulePath(FindLibraryModule(), path);
}

bool SplitModulePath(const wchar_t* path, ModulePathParts& parts) noexcept
{
    return _wsplitpath_s(path, parts.drive, kDriveCapacity, parts.directory, kPathPartCapacity, parts.name,
                         kPathPartCapacity, parts.extension, kPathPartCapacity) == 0;
}

unsigned GetLibraryFolder(wchar_t (&folder)[kPathCapacity]) noexcept
{
    wchar_t module[kPathCapacity] = {};
    ModulePathParts parts;
    if (!GetLibraryModuleFileName(module) || !SplitModulePath(module, parts) ||
        _wmakepath_s(folder, kPathCapacity, parts.drive, parts.directory, L"", L"") != 0) {
        folder[0] = L'\0';
        return 0;
    }
    return static_cast<unsigned>(BoundedLength(folder));
}

}  // namespace userdata
