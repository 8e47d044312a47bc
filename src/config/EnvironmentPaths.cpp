// PATH and ZVVERTICALPATH: the language folder and the vertical product's
// folders in front of PATH, and AppendEnvironmentPath for hosts.
#include "UserData.h"
#include "base/BoundedText.h"
#include "base/Holders.h"
#include "base/RegistryAccess.h"
#include "config/ProcessEnvironment.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace userdata {
namespace {

// 8096 bytes, as the vertical value has always been read.
constexpr std::size_t kVerticalValueCapacity = 4048;

// The ";%s\%s" pieces: each non-empty folder of `folders` followed by the
// language folder below it.
ZvString LanguageFoldersOf(const ZvString& folders, const ZvString& language)
{
    ZvString pieces;
    const wchar_t* piece = folders.c_str();
    while (*piece != L'\0') {
        const wchar_t* const end = std::wcschr(piece, L';');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - piece) : std::wcslen(piece);
        if (length != 0) {
            pieces.Append(L';').Append(piece, length).Append(L'\\').Append(language);
        }
        piece += end != nullptr ? length + 1 : length;
    }
    return pieces;
}

// The environment's limit for one variable's value, terminator included.
constexpr std::size_t kEnvironmentValueCapacity = 32767;

SRWLOCK PathLock = SRWLOCK_INIT;

// Sets PATH in the process environment and in this library's C runtime copy
// of it, so that both agree. A value beyond the environment's limit is
// refused before anything changes; should the runtime refuse, the process
// environment gets `oldPath` back.
bool WritePath(const ZvString& newPath, const ZvString& oldPath)
{
    if (newPath.length() >= kEnvironmentValueCapacity || !SetEnvironmentVariableW(L"PATH", newPath.c_str())) {
        return false;
    }
    if (_wputenv_s(L"PATH", newPath.c_str()) != 0) {
        SetEnvironmentVariableW(L"PATH", oldPath.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ReadProcessPath(ZvString& path)
{
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
        if (size == 0) {
            path.Clear();
            return GetLastError() == ERROR_ENVVAR_NOT_FOUND || GetLastError() == ERROR_SUCCESS;
        }
        wchar_t* const buffer = path.GetBufferSetLength(size - 1);
        const DWORD length = GetEnvironmentVariableW(L"PATH", buffer, size);
        if (length < size) {  // else the host lengthened PATH meanwhile: read again
            path.ReleaseBuffer();
            return length != 0 || GetLastError() == ERROR_SUCCESS;
        }
    }
}

namespace {

// Puts `folders` in front of the process's PATH; false when PATH cannot be
// read or written.
bool PrependToProcessPath(const wchar_t* folders)
{
    // One read-modify-write at a time, on a copy of PATH taken from the
    // process environment (what LoadLibrary and child processes use, and what
    // a host's SetEnvironmentVariableW changes).
    const ZvExclusiveLock lock(PathLock);
    ZvString path;
    if (!ReadProcessPath(path)) {
        return false;
    }
    ZvString newPath(folders);
    newPath.Append(L';').Append(path);
    return WritePath(newPath, path);
}

}  // namespace

bool CProductConfigInit::AddLanguageFolderToPath()
{
    const ZvString& rootFolder = InstalledInfo->GetProductRootFolder();
    if (rootFolder.empty() || ProductParams.Language.empty()) {
        return false;
    }
    ZvString languageFolder = rootFolder;  // ends in a backslash
    languageFolder.Append(ProductParams.Language);
    // An installation folder may hold ';': quoted, the entry stays one folder
    // for those who read PATH's quotes, and to those who split PATH at every
    // ';' both pieces hold a '"' and name no folder, never a relative one.
    if (std::wcschr(languageFolder.c_str(), L';') != nullptr) {
        ZvString quoted(L"\"");
        quoted.Append(languageFolder).Append(L'"');
        languageFolder = quoted;
    }
    return PrependToProcessPath(languageFolder.c_str());
}

bool CProductConfigInit::ApplyVerticalEnvPath()
{
    // Emptied first on every run, so a failure below leaves it empty.
    SetEnvironmentVariableW(L"ZVVERTICALPATH", L"");
    const ProductParamsRecord& params = ProductParams;
    if (params.ProductRegistryRootKey.empty() || params.Language.empty()) {
        return false;
    }
    ZvRegistryAccess verticalKey;
    wchar_t value[kVerticalValueCapacity] = {};
    if (verticalKey.OpenBelow(HKEY_LOCAL_MACHINE, params.ProductRegistryRootKey, L"VerticalEnvPath") != ERROR_SUCCESS ||
        !verticalKey.ReadRawStringBytes(nullptr, value)) {
        return false;
    }
    // A REG_EXPAND_SZ value may fill the buffer without a terminator: it ends
    // at the end of the buffer.
    const ZvString vertical(value, BoundedLength(value));
    SetEnvironmentVariableW(L"ZVVERTICALPATH", vertical.c_str());
    ProductParams.VerticalEnvPath = vertical;

    ZvString folders = vertical;
    folders.Append(LanguageFoldersOf(vertical, params.Language));
    return PrependToProcessPath(folders.c_str());
}

}  // namespace userdata

using namespace userdata;

extern "C" int AppendEnvironmentPath(const wchar_t* folders)
{
    return PrependToProcessPath(folders) ? 1 : 0;
}
