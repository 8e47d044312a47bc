// The migration export.
#include "UserData.h"
#include "config/CurrentIdentity.h"
#include "migration/AutoMigrate.h"

using namespace userdata;

bool ProcessAutoMigrate(void)
{
    CurrentIdentity identity;
    identity.EnsureProductParams();
    return MigrateWhenDue(identity);
}
