// Variables as the process environment holds them: what LoadLibrary, child
// processes and a host's SetEnvironmentVariableW see, unlike the C runtime's
// copy.
#pragma once

#include "base/ZvString.h"

namespace userdata {

// PATH ("" when unset); false when it cannot be read.
[[nodiscard]] bool ReadProcessPath(ZvString& path);

// Puts `folders` in front of PATH, in the process environment and in the
// library's C runtime copy alike, one read-modify-write at a time; false when
// PATH cannot be read or written, or would pass the environment's limit.
[[nodiscard]] bool PrependToProcessPath(const wchar_t* folders);

}  // namespace userdata
