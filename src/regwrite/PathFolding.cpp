#include "regwrite/PathFolding.h"

#include <algorithm>
#include <utility>

namespace userdata {

void PathVariableTable::Add(const ZvString& name, ZvString value)
{
    value.ToLower();
    // Longer values are replaced first, so a subfolder keeps its own name
    // rather than becoming its parent's token plus a remainder.
    const auto position = std::find_if(entries_.begin(), entries_.end(), [&](const PathVariable& entry) {
        return entry.Value.length() < value.length();
    });
    entries_.insert(position, PathVariable{name, std::move(value)});
}

bool PathVariableTable::ClaimUserProfileRegistration() noexcept
{
    return !std::exchange(userProfileClaimed_, true);
}

PathVariableTable& ProcessPathVariableTable()
{
    static PathVariableTable table;
    return table;
}

int FoldPathVariables(ZvString& text, const PathVariableTable& table)
{
    text.ToLower();
    int replaced = 0;
    for (const PathVariable& entry : table.Entries()) {
        ZvString token(L"%");
        token.Append(entry.Name).Append(L'%');
        replaced += text.ReplaceAll(entry.Value, token);
    }
    return replaced;
}

}  // namespace userdata
