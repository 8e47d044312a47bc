// The migration at host start-up: the "DAP" marker in the roamable root
// folder, and the migration tool run when the machine switch and the user's
// state call for it.
#pragma once

#include "base/Capacities.h"
#include "config/CurrentIdentity.h"
#include "config/Reason.h"

#include <windows.h>

namespace userdata {

// The machine switch and the user's state as ProcessAutoMigrate reads them,
// each with its reason. The switch is "AutoMigrate" under the product
// registry root key (machine first, then the user's), never under the user
// key override; the state is "AutoMigrate" under the user product registry
// root key.
struct MigrationDecisions {
    bool switchedOn = false;
    DWORD switchValue = 0;
    Reason switchReason;
    bool userKeyOpens = false;
    bool stateSet = false;  // false: a new user, for whom the state 1 is written
    DWORD state = 0;
    Reason stateReason;

    // Whether the tool gets a full run (when the .NET loader can be loaded).
    [[nodiscard]] bool FullRunDue() const noexcept;
};

// Reads the switch and, when it is on, the state; writes nothing.
MigrationDecisions DecideMigration(CurrentIdentity& identity);

// The migration tool beside the library: "bxmigrator.exe" in its folder.
[[nodiscard]] bool GetMigratorPath(wchar_t (&tool)[kPathCapacity]);

// Settles start-up, creates the marker when it can, and runs the tool beside
// the library as the switch and the state ask (see AutoMigrate.cpp). Always
// true: hosts learn nothing of how it went.
bool MigrateWhenDue(CurrentIdentity& identity);

}  // namespace userdata
