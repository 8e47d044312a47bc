// UserDataFolders.h - the special folders of zvudGetSpecialFolder as a table:
// number, name, the per-user registry value that holds the folder, and how the
// library builds its path. For hosts that show folders by name or take a name
// from their user. C++17; include after or instead of UserData.h.
#pragma once

#include "UserData.h"

namespace ZvUdSpecialFolder {

// How the library builds a folder's path.
enum class Source : int {
    InstallFolder,  // the library's folder, or a folder below it named by a piece and the language
    HelpFolder,     // the folder of the help file, or that folder + language
    UserValue,      // the registry value `valueName` below the user product registry root key
    UserValueOrInstallFolder,  // that value, or the install folder when the value is missing
};

struct FolderInfo {
    const wchar_t* name;       // the folder's name, as the enumeration spells it
    const wchar_t* valueName;  // the per-user registry value; null for a folder not read from one
    Folders folder;
    Source source;
};

// One row a folder, in number order: FolderTable[n].folder == n.
inline constexpr FolderInfo FolderTable[] = {
    {L"InstallFolder", nullptr, InstallFolder, Source::InstallFolder},
    {L"InstallFolderLang", nullptr, InstallFolderLang, Source::InstallFolder},
    {L"HelpFolder", nullptr, HelpFolder, Source::HelpFolder},
    {L"HelpFolderLang", nullptr, HelpFolderLang, Source::HelpFolder},
    {L"SampleFolder", nullptr, SampleFolder, Source::InstallFolder},
    {L"SampleFolderLang", nullptr, SampleFolderLang, Source::InstallFolder},
    {L"RoamableRootFolder", L"RoamableRootFolder", RoamableRootFolder, Source::UserValueOrInstallFolder},
    {L"RoamableRootFolderLang", L"RoamableRootFolderLang", RoamableRootFolderLang, Source::UserValue},
    {L"LocalRootFolder", L"LocalRootFolder", LocalRootFolder, Source::UserValueOrInstallFolder},
    {L"LocalRootFolderLang", L"LocalRootFolderLang", LocalRootFolderLang, Source::UserValue},
    {L"BrevonixSharedFolder", L"BrevonixSharedFolder", BrevonixSharedFolder, Source::UserValue},
    {L"BrevonixSharedFolderLang", L"BrevonixSharedFolderLang", BrevonixSharedFolderLang, Source::UserValue},
    {L"AllUsersFolder", L"AllUsersFolder", AllUsersFolder, Source::UserValue},
    {L"GraphicsCacheFolder", L"GraphicsCacheFolder", GraphicsCacheFolder, Source::UserValue},
    {L"UserDataCacheFolder", nullptr, UserDataCacheFolder, Source::InstallFolder},
    {L"UserDataCacheFolderLang", nullptr, UserDataCacheFolderLang, Source::InstallFolder},
    {L"SandboxCrashSaveFolder", L"SandboxCrashSaveFolder", SandboxCrashSaveFolder, Source::UserValue},
};

inline constexpr int FolderCount = static_cast<int>(sizeof(FolderTable) / sizeof(FolderTable[0]));

// The row of folder number `folder`; null for a number outside 0 to 16.
inline const FolderInfo* FindFolderInfo(int folder) noexcept
{
    return folder >= 0 && folder < FolderCount ? &FolderTable[folder] : nullptr;
}

}  // namespace ZvUdSpecialFolder
