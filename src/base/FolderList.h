// Lists of folders separated by ';', as PATH and a vertical product's
// "VerticalEnvPath" hold them. A quoted part of an entry may hold ';': the
// quotes group, and are dropped. No Windows header: the text routines are
// built natively too.
#pragma once

#include "base/ZvString.h"

#include <vector>

namespace userdata {

// The folders of `list` in order, quotes dropped; an entry that leaves
// nothing (two separators in a row, a trailing one, "") gives no folder.
std::vector<ZvString> SplitFolderList(const wchar_t* list);

// `folder` as an entry of such a list: quoted when it holds ';', so that it
// stays one folder for the list's readers, and to those who split at every
// ';' both pieces hold a '"' and name no folder, never a relative one.
ZvString FolderListEntry(const ZvString& folder);

}  // namespace userdata
