// Resource modules of indirect string references: found only in absolute
// folders, mapped as data so that none of their code runs, and read as the
// untrusted data they are.
#pragma once

#include "base/Capacities.h"
#include "base/Holders.h"

#include <cstddef>

namespace userdata {

// `module` mapped as a data file. A full path ("X:\..." or "\\server\...") is
// taken as it is, and a module loaded already as it is. Any other bare name
// is looked for in the host's folder, the system folder, the Windows folder,
// then the absolute folders of PATH (a quoted entry may hold ';'), with
// ".dll" added when it has no extension; never in the current folder or a
// folder named relative to it. A relative path with a folder part (".\x.dll",
// "sub\x.dll", "C:x.dll") names a file by the current folder and is never
// looked for. Empty when not found or not mapped.
ZvUniqueModule LoadResourceModule(const wchar_t* module);

// String `number` of `module`'s string table into `text`, cut to
// kNameCapacity - 1 characters. The table's block is walked within its size:
// a length that runs past the block, or a block that is not readable memory,
// means no such string. Returns the length copied; 0 when the string is
// missing or empty.
std::size_t ReadStringResource(HMODULE module, unsigned number, wchar_t (&text)[kNameCapacity]) noexcept;

}  // namespace userdata
