#include "folders/FolderPaths.h"

#include "UserData.h"
#include "UserDataFolders.h"
#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"
#include "help/HelpFiles.h"
#include "queries/IdentityQueries.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>

namespace userdata {
namespace {

using ZvUdSpecialFolder::Folders;

// FindFolderInfo indexes the table by folder number.
constexpr bool FolderRowsInNumberOrder()
{
    for (int row = 0; row < ZvUdSpecialFolder::FolderCount; ++row) {
        if (ZvUdSpecialFolder::FolderTable[row].folder != row) {
            return false;
        }
    }
    return true;
}
static_assert(FolderRowsInNumberOrder() &&
              ZvUdSpecialFolder::FolderCount == ZvUdSpecialFolder::SandboxCrashSaveFolder + 1);

// Appends `prefix` followed directly by `language` as one piece ("Sample\L1").
bool AppendLanguageSubFolder(wchar_t* path, std::size_t capacity, const wchar_t* prefix, const wchar_t* language)
{
    wchar_t subFolder[kSubFolderCapacity] = {};
    return CopyText(subFolder, prefix) && AppendText(subFolder, language) && AppendPathPiece(path, capacity, subFolder);
}

// The folder of the help file, with its backslash, and for HelpFolderLang the
// language behind it. A help path without a folder gives none.
bool BuildHelpFolder(CurrentIdentity& identity, Folders folder, wchar_t (&path)[kFolderPathCapacity])
{
    wchar_t helpPath[kPathCapacity] = {};
    if (!FindHelpFile(identity, helpPath)) {
        return false;
    }
    const wchar_t* const lastBackslash = std::wcsrchr(helpPath, L'\\');
    if (lastBackslash == nullptr ||
        !CopyText(path, kFolderPathCapacity, helpPath, static_cast<std::size_t>(lastBackslash - helpPath) + 1)) {
        return false;
    }
    // Without a language this raises its exception, which passes out to the host.
    return folder != ZvUdSpecialFolder::HelpFolderLang ||
           AppendPathPiece(path, LanguageOrRaise(identity.EnsureProductParams().Language));
}

}  // namespace

bool BuildProductFolder(CurrentIdentity& identity, Folders folder, wchar_t (&path)[kFolderPathCapacity])
{
    wchar_t rootFolder[kPathCapacity] = {};
    if (GetLibraryFolder(rootFolder) == 0 || !CopyText(path, rootFolder)) {
        return false;
    }
    const ZvString& language = identity.EnsureProductParams().Language;
    const wchar_t* const languageText = language.c_str();
    if (language.empty() || BoundedLength(languageText, kFolderLanguageCapacity) >= kFolderLanguageCapacity) {
        return false;
    }
    switch (folder) {
    case ZvUdSpecialFolder::InstallFolderLang:
        return AppendPathPiece(path, languageText);
    case ZvUdSpecialFolder::SampleFolder:
        return AppendPathPiece(path, L"Sample");
    case ZvUdSpecialFolder::SampleFolderLang:
        return AppendLanguageSubFolder(path, kFolderPathCapacity, L"Sample\\", languageText);
    case ZvUdSpecialFolder::UserDataCacheFolder:
        return AppendPathPiece(path, L"UserDataCache");
    case ZvUdSpecialFolder::UserDataCacheFolderLang:
        return AppendLanguageSubFolder(path, kFolderPathCapacity, L"UserDataCache\\", languageText);
    case ZvUdSpecialFolder::InstallFolder:
        return true;
    default:
        return false;  // not a folder of the install folder's family
    }
}

LSTATUS OpenFolderValues(CurrentIdentity& identity, ZvRegistryAccess& folderKey)
{
    wchar_t keyPath[kPathCapacity];
    if (!CopyText(keyPath, identity.UserRootKey()) || keyPath[0] == L'\0') {
        return ERROR_BAD_PATHNAME;
    }
    return folderKey.Open(HKEY_CURRENT_USER, keyPath);
}

bool ReadFolderValue(CurrentIdentity& identity, const wchar_t* valueName, wchar_t (&path)[kFolderPathCapacity])
{
    ZvRegistryAccess folderKey;
    if (OpenFolderValues(identity, folderKey) != ERROR_SUCCESS || !folderKey.ReadRawString(valueName, path)) {
        return false;
    }
    // Expandable data that filled the buffer without a terminator would be cut.
    return BoundedLength(path) < kFolderPathCapacity;
}

bool BuildSpecialFolder(CurrentIdentity& identity, Folders folder, wchar_t (&path)[kFolderPathCapacity])
{
    const ZvUdSpecialFolder::FolderInfo* const info = ZvUdSpecialFolder::FindFolderInfo(folder);
    if (info == nullptr) {
        return false;
    }
    switch (info->source) {
    case ZvUdSpecialFolder::Source::HelpFolder:
        return BuildHelpFolder(identity, folder, path);
    case ZvUdSpecialFolder::Source::InstallFolder:
        return BuildProductFolder(identity, folder, path);
    case ZvUdSpecialFolder::Source::UserValue:
        return ReadFolderValue(identity, info->valueName, path);
    case ZvUdSpecialFolder::Source::UserValueOrInstallFolder:
        // The two root folders are never missing: the install folder stands in.
        return ReadFolderValue(identity, info->valueName, path) ||
               BuildProductFolder(identity, ZvUdSpecialFolder::InstallFolder, path);
    }
    return false;
}

}  // namespace userdata
