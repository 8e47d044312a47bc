// The library's own module file and the pieces of a module path.
#pragma once

#include "base/Capacities.h"

#include <windows.h>

#include <cstddef>

namespace userdata {

// The library's own module, found from the allocation base of one of its
// functions; null when that cannot be determined (callers then get the host
// executable's file from GetModuleFileNameW).
HMODULE FindLibraryModule() noexcept;

// The full path of `module`'s file (null: the host executable's); false, with
// `path` empty, when it cannot be had, does not fit (a cut path would name
// another file), or names a folder that Win32 path handling reads as another:
// without the "\\?\" prefix, a folder name ending in '.' or ' ' ("C:\Suite.\"
// is read as "C:\Suite\"). A kept "\\?\" prefix stays in the path, and so in
// every path built from it. This is the one place that decides which module
// paths the library builds on.
[[nodiscard]] bool GetModulePath(HMODULE module, wchar_t (&path)[kPathCapacity]) noexcept;

// GetModulePath of the library's own module.
[[nodiscard]] bool GetLibraryModuleFileName(wchar_t (&path)[kPathCapacity]) noexcept;

// The folder of the library's module file, with its trailing backslash, into
// `folder`; its length, or 0 (with `folder` empty) when it cannot be had.
[[nodiscard]] unsigned GetLibraryFolder(wchar_t (&folder)[kPathCapacity]) noexcept;

// A path split into drive, directory (with its trailing backslash), file name
// and extension.
struct ModulePathParts {
    wchar_t drive[kDriveCapacity] = {};
    wchar_t directory[kPathPartCapacity] = {};
    wchar_t name[kPathPartCapacity] = {};
    wchar_t extension[kPathPartCapacity] = {};
};

// False when a part does not fit its buffer.
[[nodiscard]] bool SplitModulePath(const wchar_t* path, ModulePathParts& parts) noexcept;

}  // namespace userdata
