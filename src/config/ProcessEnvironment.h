// Variables as the process environment holds them: what LoadLibrary, child
// processes and a host's SetEnvironmentVariableW see, unlike the C runtime's
// copy.
#pragma once

#include "base/ZvString.h"

namespace userdata {

// PATH ("" when unset); false when it cannot be read.
[[nodiscard]] bool ReadProcessPath(ZvString& path);

}  // namespace userdata
