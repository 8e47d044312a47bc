// zvud doctor up to start-up: the library's folder, identityver.ini, the
// catalogue and the last launched product and language, read by the library's
// core before start-up writes the new choice back; then start-up itself, the identity file, the
// registry roots, the vertical folders and PATH. The report's two forms.
#include "Doctor.h"

#include "CoreText.h"
#include "DoctorSupport.h"
#include "Output.h"
#include "Queries.h"
#include "StartUp.h"
#include "Version.h"

#include "base/FolderList.h"
#include "config/ProductConfigInit.h"
#include "config/ProductInstalledInfo.h"
#include "config/StartupDecisions.h"
#include "config/UserProductRegistryRootKey.h"

#include "UserData.h"

#include <algorithm>

namespace zvud {
namespace {

using namespace doctor;

bool CheckLibraryFolder(Installation& installation, Report& report)
{
    installation.rootFolder = AskLength(&GetProductRootFolder).value_or(L"");
    if (installation.rootFolder.empty() || !IsFolder(installation.rootFolder)) {
        report.Problem(L"library-folder", L"UserData.dll", L"the library gives no folder of its own",
                       L"reinstall the suite");
        return false;
    }
    report.Ok(L"library-folder", installation.rootFolder, L"present");
    return true;
}

// zvud's checks describe the rules of its own version; another DLL's may differ.
void CheckLibraryVersion(Report& report)
{
    const std::wstring library = ModulePath(GetModuleHandleW(L"UserData.dll"));
    const std::wstring expected = OwnVersionNumber();
    const std::wstring found = VersionNumber(library);
    if (found != expected) {
        report.Problem(L"library-version", library,
                       L"is " + (found.empty() ? std::wstring(L"of no known version") : L"version " + found) +
                           L", zvud is version " + expected + L": the checks describe the rules of version " +
                           expected + L", not those of the library found",
                       L"put the UserData.dll of version " + expected +
                           L" beside zvud.exe (reinstall the suite), or run the zvud.exe that came with this "
                           L"UserData.dll");
        return;
    }
    report.Ok(L"library-version", library, L"version " + found + L", the same as zvud");
}

bool CheckVersionFile(Installation& installation, Report& report)
{
    const std::wstring file = Text(userdata::CProductInstalledInfo::VersionFileIn(Core(installation.rootFolder)));
    if (!IsFile(file)) {
        report.Problem(L"version-file", file, L"not found: the library knows no products",
                       L"restore identityver.ini beside UserData.dll (reinstall the suite)");
        return false;
    }
    if (const DWORD error = TryOpen(file, GENERIC_READ); error != ERROR_SUCCESS) {
        report.Problem(L"version-file", file, L"cannot be read (" + ErrorText(error) + L")",
                       L"give the user read access to it");
        return false;
    }
    installation.versionKey = ReadIdentityValue(file, L"ProductVersionKey");
    const std::wstring configurable = ReadIdentityValue(file, L"IsConfigurable");
    if (installation.versionKey.empty() || configurable.empty()) {
        report.Problem(L"version-file", file,
                       std::wstring(installation.versionKey.empty() ? L"ProductVersionKey" : L"IsConfigurable") +
                           L" of [ProductIdentity] is missing or empty: the library knows no products",
                       L"give [ProductIdentity] both ProductVersionKey and IsConfigurable (reinstall the suite)");
        return false;
    }
    installation.configurable = configurable == L"1";
    if (configurable != L"1" && configurable != L"0") {
        report.Problem(L"version-file", file + L" IsConfigurable",
                       L"is '" + configurable +
                           L"': only 1 is configurable, so start-up takes the base product and looks for "
                           L"identity.ini beside UserData.dll",
                       L"set IsConfigurable=1 in [ProductIdentity] of " + file +
                           L" (IsConfigurable=0 for an installation of the base product alone)");
        return true;
    }
    report.Ok(L"version-file", file,
              L"ProductVersionKey " + installation.versionKey +
                  (installation.configurable ? L", configurable"
                                             : L", not configurable (IsConfigurable " + configurable +
                                                   L"): the product is ZOVA, its language from the registry"));
    return true;
}

// Every per-user value is read below the user root key; one that names no key
// leaves them all unset, which is told once here instead of for each value.
void CheckUserRoot(const Invocation& invocation, Installation& installation, Report& report)
{
    ZvRegistryAccess key;
    if (installation.userRootKey.empty() ||
        key.OpenExact(HKEY_CURRENT_USER, installation.userRootKey.c_str(), KEY_READ) == ERROR_SUCCESS) {
        return;
    }
    const std::wstring subject = KeyName(HKEY_CURRENT_USER, installation.userRootKey);
    if (invocation.userRoot) {
        report.Problem(L"user-root", subject,
                       L"the override (zvudSetUserProductRegistryRootKey) names no key: every per-user value is "
                       L"missing",
                       L"name an existing key with --user-root, or leave --user-root out");
    } else {
        report.Problem(L"user-root", subject, L"missing: every per-user value is missing",
                       L"run zvud repair: InstallUserData makes the user's key");
    }
    installation.userRootKey.clear();
}

void CheckStartUp(const Invocation& invocation, Installation& installation, Report& report)
{
    if (invocation.userRoot) {
        userdata::SetUserProductRegistryRootKeyOverride(invocation.userRoot->c_str());  // for the core's decisions
        installation.userRootOverridden = true;
    }
    const bool startedUp = StartUp(invocation);
    installation.product = AskLength(&zvudGetCurrentProduct).value_or(L"");
    installation.language = AskLength(&zvudGetCurrentLanguage).value_or(L"");
    installation.userRootKey = AskLength(&zvudGetUserProductRegistryRootKey).value_or(L"");
    const std::wstring chosen = L"product '" + installation.product + L"', language '" + installation.language + L"'";
    if (startedUp) {
        report.Ok(L"start-up", L"zvudInitProductParams", L"succeeded with " + chosen);
    } else {
        report.Problem(L"start-up", L"zvudInitProductParams", L"failed, having chosen " + chosen,
                       L"mend what the problems above and below name");
    }
}

// Where the library looks for it, by the core's rule.
std::wstring IdentityFilePath(const Installation& installation)
{
    return Text(userdata::IdentityFilePath(Core(installation.rootFolder), installation.configurable,
                                           Core(installation.product), Core(installation.language)));
}

// True when the machine lacks the key.
bool CheckRootKey(const std::wstring& file, const wchar_t* name, const std::wstring& path, Report& report)
{
    if (path.empty()) {
        report.Problem(L"identity-file", file + L" " + name, L"missing or empty: the product has no registry roots",
                       L"set " + std::wstring(name) + L" in [ProductIdentity] (reinstall the product)");
        return false;
    }
    ZvRegistryAccess key;
    const auto hive = OpenMachineThenUser(key, path);
    if (!hive) {
        report.Problem(L"registry-root", KeyName(HKEY_LOCAL_MACHINE, path),
                       std::wstring(L"named by ") + name + L", missing under HKLM and HKCU",
                       L"reinstall the product: its package makes the key");
        return true;
    }
    if (*hive != HKEY_LOCAL_MACHINE) {
        report.Problem(L"registry-root", KeyName(HKEY_LOCAL_MACHINE, path),
                       std::wstring(L"named by ") + name + L", missing: the library falls back to " +
                           KeyName(*hive, path) +
                           L", which lacks what the product's package puts there (ProductName, "
                           L"DefaultHelpFileName, VerticalEnvPath, UserData)",
                       L"reinstall the product: its package makes " + KeyName(HKEY_LOCAL_MACHINE, path));
        return true;
    }
    report.Ok(L"registry-root", KeyName(*hive, path), std::wstring(L"present (") + name + L")");
    return false;
}

void CheckIdentityFile(Installation& installation, Report& report)
{
    if (installation.configurable && (installation.product.empty() || installation.language.empty())) {
        report.Info(L"identity-file", L"identity.ini", L"not looked for: start-up chose no product and language");
        return;
    }
    const std::wstring file = IdentityFilePath(installation);
    if (!IsFile(file)) {
        report.Problem(
            L"identity-file", file, L"not found: start-up stops, the product has no registry roots, folders or help",
            installation.configurable ? L"restore identity.ini for " + installation.product + L" in " +
                                            installation.language + L" (reinstall that language of the product)"
                                      : L"restore " + file + L" (reinstall the suite)");
        return;
    }
    report.Ok(L"identity-file", file, L"present");
    // Start-up takes both roots or neither.
    const userdata::StartupDecisions& decisions = installation.startup->GetDecisions();
    installation.productRootKey = Text(installation.startup->GetProductParams().ProductRegistryRootKey);
    installation.machineRootMissing =
        CheckRootKey(file, L"ProductRegistryRootKey", Text(decisions.productRootKey.value), report);
    CheckRootKey(file, L"GlobalRegistryRootKey", Text(decisions.globalRootKey.value), report);
}

// ZVVERTICALPATH as the library's start-up set it: the folders the core decided on.
void CheckVerticalVariable(const Installation& installation, Report& report)
{
    const std::wstring decided = Text(installation.startup->GetDecisions().verticalPath.value);
    const DWORD size = GetEnvironmentVariableW(L"ZVVERTICALPATH", nullptr, 0);
    std::wstring published(size, L'\0');
    published.resize(size == 0 ? 0 : GetEnvironmentVariableW(L"ZVVERTICALPATH", published.data(), size));
    if (published == decided) {
        report.Ok(L"vertical-path", L"ZVVERTICALPATH", L"holds " + decided + L", as start-up decided");
    } else {
        report.Problem(L"vertical-path", L"ZVVERTICALPATH",
                       L"holds '" + published + L"', where start-up decided on '" + decided + L"'",
                       L"mend what the problems above name");
    }
}

void CheckVerticalPath(const Installation& installation, Report& report)
{
    if (installation.productRootKey.empty() || userdata::IsBaseProduct(installation.product.c_str())) {
        return;  // the base product has no vertical folders
    }
    const std::wstring subject = KeyName(HKEY_LOCAL_MACHINE, installation.productRootKey + L"\\VerticalEnvPath");
    const auto value = AskLength(&zvudGetVerticalEnvPath);
    if (!value) {
        const userdata::Reason& why = installation.startup->GetDecisions().verticalPath.reason;
        report.Problem(
            L"vertical-path", subject,
            (why.kind == userdata::Reason::Kind::NotDecided ? std::wstring(L"no default value") : Described(why)) +
                L": start-up stops before the language folder reaches PATH",
            L"set the default value, as REG_SZ, to the product's folders, separated by ';'");
        return;
    }
    for (const userdata::ZvString& entry : userdata::SplitFolderList(value->c_str())) {
        const std::wstring folder = Text(entry);
        if (IsFolder(Expanded(folder))) {
            report.Ok(L"vertical-path", folder, L"present");
        } else {
            report.Problem(L"vertical-path", folder, L"named by " + subject + L", does not exist",
                           L"create the folder, or correct the value");
        }
    }
    CheckVerticalVariable(installation, report);
}

void CheckPath(const Installation& installation, Report& report)
{
    if (installation.language.empty()) {
        return;  // start-up's problem is told already
    }
    const std::wstring folder = installation.rootFolder + installation.language;
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(size, L'\0');
    GetEnvironmentVariableW(L"PATH", path.data(), size);
    const auto entries = userdata::SplitFolderList(path.c_str());
    if (std::any_of(entries.begin(), entries.end(),
                    [&folder](const userdata::ZvString& entry) { return EqualIgnoringCase(Text(entry), folder); })) {
        report.Ok(L"path", L"PATH", L"holds the language folder " + folder);
    } else {
        report.Problem(L"path", L"PATH", L"does not hold the language folder " + folder + L": start-up did not end",
                       L"mend what the problems above name");
    }
}

void CheckBeforeStartUp(Installation& installation, Report& report)
{
    CheckLibraryVersion(report);
    if (!CheckLibraryFolder(installation, report) || !CheckVersionFile(installation, report) ||
        !installation.configurable) {
        return;
    }
    const userdata::CProductInstalledInfo& catalogue = installation.startup->GetInstalledInfo();
    const userdata::Reason& unloaded = catalogue.GetLoadFailure();
    if (unloaded.kind != userdata::Reason::Kind::NotDecided && unloaded.place == userdata::Reason::Place::File) {
        return;  // the version file's problem is told already
    }
    CheckCatalogue(catalogue, installation, report);
    if (CheckVersionListsInstallation(installation, report)) {
        CheckListedLanguages(installation, report);
    }
    CheckLastLaunched(catalogue, installation, report);
}

}  // namespace

int RunDoctor(const Invocation& invocation, bool)
{
    userdata::StartRecordingInputs();
    Installation installation;
    Report report;
    // Decided before the library's start-up writes its choice back over what it chose from.
    userdata::SetInputReader(L"zvudInitProductParams");
    installation.startup =
        userdata::DecideStartup(Core(invocation.product.value_or(L"")), Core(invocation.language.value_or(L"")));
    userdata::SetInputReader(L"");
    CheckBeforeStartUp(installation, report);
    CheckStartUp(invocation, installation, report);
    CheckIdentityFile(installation, report);
    CheckUserRoot(invocation, installation, report);
    CheckVerticalPath(installation, report);
    CheckPath(installation, report);
    CheckSpecialFolders(installation, report);
    CheckHelpFiles(installation, report);
    CheckProductList(installation, report);
    CheckComServers(report);
    CheckMigration(installation, report);
    CheckSharedFolders(installation, report);
    CheckExports(installation, report);
    CheckInputs(installation, report);
    return Render(invocation, installation, report);
}

}  // namespace zvud
