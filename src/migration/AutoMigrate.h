// The migration at host start-up: the "DAP" marker in the roamable root
// folder, and the migration tool run when the machine switch and the user's
// state call for it.
#pragma once

#include "base/Capacities.h"
#include "config/CurrentIdentity.h"

namespace userdata {

// The migration tool beside the library: "bxmigrator.exe" in its folder.
[[nodiscard]] bool GetMigratorPath(wchar_t (&tool)[kPathCapacity]);

// Settles start-up, creates the marker when it can, and runs the tool beside
// the library as the switch and the state ask (see AutoMigrate.cpp). Always
// true: hosts learn nothing of how it went.
bool MigrateWhenDue(CurrentIdentity& identity);

}  // namespace userdata
