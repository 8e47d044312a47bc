// The core's text as zvud's.
#pragma once

#include "base/ZvString.h"

#include <string>

namespace zvud {

inline std::wstring Text(const userdata::ZvString& text)
{
    return std::wstring(text.c_str(), text.length());
}

}  // namespace zvud
