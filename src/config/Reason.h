// Why the library takes a value, does a repair, or has no value: the file,
// key, value or folder it came from, or what was wrong there. Start-up, the
// repair and the folder and help lookups decide with reasons; a doctor prints
// them with DescribeReason.
#pragma once

#include "base/RegistryAccess.h"
#include "base/ZvString.h"

#include <windows.h>

namespace userdata {

struct Reason {
    enum class Kind {
        NotDecided,    // an earlier step failed, so this one was not looked at
        Requested,     // the host asked for it
        LastLaunched,  // the user's last launched value
        FirstListed,   // the first that the catalogue lists under `source`
        Fixed,         // the installation is not configurable: the base product
        Read,          // read from `source` and `item`
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
Reason ReasonOf(Reason::Kind kind, Reason::Place place, const ZvString& source, const wchar_t* item = L"",
                LSTATUS status = ERROR_SUCCESS);

// Why the registry key `source` (or its value `item`) gave nothing: Absent
// when the registry does not find it, Refused for any other `status`.
Reason AbsentOrRefused(LSTATUS status, const ZvString& source, const wchar_t* item = L"");

// Why the string value `valueName` (null for the default value, then named
// "(default)") of `key`, named `source`, could not be read: missing, refused,
// not a string, or too long.
Reason WhyUnread(const ZvRegistryAccess& key, const ZvString& source, const wchar_t* valueName);

// One value the library settles on, and why.
struct Decision {
    ZvString value;
    Reason reason;
};

// Whether decisions are carried out or only recorded: the library's start-up
// and repair act on theirs; a doctor's withhold every effect and read what
// was decided.
enum class Effects { Apply, Withhold };

// The reason in words, for a person: "from <file>: <key>", "the file <file>
// is missing", "<key>\<value> is REG_MULTI_SZ, not a string", and the like.
ZvString DescribeReason(const Reason& reason);

// The first %NAME% in `text` that names no environment variable; "" when
// every reference expands.
ZvString FirstUndefinedVariable(const wchar_t* text);

}  // namespace userdata
