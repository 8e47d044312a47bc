// What the other modules ask of the special folders.
#pragma once

#include "UserData.h"
#include "base/Capacities.h"

#include <cstddef>

namespace userdata {

// Special folder paths are composed in buffers of this many characters.
inline constexpr std::size_t kFolderPathCapacity = kLongTextCapacity;

// Builds the path of `folder` into `path`. False when the folder number is
// unknown, the folder has no path, or the path does not fit.
[[nodiscard]] bool BuildSpecialFolder(ZvUdSpecialFolder::Folders folder, wchar_t (&path)[kFolderPathCapacity]);

}  // namespace userdata
