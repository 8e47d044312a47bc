// The library's answers as texts: each helper calls one export the way its
// result convention asks, and gives nothing when the export gives nothing.
#pragma once

#include "UserData.h"
#include "UserDataFolders.h"
#include "base/Capacities.h"

#include <optional>
#include <string>

namespace zvud {

// Room for any text a length-result export can give.
constexpr unsigned kTextCapacity = userdata::kToolAnswerCapacity;

// A length-result export, called as query(buffer, capacity): the text, or
// nothing for a result of 0.
template <typename Query>
std::optional<std::wstring> AskLength(Query query)
{
    std::wstring text(kTextCapacity, L'\0');
    const unsigned length = query(text.data(), kTextCapacity);
    if (length == 0) {
        return std::nullopt;
    }
    text.resize(length);
    return text;
}

// GetVerticalProductName, which counts in bytes.
std::optional<std::wstring> AskVerticalProductName();

// zvudGetSpecialFolder, asking for the size first as its capacity result
// allows. A folder that raises the library's "no language" exception
// (0xC0000008) is continued, as a host may do, and reported as nothing.
std::optional<std::wstring> AskSpecialFolder(ZvUdSpecialFolder::Folders folder);

// GetZOVAUserDataCacheLangPath, asking for the size first.
std::optional<std::wstring> AskCacheLanguageFolder();

// zvudGetXRootFoldPath for the per-user folder value `valueName`, and
// zvudGetProductXFoldPath: the path, or nothing for a result of 0.
std::optional<std::wstring> AskRootFolder(const std::wstring& valueName);
std::optional<std::wstring> AskProductFolder(ZvUdSpecialFolder::Folders folder);

// zvudLoadMUIString, asking for the size first.
std::optional<std::wstring> AskLocalizedString(const std::wstring& text);

// GetProductSpecificFilePath.
std::optional<std::wstring> AskProductSpecificFile(const std::wstring& name);

// The number of special folders and their enumerator names (index = value).
constexpr int kSpecialFolderCount = ZvUdSpecialFolder::FolderCount;
const wchar_t* SpecialFolderName(int folder);
// A folder by enumerator name (any letter case) or by decimal number; a
// number outside the enumeration is given as is, for the library to judge.
std::optional<int> ParseSpecialFolder(const std::wstring& text);

// The system's message text for a Windows or Windows Installer status code.
std::wstring StatusText(unsigned long status);

}  // namespace zvud
