// ProcessAutoMigrate through the DLL, with a migration tool that records the
// command line it really received: the "DAP" marker, the machine switch, the
// user's state and what runs.
#include "TestSupport.h"

#include <fstream>
#include <sstream>
#include <thread>

namespace userdata::testing {
namespace {

constexpr DWORD kMissing = 0xFFFFFFFF;

class MigrationTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    TempFolder roaming;

    void SetUp() override
    {
        InstallConfigurable({{L"ZOVA", {L"L1"}}});
        const std::wstring tool = TestProgramFolder() + L"\\migrator\\bxmigrator.exe";
        ASSERT_TRUE(CopyFileW(tool.c_str(), (InstallFolder() + L"\\bxmigrator.exe").c_str(), FALSE));
        SetString(HKEY_CURRENT_USER, root, L"RoamableRootFolder", roaming.Path());
    }

    void MachineSwitch(DWORD value) { SetDword(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", value); }
    void UserState(DWORD value) { SetDword(HKEY_CURRENT_USER, root, L"AutoMigrate", value); }
    void ToolExitsWith(int status)
    {
        WriteTextFile(InstallFolder() + L"\\bxmigrator.status", std::to_string(status));
    }

    DWORD UserStateNow(const std::wstring& key = L"")
    {
        const auto value = ReadValue(HKEY_CURRENT_USER, key.empty() ? root : key, L"AutoMigrate");
        return value && value->type == REG_DWORD ? *reinterpret_cast<const DWORD*>(value->data.data()) : kMissing;
    }

    // The command lines the tool received, one per run, without the tool's path.
    std::vector<std::string> Runs()
    {
        std::ifstream log(Narrow(InstallFolder() + L"\\bxmigrator.log").c_str());
        std::vector<std::string> runs;
        const std::string tool = Narrow(InstallFolder() + L"\\bxmigrator.exe") + " ";
        for (std::string line; std::getline(log, line);) {
            runs.push_back(line.rfind(tool, 0) == 0 ? line.substr(tool.size()) : "<path?> " + line);
        }
        return runs;
    }

    // For a tool started without waiting: its run, once it has written it.
    std::vector<std::string> RunsWithin(int milliseconds)
    {
        for (int waited = 0; waited < milliseconds && Runs().empty(); waited += 50) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return Runs();
    }

    bool MarkerIn(const std::wstring& folder) { return FileExists(folder + L"\\DAP"); }
};

using CommandLines = std::vector<std::string>;

TEST_F(MigrationTest, NewUserGetsAFullRunWithTheMarker)
{
    MachineSwitch(1);
    CreateKey(HKEY_CURRENT_USER, root);
    const auto& api = Load();
    EXPECT_TRUE(api.ProcessAutoMigrate());
    EXPECT_TRUE(MarkerIn(roaming.Path()));
    EXPECT_EQ(Runs(), CommandLines({"/a /product \"ZOVA\" /language \"L1\" /dap "}));
    EXPECT_EQ(UserStateNow(), 1u) << "the tool exited 0: the state stays 1";

    EXPECT_TRUE(api.ProcessAutoMigrate());
    EXPECT_EQ(Runs(), CommandLines({"/a /product \"ZOVA\" /language \"L1\" /dap ", "/a /product \"ZOVA\" /language \"L1\""}))
        << "runs again, without /dap once the marker exists";
}

TEST_F(MigrationTest, FailedRunEndsFullRunsForTheUser)
{
    MachineSwitch(1);
    CreateKey(HKEY_CURRENT_USER, root);
    ToolExitsWith(5);
    const auto& api = Load();
    api.ProcessAutoMigrate();
    EXPECT_EQ(Runs().size(), 1u);
    EXPECT_EQ(UserStateNow(), 0u);
    api.ProcessAutoMigrate();
    EXPECT_EQ(Runs().size(), 1u) << "a second call runs nothing";
}

TEST_F(MigrationTest, ToolThatCannotStartCountsAsFailed)
{
    MachineSwitch(1);
    UserState(1);
    DeleteFileW((InstallFolder() + L"\\bxmigrator.exe").c_str());
    const auto& api = Load();
    api.ProcessAutoMigrate();
    EXPECT_EQ(UserStateNow(), 0u);
}

TEST_F(MigrationTest, MachineSwitchOffRunsNothingButMarks)
{
    struct Row {
        const char* scenario;
        void (*setMachine)(const std::wstring& root);
    } rows[] = {
        {"switch 0", [](const std::wstring& key) { SetDword(HKEY_LOCAL_MACHINE, key, L"AutoMigrate", 0); }},
        {"machine key without the value", [](const std::wstring& key) { CreateKey(HKEY_LOCAL_MACHINE, key); }},
        {"switch that is not a number", [](const std::wstring& key) {
             SetString(HKEY_LOCAL_MACHINE, key, L"AutoMigrate", L"a text too long for a number"); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteKey(HKEY_LOCAL_MACHINE, root);
        DeleteFileW((roaming.Path() + L"\\DAP").c_str());
        row.setMachine(root);
        UserState(1);
        const auto& api = Load();
        EXPECT_TRUE(api.ProcessAutoMigrate());
        EXPECT_TRUE(MarkerIn(roaming.Path())) << "created before any registry check";
        EXPECT_TRUE(Runs().empty());
        EXPECT_EQ(UserStateNow(), 1u);
        Unload();
    }
}

TEST_F(MigrationTest, MachineSwitchFromTheUsersHiveWhenTheMachineLacksTheKey)
{
    // The product key exists for the user only: it serves as machine switch
    // and user state at once.
    UserState(1);
    const auto& api = Load();
    api.ProcessAutoMigrate();
    EXPECT_EQ(Runs().size(), 1u);
}

TEST_F(MigrationTest, ProductKeyNowhere)
{
    DeleteKey(HKEY_CURRENT_USER, root);  // no roamable root folder value either: the marker goes beside the library
    const auto& api = Load();
    api.ProcessAutoMigrate();
    EXPECT_TRUE(MarkerIn(InstallFolder()));
    EXPECT_TRUE(Runs().empty()) << "the switch is on, but the user key is the same missing key";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root)) << "nothing is created";
    Unload();

    const std::wstring other = L"Software\\Brevonix\\OtherUserRoot";
    SetDword(HKEY_CURRENT_USER, other, L"AutoMigrate", 1);
    const auto& overridden = Load();
    overridden.zvudSetUserProductRegistryRootKey(other.c_str());
    overridden.ProcessAutoMigrate();
    EXPECT_EQ(Runs().size(), 1u) << "with the override naming an existing key, its state decides";
    ToolExitsWith(3);
    overridden.ProcessAutoMigrate();
    EXPECT_EQ(UserStateNow(other), 0u) << "and the failure is written there";
}

TEST_F(MigrationTest, OtherUserStatesRunOnlyTheMarkerStep)
{
    MachineSwitch(1);
    struct Row {
        DWORD state;
        bool markerExists;
        CommandLines runs;
    } rows[] = {
        {0, false, {"/dap"}},
        {2, false, {"/dap"}},
        {0, true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "state " << row.state << (row.markerExists ? ", marked" : ""));
        DeleteFileW((InstallFolder() + L"\\bxmigrator.log").c_str());
        DeleteFileW((roaming.Path() + L"\\DAP").c_str());
        if (row.markerExists) {
            WriteTextFile(roaming.Path() + L"\\DAP", "");
        }
        UserState(row.state);
        const auto& api = Load();
        api.ProcessAutoMigrate();
        EXPECT_EQ(row.runs.empty() ? Runs() : RunsWithin(10000), row.runs);
        EXPECT_EQ(UserStateNow(), row.state);
        Unload();
    }
}

TEST_F(MigrationTest, MarkerPlaces)
{
    MachineSwitch(1);
    UserState(1);
    struct Row {
        const char* scenario;
        std::wstring folder;  // the RoamableRootFolder value
        bool dap;
    } rows[] = {
        {"roamable root folder missing", roaming.Path() + L"\\missing", false},
        {"a folder named DAP is the marker", roaming.Path() + L"\\withfolder", false},
    };
    CreateFolders(roaming.Path() + L"\\withfolder\\DAP");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteFileW((InstallFolder() + L"\\bxmigrator.log").c_str());
        SetString(HKEY_CURRENT_USER, root, L"RoamableRootFolder", row.folder);
        const auto& api = Load();
        api.ProcessAutoMigrate();
        EXPECT_EQ(Runs(), CommandLines({"/a /product \"ZOVA\" /language \"L1\""})) << "no /dap";
        EXPECT_FALSE(FileExists(row.folder) && !MarkerIn(row.folder));
        Unload();
    }
    EXPECT_FALSE(FileExists(roaming.Path() + L"\\missing"));
}

// CTest runs this with mscoree.dll disabled (WINEDLLOVERRIDES=mscoree=).
TEST_F(MigrationTest, WithoutTheDotNetLoaderNothingRuns)
{
    HMODULE loader = LoadLibraryW(L"Mscoree.dll");
    if (loader != nullptr) {
        FreeLibrary(loader);
        GTEST_SKIP() << "Mscoree.dll can be loaded here; run with it disabled";
    }
    MachineSwitch(1);
    CreateKey(HKEY_CURRENT_USER, root);
    const auto& api = Load();
    api.ProcessAutoMigrate();
    EXPECT_TRUE(Runs().empty());
    EXPECT_EQ(UserStateNow(), 1u) << "a new user's state is written, to try again later";
    api.ProcessAutoMigrate();
    EXPECT_TRUE(Runs().empty());
    EXPECT_EQ(UserStateNow(), 1u);
}

}  // namespace
}  // namespace userdata::testing
