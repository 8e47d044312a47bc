// PATH and ZVVERTICALPATH: the language folder and the vertical product's
// folders in front of PATH, and the same for hosts (AppendEnvironmentPath).
#include "base/Holders.h"
#include "base/Capacities.h"
#include "base/FolderList.h"
#include "base/InputRecorder.h"
#include "config/ProcessEnvironment.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

#include <cstdlib>

namespace userdata {
namespace {

// The ";%s\%s" pieces: each folder of `folders` followed by the language
// folder below it, quoted when it holds ';'.
ZvString LanguageFoldersOf(const ZvString& folders, const ZvString& language)
{
    ZvString pieces;
    for (ZvString folder : SplitFolderList(folders.c_str())) {
        folder.Append(L'\\').Append(language);
        pieces.Append(L';').Append(FolderListEntry(folder));
    }
    return pieces;
}

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
    RecordVariable(L"PATH");
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

bool CProductConfigInit::AddLanguageFolderToPath()
{
    return Record(StartupStep::LanguageFolder, decisions_.languageFolder,
                  DecideLanguageFolder(*installedInfo_, productParams_.Language)) &&
           (!Applies() || PrependToProcessPath(decisions_.languageFolder.value.c_str()));
}

bool CProductConfigInit::ApplyVerticalEnvPath()
{
    if (Applies()) {
        SetEnvironmentVariableW(L"ZVVERTICALPATH", L"");  // emptied first on every run, so a failure leaves it empty
    }
    if (!Record(StartupStep::VerticalPath, decisions_.verticalPath,
                DecideVerticalPath(productParams_.ProductRegistryRootKey), &productParams_.VerticalEnvPath)) {
        return false;
    }
    if (!Applies()) {
        return true;
    }
    const ZvString& vertical = productParams_.VerticalEnvPath;
    SetEnvironmentVariableW(L"ZVVERTICALPATH", vertical.c_str());
    ZvString folders = vertical;
    folders.Append(LanguageFoldersOf(vertical, productParams_.Language));
    return PrependToProcessPath(folders.c_str());
}

}  // namespace userdata
