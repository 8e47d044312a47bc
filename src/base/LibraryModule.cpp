#include "base/LibraryModule.h"

#include "base/BoundedText.h"

#include <cstdlib>

namespace userdata {

HMODULE FindLibraryModule() noexcept
{
    MEMORY_BASIC_INFORMATION memory = {};
    const void* const insideLibrary = reinterpret_cast<const void*>(&FindLibraryModule);
    if (VirtualQuery(insideLibrary, &memory, sizeof(memory)) != sizeof(memory)) {
        return nullptr;
    }
    return static_cast<HMODULE>(memory.AllocationBase);
}

bool GetLibraryModuleFileName(wchar_t (&path)[kPathCapacity]) noexcept
{
    const DWORD length = GetModuleFileNameW(FindLibraryModule(), path, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        path[0] = L'\0';
        return false;
    }
    return true;
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
