// The per-user part of every installed product: its registry key and local
// folder, reinstalled through the Windows Installer when missing or unusable.
#pragma once

#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "config/Reason.h"
#include "regwrite/PathFolding.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace userdata {

// The repair that InstallUserData runs: the product list "UserData" below
// `productRootKey` (machine first, then the user's) walked with
// RepairUserDataEntries, the COM server repair added when the servers fail
// their test. Returns the status of the walk, the length of the root key when
// there is no list, and 0 when it ended well; then "USERPROFILE" is
// registered in `pathVariables` (once per table).
unsigned RepairUserData(const ZvString& productRootKey, PathVariableTable& pathVariables);

// What the repair would do for one product of the list.
enum class RepairAction {
    None,           // the per-user data are sound, or there is nothing to check
    FirstRun,       // the per-user key is missing: "REINSTALLMODE=uos"
    MissingFolder,  // the local root folder is missing: "REINSTALLMODE=p"
    UserRegistry,   // the local root folder does not open for reading and writing: key deleted, "REINSTALLMODE=u"
    Stopped,        // the per-user key cannot be probed for another reason: the product is left alone
};

// One product of the list as the repair sees it, and why: the per-user key,
// its "LocalRootFolder" value or the folder that decides the action.
struct ProductRepairDecision {
    ZvString productCode;
    ZvString userKey;  // as the list names it, below HKEY_CURRENT_USER
    RepairAction action = RepairAction::None;
    bool skipsFolderChecks = false;
    Reason reason;
};

// The walk of RepairUserData decided without repairing: the product list key
// (value: its name with the hive it was found in) and each product's view.
struct UserDataRepairDecisions {
    Decision productList;
    std::vector<ProductRepairDecision> products;
};

UserDataRepairDecisions DecideUserDataRepair(const ZvString& productRootKey);

// Products whose per-user key path ends in "KPW-<something>" get no folder
// checks.
[[nodiscard]] bool SkipsFolderChecks(const wchar_t* userKeyPath);

// Walks the values of the product list key (product code = per-user key path)
// and repairs each product's per-user data; `repairComServers` adds the COM
// server repair. Returns the status of the last value's work (0 when it ended
// well), or 14 when the walk's buffers cannot be had.
unsigned RepairUserDataEntries(const ZvRegistryAccess& productList, bool repairComServers);

}  // namespace userdata
