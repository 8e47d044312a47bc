// Resource modules of indirect string references, mapped for their resources
// only.
#pragma once

#include "base/Holders.h"

namespace userdata {

// `module` mapped as an image resource, so that none of its code runs. A
// module loaded already is taken as it is. Any other name that is not a full
// path is looked for as the system looks for modules, but never in the
// current folder: the host's folder, the system folder, the Windows folder,
// then the folders of PATH. Empty when it is not found or cannot be mapped.
ZvUniqueModule LoadResourceModule(const wchar_t* module);

}  // namespace userdata
