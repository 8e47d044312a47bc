// The migration tool's argument string. No Windows header: built and fuzzed
// natively too.
#pragma once

#include <cstddef>

namespace userdata {

// The argument string holds this many characters, terminator included.
inline constexpr std::size_t kMigratorArgumentsCapacity = 520;
// A product or language of this many characters or more is left out.
inline constexpr std::size_t kMigratorNameCapacity = 260;

// "/a", then ` /product "<product>"` and ` /language "<language>"` for a
// product and language that are not empty and shorter than 260 characters,
// then " /dap " when the marker was created in this call. A part that would
// not fit the argument string is left out whole.
void BuildMigratorArguments(const wchar_t* product, const wchar_t* language, bool dapMarkerCreated,
                            wchar_t (&arguments)[kMigratorArgumentsCapacity]) noexcept;

}  // namespace userdata
