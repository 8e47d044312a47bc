// The indirect string reference "@" + module + ",-" + decimal number, as
// Windows writes indirect strings into the registry. No Windows header: the
// parsing is built and fuzzed natively too.
#pragma once

#include "base/Capacities.h"

#include <cstddef>
#include <cstdint>

namespace userdata {

// The module name and the number text each have a working buffer of this many
// characters, terminator included.
inline constexpr std::size_t kReferencePartCapacity = kNameCapacity;

// String tables number their strings with 16 bits.
inline constexpr std::uint32_t kLargestStringNumber = 0xFFFF;

struct IndirectStringReference {
    // Empty when the name does not fit: no module can be found by it.
    wchar_t module[kReferencePartCapacity] = {};
    // The number as written; any number above kLargestStringNumber, and a
    // number text that does not fit its working buffer, is given as
    // kLargestStringNumber + 1, since no module holds such a string.
    std::uint32_t number = 0;
};

// True when `text` is a reference: it starts with "@", the first ",-" in it
// ends the module name, and one or more decimal digits and nothing else
// follow, whatever the lengths of the name and the digits. Otherwise `text`
// is plain text and `reference` is left as it was.
[[nodiscard]] bool ParseIndirectStringReference(const wchar_t* text, IndirectStringReference& reference) noexcept;

}  // namespace userdata
