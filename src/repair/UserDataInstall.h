// The per-user part of every installed product: its registry key and local
// folder, reinstalled through the Windows Installer when missing or unusable.
// One rule decides a product's next step from the registry, the file system
// and what the walk already did for the product; the repair carries the step
// out and decides again until nothing more is due. A doctor walks the same
// way with every step withheld, and so sees the steps the repair takes when
// no reinstall changes anything.
#pragma once

#include "base/ZvString.h"
#include "config/Reason.h"
#include "regwrite/PathFolding.h"

#include <vector>

namespace userdata {

// One step of a product's repair.
enum class RepairAction {
    None,           // nothing more is due
    FirstRun,       // the per-user key is missing: "REINSTALLMODE=uos"
    ComRepair,      // the COM servers failed their test before the walk: RepairCOMServerRegistration
    MissingFolder,  // the local root folder is missing: "REINSTALLMODE=p"
    UserRegistry,   // the local root folder does not open for reading and writing: key tree deleted, "REINSTALLMODE=u"
};

// A step as decided, and why: the per-user key, its "LocalRootFolder" value or
// the folder (the COM repair has no reason of its own: the servers failed
// their test before the walk).
struct RepairStep {
    RepairAction action = RepairAction::None;
    Reason reason;
    unsigned status = ERROR_SUCCESS;  // with None: the status the product's work ends with
};

// One product of the list as the walk took it.
struct ProductRepair {
    ZvString productCode;
    ZvString userKey;  // as the list names it, below HKEY_CURRENT_USER
    bool skipsFolderChecks = false;
    std::vector<RepairStep> steps;    // in the order they were taken
    unsigned status = ERROR_SUCCESS;  // of the last reinstall; once the walk is past, the product's result
    Reason end;                       // why nothing more was due

    [[nodiscard]] bool Took(RepairAction action) const noexcept;
};

// The walk over the product list "UserData" below a product registry root key.
struct UserDataRepair {
    Decision productList;  // its name with the hive it was found in, or why there is none
    std::vector<ProductRepair> products;
    // InstallUserData's result: the status of the last product's work (0 when
    // it ended well), the length of the root key when there is no list.
    unsigned result = 0;
};

// The repair that InstallUserData runs: the product list below
// `productRootKey` (machine first, then the user's) walked in list order,
// the COM server repair added when the servers fail their test. When it ends
// well, "USERPROFILE" is registered in `pathVariables` (once per table).
unsigned RepairUserData(const ZvString& productRootKey, PathVariableTable& pathVariables);

// The same walk with every step withheld: each is taken as a reinstall that
// succeeds and changes nothing, and nothing is written or reinstalled.
UserDataRepair DecideUserDataRepair(const ZvString& productRootKey);

}  // namespace userdata
