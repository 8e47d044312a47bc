// The hardening sweeps, each over the one table of the exports, on an
// installation that gives every export an answer: caller buffers at their
// limits, handles left behind, hostile registry data, and first
// calls from many threads.
#include "TestSupport.h"
#include "UserDataFolders.h"

#include <gtest/gtest-spi.h>

#include <atomic>
#include <latch>
#include <set>
#include <thread>

namespace userdata::testing {
namespace {

using Exports = const UserDataExports&;
// What a null buffer with a capacity of 0 gives: 0 (Length), the capacity
// needed (Need) or 1 when the text exists (Exists). NoBuffer: takes none.
enum class Kind { Length, Need, Exists, NoBuffer };
struct ExportCall {
    std::string name;
    std::function<unsigned(Exports, wchar_t* buffer, unsigned capacity)> call;
    Kind kind = Kind::Length;
    bool capacityInBytes = false;  // GetVerticalProductName, as its contract says
};

// Every export, each special folder on its own row.
std::vector<ExportCall> ExportCalls()
{
    using enum Kind;
#define CALL(query, ...) \
    {#query, [](Exports a, wchar_t* b, unsigned c) { return (void)b, (void)c, unsigned(a.query); }, __VA_ARGS__}
    std::vector<ExportCall> calls = {
        CALL(zvudGetCurrentProduct(b, c)), CALL(zvudGetCurrentLanguage(b, c)), CALL(GetProgramName(b, c)),
        CALL(zvudGetMachineProductRegistryRootKey(b, c)), CALL(zvudGetUserProductRegistryRootKey(b, c)),
        CALL(zvudGetGlobalRegistryRootKey(b, c)), CALL(GetCurrentProductIdentityIniPath(b, c)),
        CALL(zvudGetVerticalEnvPath(b, c)), CALL(GetProductName(b, c)), CALL(GetProductRootFolder(b, c)),
        CALL(GetVerticalProductName(b, c), Length, true), CALL(GetProductSpecificFilePath(L"Dictionary", b, c)),
        CALL(GetHelpFileName(b, c)), CALL(GetContextFileName(b, c)), CALL(GetZOVAUserDataCacheLangPath(b, {}, c), Need),
        CALL(zvudGetXRootFoldPath(L"LocalRootFolder", b, c), Exists), CALL(zvudLoadMUIString(L"Text", b, c), Need),
        CALL(zvudGetProductXFoldPath(b, c, ZvUdSpecialFolder::UserDataCacheFolderLang)),
        CALL(IsUnicodeBuild(), NoBuffer),
        CALL(zvudLoadMUIString(L"@TestStrings.dll,-101", b, c), Need), CALL(InstallUserData(), NoBuffer),
        CALL(zvudLoadMUIString(L"@TestStrings.dll,-999", b, c), NoBuffer), CALL(ProcessAutoMigrate(), NoBuffer),
        CALL(CheckCOMServerRelativePaths(), NoBuffer), CALL(AppendEnvironmentPath(L"C:\\Bin"), NoBuffer),
        CALL(zvudRegSetString(HKEY_CURRENT_USER, L"Data", L"C:\\Data"), NoBuffer),
        CALL(zvudSetUserProductRegistryRootKey(L""), NoBuffer),
        {"SetWorkingDirectory", [](Exports a, wchar_t*, unsigned) { return a.SetWorkingDirectory(), 0u; }, NoBuffer},
        {"ProcessAutoMigrate, a full run due", [](Exports a, wchar_t*, unsigned) {
             const DWORD due = 1;  // where the key lets the test write it
             RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Brevonix\\PLANNER\\7.0\\PLANNER-L1", L"AutoMigrate",
                             REG_DWORD, &due, sizeof(due));
             return unsigned(a.ProcessAutoMigrate()); }, NoBuffer},
        {"zvudGetProductUILanguage", [](Exports a, wchar_t*, unsigned) {
             return unsigned(RaisesContinuable(0xC0000008, [&a] { a.zvudGetProductUILanguage(); })); }, NoBuffer},
    };
#undef CALL
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        calls.push_back({"zvudGetSpecialFolder " + Narrow(info.name), [folder = info.folder](Exports a, wchar_t* b,
                         unsigned c) { return a.zvudGetSpecialFolder(folder, b, c); }, Need});
    }
    return calls;
}

// Handles counted by probing their values: Wine's GetProcessHandleCount gives none.
std::size_t OpenHandleCount()
{
    std::size_t open = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        open += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return open;
}

// Runs `work(index)` on `count` threads released at once.
void OnThreads(int count, const std::function<void(int)>& work)
{
    std::latch start(count);
    std::vector<std::jthread> threads;
    for (int index = 0; index < count; ++index) {
        threads.emplace_back([&, index] { start.arrive_and_wait(), work(index); });
    }
}

class HardeningTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"PLANNER", L"L1");
    const std::wstring perUser = L"Software\\Brevonix\\Planner-User";
    TempFolder userFolders;

    // A vertical product with per-user folders, a help profile, a
    // product-specific path, a product list with one sound product,
    // the migration tool beside the library (the resource module lies beside
    // the test program), and a user whose migration state asks for the marker
    // step only.
    void InstallEverything()
    {
        InstallConfigurable({{L"PLANNER", {L"L1"}}, {L"ZOVA", {L"L1", L"L2"}}});
        for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
            if (info.valueName != nullptr) {
                SetString(HKEY_CURRENT_USER, root, info.valueName, userFolders / info.valueName);
                CreateFolders(userFolders / info.valueName);
            }
        }
        SetString(HKEY_LOCAL_MACHINE, root, L"ProductName", L"Brevonix Planner");
        SetString(HKEY_LOCAL_MACHINE, root + L"\\ProductSpecific", L"Dictionary", L"C:\\Suite\\words.dic");
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles", nullptr, L"Default");
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\Default\\General", L"HELP", L"C:\\Help\\planner.chm");
        SetString(HKEY_LOCAL_MACHINE, root + L"\\UserData", L"{00000000-0000-0000-0000-0000000000A1}", perUser);
        SetString(HKEY_CURRENT_USER, perUser, L"LocalRootFolder", userFolders / L"LocalRootFolder");
        SetDword(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", 1);
        SetDword(HKEY_CURRENT_USER, root, L"AutoMigrate", 0);
        CopyFileW((TestProgramFolder() + L"\\migrator\\bxmigrator.exe").c_str(),
                  (InstallFolder() + L"\\bxmigrator.exe").c_str(), FALSE);
    }
};

TEST_F(HardeningTest, BufferExportsAtTheirLimits)
{
    InstallEverything();
    const auto& api = Load();
    ASSERT_EQ(api.zvudInitProductParams(L"PLANNER", L"L1"), 1);
    for (const ExportCall& row : ExportCalls()) {
        if (row.kind == Kind::NoBuffer) {
            continue;
        }
        SCOPED_TRACE(row.name);
        std::vector<wchar_t> roomy(4096, L'\0');
        const unsigned answer = row.call(api, roomy.data(), 4096);
        const std::wstring text = roomy.data();
        const unsigned need = row.capacityInBytes ? answer : unsigned(text.size()) + 1;
        ASSERT_TRUE(answer != 0 && need > 1) << "the installation gives this export nothing to answer";
        for (const unsigned capacity : std::set<unsigned>{0, 1, need - 1, need}) {
            SCOPED_TRACE(::testing::Message() << "capacity " << capacity << " of " << need);
            GuardedBuffer buffer(capacity + 32);
            const unsigned result = row.call(api, buffer.Data(), capacity);
            EXPECT_TRUE(buffer.Untouched(row.capacityInBytes ? capacity / 2 : capacity)) << "written past the capacity";
            EXPECT_EQ(result, capacity == need || (capacity == 0 && row.kind == Kind::Need) ? answer : 0u);
            EXPECT_TRUE(capacity != need || buffer.Text() == text) << "the answer, terminated";
        }
        const unsigned nullResults[] = {0, answer, 1};
        EXPECT_EQ(row.call(api, nullptr, 0), nullResults[int(row.kind)]) << "null buffer";
    }
}

// Each row called ten more times after its first call (which may bind modules
// for good: msi.dll, shell32 and the like) leaves the handle count as it was.
// Removing the marker first makes each ProcessAutoMigrate start the tool with "/dap".
void ExpectNoLeak(Exports api, const std::vector<ExportCall>& rows, const std::wstring& marker)
{
    for (const ExportCall& row : rows) {
        std::size_t handles = 0;
        for (int round = 0; round < 11; ++round) {
            wchar_t buffer[4096];
            DeleteFileW(marker.c_str());
            row.call(api, buffer, 4096);
            handles = round == 0 ? OpenHandleCount() : handles;
        }
        EXPECT_EQ(OpenHandleCount(), handles) << row.name;
    }
}

TEST_F(HardeningTest, NoExportLeavesHandles)
{
    InstallEverything();
    // InstallUserData then asks the Windows Installer for reinstalls each time.
    DeleteKey(HKEY_CURRENT_USER, perUser);
    SetString(HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr,
              L"C:\\Suite\\zvserver.dll");
    ExpectNoLeak(Load(), ExportCalls(), userFolders / L"RoamableRootFolder\\DAP");
    EXPECT_TRUE(DelayImportsBound(Module(), "msi.dll")) << "the installer was asked";

    // The sweep's own check: a key left open by a call is seen.
    std::vector<HKEY> leaked;
    ::testing::TestPartResultArray failures;
    {
        const ::testing::ScopedFakeTestPartResultReporter reporter(&failures);
        ExpectNoLeak(Api(), {{"leaks a key", [&leaked](Exports, wchar_t*, unsigned) {
            return unsigned(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &leaked.emplace_back()));
        }}}, L"");
    }
    std::for_each(leaked.begin(), leaked.end(), RegCloseKey);
    EXPECT_TRUE(failures.size() == 1 && std::string(failures.GetTestPartResult(0).message()).ends_with("leaks a key"));
}

// Whatever the registry holds where the library reads, every export answers
// within its caller's roomy buffer, terminated; a row's `probe` export gives
// the documented `expected` result.
TEST_F(HardeningTest, HostileRegistryData)
{
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    const std::string localRoot = "zvudGetXRootFoldPath(L\"LocalRootFolder\", b, c)";
    const std::string cacheFolder = "zvudGetSpecialFolder GraphicsCacheFolder";
    struct Row {
        const char* name;
        HKEY hive;
        std::wstring key;
        const wchar_t* value;
        DWORD type;  // 0: the key is denied to everyone
        std::wstring text;
        size_t bytes;  // of `text`, stored as they are
        std::string probe = {};
        unsigned expected = 0;
    } rows[] = {
        {"REG_EXPAND_SZ unterminated", user, root, L"LocalRootFolder", REG_EXPAND_SZ, L"D:\\Data", 14, localRoot, 1},
        {"REG_SZ unterminated", user, root, L"LocalRootFolder", REG_SZ, L"D:\\Data", 14, localRoot, 0},
        {"REG_SZ of odd size", user, root, L"RoamableRootFolder", REG_SZ, L"C:\\Odd", 11},
        {"REG_EXPAND_SZ of odd size", machine, root + L"\\VerticalEnvPath", nullptr, REG_EXPAND_SZ, L"C:\\V;D:\\", 15},
        {"REG_DWORD product", user, kVersionKey, L"LastLaunchedProduct", REG_DWORD, L"C:", 4},
        {"REG_EXPAND_SZ of 4095 characters unterminated", machine, root + L"\\ProductSpecific", L"Dictionary",
         REG_EXPAND_SZ, std::wstring(4095, L'v'), 8190},
        {"folder of 2047 characters", user, root, L"GraphicsCacheFolder", REG_SZ, std::wstring(2047, L'g'), 4096,
         cacheFolder, 2048},
        {"folder of 2048 characters", user, root, L"GraphicsCacheFolder", REG_SZ, std::wstring(2048, L'g'), 4098,
         cacheFolder, 0},
        {"machine product key denied", machine, root, nullptr, 0, L"", 0},
        {"user product key denied", user, root, nullptr, 0, L"", 0},
        {"per-user key of the product list denied", user, perUser, nullptr, 0, L"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InstallEverything();
        // The registry terminates string data that a NUL follows.
        const std::wstring data = row.text + (row.bytes > row.text.size() * 2 ? L'\0' : L'#') + L"##";
        std::optional<DeniedKey> denied;
        row.type == 0 ? (void)denied.emplace(row.hive, row.key)
                      : SetRaw(row.hive, row.key, row.value, row.type, data.c_str(), DWORD(row.bytes));
        const auto& api = Load();
        for (const ExportCall& call : ExportCalls()) {
            GuardedBuffer buffer(4200);
            unsigned result = 0;
            RaisesContinuable(0xC0000008, [&] { result = call.call(api, buffer.Data(), 4096); });
            EXPECT_TRUE(buffer.Untouched(4096)) << call.name << " wrote beyond the capacity";
            EXPECT_TRUE(result == 0 || call.kind == Kind::NoBuffer || buffer.Text().size() < 4096) << call.name;
            EXPECT_TRUE(call.name != row.probe || result == row.expected) << call.name << " gave " << result;
        }
        Unload();
    }
}

// Over many fresh loads, sixteen threads whose first calls are different
// queries all see the one identity, and start-up ran once.
TEST_F(HardeningTest, FirstCallsFromManyThreads)
{
    InstallEverything();
    const std::wstring vertical = VerticalFoldersOf(L"PLANNER");
    const std::wstring startedPath = RootFolder() + L"L1;" + vertical + L";" + vertical + L"\\L1;C:\\Old";
    std::vector<ExportCall> queries = ExportCalls();
    std::erase_if(queries, [](const ExportCall& row) { return row.kind == Kind::NoBuffer; });
    for (int load = 0; load < 200; ++load) {
        SCOPED_TRACE(::testing::Message() << "load " << load);
        SetEnvironment(L"PATH", L"C:\\Old");
        const auto& api = Load();
        std::vector<std::wstring> seen(16);
        OnThreads(16, [&](int index) {
            wchar_t buffer[4096];
            queries[size_t(index) % queries.size()].call(api, buffer, 4096);
            seen[index] = AskText(api.zvudGetCurrentProduct) + L" " + AskText(api.zvudGetMachineProductRegistryRootKey);
        });
        ASSERT_EQ(std::set<std::wstring>(seen.begin(), seen.end()), std::set<std::wstring>{L"PLANNER " + root});
        ASSERT_EQ(GetEnvironment(L"PATH"), startedPath) << "start-up ran once";
        Unload();
    }
}

// Four threads putting a folder in front of PATH lose none of their calls,
// and reads of the user root key override while it changes are never torn.
TEST_F(HardeningTest, PathAndOverrideFromManyThreads)
{
    SetEnvironment(L"PATH", L"C:\\Old");
    const auto& api = Load();
    const std::wstring keys[] = {L"Software\\Brevonix\\One", L"Software\\Maker\\AnotherUserRootKey"};
    api.zvudSetUserProductRegistryRootKey(keys[0].c_str());
    std::atomic<int> set{0}, torn{0};
    OnThreads(6, [&](int index) {
        for (int turn = 0; turn < (index < 4 ? 300 : 200000); ++turn) {
            if (index < 4) {
                set += api.AppendEnvironmentPath(L"C:\\A");
            } else if (index == 4) {
                api.zvudSetUserProductRegistryRootKey(keys[turn % 2].c_str());
            } else {
                const std::wstring key = AskText(api.zvudGetUserProductRegistryRootKey);
                torn += key == keys[0] || key == keys[1] ? 0 : 1;
            }
        }
    });
    EXPECT_EQ(set, 1200);
    EXPECT_EQ(GetEnvironment(L"PATH").value_or(L"").size(), 1200 * 5 + 6u) << "calls lost";
    EXPECT_EQ(torn, 0) << "reads of the override that mixed the two keys";
}

}  // namespace
}  // namespace userdata::testing
