// The special folders by number: those built from the install folder and the
// language, the help folder, and the per-user folder values under the user
// product registry root key. No heap allocation after start-up: every path is
// composed in a fixed buffer on the stack, and a path that does not fit fails
// rather than being cut.
#include "folders/FolderPaths.h"

#include "UserData.h"
#include "UserDataFolders.h"
#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"
#include "config/ProductConfigInit.h"
#include "config/UserProductRegistryRootKey.h"
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

constexpr std::size_t kLanguageCapacity = 256;
constexpr std::size_t kSubFolderCapacity = 64;

// The per-user folder value `valueName` below the user product registry root
// key into `buffer`, as zvudGetXRootFoldPath reads it.
unsigned ReadFolderValue(const wchar_t* valueName, wchar_t* buffer, unsigned long long capacity)
{
    // A user root key that is empty or too long for the key path names no key
    // of the product: the read fails rather than look elsewhere.
    wchar_t keyPath[kPathCapacity];
    if (!CopyUserProductRegistryRootKey(keyPath) || keyPath[0] == L'\0') {
        return 0;
    }
    ZvRegistryAccess folderKey;
    if (folderKey.Open(HKEY_CURRENT_USER, keyPath) != ERROR_SUCCESS) {
        return 0;
    }
    if (buffer == nullptr) {
        return folderKey.ReadRawStringBytes(valueName, nullptr, 0) ? 1 : 0;
    }
    const DWORD bytes = static_cast<DWORD>(capacity * sizeof(wchar_t));
    if (!folderKey.ReadRawStringBytes(valueName, buffer, bytes)) {
        return 0;
    }
    // Expandable data that filled the buffer without a terminator would be cut.
    const std::size_t characters = bytes / sizeof(wchar_t);
    return BoundedLength(buffer, characters) < characters ? 1 : 0;
}

// Appends `prefix` followed directly by `language` as one piece ("Sample\L1").
bool AppendLanguageSubFolder(wchar_t* path, std::size_t capacity, const wchar_t* prefix, const wchar_t* language)
{
    wchar_t subFolder[kSubFolderCapacity] = {};
    return CopyText(subFolder, prefix) && AppendText(subFolder, language) && AppendPathPiece(path, capacity, subFolder);
}

// The folder of the help file, with its backslash, and for HelpFolderLang the
// language behind it. A help path without a folder gives none.
bool BuildHelpFolder(Folders folder, wchar_t (&path)[kFolderPathCapacity])
{
    wchar_t helpPath[kLongPathCapacity] = {};
    if (DeliverHelpFileName(helpPath, kLongPathCapacity) == 0) {
        return false;
    }
    const wchar_t* const lastBackslash = std::wcsrchr(helpPath, L'\\');
    if (lastBackslash == nullptr ||
        !CopyText(path, kFolderPathCapacity, helpPath, static_cast<std::size_t>(lastBackslash - helpPath) + 1)) {
        return false;
    }
    // Without a language this raises its exception, which passes out to the host.
    return folder != ZvUdSpecialFolder::HelpFolderLang || AppendPathPiece(path, ProductUILanguage());
}

// The install folder, or a folder built from it and the language.
bool BuildProductFolder(Folders folder, wchar_t (&path)[kFolderPathCapacity])
{
    wchar_t rootFolder[kPathCapacity] = {};
    if (GetLibraryFolder(rootFolder) == 0 || !CopyText(path, rootFolder)) {
        return false;
    }
    const ZvString& language = GetProductConfig().EnsureProductParams().Language;
    const wchar_t* const languageText = language.c_str();
    if (language.empty() || BoundedLength(languageText, kLanguageCapacity) >= kLanguageCapacity) {
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

}  // namespace

bool BuildSpecialFolder(Folders folder, wchar_t (&path)[kFolderPathCapacity])
{
    const ZvUdSpecialFolder::FolderInfo* const info = ZvUdSpecialFolder::FindFolderInfo(folder);
    if (info == nullptr) {
        return false;
    }
    switch (info->source) {
    case ZvUdSpecialFolder::Source::HelpFolder:
        return BuildHelpFolder(folder, path);
    case ZvUdSpecialFolder::Source::InstallFolder:
        return BuildProductFolder(folder, path);
    case ZvUdSpecialFolder::Source::UserValue:
        return ReadFolderValue(info->valueName, path, kFolderPathCapacity) != 0;
    case ZvUdSpecialFolder::Source::UserValueOrInstallFolder:
        // The two root folders are never missing: the install folder stands in.
        return ReadFolderValue(info->valueName, path, kFolderPathCapacity) != 0 ||
               BuildProductFolder(ZvUdSpecialFolder::InstallFolder, path);
    }
    return false;
}

}  // namespace userdata

using namespace userdata;

unsigned int zvudGetSpecialFolder(ZvUdSpecialFolder::Folders folder, wchar_t* buffer, unsigned long long capacity)
{
    wchar_t path[kFolderPathCapacity] = {};
    if (!BuildSpecialFolder(folder, path)) {
        return 0;
    }
    return DeliverCapacityResult(path, BoundedLength(path), buffer, capacity);
}

unsigned int zvudGetProductXFoldPath(wchar_t* buffer, unsigned long long capacity, ZvUdSpecialFolder::Folders folder)
{
    wchar_t path[kFolderPathCapacity] = {};
    // Composed in the library's own buffer: only the answer and its
    // terminator reach the caller's.
    if (buffer == nullptr || !BuildProductFolder(folder, path) || !CopyText(buffer, capacity, path)) {
        return 0;
    }
    return 1;
}

unsigned int zvudGetXRootFoldPath(const wchar_t* valueName, wchar_t* buffer, unsigned long long capacity)
{
    return ReadFolderValue(valueName, buffer, capacity);
}

extern "C" unsigned int GetZOVAUserDataCacheLangPath(wchar_t* buffer, void* /*ignored*/, unsigned int capacity)
{
    // The plain cache folder first, so that a buffer too small for the
    // per-language folder still receives it.
    zvudGetSpecialFolder(ZvUdSpecialFolder::UserDataCacheFolder, buffer, capacity);
    return zvudGetSpecialFolder(ZvUdSpecialFolder::UserDataCacheFolderLang, buffer, capacity);
}
