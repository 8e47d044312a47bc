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

namespace userdata {
namespace {

constexpr wchar_t kFirstRunReinstall[] = L"REINSTALL=UserData REINSTALLMODE=uos ZOVA_SECONDARY_INSTALL=1";
constexpr wchar_t kMissingFolderReinstall[] = L"REINSTALL=UserData REINSTALLMODE=p ZOVA_SECONDARY_INSTALL=1";
constexpr wchar_t kUserRegistryReinstall[] = L"REINSTALL=UserData REINSTALLMODE=u ZOVA_SECONDARY_INSTALL=1";

using Kind = Reason::Kind;
using Place = Reason::Place;

// Products whose per-user key path ends in "KPW-<something>" get no folder checks.
bool SkipsFolderChecks(const wchar_t* userKeyPath)
{
    const wchar_t* const dash = std::wcsrchr(userKeyPath, L'-');
    return dash != nullptr && dash - userKeyPath >= 3 && std::wcsncmp(dash - 3, L"KPW", 3) == 0;
}

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

// Opens the folder for reading and writing, as the user's programs use it, and
// closes it again: 0, or why it does not open.
DWORD OpenForReadingAndWriting(const wchar_t* folder)
{
    const ZvUniqueFile opened(CreateFileW(folder, GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return opened ? ERROR_SUCCESS : GetLastError();
}

RepairStep Ended(unsigned status, Reason reason)
{
    return {RepairAction::None, std::move(reason), status};
}

// The folder checks of a product whose per-user key exists: a missing local
// root folder is reinstalled once; one that then still does not open for
// reading and writing has the key tree deleted and reinstalled.
RepairStep DecideFolderStep(const ProductRepair& product, const ZvString& userKeyName)
{
    ZvRegistryAccess userKey;
    const LSTATUS opened = userKey.OpenExact(HKEY_CURRENT_USER, product.userKey.c_str(), KEY_READ);
    if (opened != ERROR_SUCCESS) {
        return Ended(opened, AbsentOrRefused(opened, userKeyName));
    }
    wchar_t folder[kPathCapacity] = {};
    if (!userKey.ReadExpandedCharacters(L"LocalRootFolder", folder)) {
        return Ended(product.status, WhyUnread(userKey, userKeyName, L"LocalRootFolder"));  // nothing to check
    }
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES && !product.Took(RepairAction::MissingFolder)) {
        return {RepairAction::MissingFolder, ReasonOf(Kind::Absent, Place::Folder, ZvString(folder))};
    }
    const DWORD denied = OpenForReadingAndWriting(folder);
    if (denied == ERROR_SUCCESS) {
        return Ended(product.status, ReasonOf(Kind::Read, Place::Folder, ZvString(folder)));
    }
    return {RepairAction::UserRegistry,
            ReasonOf(Kind::Refused, Place::Folder, ZvString(folder), L"", static_cast<LSTATUS>(denied))};
}

// The one rule of a product's repair: its next step, from the registry, the
// file system and the steps already taken for it.
RepairStep DecideRepairStep(const ProductRepair& product, bool repairComServers)
{
    const ZvString userKeyName = RegistryKeyName(HKEY_CURRENT_USER, product.userKey);
    if (product.Took(RepairAction::UserRegistry)) {
        return Ended(product.status, ReasonOf(Kind::Read, Place::Registry, userKeyName));  // the last resort
    }
    if (product.steps.empty()) {
        // Probed once, before anything is done for the product.
        ZvRegistryAccess probe;
        const LSTATUS probed = probe.OpenExact(HKEY_CURRENT_USER, product.userKey.c_str(), KEY_READ);
        if (probed != ERROR_SUCCESS) {
            Reason why = AbsentOrRefused(probed, userKeyName);
            return IsNotFound(probed) ? RepairStep{RepairAction::FirstRun, std::move(why)} : Ended(probed, why);
        }
    } else if (product.Took(RepairAction::FirstRun) && product.status != ERROR_SUCCESS) {
        return Ended(product.status, ReasonOf(Kind::Absent, Place::Registry, userKeyName));  // still missing
    }
    if (repairComServers && !product.Took(RepairAction::ComRepair)) {
        return {RepairAction::ComRepair, Reason()};
    }
    if (product.skipsFolderChecks) {
        return Ended(ERROR_SUCCESS, ReasonOf(Kind::Read, Place::Registry, userKeyName));
    }
    return DecideFolderStep(product, userKeyName);
}

// Carries `action` out for the product; the status of its reinstall (the COM
// repair reports nothing).
unsigned CarryOut(RepairAction action, const ProductRepair& product)
{
    const wchar_t* const code = product.productCode.c_str();
    switch (action) {
    case RepairAction::FirstRun:
        return ReinstallProduct(code, kFirstRunReinstall);
    case RepairAction::ComRepair:
        RepairCOMServerRegistration(code);
        break;
    case RepairAction::MissingFolder:
        return ReinstallProduct(code, kMissingFolderReinstall);
    case RepairAction::UserRegistry: {
        wchar_t treePath[kDeleteTreePathCapacity] = {};
        if (CopyText(treePath, product.userKey.c_str())) {
            ZvRegistryAccess::DeleteRegistryTree(HKEY_CURRENT_USER, treePath);
        }
        return ReinstallProduct(code, kUserRegistryReinstall);
    }
    case RepairAction::None:
        break;
    }
    return product.status;
}

// Decides, acts and decides again until nothing more is due. Withheld, each
// step is taken as a reinstall that succeeds and changes nothing.
ProductRepair RepairProduct(const wchar_t* productCode, const wchar_t* userKeyPath, bool repairComServers,
                            Effects effects)
{
    ProductRepair product{ZvString(productCode), ZvString(userKeyPath), SkipsFolderChecks(userKeyPath), {}, 0, {}};
    RepairStep step = DecideRepairStep(product, repairComServers);
    for (; step.action != RepairAction::None; step = DecideRepairStep(product, repairComServers)) {
        product.status = effects == Effects::Apply ? CarryOut(step.action, product) : ERROR_SUCCESS;
        product.steps.push_back(std::move(step));
    }
    product.status = step.status;
    product.end = std::move(step.reason);
    return product;
}

// The values of the product list key (product code = per-user key path), each
// product repaired in turn. The status of the last value's work, or of the
// counting when the list cannot be walked (14 when the walk's buffers cannot
// be had).
unsigned RepairUserDataEntries(const ZvRegistryAccess& productList, bool repairComServers, Effects effects,
                               std::vector<ProductRepair>& products)
{
    ZvRegistryIterator entry(productList, ZvRegistryIterator::Walk::ValuesWithData, 0);
    if (!entry.Valid() && entry.Status() != ERROR_SUCCESS) {
        return entry.Status();
    }
    unsigned status = ERROR_SUCCESS;
    for (; entry.Valid(); ++entry) {
        status = entry.Status();
        if (status != ERROR_SUCCESS || entry.NameLength() == 0) {
            continue;
        }
        products.push_back(RepairProduct(entry.Name(), entry.Data(), repairComServers, effects));
        status = products.back().status;
    }
    return status;
}

UserDataRepair WalkUserData(const ZvString& productRootKey, Effects effects)
{
    UserDataRepair repair;
    // A root key too long to copy gives 0; one that leaves no room for
    // "\\UserData" has no product list.
    repair.result = productRootKey.length() < kKeyPathCapacity ? static_cast<unsigned>(productRootKey.length()) : 0;
    ZvString listPath = productRootKey;
    listPath.Append(L"\\UserData");
    ZvRegistryAccess productList;
    const LSTATUS opened = OpenProductList(productRootKey, productList);
    if (opened != ERROR_SUCCESS) {
        repair.productList.reason = AbsentOrRefused(opened, RegistryKeyName(HKEY_LOCAL_MACHINE, listPath));
        return repair;
    }
    const ZvString listName = RegistryKeyName(productList.Hive(), listPath);
    repair.productList = {listName, ReasonOf(Kind::Read, Place::Registry, listName)};
    const bool serversSound = AllServersRelative();
    repair.result = RepairUserDataEntries(productList, !serversSound, effects, repair.products);
    return repair;
}

}  // namespace

bool ProductRepair::Took(RepairAction action) const noexcept
{
    return std::any_of(steps.begin(), steps.end(), [action](const RepairStep& step) { return step.action == action; });
}

unsigned RepairUserData(const ZvString& productRootKey, PathVariableTable& pathVariables)
{
    const unsigned result = WalkUserData(productRootKey, Effects::Apply).result;
    if (result == 0) {
        RegisterUserProfileVariable(pathVariables);  // registry strings fold the profile folder from now on
    }
    return result;
}

UserDataRepair DecideUserDataRepair(const ZvString& productRootKey)
{
    return WalkUserData(productRootKey, Effects::Withhold);
}

}  // namespace userdata
