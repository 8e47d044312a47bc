#include "repair/UserDataInstall.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/RegistryAccess.h"
#include "regwrite/PathFolding.h"
#include "repair/ComServerCheck.h"
#include "repair/WindowsInstaller.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <new>

namespace userdata {
namespace {

constexpr wchar_t kFirstRunReinstall[] = L"REINSTALL=UserData REINSTALLMODE=uos ZOVA_SECONDARY_INSTALL=1";
constexpr wchar_t kMissingFolderReinstall[] = L"REINSTALL=UserData REINSTALLMODE=p ZOVA_SECONDARY_INSTALL=1";
constexpr wchar_t kUserRegistryReinstall[] = L"REINSTALL=UserData REINSTALLMODE=u ZOVA_SECONDARY_INSTALL=1";

using Kind = Reason::Kind;
using Place = Reason::Place;

// The product list below `productRootKey`, machine first; ERROR_BAD_PATHNAME
// when its path does not fit.
LSTATUS OpenProductList(const ZvString& productRootKey, ZvRegistryAccess& productList)
{
    wchar_t listPath[kKeyPathCapacity] = {};
    if (!CopyText(listPath, productRootKey.c_str()) || !AppendText(listPath, L"\\UserData")) {
        return ERROR_BAD_PATHNAME;
    }
    return productList.Open(HKEY_LOCAL_MACHINE, listPath, KEY_QUERY_VALUE);
}

// Whether the per-user key exists: opened and closed at once.
LSTATUS ProbeUserKey(const wchar_t* userKeyPath)
{
    ZvRegistryAccess probe;
    return probe.OpenExact(HKEY_CURRENT_USER, userKeyPath, KEY_READ);
}

// Opens the folder for reading and writing, as the user's programs use it, and
// closes it again: 0, or why it does not open.
DWORD OpenForReadingAndWriting(const wchar_t* folder)
{
    const ZvUniqueFile opened(CreateFileW(folder, GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return opened ? ERROR_SUCCESS : GetLastError();
}

// The folder checks' view of a product whose per-user key exists.
void DecideLocalRootFolder(ProductRepairDecision& decision, const ZvString& userKeyName)
{
    ZvRegistryAccess userKey;
    wchar_t folder[kPathCapacity] = {};
    if (userKey.OpenExact(HKEY_CURRENT_USER, decision.userKey.c_str(), KEY_READ) != ERROR_SUCCESS ||
        !userKey.ReadExpandedCharacters(L"LocalRootFolder", folder)) {
        decision.reason = WhyUnread(userKey, userKeyName, L"LocalRootFolder");  // nothing to check
        return;
    }
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
        decision.action = RepairAction::MissingFolder;
        decision.reason = ReasonOf(Kind::Absent, Place::Folder, ZvString(folder));
        return;
    }
    const DWORD denied = OpenForReadingAndWriting(folder);
    decision.action = denied == ERROR_SUCCESS ? RepairAction::None : RepairAction::UserRegistry;
    decision.reason = ReasonOf(denied == ERROR_SUCCESS ? Kind::Read : Kind::Refused, Place::Folder, ZvString(folder),
                               L"", static_cast<LSTATUS>(denied));
}

ProductRepairDecision DecideProductRepair(const wchar_t* productCode, const wchar_t* userKeyPath)
{
    ProductRepairDecision decision{ZvString(productCode), ZvString(userKeyPath), RepairAction::None, false, {}};
    const ZvString userKeyName = RegistryKeyName(HKEY_CURRENT_USER, decision.userKey);
    const LSTATUS probed = ProbeUserKey(userKeyPath);
    if (probed != ERROR_SUCCESS) {
        decision.action = IsNotFound(probed) ? RepairAction::FirstRun : RepairAction::Stopped;
        decision.reason = AbsentOrRefused(probed, userKeyName);
        return decision;
    }
    decision.skipsFolderChecks = SkipsFolderChecks(userKeyPath);
    if (decision.skipsFolderChecks) {
        decision.reason = ReasonOf(Kind::Read, Place::Registry, userKeyName);
        return decision;
    }
    DecideLocalRootFolder(decision, userKeyName);
    return decision;
}

// The folder checks for one product whose per-user key exists: a missing local
// root folder is reinstalled; one that cannot be opened for reading and
// writing has its per-user key tree deleted and reinstalled. Returns the
// status the product's work ends with.
unsigned RepairLocalRootFolder(const wchar_t* productCode, const wchar_t* userKeyPath)
{
    ZvRegistryAccess userKey;
    const LSTATUS opened = userKey.OpenExact(HKEY_CURRENT_USER, userKeyPath, KEY_READ);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    wchar_t folder[kPathCapacity];
    if (!userKey.ReadExpandedCharacters(L"LocalRootFolder", folder)) {
        return ERROR_SUCCESS;  // nothing to check
    }
    unsigned status = ERROR_SUCCESS;
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
        status = ReinstallProduct(productCode, kMissingFolderReinstall);
    }
    const bool opensForWriting = OpenForReadingAndWriting(folder) == ERROR_SUCCESS;
    userKey.Close();
    if (opensForWriting) {
        return status;
    }
    wchar_t treePath[kDeleteTreePathCapacity] = {};
    if (CopyText(treePath, userKeyPath)) {
        ZvRegistryAccess::DeleteRegistryTree(HKEY_CURRENT_USER, treePath);
    }
    return ReinstallProduct(productCode, kUserRegistryReinstall);
}

// The work on one product of the list.
unsigned RepairProduct(const wchar_t* productCode, const wchar_t* userKeyPath, bool repairComServers)
{
    unsigned status = ProbeUserKey(userKeyPath);
    if (IsNotFound(status)) {
        status = ReinstallProduct(productCode, kFirstRunReinstall);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (repairComServers) {
        RepairCOMServerRegistration(productCode);
    }
    if (SkipsFolderChecks(userKeyPath)) {
        return ERROR_SUCCESS;
    }
    return RepairLocalRootFolder(productCode, userKeyPath);
}

}  // namespace

bool SkipsFolderChecks(const wchar_t* userKeyPath)
{
    const wchar_t* const dash = std::wcsrchr(userKeyPath, L'-');
    return dash != nullptr && dash - userKeyPath >= 3 && std::wcsncmp(dash - 3, L"KPW", 3) == 0;
}

unsigned RepairUserDataEntries(const ZvRegistryAccess& productList, bool repairComServers)
{
    ZvRegistryIterator entry(productList, ZvRegistryIterator::Walk::ValuesWithData, 0);
    if (!entry.Valid() && entry.Status() != ERROR_SUCCESS) {
        return entry.Status();  // the list cannot be counted, or the walk's buffers cannot be had
    }
    unsigned status = ERROR_SUCCESS;
    for (; entry.Valid(); ++entry) {
        status = entry.Status();
        if (status != ERROR_SUCCESS || entry.NameLength() == 0) {
            continue;
        }
        status = RepairProduct(entry.Name(), entry.Data(), repairComServers);
    }
    return status;
}

UserDataRepairDecisions DecideUserDataRepair(const ZvString& productRootKey)
{
    UserDataRepairDecisions decisions;
    ZvString listPath = productRootKey;
    listPath.Append(L"\\UserData");
    ZvRegistryAccess productList;
    const LSTATUS opened = OpenProductList(productRootKey, productList);
    if (opened != ERROR_SUCCESS) {
        decisions.productList.reason = AbsentOrRefused(opened, RegistryKeyName(HKEY_LOCAL_MACHINE, listPath));
        return decisions;
    }
    const ZvString listName = RegistryKeyName(productList.Hive(), listPath);
    decisions.productList = {listName, ReasonOf(Kind::Read, Place::Registry, listName)};
    for (ZvRegistryIterator entry(productList, ZvRegistryIterator::Walk::ValuesWithData, 0); entry.Valid(); ++entry) {
        if (entry.Status() == ERROR_SUCCESS && entry.NameLength() != 0) {
            decisions.products.push_back(DecideProductRepair(entry.Name(), entry.Data()));
        }
    }
    return decisions;
}

unsigned RepairUserData(const ZvString& productRootKey, PathVariableTable& pathVariables)
{
    // A root key too long to copy gives 0; one that leaves no room for
    // "\\UserData" has no product list.
    unsigned result = productRootKey.length() < kKeyPathCapacity ? static_cast<unsigned>(productRootKey.length()) : 0;
    ZvRegistryAccess productList;
    if (OpenProductList(productRootKey, productList) == ERROR_SUCCESS) {
        const bool serversSound = AllServersRelative();
        result = RepairUserDataEntries(productList, !serversSound);
    }
    if (result == 0) {
        RegisterUserProfileVariable(pathVariables);  // registry strings fold the profile folder from now on
    }
    return result;
}

}  // namespace userdata
