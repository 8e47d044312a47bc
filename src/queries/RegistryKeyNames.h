// Names cut out of a product registry root key such as
// Software\Vendor\Suite\Release\Tool-X1 (program Tool, product Suite).
// No Windows header: built and fuzzed natively too.
#pragma once

namespace userdata {

// Both cut `key` in place and return the start of the name inside it, or null
// when the key lacks the separators the name needs.

// The key is ended at its last '-' (wherever it stands, A\B-C\D gives B), and
// the name is what follows the last '\' of the rest.
wchar_t* CutProgramName(wchar_t* key) noexcept;

// The third-last '\'-separated component of the key.
wchar_t* CutProductName(wchar_t* key) noexcept;

}  // namespace userdata
