// The names cut from the product registry root key, and the current UI
// language as the identity queries give them.
#pragma once

#include "base/ZvString.h"

#include <optional>
#include <string_view>

namespace userdata {

// The program and product names in `productRootKey` (ProgramNameIn and
// ProductNameIn), nothing for a key of kLongTextCapacity characters or more.
// `productRootKey` must be the process's product registry root key, which
// does not change once start-up has run: hosts ask for the program name
// often, so each name is looked for on its first call only and its place
// in the key kept.
std::optional<std::wstring_view> ProgramNameOf(const ZvString& productRootKey) noexcept;
std::optional<std::wstring_view> ProductNameOf(const ZvString& productRootKey) noexcept;

// `language`; when it is empty, raises STATUS_INVALID_HANDLE, which passes out
// to the host (continued, the empty text is given).
const wchar_t* LanguageOrRaise(const ZvString& language);

}  // namespace userdata
