#include "migration/AutoMigrate.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/InputRecorder.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "folders/FolderPaths.h"
#include "migration/MigratorArguments.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>

namespace userdata {
namespace {

constexpr DWORD kMigrationDue = 1;
constexpr DWORD kNoMigration = 0;

// Whether the last ProcessAutoMigrate call created the marker.
bool DapMarkerCreated = false;

bool CreateDapMarker(CurrentIdentity& identity)
{
    wchar_t folder[kFolderPathCapacity] = {};
    if (!BuildSpecialFolder(identity, ZvUdSpecialFolder::RoamableRootFolder, folder) || folder[0] == L'\0') {
        return false;
    }
    ZvString marker(folder);
    if (!PathFileExistsW(marker.c_str())) {
        return false;
    }
    marker.Append(L"\\DAP");
    if (PathFileExistsW(marker.c_str())) {
        return false;  // a file or a folder of that name is the marker
    }
    FILE* const file = _wfopen(marker.c_str(), L"w");
    if (file == nullptr) {
        return false;  // not created, say for want of write access
    }
    std::fclose(file);
    return true;
}

// Starts the tool beside the library; its process, or none when it cannot
// be started. The tool's path is given as the program to start, so no other
// file is tried.
ZvUniqueProcess StartMigrator(const MigratorRequest& request)
{
    wchar_t tool[kPathCapacity] = {};
    wchar_t commandLine[kMigratorCommandLineCapacity] = {};
    if (!GetMigratorPath(tool) || !BuildMigratorCommandLine(tool, request, commandLine)) {
        return {};
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(tool, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        return {};
    }
    const ZvUniqueThread thread(started.hThread);  // not needed: closed on return
    return ZvUniqueProcess(started.hProcess);
}

// A full run, waited for; true only when the tool exited with status 0.
bool RunMigrator(const ProductParamsRecord& params)
{
    const ZvUniqueProcess tool =
        StartMigrator({true, params.Product.c_str(), params.Language.c_str(), DapMarkerCreated});
    DWORD status = 1;
    return tool && WaitForSingleObject(tool.Get(), INFINITE) == WAIT_OBJECT_0 &&
           GetExitCodeProcess(tool.Get(), &status) && status == 0;
}

// The tool with "/dap" alone, not waited for: its handle is closed at once.
void StartDapMigrator()
{
    StartMigrator({false, nullptr, nullptr, true});
}

// The user's state is written where it can be; a user key that refuses it
// leaves the state as it was, and the next start decides again.
bool WriteAutoMigrate(const wchar_t* userKeyPath, DWORD state)
{
    ZvRegistryAccess userKey;
    return userKey.OpenExact(HKEY_CURRENT_USER, userKeyPath, KEY_SET_VALUE) == ERROR_SUCCESS &&
           userKey.WriteDword(L"AutoMigrate", state) == ERROR_SUCCESS;
}

using Kind = Reason::Kind;
using Place = Reason::Place;

// Migration is off when the machine's product key holds "AutoMigrate" 0 or
// cannot give it, and when there is no product registry root key at all (a
// failed start-up), whatever the user key override says; a key found in
// neither hive, or one too long to name, leaves it on.
void DecideMachineSwitch(const ZvString& productRootKey, MigrationDecisions& decisions)
{
    const ZvString keyName = RegistryKeyName(HKEY_LOCAL_MACHINE, productRootKey);
    if (productRootKey.empty()) {
        decisions.switchReason = ReasonOf(Kind::NotDecided, Place::Registry, keyName);
        return;
    }
    ZvRegistryAccess machineKey;
    const LSTATUS opened = BoundedLength(productRootKey.c_str(), kKeyPathCapacity) >= kKeyPathCapacity
                               ? ERROR_BAD_PATHNAME
                               : machineKey.Open(HKEY_LOCAL_MACHINE, productRootKey.c_str(), KEY_QUERY_VALUE);
    if (opened != ERROR_SUCCESS) {
        decisions.switchedOn = true;
        decisions.switchReason = ReasonOf(Kind::Absent, Place::Registry, keyName, L"", opened);
        return;
    }
    const ZvString source = RegistryKeyName(machineKey.Hive(), productRootKey);
    const bool read = machineKey.ReadDword(L"AutoMigrate", decisions.switchValue);
    decisions.switchedOn = read && decisions.switchValue != 0;
    decisions.switchReason = ReasonOf(read ? Kind::Read : Kind::Absent, Place::Registry, source, L"AutoMigrate");
    if (!read && machineKey.QueryType(L"AutoMigrate", decisions.switchReason.type) == ERROR_SUCCESS) {
        decisions.switchReason.kind = Kind::TooLong;  // a value that does not fit 32 bits
    }
}

void DecideUserState(CurrentIdentity& identity, MigrationDecisions& decisions)
{
    wchar_t userKeyPath[kKeyPathCapacity] = {};
    const bool named = CopyText(userKeyPath, identity.UserRootKey()) && userKeyPath[0] != L'\0';
    const ZvString keyName = RegistryKeyName(HKEY_CURRENT_USER, ZvString(identity.UserRootKey()));
    ZvRegistryAccess userKey;
    const LSTATUS opened =
        named ? userKey.OpenExact(HKEY_CURRENT_USER, userKeyPath, KEY_QUERY_VALUE) : ERROR_BAD_PATHNAME;
    if (opened != ERROR_SUCCESS) {
        decisions.stateReason = ReasonOf(Kind::Absent, Place::Registry, keyName, L"", opened);
        return;
    }
    decisions.userKeyOpens = true;
    decisions.stateSet = userKey.ReadDword(L"AutoMigrate", decisions.state);
    decisions.stateReason =
        ReasonOf(decisions.stateSet ? Kind::Read : Kind::Absent, Place::Registry, keyName, L"AutoMigrate");
}

bool CanLoadDotNetLoader()
{
    return ZvUniqueModule(LoadLibraryW(L"Mscoree.dll")).IsValid();
}

}  // namespace

bool GetMigratorPath(wchar_t (&tool)[kPathCapacity])
{
    wchar_t library[kPathCapacity] = {};
    ModulePathParts parts;
    if (!GetLibraryModuleFileName(library) || !SplitModulePath(library, parts) ||
        _wmakepath_s(tool, kPathCapacity, parts.drive, parts.directory, L"bxmigrator", L"exe") != 0) {
        return false;
    }
    RecordFile(tool);
    return true;
}

bool MigrationDecisions::FullRunDue() const noexcept
{
    return switchedOn && userKeyOpens && (!stateSet || state == kMigrationDue);
}

MigrationDecisions DecideMigration(CurrentIdentity& identity)
{
    MigrationDecisions decisions;
    DecideMachineSwitch(identity.EnsureProductParams().ProductRegistryRootKey, decisions);
    if (decisions.switchedOn) {
        DecideUserState(identity, decisions);
    }
    return decisions;
}

bool MigrateWhenDue(CurrentIdentity& identity)
{
    const ProductParamsRecord& params = identity.EnsureProductParams();
    DapMarkerCreated = CreateDapMarker(identity);
    const MigrationDecisions decided = DecideMigration(identity);
    if (!decided.switchedOn || !decided.userKeyOpens) {
        return true;
    }
    if (!decided.FullRunDue()) {
        if (DapMarkerCreated) {
            StartDapMigrator();
        }
        return true;
    }
    const wchar_t* const userKeyPath = identity.UserRootKey();  // it opened: it fits its key path
    if (!decided.stateSet) {
        WriteAutoMigrate(userKeyPath, kMigrationDue);  // a new user
    }
    // Without the .NET loader nothing runs and the state stays, to try again.
    if (!CanLoadDotNetLoader() || RunMigrator(params)) {
        return true;
    }
    WriteAutoMigrate(userKeyPath, kNoMigration);
    return true;
}

}  // namespace userdata
