// The registry string writer behind zvudRegSetString, folding with a given
// table of path variables.
#pragma once

#include "regwrite/PathFolding.h"

#include <windows.h>

namespace userdata {

// Writes `data` as the value `valueName` of `key`: folded and as
// REG_EXPAND_SZ when `table` folds anything in it, else unchanged under the
// value's present type (REG_SZ when it is new or its type cannot be had).
// Returns the status of the write; ERROR_INVALID_PARAMETER for null `data`,
// and then nothing is written.
LSTATUS WriteFoldedString(HKEY key, const wchar_t* valueName, const wchar_t* data, const PathVariableTable& table);

}  // namespace userdata
