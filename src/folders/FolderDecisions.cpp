#include "folders/FolderDecisions.h"

#include "UserDataFolders.h"
#include "base/Capacities.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"
#include "folders/FolderPaths.h"
#include "help/HelpDecisions.h"

namespace userdata {
namespace {

using Kind = Reason::Kind;
using Place = Reason::Place;

// Why the folder value `valueName` gives `read` (null when the read failed).
Reason FolderValueReason(CurrentIdentity& identity, const wchar_t* valueName, const wchar_t* read)
{
    const ZvString userRoot(identity.UserRootKey());
    const ZvString keyName = RegistryKeyName(HKEY_CURRENT_USER, userRoot);
    ZvRegistryAccess folderKey;
    const LSTATUS opened = OpenFolderValues(identity, folderKey);
    if (opened != ERROR_SUCCESS) {
        return ReasonOf(Kind::Absent, Place::Registry, keyName, L"", opened);
    }
    if (read == nullptr) {
        return WhyUnread(folderKey, keyName, valueName);
    }
    Reason reason = ReasonOf(read[0] == L'\0' ? Kind::Absent : Kind::Read, Place::Registry, keyName, valueName);
    reason.variable = FirstUndefinedVariable(read);
    if (!reason.variable.empty()) {
        reason.kind = Kind::Unexpanded;
    }
    return reason;
}

// The folders built from the library's folder and the language.
Decision DecideInstallFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder)
{
    wchar_t root[kPathCapacity] = {};
    const ZvString rootFolder = GetLibraryFolder(root) != 0 ? ZvString(root) : ZvString(L"the library's own folder");
    if (identity.EnsureProductParams().Language.empty()) {
        return {ZvString(), ReasonOf(Kind::NotDecided, Place::Host, ZvString())};  // start-up chose no language
    }
    wchar_t path[kFolderPathCapacity] = {};
    if (!BuildProductFolder(identity, folder, path)) {
        return {ZvString(), ReasonOf(Kind::TooLong, Place::Folder, rootFolder)};
    }
    return {ZvString(path), ReasonOf(Kind::Read, Place::Folder, rootFolder)};
}

// The help folders: the help file's folder, and the language behind it.
Decision DecideHelpFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder)
{
    const Decision helpFile = DecideHelpFiles(identity).helpFile;
    if (helpFile.value.empty() || identity.EnsureProductParams().Language.empty()) {
        return {ZvString(), helpFile.reason};
    }
    wchar_t path[kFolderPathCapacity] = {};
    if (!BuildSpecialFolder(identity, folder, path)) {
        return {ZvString(), ReasonOf(Kind::Absent, Place::Folder, helpFile.value)};  // a help path with no folder
    }
    return {ZvString(path), helpFile.reason};
}

}  // namespace

Decision DecideSpecialFolder(CurrentIdentity& identity, ZvUdSpecialFolder::Folders folder)
{
    const ZvUdSpecialFolder::FolderInfo* const info = ZvUdSpecialFolder::FindFolderInfo(folder);
    if (info == nullptr) {
        return {};
    }
    if (info->source == ZvUdSpecialFolder::Source::InstallFolder) {
        return DecideInstallFolder(identity, folder);
    }
    if (info->source == ZvUdSpecialFolder::Source::HelpFolder) {
        return DecideHelpFolder(identity, folder);
    }
    wchar_t read[kFolderPathCapacity] = {};
    const bool valueRead = ReadFolderValue(identity, info->valueName, read);
    Reason reason = FolderValueReason(identity, info->valueName, valueRead ? read : nullptr);
    wchar_t path[kFolderPathCapacity] = {};
    // The export's own rule decides the path, the install folder standing in where it does.
    if (!BuildSpecialFolder(identity, folder, path)) {
        path[0] = L'\0';
    }
    return {ZvString(path), reason};
}

}  // namespace userdata
