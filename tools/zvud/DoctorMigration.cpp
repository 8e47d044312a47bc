// zvud doctor on automatic migration: its switch as the library reads it,
// the user's migration state, and the tool the library would run.
#include "DoctorSupport.h"

#include "CoreText.h"

#include "base/Capacities.h"
#include "base/Holders.h"
#include "config/CurrentIdentity.h"
#include "migration/AutoMigrate.h"

namespace zvud::doctor {
namespace {

using userdata::CurrentIdentity;
using userdata::Reason;
using Kind = Reason::Kind;

void CheckMigrationState(const userdata::MigrationDecisions& migration, Report& report)
{
    const std::wstring subject = Named(migration.stateReason);
    const std::wstring state = std::to_wstring(migration.state);
    if (!migration.userKeyOpens) {
        report.Info(L"migration-state", subject, Described(migration.stateReason) + L": no migration runs");
    } else if (!migration.stateSet) {
        report.Ok(L"migration-state", subject, L"not set yet: the next start sets 1 and runs the migration tool");
    } else if (migration.FullRunDue()) {
        report.Ok(L"migration-state", subject, state + L": the next start runs the migration tool");
    } else {
        report.Info(L"migration-state", subject, state + L": no full migration runs (0 is what a failed run leaves)",
                    L"set it to 1 to run the migration tool again");
    }
}

// Where the library starts it from, by the core's rule.
void CheckMigrationTool(Report& report)
{
    wchar_t toolPath[userdata::kPathCapacity] = {};
    const std::wstring tool = userdata::GetMigratorPath(toolPath) ? toolPath : L"bxmigrator.exe";
    if (!IsFile(tool)) {
        report.Problem(L"migration-tool", tool, L"missing: a migration that is due fails and ends the user's migration",
                       L"restore bxmigrator.exe beside UserData.dll (reinstall the suite)");
        return;
    }
    if (!userdata::ZvUniqueModule(LoadLibraryExW(L"Mscoree.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE))) {
        report.Problem(L"migration-tool", L"Mscoree.dll", L"the .NET loader is not found: the tool is never run",
                       L"install the .NET Framework");
        return;
    }
    report.Ok(L"migration-tool", tool, L"present, and the .NET loader Mscoree.dll with it");
}

}  // namespace

void CheckMigration(const Installation& installation, Report& report)
{
    if (installation.productRootKey.empty()) {
        return;
    }
    CurrentIdentity identity(*installation.startup);
    const userdata::MigrationDecisions migration = userdata::DecideMigration(identity);
    const Reason& reason = migration.switchReason;
    const std::wstring subject = Text(reason.source) + L"\\AutoMigrate";
    if (!migration.switchedOn) {
        report.Ok(L"migration-switch", subject,
                  (reason.kind == Kind::Read     ? std::wstring(L"0")
                   : reason.kind == Kind::Absent ? std::wstring(L"missing")
                                                 : Described(reason)) +
                      L": migration is off");
        return;
    }
    report.Ok(L"migration-switch", subject,
              reason.kind == Kind::Read ? std::to_wstring(migration.switchValue) + L": migration is on"
                                        : L"the key is missing under HKLM and HKCU: migration is not switched off");
    CheckMigrationState(migration, report);
    CheckMigrationTool(report);
}

}  // namespace zvud::doctor
