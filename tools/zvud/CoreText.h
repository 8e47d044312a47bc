// The core's text as zvud's.
#pragma once

#include "base/ZvString.h"

#include <string>

namespace zvud {

inline std::wstring Text(const userdata::ZvString& text)
{
    return std::wstring(text.c_str(), text.length());
}

inline userdata::ZvString Core(const std::wstring& text)
{
    return userdata::ZvString(text.c_str(), text.size());
}

}  // namespace zvud
