#include "base/FolderList.h"

#include <cwchar>
#include <utility>

namespace userdata {

std::vector<ZvString> SplitFolderList(const wchar_t* list)
{
    std::vector<ZvString> folders;
    ZvString folder;
    bool quoted = false;
    for (const wchar_t* at = list;; ++at) {
        const std::size_t run = std::wcscspn(at, quoted ? L"\"" : L"\";");
        folder.Append(at, run);
        at += run;
        if (*at == L'"') {
            quoted = !quoted;
            continue;
        }
        if (!folder.empty()) {
            folders.push_back(std::exchange(folder, ZvString()));
        }
        if (*at == L'\0') {
            return folders;
        }
    }
}

ZvString FolderListEntry(const ZvString& folder)
{
    if (std::wcschr(folder.c_str(), L';') == nullptr) {
        return folder;
    }
    ZvString quoted(L"\"");
    return quoted.Append(folder).Append(L'"');
}

}  // namespace userdata
