// Path folding: absolute folder paths inside a text turned back into the
// environment-variable references (%NAME%) that name them, from a table of
// variables read once. The table and the folding use no Windows header, so
// they are built and fuzzed natively too; reading the environment is in
// PathVariableRegistration.cpp.
#pragma once

#include "base/ZvString.h"

#include <vector>

namespace userdata {

struct PathVariable {
    ZvString name;   // as registered, letter case kept
    ZvString value;  // in lower case
    ZvString token;  // "%name%", what the value folds into: made once, as the value is lowered once
};

// The variables whose values are folded, longest value first. It only grows.
// No lock: the library registers its variables at start-up, before any
// folding, and folding only reads.
class PathVariableTable {
public:
    PathVariableTable() = default;
    PathVariableTable(const PathVariableTable&) = delete;
    PathVariableTable& operator=(const PathVariableTable&) = delete;

    // Adds `name` with `value` in lower case behind the entries whose values
    // are at least as long. The same name may be added more than once.
    void Add(const ZvString& name, ZvString value);

    const std::vector<PathVariable>& Entries() const noexcept { return entries_; }

    // True on the first call only: the user's profile folder is registered
    // once per table, whether or not that registration finds the variable.
    bool ClaimUserProfileRegistration() noexcept;

private:
    std::vector<PathVariable> entries_;
    bool userProfileClaimed_ = false;
};

// The process-wide table: empty when the library is loaded, released when it
// is unloaded. Only RegisterUserProfileVariable fills it.
PathVariableTable& ProcessPathVariableTable();

// Lower-cases the whole of `text`, then replaces, entry by entry, every
// occurrence of an entry's value by "%" + name + "%"; hits do not overlap and
// need not end at a path separator. Returns the number of replacements.
int FoldPathVariables(ZvString& text, const PathVariableTable& table = ProcessPathVariableTable());

// Adds the environment variable `name` of the process with its current value;
// a variable that is not set adds nothing.
void AddPathVariable(const wchar_t* name, PathVariableTable& table = ProcessPathVariableTable());

// Adds "USERPROFILE" on the first call for `table` only; later calls do
// nothing, even when the variable was not set the first time.
void RegisterUserProfileVariable(PathVariableTable& table = ProcessPathVariableTable());

}  // namespace userdata
