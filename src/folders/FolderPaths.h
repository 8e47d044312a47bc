// The special folders by number: those built from the install folder and the
// language, the help folder, and the per-user folder values under the user
// product registry root key. Heap-free after start-up (see
// base/Capacities.h): every path is composed in a fixed buffer, and a path
// that does not fit fails rather than being cut.
#pragma once

#include "UserData.h"
#include "base/Capacities.h"
#include "base/RegistryAccess.h"
#include "config/CurrentIdentity.h"

namespace userdata {

// Builds the path of `folder` into `path`. False when the folder number is
// unknown, the folder has no path, or the path does not fit.
[[nodiscard]] bool BuildSpecialFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder,
                                      wchar_t (&path)[kFolderPathCapacity]);

// The install folder, or one of the folders built from it and the language;
// false for any other folder number.
[[nodiscard]] bool BuildProductFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder,
                                      wchar_t (&path)[kFolderPathCapacity]);

// The per-user folder value `valueName` below the user product registry root
// key, read as a string (REG_EXPAND_SZ unexpanded) into `path`. A user root
// key that is empty or too long for its key path names no key of the product:
// the read fails rather than look elsewhere.
[[nodiscard]] bool ReadFolderValue(CurrentIdentity& identity, const wchar_t* valueName,
                                   wchar_t (&path)[kFolderPathCapacity]);

// The key of the per-user folder values (the user product registry root key
// below HKEY_CURRENT_USER), opened for reading into `folderKey`: the Win32
// error code, ERROR_BAD_PATHNAME when the root key is empty or too long for
// its key path.
[[nodiscard]] LSTATUS OpenFolderValues(CurrentIdentity& identity, ZvRegistryAccess& folderKey);

// The library's own folder, with its trailing backslash, into `folder`; its
// length, or 0 when it cannot be had.
[[nodiscard]] unsigned ProductRootFolder(wchar_t (&folder)[kPathCapacity]) noexcept;

// Moves the working directory from the "userdatacache" folder beside the host
// executable to the user's Documents folder; anywhere else it stays.
void LeaveUserDataCacheFolder();

}  // namespace userdata
