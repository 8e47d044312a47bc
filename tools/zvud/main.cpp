// zvud - asks UserData.dll what a program of the suite would ask, prints the
// answers and runs its housekeeping steps. A host like any other: it calls
// the exports through the import library, and asks the library's core (which
// it links) only why start-up failed. The DLL is bound on first use; zvud
// loads it from its own folder beforehand, so that it can say where it looked
// when the DLL is missing.
#include "CommandLine.h"
#include "CoreText.h"
#include "Doctor.h"
#include "Output.h"
#include "Queries.h"
#include "Version.h"

#include "UserData.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

#include <string>

namespace {

using namespace zvud;

const wchar_t* OptionalText(const std::optional<std::wstring>& text)
{
    return text ? text->c_str() : nullptr;
}

userdata::ZvString Requested(const std::optional<std::wstring>& text)
{
    return text ? Core(*text) : userdata::ZvString();
}

// After a failed start-up: the reason of the first step that failed, as the
// library's core decides it from what the installation holds; "" when every
// step can be decided now.
std::wstring WhyStartUpFailed(const Invocation& invocation)
{
    const auto startup = userdata::DecideStartup(Requested(invocation.product), Requested(invocation.language));
    const userdata::Reason& unloaded = startup->GetInstalledInfo().GetLoadFailure();
    if (unloaded.kind != userdata::Reason::Kind::NotDecided) {
        return Text(userdata::DescribeReason(unloaded));
    }
    const userdata::Decision* const failed = userdata::FailedDecision(startup->GetDecisions());
    return failed != nullptr ? Text(userdata::DescribeReason(failed->reason)) : L"";
}

// What a program of the suite does first; the options act here.
bool StartUp(const Invocation& invocation)
{
    if (invocation.userRoot) {
        zvudSetUserProductRegistryRootKey(invocation.userRoot->c_str());
    }
    if (zvudInitProductParams(OptionalText(invocation.product), OptionalText(invocation.language)) != 0) {
        return true;
    }
    const std::wstring missing = WhyStartUpFailed(invocation);
    Write(Stream::Err, L"zvud: start-up failed (" +
                           (missing.empty() ? std::wstring(L"zvudInitProductParams gave 0") : missing) +
                           L"); the library's answers follow all the same\n");
    return false;
}

// UserData.dll from zvud.exe's folder, where the loader looks first; null,
// with where it looked and why it failed in `problem`, when it cannot be loaded.
HMODULE LoadUserData(std::wstring& problem)
{
    const std::wstring tool = ModulePath(nullptr);
    const std::wstring library = tool.substr(0, tool.find_last_of(L'\\') + 1) + L"UserData.dll";
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
        Write(Stream::Err, L"zvud: " + error + L" (zvud --help tells more)\n");
        return kExitUsage;
    }
    if (invocation.help) {
        Write(Stream::Out, invocation.command != nullptr ? CommandHelp(*invocation.command) : GeneralHelp());
        return kExitSuccess;
    }
    if (invocation.version) {
        return ShowVersions();
    }
    std::wstring problem;
    if (LoadUserData(problem) == nullptr) {
        Write(Stream::Err, L"zvud: " + problem + L"\n");
        return kExitNoAnswer;
    }
    if (invocation.CommandToRun().run == &RunDoctor) {
        return RunDoctor(invocation, false);  // it looks at what start-up reads before starting up
    }
    const bool startedUp = StartUp(invocation);
    return invocation.CommandToRun().run(invocation, startedUp);
}
