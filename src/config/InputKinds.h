// What kind of thing each input the library reads is, so that a doctor judges
// it by the rules of its kind, and whether the library needs it: start-up or
// an export fails without it.
#pragma once

#include "base/InputRecorder.h"

namespace userdata {

enum class InputKind {
    KeyPath,         // a registry key below a hive, as an identity file names it
    FolderPath,      // a folder the programs use
    FilePath,        // a file that is opened or named to the host
    Program,         // a file that is run
    Switch,          // a number that turns something on or off
    Name,            // a name shown or built into keys and files
    Language,        // a UI language, the name of a folder beside the library
    ListedLanguage,  // a language the catalogue lists for a product by a value's name
    Profile,         // the name of a help profile key
    List,            // folders separated by ';', as PATH takes them
    NamedPath,       // a file named to the host as stored, which need not exist yet
    Other,           // judged by its own check (the COM servers), or not at all
};

struct InputRule {
    InputKind kind = InputKind::Other;
    bool required = false;  // missing or empty, it makes start-up or an export fail
};

// The rule for an input as the library reads it.
[[nodiscard]] InputRule RuleOfInput(const RecordedInput& input);

// "key path", "folder path" and the like.
[[nodiscard]] const wchar_t* InputKindName(InputKind kind);

}  // namespace userdata
