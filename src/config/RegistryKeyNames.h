// Names cut out of a product registry root key such as
// Software\Vendor\Suite\Release\Tool-X1 (program Tool, product Suite).
// No Windows header: built and fuzzed natively too.
#pragma once

#include <optional>
#include <string_view>

namespace userdata {

// Both give the name as a part of `key`, or nothing when the key lacks the
// separators the name needs. The key is read, never copied: hosts ask for
// the program name often.

// What lies before the key's last '-' (wherever it stands, A\B-C\D gives B)
// and after the last '\' before it.
std::optional<std::wstring_view> ProgramNameIn(std::wstring_view key) noexcept;

// The third-last '\'-separated component of the key.
std::optional<std::wstring_view> ProductNameIn(std::wstring_view key) noexcept;

}  // namespace userdata
