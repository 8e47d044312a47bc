// The exports zvud calls, checked in the UserData.dll found before any is
// called: zvud binds them on first use, and a DLL that lacks one (an old or a
// foreign UserData.dll) would end zvud at the first call to it.
#pragma once

#include <windows.h>

#include <string>

namespace zvud {

// The names that zvud imports from UserData.dll and `library` lacks, as
// "a, b"; "" when it has them all. Read from zvud's own table of the imports
// it binds on first use, so that an export zvud starts calling is checked too.
std::wstring LackingExports(HMODULE library);

}  // namespace zvud
