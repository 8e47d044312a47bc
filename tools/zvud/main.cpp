// zvud - asks UserData.dll what a program of the suite would ask, prints the
// answers and runs its housekeeping steps. A host like any other: it calls
// the exports through the import library, and asks the library's core (which
// it links) only why start-up failed. The DLL is bound on first use; zvud
// loads it from its own folder beforehand, so that it can say where it looked
// when the DLL is missing.
#include "CommandLine.h"
#include "Doctor.h"
#include "LibraryExports.h"
#include "Output.h"
#include "Queries.h"
#include "StartUp.h"
#include "Version.h"

#include <windows.h>

#include <string>

namespace {

using namespace zvud;

// UserData.dll from zvud.exe's folder, where the loader looks first; null,
// with where it looked and why it failed in `problem`, when it cannot be loaded.
HMODULE LoadUserData(std::wstring& problem)
{
    const std::wstring library = BesideTool(L"UserData.dll");
    const HMODULE module = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        const DWORD status = GetLastError();
        problem =
            L"cannot load " + library + L" (status " + std::to_wstring(status) + L": " + StatusText(status) + L")";
    }
    return module;
}

int ShowVersions()
{
    const std::wstring tool = ModulePath(nullptr);
    std::wstring problem;
    const HMODULE module = LoadUserData(problem);
    const std::wstring library =
        module != nullptr ? VersionText(ModulePath(module)) + L" (" + ModulePath(module) + L")" : problem;
    Write(Stream::Out, L"zvud.exe " + VersionText(tool) + L" (" + tool + L")\n" + L"UserData.dll " + library + L"\n");
    return kExitSuccess;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    Invocation invocation;
    std::wstring error;
    if (!ParseCommandLine(argc, argv, invocation, error)) {
        Write(Stream::Err, L"zvud: " + error + L" (zvud help tells more)\n");
        return kExitUsage;
    }
    if (invocation.version) {
        return ShowVersions();
    }
    const Command& command = invocation.CommandToRun();
    if (command.runs == Runs::WithoutLibrary) {
        return command.run(invocation, false);
    }
    std::wstring problem;
    const HMODULE library = LoadUserData(problem);
    if (library == nullptr) {
        Write(Stream::Err, L"zvud: " + problem + L"\n");
        return kExitNoAnswer;
    }
    if (const std::wstring lacking = LackingExports(library); !lacking.empty()) {
        if (command.run == &RunDoctor) {
            return RunDoctorOnLackingLibrary(invocation, library, lacking);
        }
        Write(Stream::Err, L"zvud: " + ModulePath(library) + L" lacks exports that zvud calls (" + lacking +
                               L"): it is not the UserData.dll of version " + OwnVersionNumber() + L"\n");
        return kExitNoAnswer;
    }
    const bool startedUp = command.runs == Runs::AfterStartUp && StartUp(invocation);
    return command.run(invocation, startedUp);
}
