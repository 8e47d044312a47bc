// The version resource of UserData.dll and of zvud itself.
#pragma once

#include <windows.h>

#include <string>

namespace zvud {

// The file at `path`'s version and commit, as "1.1.0, commit 0123456789ab".
std::wstring VersionText(const std::wstring& path);

// The file at `path`'s version alone, as "1.1.0"; "" without a version resource.
std::wstring VersionNumber(const std::wstring& path);

// The version whose rules zvud was built with (USERDATA_VERSION_* of UserData.h).
std::wstring OwnVersionNumber();

// The full path of a loaded module (null: the program's own file).
std::wstring ModulePath(HMODULE module);

// The path of `name` in zvud.exe's folder.
std::wstring BesideTool(const wchar_t* name);

}  // namespace zvud
