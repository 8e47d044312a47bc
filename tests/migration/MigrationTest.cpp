// ProcessAutoMigrate through the DLL, installed in a folder with blanks, with
// a migration tool that records the arguments it really received: whether the
// tool runs, with what, and the user's state afterwards.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

// The log of one run: its arguments, one per line, and an empty line.
const std::string kFull = "/a\n/product\nZOVA\n/language\nL1\\\" /evil \"x\\\n";
const std::string kDap = "/dap\n\n";
// The machine's switch (or its text, stored as REG_SZ) and the user's state below the product root key, and the
// state below `other`; the marker "DAP" (a file or a folder) and "fails" beside the tool; the product root key
// missing from the machine or from both hives; identity.ini gone; the user key override naming `other` and the
// machine's switch there. What the tool's log then holds, and the user's states in `root` and `other` ("-": none).
struct Row {
    const char* name;
    std::optional<DWORD> machine = 1;
    const wchar_t* machineText = nullptr;
    std::optional<DWORD> user = {};
    std::optional<DWORD> otherUser = {};
    const wchar_t* marker = nullptr;
    bool fails = false;
    int keysGone = 0;  // 1: the machine's product key, 2: the user's too
    bool noIdentity = false;
    bool overridden = false;
    std::optional<DWORD> otherMachine = {};
    std::string runs = "";
    const wchar_t* states = L"- -";
};
const Row kRows[] = {
    {.name = "new user: full run with /dap, state 1", .runs = kFull + kDap, .states = L"1 -"},
    {.name = "the tool fails: state 0", .fails = true, .runs = kFull + kDap, .states = L"0 -"},
    {.name = "state 0: /dap alone", .user = 0, .runs = kDap, .states = L"0 -"},
    {.name = "state 2, marked: nothing", .user = 2, .marker = L"file", .states = L"2 -"},
    {.name = "a folder named DAP is the marker", .marker = L"folder", .runs = kFull + "\n", .states = L"1 -"},
    {.name = "machine switch 0", .machine = 0},
    {.name = "no switch", .machine = std::nullopt},
    // Read into 32 bits whatever its type: "0" and its terminator are the number 0x30, "ab" does not fit.
    {.name = "switch text \"0\": on", .machineText = L"0", .runs = kFull + kDap, .states = L"1 -"},
    {.name = "switch text \"ab\": off", .machineText = L"ab"},
    {.name = "user's product key only, switch 0", .user = 0, .keysGone = 1, .states = L"0 -"},
    // Without the machine's product key the language is unknown, and left out.
    {.name = "product key nowhere, the overridden user key decides",
     .otherUser = 1,
     .fails = true,
     .keysGone = 2,
     .overridden = true,
     .runs = "/a\n/product\nZOVA\n" + kDap,
     .states = L"- 0"},
    {.name = "start-up failed, user key overridden",
     .otherUser = 1,
     .noIdentity = true,
     .overridden = true,
     .states = L"- 1"},
    {.name = "the switch is the product key's, not the override's",
     .overridden = true,
     .otherMachine = 0,
     .runs = kFull + kDap,
     .states = L"- 1"},
};

class MigrationTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    const std::wstring other = L"Software\\Brevonix\\OtherUserRoot";
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

    // "AutoMigrate" set to `state`, or removed when there is none.
    static void SetSwitch(HKEY hive, const std::wstring& key, std::optional<DWORD> state)
    {
        if (state) {
            SetDword(hive, key, L"AutoMigrate", *state);
        } else {
            RegDeleteKeyValueW(hive, key.c_str(), L"AutoMigrate");
        }
    }

    // The installation as the row has it.
    void Arrange(const Row& row)
    {
        InstallSuite();
        SetSwitch(HKEY_LOCAL_MACHINE, root, row.machine);
        if (row.machineText != nullptr) {
            SetString(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", row.machineText);
        }
        SetSwitch(HKEY_CURRENT_USER, root, row.user);
        SetSwitch(HKEY_CURRENT_USER, other, row.otherUser);
        SetSwitch(HKEY_LOCAL_MACHINE, other, row.otherMachine);
        if (row.marker != nullptr && std::wstring(row.marker) == L"file") {
            WriteTextFile(suite + L"\\DAP", "");
        } else if (row.marker != nullptr) {
            CreateFolders(suite + L"\\DAP");
        }
        if (row.fails) {
            WriteTextFile(suite + L"\\fails", "");
        }
        if (row.keysGone >= 1) {
            DeleteKey(HKEY_LOCAL_MACHINE, root);
        }
        if (row.keysGone >= 2) {
            DeleteKey(HKEY_CURRENT_USER, root);
        }
        if (row.noIdentity) {
            DeleteFileW((suite + L"\\identity.ini").c_str());
        }
    }

    std::wstring State(const std::wstring& key)
    {
        const auto value = ReadValue(HKEY_CURRENT_USER, key, L"AutoMigrate");
        return value ? std::to_wstring(*reinterpret_cast<const DWORD*>(value->data.data())) : L"-";
    }

    // What the tools that ProcessAutoMigrate started wrote, once they have all ended.
    std::string ToolLog()
    {
        WaitForChildProcesses(suite);
        return ReadTextFile(suite + L"\\bxmigrator.log");
    }
};

TEST_F(MigrationTest, WhetherAndHowTheToolRuns)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.name) + ": ProcessAutoMigrate()");
        Arrange(row);
        const UserDataLibrary library(suite + L"\\UserData.dll");
        library.Exports().zvudSetUserProductRegistryRootKey(row.overridden ? other.c_str() : L"");
        EXPECT_TRUE(library.Exports().ProcessAutoMigrate());
        EXPECT_EQ(ToolLog(), row.runs) << "the tool's arguments";
        EXPECT_EQ(State(root) + L" " + State(other), row.states) << "the user's states";
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
    EXPECT_EQ(ToolLog(), "");
    EXPECT_EQ(State(root), L"1") << "a new user's state is written, to try again later";
}

}  // namespace
}  // namespace userdata::testing
