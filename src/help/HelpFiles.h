// The help file and the context help file of the current product.
#pragma once

#include "base/Capacities.h"
#include "config/CurrentIdentity.h"

namespace userdata {

// Where the help file lookup took its answer from or stopped, for those who
// ask why (DecideHelpFiles): the key it reached last, below `hive`, whether
// that key opened, the value read there (null for the key's default value),
// and the current profile. Filled on the stack like the lookup itself.
struct HelpTrace {
    HKEY hive = nullptr;
    wchar_t key[kLongTextCapacity] = {};
    bool opened = false;
    const wchar_t* value = nullptr;
    wchar_t profile[kProfileNameLength + 1] = {};
};

// The help file of the user's current profile below the user product
// registry root key, else the product's default help file; false when there
// is none. `trace`, when given, records where the answer came from.
[[nodiscard]] bool FindHelpFile(CurrentIdentity& identity, wchar_t (&helpPath)[kPathCapacity],
                                HelpTrace* trace = nullptr);

// The value of the current profile's "General" key that holds the help file
// for this program: "ZOVAHELP" for the base product's own program, "HELP"
// for the others.
const wchar_t* ProfileHelpValueName(CurrentIdentity& identity);

// The context help file: the program name and "CTXT.CHM" in the folder of the
// help file; false when there is no help file or no program name.
[[nodiscard]] bool FindContextFile(CurrentIdentity& identity, wchar_t (&contextPath)[kContextPathCapacity]);

}  // namespace userdata
