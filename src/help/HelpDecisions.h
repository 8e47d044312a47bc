// The help file and the context help file as the library decides them, each
// with its reason: the profile value or default name it came from, or where
// the lookup stopped and why. Reads only; a doctor asks these.
#pragma once

#include "base/ZvString.h"
#include "config/CurrentIdentity.h"
#include "config/Reason.h"

namespace userdata {

struct HelpDecisions {
    Decision helpFile;
    Decision contextFile;
    ZvString profile;                   // the current profile, "" without one
    ZvString program;                   // the program whose help value is read
    const wchar_t* profileValue = L"";  // the value of the profile's "General" key that names the help file
};

// The lookups of GetHelpFileName and GetContextFileName, with their reasons.
// A help value that names an undefined environment variable is Unexpanded.
HelpDecisions DecideHelpFiles(CurrentIdentity& identity);

}  // namespace userdata
