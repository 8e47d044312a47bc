// zvud doctor after start-up: the special folders, the help files, the
// "UserData" product list as InstallUserData would walk it, the COM server
// registrations and the migration. Everything is only looked at.
#include "DoctorSupport.h"

#include "Queries.h"

#include "UserData.h"
#include "UserDataFolders.h"
#include "base/Capacities.h"
#include "migration/AutoMigrate.h"
#include "repair/UserDataInstall.h"

#include <msi.h>

namespace zvud::doctor {
namespace {

using userdata::ZvRegistryIterator;

// The library's working buffer for a folder path.
constexpr unsigned kFolderCapacity = userdata::kFolderPathCapacity;

// What is asked of a special folder (how it comes about is in UserDataFolders.h).
struct FolderRule {
    bool required;  // a folder start-up needs; others may be made when needed
    bool perUser;   // the user writes there
};

// By folder number, as ZvUdSpecialFolder::Folders counts.
constexpr FolderRule kFolderRules[kSpecialFolderCount] = {
    {true, false},  {true, false}, {false, false}, {false, false}, {false, false}, {false, false},
    {false, true},  {false, true}, {false, true},  {false, true},  {false, false}, {false, false},
    {false, false}, {false, true}, {false, false}, {false, false}, {false, true},
};

void CheckDerivedFolder(int folder, const FolderRule& rule, Report& report)
{
    const wchar_t* name = SpecialFolderName(folder);
    const auto path = AskSpecialFolder(static_cast<ZvUdSpecialFolder::Folders>(folder));
    if (!path) {
        if (rule.required) {
            report.Problem(L"special-folder", name, L"the library gives no path", L"mend start-up's problems");
        } else {
            report.Info(L"special-folder", name, L"the library gives no path");
        }
    } else if (IsFolder(*path)) {
        report.Ok(L"special-folder", name, *path + L" exists");
    } else if (rule.required) {
        report.Problem(L"special-folder", name, *path + L" does not exist", L"reinstall the product's language");
    } else {
        report.Info(L"special-folder", name, *path + L" does not exist", L"create it if programs need it");
    }
}

bool HasValue(const std::wstring& keyPath, const wchar_t* name)
{
    ZvRegistryAccess key;
    DWORD type = REG_NONE;
    return key.OpenExact(HKEY_CURRENT_USER, keyPath.c_str(), KEY_QUERY_VALUE) == ERROR_SUCCESS &&
           key.QueryType(name, type) == ERROR_SUCCESS;
}

void CheckUsableFolder(const std::wstring& subject, const std::wstring& value, const FolderRule& rule, Report& report)
{
    const std::wstring folder = Expanded(value);
    if (!IsFolder(folder)) {
        report.Problem(L"special-folder", subject, L"names " + folder + L", which does not exist",
                       L"create " + folder + L", or set the value to an existing folder");
        return;
    }
    const DWORD denied = rule.perUser ? TryOpen(folder) : ERROR_SUCCESS;
    if (denied != ERROR_SUCCESS) {
        report.Problem(L"special-folder", subject,
                       folder + L" cannot be opened for writing (" + ErrorText(denied) + L")",
                       L"give the user write access to " + folder);
        return;
    }
    report.Ok(L"special-folder", subject, folder + (rule.perUser ? L" exists, writable" : L" exists"));
}

void CheckRegistryFolder(const Installation& installation, int folder, const FolderRule& rule, Report& report)
{
    const ZvUdSpecialFolder::FolderInfo& info = ZvUdSpecialFolder::FolderTable[folder];
    const wchar_t* name = info.valueName;
    const std::wstring subject = KeyName(HKEY_CURRENT_USER, installation.userRootKey + L"\\" + name);
    const wchar_t* missing = info.source == ZvUdSpecialFolder::Source::UserValueOrInstallFolder
                                 ? L"the library gives the installation folder"
                                 : L"the library gives none";
    if (!HasValue(installation.userRootKey, name)) {
        report.Info(L"special-folder", subject, std::wstring(L"not set: ") + missing);
        return;
    }
    std::wstring value(kFolderCapacity, L'\0');
    if (zvudGetXRootFoldPath(name, value.data(), kFolderCapacity) == 0 || value[0] == L'\0') {
        report.Problem(L"special-folder", subject,
                       std::wstring(L"empty, not a string or longer than 2047 characters: ") + missing,
                       L"set it to the folder's path, as REG_SZ or REG_EXPAND_SZ");
        return;
    }
    CheckUsableFolder(subject, value.c_str(), rule, report);
}

// What InstallUserData would repair for one entry of the product list.
void CheckProductEntry(const std::wstring& subject, const std::wstring& code, const std::wstring& userKey,
                       Report& report)
{
    const INSTALLSTATE state = MsiQueryProductStateW(code.c_str());
    if (state != INSTALLSTATE_DEFAULT) {
        report.Problem(L"product-list", subject,
                       L"the Windows Installer does not know " + code + L" as installed (state " +
                           std::to_wstring(state) + L"): InstallUserData's reinstalls of it fail",
                       L"install the product, or delete the value");
        return;
    }
    const std::wstring userKeyName = KeyName(HKEY_CURRENT_USER, userKey);
    ZvRegistryAccess key;
    if (key.OpenExact(HKEY_CURRENT_USER, userKey.c_str(), KEY_READ) != ERROR_SUCCESS) {
        report.Problem(L"product-list", subject,
                       userKeyName + L" is missing: InstallUserData would reinstall UserData (REINSTALLMODE=uos)",
                       L"run zvud repair");
        return;
    }
    const auto local = ReadString(key, L"LocalRootFolder");
    if (userdata::SkipsFolderChecks(userKey.c_str()) || !local) {
        report.Ok(L"product-list", subject, L"installed; " + userKeyName + L" present, no local folder to check");
    } else if (GetFileAttributesW(local->c_str()) == INVALID_FILE_ATTRIBUTES) {
        report.Problem(L"product-list", subject,
                       L"LocalRootFolder " + *local +
                           L" does not exist: InstallUserData would reinstall UserData (REINSTALLMODE=p)",
                       L"run zvud repair");
    } else if (const DWORD error = TryOpen(*local); error != ERROR_SUCCESS) {
        report.Problem(L"product-list", subject,
                       L"LocalRootFolder " + *local + L" cannot be opened for reading and writing (" +
                           ErrorText(error) + L"): InstallUserData would delete " + userKeyName +
                           L" and reinstall UserData (REINSTALLMODE=u)",
                       L"give the user access to " + *local + L", or run zvud repair");
    } else {
        report.Ok(L"product-list", subject, L"installed; " + userKeyName + L" and LocalRootFolder in order");
    }
}

struct ComServer {
    const wchar_t* classId;
    bool required;
};

constexpr ComServer kComServers[] = {
    {L"{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}", true},
    {L"{5A1C7E42-3B9D-4F08-A6E2-71C4D0B9E315}", false},
    {L"{9E0D2F6B-84A7-4C13-B5F9-2D6A8E1C4B70}", false},
};

void CheckComServer(const ComServer& server, Report& report)
{
    const wchar_t fix[] =
        L"register the server with a path without drive (zvud repair has the listed products "
        L"rewrite it)";
    const std::wstring path = L"CLSID\\" + std::wstring(server.classId) + L"\\InProcServer32";
    const std::wstring subject = KeyName(HKEY_CLASSES_ROOT, path);
    ZvRegistryAccess key;
    if (key.OpenExact(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ) != ERROR_SUCCESS) {
        if (server.required) {
            report.Problem(L"com-server", subject, L"not registered: CheckCOMServerRelativePaths fails", fix);
        } else {
            report.Ok(L"com-server", subject, L"not registered (it need not be)");
        }
        return;
    }
    const auto serverPath = ReadString(key, nullptr);
    if (!serverPath) {
        report.Problem(L"com-server", subject, L"no default value, or not a string", fix);
    } else if (serverPath->find(L':') != std::wstring::npos) {
        report.Problem(L"com-server", subject, L"registered with the absolute path " + *serverPath, fix);
    } else {
        report.Ok(L"com-server", subject, L"registered as " + *serverPath);
    }
}

// "AutoMigrate" read as the library reads it: any type, into 32 bits.
std::optional<DWORD> ReadAutoMigrate(const ZvRegistryAccess& key)
{
    DWORD value = 0;
    if (!key.ReadDword(L"AutoMigrate", value)) {
        return std::nullopt;
    }
    return value;
}

void CheckMigrationState(const Installation& installation, Report& report)
{
    const std::wstring subject = KeyName(HKEY_CURRENT_USER, installation.userRootKey + L"\\AutoMigrate");
    ZvRegistryAccess key;
    if (key.OpenExact(HKEY_CURRENT_USER, installation.userRootKey.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS) {
        report.Info(L"migration-state", subject, L"the user key is missing: no migration runs");
        return;
    }
    const auto state = ReadAutoMigrate(key);
    if (!state) {
        report.Ok(L"migration-state", subject, L"not set yet: the next start sets 1 and runs the migration tool");
    } else if (*state == 1) {
        report.Ok(L"migration-state", subject, L"1: the next start runs the migration tool");
    } else {
        report.Info(L"migration-state", subject,
                    std::to_wstring(*state) + L": no full migration runs (0 is what a failed run leaves)",
                    L"set it to 1 to run the migration tool again");
    }
}

// Where the library starts it from, by the core's rule.
void CheckMigrationTool(Report& report)
{
    wchar_t toolPath[userdata::kPathCapacity] = {};
    const std::wstring tool = userdata::GetMigratorPath(toolPath) ? toolPath : L"bxmigrator.exe";
    if (!IsFile(tool)) {
        report.Problem(L"migration-tool", tool, L"missing: a migration that is due fails and ends the user's migration",
                       L"restore bxmigrator.exe beside UserData.dll (reinstall the suite)");
        return;
    }
    if (!userdata::ZvUniqueModule(LoadLibraryExW(L"Mscoree.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE))) {
        report.Problem(L"migration-tool", L"Mscoree.dll", L"the .NET loader is not found: the tool is never run",
                       L"install the .NET Framework");
        return;
    }
    report.Ok(L"migration-tool", tool, L"present, and the .NET loader Mscoree.dll with it");
}

// The profiles that have a key, as "Standard, Draft".
std::wstring ProfileList(const ZvRegistryAccess& profiles)
{
    std::wstring list;
    for (ZvRegistryIterator entry(profiles, ZvRegistryIterator::Walk::Subkeys, 0);
         entry.Valid() && entry.Status() == ERROR_SUCCESS; ++entry) {
        list += (list.empty() ? L"" : L", ") + std::wstring(entry.Name(), entry.NameLength());
    }
    return list.empty() ? L"none yet" : list;
}

// The current help profile, as the "Profiles" key's default value names it;
// a problem when it names a profile that has no key (then `named` is true).
std::optional<std::wstring> CheckCurrentProfile(const std::wstring& profiles, Report& report, bool& named)
{
    ZvRegistryAccess key;
    if (key.OpenExact(HKEY_CURRENT_USER, profiles.c_str(), KEY_READ) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const auto name = ReadString(key, nullptr);
    if (!name || name->empty()) {
        return std::nullopt;
    }
    ZvRegistryAccess profile;
    if (profile.OpenExact(HKEY_CURRENT_USER, (profiles + L"\\" + *name).c_str(), KEY_READ) != ERROR_SUCCESS) {
        report.Problem(L"help-file", KeyName(HKEY_CURRENT_USER, profiles + L"\\(default)"),
                       L"names the current profile '" + *name + L"', which has no key " +
                           KeyName(HKEY_CURRENT_USER, profiles + L"\\" + *name) + L": its help files are not found",
                       L"set it to a profile that has a key below " + KeyName(HKEY_CURRENT_USER, profiles) + L" (" +
                           ProfileList(key) + L"), or create " +
                           KeyName(HKEY_CURRENT_USER, profiles + L"\\" + *name + L"\\General") +
                           L" with the help values");
        named = true;
        return std::nullopt;
    }
    return name;
}

// The first %NAME% in `path` that names no environment variable; "" when all expand.
std::wstring UndefinedVariable(const std::wstring& path)
{
    for (size_t start = path.find(L'%'); start != std::wstring::npos; start = path.find(L'%', start + 1)) {
        const size_t end = path.find(L'%', start + 1);
        if (end == std::wstring::npos) {
            return L"";
        }
        const std::wstring name = path.substr(start + 1, end - start - 1);
        if (!name.empty() && GetEnvironmentVariableW(name.c_str(), nullptr, 0) == 0) {
            return name;
        }
        start = end;
    }
    return L"";
}

// The value of the current profile that names `help` as it stands, unexpanded.
std::optional<std::wstring> HelpValueNaming(const std::wstring& general, const std::wstring& help)
{
    ZvRegistryAccess key;
    if (key.OpenExact(HKEY_CURRENT_USER, general.c_str(), KEY_READ) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    for (const std::wstring& name : ValueNames(key)) {
        if (ReadString(key, name.c_str()) == help) {
            return KeyName(HKEY_CURRENT_USER, general + L"\\" + name);
        }
    }
    return std::nullopt;
}

// A problem when `help` does not expand because a value of the profile's
// General key names a variable that is not defined; true then.
bool CheckHelpVariable(const std::wstring& general, const std::wstring& help, Report& report)
{
    const std::wstring variable = UndefinedVariable(help);
    const auto value = variable.empty() ? std::nullopt : HelpValueNaming(general, help);
    if (!value) {
        return false;
    }
    report.Problem(L"help-file", *value,
                   L"names " + help + L", where %" + variable + L"% does not expand: no such environment variable",
                   L"define the environment variable " + variable + L", or set the value to the help file's full path");
    return true;
}

}  // namespace

void CheckSpecialFolders(const Installation& installation, Report& report)
{
    for (int folder = 0; folder < kSpecialFolderCount; ++folder) {
        const FolderRule& rule = kFolderRules[folder];
        if (ZvUdSpecialFolder::FolderTable[folder].valueName == nullptr) {
            CheckDerivedFolder(folder, rule, report);
        } else if (!installation.userRootKey.empty()) {
            CheckRegistryFolder(installation, folder, rule, report);
        }
    }
}

void CheckHelpFiles(const Installation& installation, Report& report)
{
    if (installation.userRootKey.empty()) {
        return;  // without registry roots there is no help to look for; that problem is told already
    }
    const std::wstring profiles = installation.userRootKey + L"\\Profiles";
    bool profileMissing = false;
    const auto profile = CheckCurrentProfile(profiles, report, profileMissing);
    const auto help = AskLength(&GetHelpFileName);
    if (help && profile && CheckHelpVariable(profiles + L"\\" + *profile + L"\\General", *help, report)) {
        return;
    }
    if (!help && profileMissing) {
        return;  // the profile's problem is the cause, told already
    }
    if (!help) {
        report.Problem(L"help-file", KeyName(HKEY_CURRENT_USER, installation.userRootKey + L"\\Profiles"),
                       L"the library finds no help file",
                       L"name it in the current profile's General key (ZOVAHELP for the program ZOVA, HELP for "
                       L"others), or without a profile set DefaultHelpFileName under the product root key");
        return;
    }
    if (!IsFile(*help)) {
        report.Problem(L"help-file", *help, L"does not exist",
                       L"restore the help file, or name an existing one in the current profile under " +
                           KeyName(HKEY_CURRENT_USER, installation.userRootKey + L"\\Profiles"));
        return;
    }
    report.Ok(L"help-file", *help, L"exists");
    const auto context = AskLength(&GetContextFileName);
    if (!context || !IsFile(*context)) {
        report.Problem(L"help-file", context.value_or(L"context help file"), L"does not exist",
                       L"restore the context help file beside the help file");
        return;
    }
    report.Ok(L"help-file", *context, L"exists");
}

void CheckProductList(const Installation& installation, Report& report)
{
    if (installation.productRootKey.empty()) {
        return;  // the identity file's problem is told already
    }
    const std::wstring path = installation.productRootKey + L"\\UserData";
    ZvRegistryAccess key;
    const auto hive = OpenMachineThenUser(key, path, KEY_QUERY_VALUE);
    if (!hive) {
        report.Problem(L"product-list", KeyName(HKEY_LOCAL_MACHINE, path),
                       L"missing under HKLM and HKCU: InstallUserData reports a failure",
                       L"reinstall the product: its package lists itself there");
        return;
    }
    const auto codes = ValueNames(key);
    if (codes.empty()) {
        report.Ok(L"product-list", KeyName(*hive, path), L"lists no products: InstallUserData has nothing to do");
    }
    for (const std::wstring& code : codes) {
        CheckProductEntry(KeyName(*hive, path) + L"\\" + code, code, ReadString(key, code.c_str()).value_or(L""),
                          report);
    }
}

void CheckComServers(Report& report)
{
    for (const ComServer& server : kComServers) {
        CheckComServer(server, report);
    }
}

void CheckMigration(const Installation& installation, Report& report)
{
    if (installation.productRootKey.empty()) {
        return;
    }
    ZvRegistryAccess key;
    const auto hive = OpenMachineThenUser(key, installation.productRootKey, KEY_QUERY_VALUE);
    const std::wstring subject =
        KeyName(hive.value_or(HKEY_LOCAL_MACHINE), installation.productRootKey + L"\\AutoMigrate");
    const auto enabled = hive ? ReadAutoMigrate(key) : std::optional<DWORD>(1);
    if (!enabled || *enabled == 0) {
        report.Ok(L"migration-switch", subject, L"missing or 0: migration is off");
        return;
    }
    report.Ok(L"migration-switch", subject, hive ? L"on" : L"the key is missing: migration is not switched off");
    CheckMigrationState(installation, report);
    CheckMigrationTool(report);
}

}  // namespace zvud::doctor
