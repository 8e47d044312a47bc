// Why start-up took a value, or why it has none: the file, key or value it
// came from, or what was wrong there. A doctor prints it with DescribeReason.
#pragma once

#include "base/ZvString.h"

#include <windows.h>

namespace userdata {

struct StartupReason {
    enum class Kind {
        NotDecided,    // an earlier step failed, so this one was not looked at
        Requested,     // the host asked for it
        LastLaunched,  // the user's last launched value
        FirstListed,   // the first that the catalogue lists under `source`
        Fixed,         // the installation is not configurable: the base product
        Read,          // read from `source` and `item`
        NotNeeded,     // the step does not apply (the base product has no vertical folders)
        Absent,        // `source`, or its `item`, is missing or empty
        NoneListed,    // `source` lists nothing
        Refused,       // `source` could not be opened or read (`status`)
        WrongType,     // `item` is of type `type`, not a string
        TooLong,       // `item` does not fit the buffer it is read into
        Unexpanded,    // `item` names the environment variable `variable`, which is not defined
    };
    enum class Place { Host, File, Registry, Folder };

    Kind kind = Kind::NotDecided;
    Place place = Place::Host;
    ZvString source;  // a file path, a registry key with its hive ("HKLM\Software\..."), a folder
    ZvString item;    // an INI key, or a registry value name ("" for the default value)
    ZvString variable;
    DWORD type = REG_NONE;
    LSTATUS status = ERROR_SUCCESS;

    [[nodiscard]] bool Failed() const noexcept { return kind == Kind::NotDecided || kind >= Kind::Absent; }
};

// A reason of `kind` found at `place`, in `source` and its `item` (null or ""
// for none, or for a key's default value), with the Win32 `status` met there.
StartupReason ReasonOf(StartupReason::Kind kind, StartupReason::Place place, const ZvString& source,
                       const wchar_t* item = L"", LSTATUS status = ERROR_SUCCESS);

// The reason in words, for a person: "from <file>: <key>", "the file <file>
// is missing", "<key>\<value> is REG_MULTI_SZ, not a string", and the like.
ZvString DescribeReason(const StartupReason& reason);

// The first %NAME% in `text` that names no environment variable; "" when
// every reference expands.
ZvString FirstUndefinedVariable(const wchar_t* text);

}  // namespace userdata
