// ProcessAutoMigrate through the DLL, with a migration tool that records the
// command line it really received: the "DAP" marker, the machine switch, the
// user's state and what runs.
#include "TestSupport.h"

#include <tlhelp32.h>

#include <fstream>

namespace userdata::testing {
namespace {

constexpr DWORD kMissing = 0xFFFFFFFF;
// A bound on waiting for a tool started without waiting, should it never run.
constexpr DWORD kToolStartLimitMs = 30000;

// The arguments of one run, after the tool's own path.
using Arguments = std::vector<std::string>;
using CommandLines = std::vector<Arguments>;

class MigrationTest : public ScenarioTest {
protected:
    static inline LONG fixtures = 0;
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    TempFolder roaming;
    VariableGuard eventVariable{L"BXMIGRATOR_RAN_EVENT"};
    const std::wstring eventName = L"userdata-migrator-ran-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(InterlockedIncrement(&fixtures));
    HANDLE toolRan = CreateEventW(nullptr, FALSE, FALSE, eventName.c_str());  // set by each run of the tool

    ~MigrationTest() override { CloseHandle(toolRan); }

    void SetUp() override
    {
        SetEnvironment(L"BXMIGRATOR_RAN_EVENT", eventName.c_str());
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

    // The tool's runs in `folder`, as its own parser gave it its arguments.
    CommandLines Runs(const std::wstring& folder = L"")
    {
        const std::wstring place = folder.empty() ? InstallFolder() : folder;
        const std::string tool = Narrow(place + L"\\bxmigrator.exe");
        std::ifstream log(Narrow(place + L"\\bxmigrator.log").c_str());
        CommandLines runs;
        Arguments run;
        for (std::string line; std::getline(log, line);) {
            if (!line.empty()) {
                run.push_back(line);
                continue;
            }
            // An empty line ends a run, whose first argument is the tool's path.
            if (!run.empty() && run.front() == tool) {
                run.erase(run.begin());
            } else {
                run.insert(run.begin(), "<not the tool's path>");
            }
            runs.push_back(std::move(run));
            run.clear();
        }
        return runs;
    }

    // For a tool started without waiting: its runs, once it has run.
    CommandLines RunsOnceTheToolRan(const std::wstring& folder = L"")
    {
        EXPECT_EQ(WaitForSingleObject(toolRan, kToolStartLimitMs), static_cast<DWORD>(WAIT_OBJECT_0));
        return Runs(folder);
    }

    // No tool runs now, and none ran: a process started by this call would
    // still be alive or would have written its run.
    bool NothingStarted()
    {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        bool alive = false;
        for (BOOL found = Process32FirstW(snapshot, &entry); found; found = Process32NextW(snapshot, &entry)) {
            alive = alive || (entry.th32ParentProcessID == GetCurrentProcessId() &&
                              _wcsicmp(entry.szExeFile, L"bxmigrator.exe") == 0);
        }
        CloseHandle(snapshot);
        return !alive && Runs().empty();
    }

    // Handles of processes and threads this process holds.
    static int ProcessAndThreadHandles()
    {
        int count = 0;
        for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
            const HANDLE handle = reinterpret_cast<HANDLE>(value);
            count += GetProcessId(handle) != 0 || GetThreadId(handle) != 0 ? 1 : 0;
        }
        return count;
    }

    bool MarkerIn(const std::wstring& folder) { return FileExists(folder + L"\\DAP"); }
};

TEST_F(MigrationTest, NewUserGetsAFullRunWithTheMarker)
{
    MachineSwitch(1);
    CreateKey(HKEY_CURRENT_USER, root);
    const auto& api = Load();
    EXPECT_TRUE(api.ProcessAutoMigrate());
    EXPECT_TRUE(MarkerIn(roaming.Path()));
    EXPECT_EQ(Runs(), CommandLines({{"/a", "/product", "ZOVA", "/language", "L1", "/dap"}}));
    EXPECT_EQ(UserStateNow(), 1u) << "the tool exited 0: the state stays 1";

    EXPECT_TRUE(api.ProcessAutoMigrate());
    EXPECT_EQ(Runs(), CommandLines({{"/a", "/product", "ZOVA", "/language", "L1", "/dap"},
                                    {"/a", "/product", "ZOVA", "/language", "L1"}}))
        << "runs again, without /dap once the marker exists";
}

TEST_F(MigrationTest, ArgumentsArriveWholeWhateverTheyHold)
{
    // A non-configurable installation in a folder with blanks, whose language
    // (from the registry) holds quotes, blanks and a trailing backslash.
    const std::string language = "L1\" /evil \"x\\";
    TempFolder programFiles;
    const std::wstring suite = programFiles / L"Program Files (x86)\\My Suite 7";
    WriteVersionFile(kVersionKey, L"0");
    WriteIdentityFile(L"", root, L"Software\\Brevonix\\Global");
    CopyTree(InstallFolder(), suite);
    SetString(HKEY_LOCAL_MACHINE, root + L"\\InstalledUILanguages", nullptr, L"L1\" /evil \"x\\");
    MachineSwitch(1);
    CreateKey(HKEY_CURRENT_USER, root);
    const UserDataLibrary library(suite + L"\\UserData.dll");
    library.Exports().ProcessAutoMigrate();
    EXPECT_EQ(Runs(suite), CommandLines({{"/a", "/product", "ZOVA", "/language", language, "/dap"}}));

    DeleteFileW((roaming.Path() + L"\\DAP").c_str());
    UserState(0);
    ResetEvent(toolRan);
    library.Exports().ProcessAutoMigrate();
    EXPECT_EQ(RunsOnceTheToolRan(suite).back(), Arguments{"/dap"}) << "the marker step alone";
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
    const std::wstring other = L"Software\\Brevonix\\OtherUserRoot";  // a new user's key, for the override
    struct Row {
        const char* scenario;
        void (*setMachine)(const std::wstring& root, const std::wstring& install);
        bool userOverride;
    } rows[] = {
        {"switch 0", [](const std::wstring& key, const std::wstring&) {
             SetDword(HKEY_LOCAL_MACHINE, key, L"AutoMigrate", 0); }, false},
        {"machine key without the value", [](const std::wstring& key, const std::wstring&) {
             CreateKey(HKEY_LOCAL_MACHINE, key); }, false},
        {"switch that is not a number", [](const std::wstring& key, const std::wstring&) {
             SetString(HKEY_LOCAL_MACHINE, key, L"AutoMigrate", L"a text too long for a number"); }, false},
        // Last: the identity file stays gone. No registry root: no switch.
        {"start-up failed, the user key overridden", [](const std::wstring&, const std::wstring& install) {
             DeleteFileW((install + L"\\L1\\identity.ini").c_str()); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteKey(HKEY_LOCAL_MACHINE, root);
        DeleteFileW((roaming.Path() + L"\\DAP").c_str());
        row.setMachine(root, InstallFolder());
        UserState(1);
        CreateKey(HKEY_CURRENT_USER, other);
        const auto& api = Load();
        if (row.userOverride) {
            api.zvudSetUserProductRegistryRootKey(other.c_str());
            SetString(HKEY_CURRENT_USER, other, L"RoamableRootFolder", roaming.Path());
        }
        EXPECT_TRUE(api.ProcessAutoMigrate());
        EXPECT_TRUE(MarkerIn(roaming.Path())) << "created before any registry check";
        EXPECT_TRUE(NothingStarted());
        EXPECT_EQ(UserStateNow(), 1u);
        EXPECT_EQ(UserStateNow(other), kMissing);
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
        {0, false, {{"/dap"}}},
        {2, false, {{"/dap"}}},
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
        ResetEvent(toolRan);
        const auto& api = Load();
        api.zvudInitProductParams(nullptr, nullptr);
        const int handles = ProcessAndThreadHandles();
        api.ProcessAutoMigrate();
        if (row.runs.empty()) {
            EXPECT_TRUE(NothingStarted());
        } else {
            EXPECT_EQ(RunsOnceTheToolRan(), row.runs);
        }
        EXPECT_EQ(ProcessAndThreadHandles(), handles) << "the tool's handles are closed";
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
        EXPECT_EQ(Runs(), CommandLines({{"/a", "/product", "ZOVA", "/language", "L1"}})) << "no /dap";
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
