// ProcessAutoMigrate through the DLL, installed in a folder with blanks, with
// a migration tool that records the arguments it really received: whether the
// tool runs, with what, and the user's state afterwards.
#include "TestSupport.h"

#include <fstream>
#include <iterator>

namespace userdata::testing {
namespace {

class MigrationTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1"), other = L"Software\\Brevonix\\OtherUserRoot";
    TempFolder folders;
    const std::wstring suite = folders / L"Program Files (x86)\\My Suite 7";  // also the roamable root folder

    // The machine switch on, a new user, no marker, the tool beside the library.
    void InstallSuite()
    {
        Fresh();
        WriteVersionFile(kVersionKey, L"0");
        WriteIdentityFile(L"", root, L"Software\\Brevonix\\Global");
        // A non-configurable installation takes its language from the registry, which lets it hold quotes,
        // blanks and backslashes, before a quote and at the end.
        SetString(HKEY_LOCAL_MACHINE, root + L"\\InstalledUILanguages", nullptr, L"L1\\\" /evil \"x\\");
        SetDword(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", 1);
        SetString(HKEY_CURRENT_USER, other, L"RoamableRootFolder", suite);
        SetString(HKEY_CURRENT_USER, root, L"RoamableRootFolder", suite);
        DeleteTree(folders.Path());
        CopyTree(InstallFolder(), suite);
        CopyTree(TestProgramFolder() + L"\\migrator", suite);
    }

    std::wstring State(const std::wstring& key)
    {
        const auto value = ReadValue(HKEY_CURRENT_USER, key, L"AutoMigrate");
        return value ? std::to_wstring(*reinterpret_cast<const DWORD*>(value->data.data())) : L"-";
    }
};

TEST_F(MigrationTest, WhetherAndHowTheToolRuns)
{
    // The log of one run: its arguments, one per line, and an empty line.
    const std::string full = "/a\n/product\nZOVA\n/language\nL1\\\" /evil \"x\\\n";
    const auto user = [this](DWORD state) { SetDword(HKEY_CURRENT_USER, root, L"AutoMigrate", state); };
    struct Row {
        const char* name;
        std::function<void()> setup;
        std::string runs;         // the tool's log
        const wchar_t* states;    // the user's state in `root`, then in `other` ("-": none)
        bool overridden = false;  // the user key override names `other`
    } rows[] = {
        {"new user: full run with /dap, state 1", [] {}, full + "/dap\n\n", L"1 -"},
        {"the tool fails: state 0", [&] { WriteTextFile(suite + L"\\fails", ""); }, full + "/dap\n\n", L"0 -"},
        {"state 2, marked: nothing", [&] { user(2), WriteTextFile(suite + L"\\DAP", ""); }, "", L"2 -"},
        {"a folder named DAP is the marker", [&] { CreateFolders(suite + L"\\DAP"); }, full + "\n", L"1 -"},
        {"machine switch 0", [&] { SetDword(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", 0); }, "", L"- -"},
        {"no switch", [&] { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, root.c_str(), L"AutoMigrate"); }, "", L"- -"},
        {"user's product key only, switch 0", [&] { DeleteKey(HKEY_LOCAL_MACHINE, root), user(0); }, "", L"0 -"},
        // Without the machine's product key the language is unknown, and left out.
        {"product key nowhere, the overridden user key decides",
         [&] {
             DeleteKey(HKEY_LOCAL_MACHINE, root), DeleteKey(HKEY_CURRENT_USER, root),
                 SetDword(HKEY_CURRENT_USER, other, L"AutoMigrate", 1), WriteTextFile(suite + L"\\fails", "");
         },
         "/a\n/product\nZOVA\n/dap\n\n", L"- 0", true},
        {"start-up failed, user key overridden",
         [&] {
             DeleteFileW((suite + L"\\identity.ini").c_str()), SetDword(HKEY_CURRENT_USER, other, L"AutoMigrate", 1);
         },
         "", L"- 1", true},
        // Last: the tool it starts is not waited for, and may still run when the next row would copy it again.
        {"state 0: /dap alone", [&] { user(0); }, "/dap\n\n", L"0 -"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InstallSuite();
        row.setup();
        const UserDataLibrary library(suite + L"\\UserData.dll");
        library.Exports().zvudSetUserProductRegistryRootKey(row.overridden ? other.c_str() : L"");
        EXPECT_TRUE(library.Exports().ProcessAutoMigrate());
        // A "/dap" start is not waited for: the log is, until it holds what is expected (or for a second).
        std::string log;
        for (int wait = row.runs.empty() ? 10 : 300; wait > 0 && (row.runs.empty() || log != row.runs); --wait) {
            Sleep(100);
            std::ifstream file(Narrow(suite + L"\\bxmigrator.log"));
            log.assign(std::istreambuf_iterator<char>(file), {});
        }
        EXPECT_EQ(log, row.runs);
        EXPECT_EQ(State(root) + L" " + State(other), row.states);
        EXPECT_TRUE(FileExists(suite + L"\\DAP")) << "the marker, whatever runs";
    }
}

// CTest runs this with mscoree.dll disabled (WINEDLLOVERRIDES=mscoree=).
TEST_F(MigrationTest, WithoutTheDotNetLoaderNothingRuns)
{
    if (FreeLibrary(LoadLibraryW(L"Mscoree.dll"))) {
        GTEST_SKIP() << "Mscoree.dll can be loaded here; run with it disabled";
    }
    InstallSuite();
    UserDataLibrary(suite + L"\\UserData.dll").Exports().ProcessAutoMigrate();
    EXPECT_FALSE(FileExists(suite + L"\\bxmigrator.log"));
    EXPECT_EQ(State(root), L"1") << "a new user's state is written, to try again later";
}

}  // namespace
}  // namespace userdata::testing
