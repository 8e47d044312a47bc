// The repair exports.
#include "UserData.h"
#include "config/CurrentIdentity.h"
#include "regwrite/PathFolding.h"
#include "repair/ComServerCheck.h"
#include "repair/UserDataInstall.h"

using namespace userdata;

unsigned int InstallUserData(void)
{
    CurrentIdentity identity;
    return RepairUserData(identity.EnsureProductParams().ProductRegistryRootKey, ProcessPathVariableTable());
}

// Settles nothing: the registrations are the machine's.
bool CheckCOMServerRelativePaths(void)
{
    return AllServersRelative();
}
