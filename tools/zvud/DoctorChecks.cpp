// zvud doctor after start-up: the special folders, the help files, the
// "UserData" product list as InstallUserData would walk it, the COM server
// registrations and the migration, each as the library's core decides it
// (with the identity start-up settles on, and nothing written). What the
// core cannot decide is not told as in order.
#include "DoctorSupport.h"

#include "CoreText.h"
#include "Queries.h"

#include "UserDataFolders.h"
#include "base/Capacities.h"
#include "folders/FolderDecisions.h"
#include "help/HelpDecisions.h"
#include "repair/ComServerCheck.h"
#include "repair/UserDataInstall.h"

#include <msi.h>

#include <algorithm>

namespace zvud::doctor {
namespace {

using userdata::CurrentIdentity;
using userdata::Decision;
using userdata::Reason;
using userdata::ZvRegistryIterator;
using Kind = Reason::Kind;

// A folder built from the library's folder or the help file: only the
// language folder, which start-up puts in front of PATH, must exist.
void CheckDerivedFolder(const Installation& installation, ZvUdSpecialFolder::Folders folder, const Decision& decision,
                        Report& report)
{
    const wchar_t* name = SpecialFolderName(folder);
    const std::wstring path = Text(decision.value);
    if (path.empty()) {
        report.Info(L"special-folder", name,
                    L"the library gives no path" +
                        (decision.reason.kind == Kind::NotDecided ? L"" : L": " + Described(decision.reason)));
    } else if (IsFolder(path)) {
        report.Ok(L"special-folder", name, path + L" exists");
    } else if (folder == ZvUdSpecialFolder::InstallFolderLang) {
        report.Problem(L"special-folder", name, path + L" does not exist: start-up puts it in front of PATH",
                       L"reinstall " + installation.product + L" in " + installation.language);
    } else {
        report.Info(L"special-folder", name, path + L" does not exist", L"create it if programs need it");
    }
}

void CheckUsableFolder(const std::wstring& subject, const std::wstring& value, Report& report)
{
    const std::wstring folder = Expanded(value);
    if (!IsFolder(folder)) {
        report.Problem(L"special-folder", subject, L"names " + folder + L", which does not exist",
                       L"create " + folder + L", or set the value to an existing folder");
        return;
    }
    if (const DWORD denied = MayCreateFilesIn(folder); denied != ERROR_SUCCESS) {
        report.Problem(L"special-folder", subject,
                       L"the user cannot create files in " + folder + L" (" + ErrorText(denied) + L")",
                       L"give the user the right to create files in " + folder);
        return;
    }
    report.Ok(L"special-folder", subject, folder + L" exists, writable");
}

// A folder read from a per-user value: missing, unusable as the library reads
// it, or naming a folder that is not there.
void CheckValueFolder(const Installation& installation, const ZvUdSpecialFolder::FolderInfo& info,
                      const Decision& decision, Report& report)
{
    const std::wstring subject = KeyName(HKEY_CURRENT_USER, installation.userRootKey + L"\\" + info.valueName);
    const std::wstring given =
        decision.value.empty() ? std::wstring(L"the library gives none") : L"the library gives " + Text(decision.value);
    const Reason& reason = decision.reason;
    if (reason.kind == Kind::Absent && userdata::IsNotFound(reason.status)) {
        report.Info(L"special-folder", subject, L"not set: " + given);
    } else if (reason.kind == Kind::Unexpanded) {
        report.Problem(L"special-folder", subject, Described(reason),
                       L"define the environment variable " + Text(reason.variable) +
                           L", or set the value to the folder's full path");
    } else if (reason.Failed()) {
        const std::wstring stored = reason.kind == Kind::WrongType
                                        ? L"the " + Text(userdata::RegistryTypeName(reason.type)) + L" value"
                                        : L"it";
        report.Problem(L"special-folder", subject, Described(reason) + L": " + given,
                       L"replace " + stored + L" with the folder's path, as REG_SZ or REG_EXPAND_SZ");
    } else {
        CheckUsableFolder(subject, Text(decision.value), report);
    }
}

// The profiles that have a key, as "Standard, Draft".
std::wstring ProfileList(const std::wstring& profiles)
{
    ZvRegistryAccess key;
    std::wstring list;
    if (key.OpenExact(HKEY_CURRENT_USER, profiles.c_str(), KEY_READ) == ERROR_SUCCESS) {
        for (ZvRegistryIterator entry(key, ZvRegistryIterator::Walk::Subkeys, 0);
             entry.Valid() && entry.Status() == ERROR_SUCCESS; ++entry) {
            list += (list.empty() ? L"" : L", ") + std::wstring(entry.Name(), entry.NameLength());
        }
    }
    return list.empty() ? L"none yet" : list;
}

// What to set so that the library finds the help file it looked for.
std::wstring HelpFix(const Installation& installation, const userdata::HelpDecisions& help)
{
    if (!help.profile.empty()) {
        return L"set " + Named(help.helpFile.reason) + L" to the help file of the program " + Text(help.program) +
               L" (product " + installation.product + L")";
    }
    return L"set " + Named(help.helpFile.reason) + L" to the name of " + installation.product + L"'s help file in " +
           installation.rootFolder + L"Help, without .chm";
}

// Why the library finds no help file: the key or value where its lookup stopped.
void ReportNoHelpFile(const Installation& installation, const userdata::HelpDecisions& help, Report& report)
{
    const Reason& reason = help.helpFile.reason;
    const std::wstring profiles = installation.userRootKey + L"\\Profiles";
    if (!help.profile.empty() && reason.kind == Kind::Absent && reason.item.empty()) {
        const std::wstring profile = profiles + L"\\" + Text(help.profile);
        report.Problem(L"help-file", KeyName(HKEY_CURRENT_USER, profiles + L"\\(default)"),
                       L"names the current profile '" + Text(help.profile) + L"', which has no key " +
                           KeyName(HKEY_CURRENT_USER, profile + L"\\General") + L": its help files are not found",
                       L"set it to a profile that has a key below " + KeyName(HKEY_CURRENT_USER, profiles) + L" (" +
                           ProfileList(profiles) + L"), or create " +
                           KeyName(HKEY_CURRENT_USER, profile + L"\\General") + L" with the help values");
    } else if (reason.kind == Kind::Absent && reason.item.empty()) {
        report.Problem(
            L"help-file", Named(reason), Described(reason) + L": the library finds no help file",
            L"create " + Named(reason) +
                L" (without a current profile in it the library takes the product's default help file)" +
                (installation.userRootOverridden ? L", or name the product's user key with --user-root" : L""));
    } else {
        report.Problem(L"help-file", Named(reason), Described(reason) + L": the library finds no help file",
                       HelpFix(installation, help));
    }
}

void CheckContextFile(const Decision& context, Report& report)
{
    if (context.value.empty()) {
        report.Problem(L"help-file", L"context help file", Described(context.reason),
                       L"mend start-up's problems above");
    } else if (!IsFile(Text(context.value))) {
        report.Problem(L"help-file", Text(context.value), L"does not exist",
                       L"restore the context help file beside the help file");
    } else {
        report.Ok(L"help-file", Text(context.value), L"exists");
    }
}

using userdata::RepairAction;

std::wstring StepText(RepairAction action, const std::wstring& userKey)
{
    switch (action) {
    case RepairAction::FirstRun:
        return L"reinstall UserData (REINSTALLMODE=uos)";
    case RepairAction::ComRepair:
        return L"have the product rewrite the COM servers' registration (REINSTALL=ALL REINSTALLMODE=m)";
    case RepairAction::MissingFolder:
        return L"reinstall UserData (REINSTALLMODE=p)";
    case RepairAction::UserRegistry:
        return L"delete " + userKey + L" and reinstall UserData (REINSTALLMODE=u)";
    case RepairAction::None:
        break;
    }
    return L"";
}

// The steps that InstallUserData would take, as the core decides them when no
// reinstall changes anything.
std::wstring PlanText(const userdata::ProductRepair& product, const std::wstring& userKey)
{
    std::wstring plan;
    for (const userdata::RepairStep& step : product.steps) {
        plan += plan.empty() ? L"InstallUserData would " : L", then ";
        if (step.action == RepairAction::UserRegistry && product.Took(RepairAction::MissingFolder)) {
            plan += L"if the folder still does not open for reading and writing, ";
        }
        plan += StepText(step.action, userKey);
    }
    return plan;
}

// The first step for the per-user data that InstallUserData would take for
// one entry of the product list, as a problem. A reinstall cannot run for a
// product the Windows Installer does not know: then that is the fix.
void ReportRepairCause(const std::wstring& subject, const userdata::ProductRepair& product,
                       const userdata::RepairStep& cause, Report& report)
{
    const std::wstring code = Text(product.productCode);
    const std::wstring userKey = KeyName(HKEY_CURRENT_USER, Text(product.userKey));
    const std::wstring folder = Text(cause.reason.source);
    const bool known = MsiQueryProductStateW(code.c_str()) == INSTALLSTATE_DEFAULT;
    const std::wstring repair = known ? L"run zvud repair" : L"install " + code + L" (or delete the value)";
    const std::wstring plan = PlanText(product, userKey);
    if (cause.action == RepairAction::FirstRun) {
        report.Problem(L"product-list", subject, userKey + L" is missing: " + plan,
                       known ? repair : L"install " + code + L", or delete the value");
    } else if (cause.action == RepairAction::MissingFolder) {
        report.Problem(L"product-list", subject,
                       userKey + L"\\LocalRootFolder names " + folder + L", which does not exist: " + plan,
                       L"create " + folder + L", or " + repair);
    } else {
        report.Problem(L"product-list", subject,
                       userKey + L"\\LocalRootFolder names " + folder +
                           L", which cannot be opened for reading and writing (" + ErrorText(cause.reason.status) +
                           L"): " + plan,
                       L"give the user access to " + folder + L", or " + repair);
    }
}

// What InstallUserData would do for one entry of the product list, told by the
// first step for the per-user data.
void CheckProductEntry(const std::wstring& subject, const userdata::ProductRepair& product, Report& report)
{
    const std::wstring userKey = KeyName(HKEY_CURRENT_USER, Text(product.userKey));
    const auto cause = std::find_if(product.steps.begin(), product.steps.end(), [](const userdata::RepairStep& step) {
        return step.action != RepairAction::ComRepair;
    });
    if (cause != product.steps.end()) {
        ReportRepairCause(subject, product, *cause, report);
        return;
    }
    if (product.status != ERROR_SUCCESS) {
        report.Problem(L"product-list", subject,
                       userKey + L" cannot be opened (" + ErrorText(product.status) +
                           L"): InstallUserData leaves the product alone",
                       L"give the user read access to " + userKey);
        return;
    }
    const std::wstring state =
        (product.steps.empty() ? L"nothing to repair" : PlanText(product, userKey) + L", nothing more") + L"; " +
        userKey;
    report.Ok(L"product-list", subject,
              product.skipsFolderChecks ? state + L" present, its folders not checked (KPW)"
              : product.end.kind == Kind::Read
                  ? state + L" and LocalRootFolder " + Text(product.end.source) + L" in order"
                  : state + L" present, no LocalRootFolder to check");
}

void CheckComServer(const userdata::ComServerDecision& server, Report& report)
{
    const wchar_t fix[] =
        L"register the server with a path without drive (zvud repair has the listed products "
        L"rewrite it)";
    const Reason& reason = server.path.reason;
    const std::wstring subject = Text(reason.source);
    if (reason.kind == Kind::Read && server.passes) {
        report.Ok(L"com-server", subject,
                  server.path.value.empty() ? std::wstring(L"registered with an empty path, which has no drive")
                                            : L"registered as " + Text(server.path.value));
    } else if (reason.kind == Kind::Read) {
        report.Problem(L"com-server", subject, L"registered with the absolute path " + Text(server.path.value), fix);
    } else if (!reason.item.empty() || reason.kind != Kind::Absent) {
        report.Problem(L"com-server", subject, Described(reason) + L": CheckCOMServerRelativePaths fails", fix);
    } else if (server.passes) {
        report.Ok(L"com-server", subject, L"not registered (it need not be)");
    } else {
        report.Problem(L"com-server", subject, L"not registered: CheckCOMServerRelativePaths fails", fix);
    }
}

}  // namespace

void CheckSpecialFolders(const Installation& installation, Report& report)
{
    CurrentIdentity identity(*installation.startup);
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        if (info.valueName != nullptr && installation.userRootKey.empty()) {
            continue;  // the user root key's problem is told already
        }
        const Decision decision = userdata::DecideSpecialFolder(identity, info.folder);
        if (info.valueName == nullptr) {
            CheckDerivedFolder(installation, info.folder, decision, report);
        } else {
            CheckValueFolder(installation, info, decision, report);
        }
    }
}

void CheckHelpFiles(const Installation& installation, Report& report)
{
    if (installation.userRootKey.empty()) {
        return;  // without registry roots there is no help to look for; that problem is told already
    }
    CurrentIdentity identity(*installation.startup);
    userdata::SetInputReader(L"GetHelpFileName");
    const userdata::HelpDecisions help = userdata::DecideHelpFiles(identity);
    userdata::SetInputReader(L"");
    const Reason& reason = help.helpFile.reason;
    const std::wstring file = Text(help.helpFile.value);
    if (file.empty()) {
        ReportNoHelpFile(installation, help, report);
    } else if (reason.kind == Kind::Unexpanded) {
        report.Problem(L"help-file", Named(reason), Described(reason),
                       L"define the environment variable " + Text(reason.variable) +
                           L", or set the value to the help file's full path");
    } else if (reason.Failed()) {
        report.Problem(L"help-file", file, L"named by no value: " + Described(reason), HelpFix(installation, help));
    } else if (!IsFile(file)) {
        report.Problem(L"help-file", Named(reason), L"names " + file + L", which does not exist",
                       L"restore the help file, or set " + Named(reason) + L" to an existing one");
    } else {
        report.Ok(L"help-file", file, L"exists (named by " + Named(reason) + L")");
        CheckContextFile(help.contextFile, report);
    }
}

void CheckProductList(const Installation& installation, Report& report)
{
    if (installation.productRootKey.empty() || installation.machineRootMissing) {
        return;  // the identity file's or the product root key's problem is told already
    }
    const userdata::UserDataRepair repair =
        userdata::DecideUserDataRepair(installation.startup->GetProductParams().ProductRegistryRootKey);
    const Decision& list = repair.productList;
    if (list.reason.Failed()) {
        report.Problem(L"product-list", Named(list.reason),
                       Described(list.reason) + L" (and under HKCU): InstallUserData reports a failure",
                       L"reinstall the product: its package lists itself there");
        return;
    }
    if (repair.products.empty()) {
        report.Ok(L"product-list", Text(list.value), L"lists no products: InstallUserData has nothing to do");
    }
    for (const userdata::ProductRepair& product : repair.products) {
        CheckProductEntry(Text(list.value) + L"\\" + Text(product.productCode), product, report);
    }
}

void CheckComServers(Report& report)
{
    for (const userdata::ComServer& server : userdata::ComServers()) {
        CheckComServer(userdata::DecideComServer(server), report);
    }
}

}  // namespace zvud::doctor
