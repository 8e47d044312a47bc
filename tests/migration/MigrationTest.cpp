// ProcessAutoMigrate through the DLL, installed in a folder with blanks, with
// a migration tool that records the arguments it really received: whether the
// tool runs, with what, and the user's state afterwards.
#include "TestSupport.h"

#include <fstream>
#include <iterator>

namespace userdata::testing {
namespace {

// A non-configurable installation takes its language from the registry,
// which lets it hold quotes, blanks and a trailing backslash.
const wchar_t kLanguage[] = L"L1\" /evil \"x\\";

class MigrationTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    const std::wstring other = L"Software\\Brevonix\\OtherUserRoot";
    TempFolder roaming, programFiles;
    const std::wstring suite = programFiles / L"Program Files (x86)\\My Suite 7";
    VariableGuard eventVariable{L"BXMIGRATOR_RAN_EVENT"}, statusVariable{L"BXMIGRATOR_STATUS"};
    const std::wstring eventName = L"userdata-migrator-ran-" + std::to_wstring(GetCurrentProcessId());
    HANDLE toolRan = CreateEventW(nullptr, FALSE, FALSE, eventName.c_str());  // set by each run of the tool

    ~MigrationTest() override { CloseHandle(toolRan); }

    // The machine switch on, a new user, no marker, the tool beside the library.
    void InstallSuite()
    {
        InstallConfigurable({{L"ZOVA", {L"L1"}}});
        WriteVersionFile(kVersionKey, L"0");
        WriteIdentityFile(L"", root, L"Software\\Brevonix\\Global");
        SetString(HKEY_LOCAL_MACHINE, root + L"\\InstalledUILanguages", nullptr, kLanguage);
        SetDword(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", 1);
        DeleteKey(HKEY_CURRENT_USER, root);
        DeleteKey(HKEY_CURRENT_USER, other);
        SetString(HKEY_CURRENT_USER, other, L"RoamableRootFolder", roaming.Path());
        SetString(HKEY_CURRENT_USER, root, L"RoamableRootFolder", roaming.Path());
        DeleteTree(suite);
        DeleteFileW((roaming / L"DAP").c_str());
        DeleteTree(roaming / L"DAP");
        CopyTree(InstallFolder(), suite);
        CopyFileW((TestProgramFolder() + L"\\migrator\\bxmigrator.exe").c_str(), (suite + L"\\bxmigrator.exe").c_str(),
                  FALSE);
        SetEnvironment(L"BXMIGRATOR_RAN_EVENT", eventName.c_str());
        SetEnvironment(L"BXMIGRATOR_STATUS", nullptr);
    }

    std::wstring State(const std::wstring& key)
    {
        const auto value = ReadValue(HKEY_CURRENT_USER, key, L"AutoMigrate");
        return value ? std::to_wstring(*reinterpret_cast<const DWORD*>(value->data.data())) : L"missing";
    }

    std::string Log()
    {
        std::ifstream log(Narrow(suite + L"\\bxmigrator.log"));
        return {std::istreambuf_iterator<char>(log), {}};
    }
};

TEST_F(MigrationTest, WhetherAndHowTheToolRuns)
{
    // The log of one run: its arguments, one per line, and an empty line.
    const std::string full = "/a\n/product\nZOVA\n/language\nL1\" /evil \"x\\\n";
    const auto user = [this](DWORD state) { SetDword(HKEY_CURRENT_USER, root, L"AutoMigrate", state); };
    const HKEY machine = HKEY_LOCAL_MACHINE;
    struct Row {
        const char* name;
        std::function<void()> setup;
        std::string runs;
        const wchar_t* state;  // the user state afterwards
        bool overridden = false;  // the user key override names `other`, with the roamable root folder
        bool marked = true;       // the marker exists afterwards
    } rows[] = {
        {"new user: full run with /dap, state 1", [] {}, full + "/dap\n\n", L"1"},
        {"the tool fails: state 0", [] { SetEnvironment(L"BXMIGRATOR_STATUS", L"5"); }, full + "/dap\n\n", L"0"},
        {"due, tool missing: state 0", [&] { user(1), DeleteFileW((suite + L"\\bxmigrator.exe").c_str()); }, "", L"0"},
        {"state 0: /dap alone", [&] { user(0); }, "/dap\n\n", L"0"},
        {"state 2, marked: nothing", [&] { user(2), WriteTextFile(roaming / L"DAP", ""); }, "", L"2"},
        {"a folder named DAP is the marker", [&] { CreateFolders(roaming / L"DAP"); }, full + "\n", L"1"},
        {"machine switch 0", [&] { SetDword(machine, root, L"AutoMigrate", 0); }, "", L"missing"},
        {"machine key without the switch", [&] { DeleteKey(machine, root), CreateKey(machine, root); }, "", L"missing"},
        {"product key only in the user's hive, switch 0 there", [&] { DeleteKey(machine, root), user(0); }, "", L"0"},
        {"product key nowhere", [&] { DeleteKey(machine, root), DeleteKey(HKEY_CURRENT_USER, root); }, "", L"missing",
         false, false},
        // Without the machine's product key the language is unknown, and left out.
        {"product key nowhere, the overridden user key decides", [&] { DeleteKey(machine, root),
             DeleteKey(HKEY_CURRENT_USER, root), SetDword(HKEY_CURRENT_USER, other, L"AutoMigrate", 1),
             SetEnvironment(L"BXMIGRATOR_STATUS", L"3"); }, "/a\n/product\nZOVA\n/dap\n\n", L"0", true},
        {"start-up failed, user key overridden", [&] { DeleteFileW((suite + L"\\identity.ini").c_str()),
             SetDword(HKEY_CURRENT_USER, other, L"AutoMigrate", 1); }, "", L"1", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InstallSuite();
        row.setup();
        const UserDataLibrary library(suite + L"\\UserData.dll");
        if (row.overridden) {
            library.Exports().zvudSetUserProductRegistryRootKey(other.c_str());
        }
        EXPECT_TRUE(library.Exports().ProcessAutoMigrate());
        WaitForSingleObject(toolRan, row.runs.empty() ? 1000 : 30000);  // a "/dap" start is not waited for
        EXPECT_EQ(Log(), row.runs);
        EXPECT_EQ(State(row.overridden ? other : root), row.state);
        EXPECT_EQ(FileExists(roaming / L"DAP"), row.marked) << "the marker, whatever runs";
    }
}

// CTest runs this with mscoree.dll disabled (WINEDLLOVERRIDES=mscoree=).
TEST_F(MigrationTest, WithoutTheDotNetLoaderNothingRuns)
{
    if (const HMODULE loader = LoadLibraryW(L"Mscoree.dll"); loader != nullptr) {
        FreeLibrary(loader);
        GTEST_SKIP() << "Mscoree.dll can be loaded here; run with it disabled";
    }
    InstallSuite();
    const UserDataLibrary library(suite + L"\\UserData.dll");
    library.Exports().ProcessAutoMigrate();
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(State(root), L"1") << "a new user's state is written, to try again later";
}

}  // namespace
}  // namespace userdata::testing
