// The current UI language as the identity queries give it.
#pragma once

#include "base/ZvString.h"

namespace userdata {

// `language`; when it is empty, raises STATUS_INVALID_HANDLE, which passes out
// to the host (continued, the empty text is given).
const wchar_t* LanguageOrRaise(const ZvString& language);

}  // namespace userdata
