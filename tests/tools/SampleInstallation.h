// The sample installation of sample/ as a newcomer meets it through
// scripts/demo, for tests that run zvud.exe as its own process: laid out with
// UserData.dll, zvud.exe (and the MSVC-built hosts) in a fresh folder (whose name goes beyond ASCII),
// and its registry imported with regedit into the prefix's real hives, where
// a child process sees it. Tests using it hold a lock on those hives.
#pragma once

#include "TestSupport.h"

#include <initializer_list>
#include <string>

namespace userdata::testing {

// What one run of zvud printed, as it printed it, and its exit status.
struct ZvudRun {
    DWORD exitCode = 0;
    std::string out;  // read from a pipe
    std::string err;  // written to a file

    std::wstring Out() const;  // decoded from UTF-8; a test failure when it is not UTF-8
};

class SampleInstallation {
public:
    SampleInstallation();
    ~SampleInstallation();
    SampleInstallation(const SampleInstallation&) = delete;
    SampleInstallation& operator=(const SampleInstallation&) = delete;

    // The installation folder, without a trailing backslash.
    const std::wstring& Folder() const { return folder_; }

    // Runs zvud.exe (or another `program` of the installation) with
    // `arguments`, in `workingFolder` (the installation folder when empty),
    // and waits for it to end.
    ZvudRun Run(std::initializer_list<std::wstring> arguments, const std::wstring& workingFolder = L"",
                const std::wstring& program = L"zvud.exe") const;

private:
    TempFolder temp_;
    std::wstring folder_;
};

// UTF-8 as wide text; a test failure when `utf8` is not UTF-8.
std::wstring FromUtf8(const std::string& utf8);

}  // namespace userdata::testing
