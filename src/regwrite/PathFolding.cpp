#include "regwrite/PathFolding.h"

#include <algorithm>
#include <utility>

namespace userdata {
namespace {

// "%" + name + "%", made at its full length at once.
ZvString TokenOf(const ZvString& name)
{
    ZvString token;
    wchar_t* const characters = token.GetBufferSetLength(name.length() + 2);
    characters[0] = L'%';
    std::copy(name.c_str(), name.c_str() + name.length(), characters + 1);
    characters[name.length() + 1] = L'%';
    return token;
}

}  // namespace

void PathVariableTable::Add(const ZvString& name, ZvString value)
{
    value.ToLower();
    // Longer values are replaced first, so a subfolder keeps its own name
    // rather than becoming its parent's token plus a remainder.
    const auto position = std::find_if(entries_.begin(), entries_.end(), [&](const PathVariable& entry) {
        return entry.value.length() < value.length();
    });
    entries_.insert(position, PathVariable{name, std::move(value), TokenOf(name)});
}

bool PathVariableTable::ClaimUserProfileRegistration() noexcept
{
    return !std::exchange(userProfileClaimed_, true);
}

int FoldPathVariables(ZvString& text, const PathVariableTable& table)
{
    text.ToLower();
    int replaced = 0;
    for (const PathVariable& entry : table.Entries()) {
        replaced += text.ReplaceAll(entry.value, entry.token);
    }
    return replaced;
}

}  // namespace userdata
