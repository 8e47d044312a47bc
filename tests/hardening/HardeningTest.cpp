// The hardening sweeps, each over the one table of the exports, on an
// installation that gives every export an answer: caller buffers at their
// limits and handles left behind, hostile registry data, and calls from many
// threads.
#include "TestSupport.h"
#include "UserDataFolders.h"

#include <atomic>
#include <latch>
#include <ranges>
#include <regex>
#include <set>
#include <thread>

namespace userdata::testing {
namespace {

using Exports = const UserDataExports&;
const std::wstring kRoot = L"Software\\Brevonix\\PLANNER\\7.0\\PLANNER-L1", kPerUser = L"Software\\Brevonix\\PerUser";
// What a null buffer with a capacity of 0 gives: 0 (Length), the capacity
// needed (Need) or 1 when the text exists (Exists). NoBuffer: takes none.
// Only GetVerticalProductName counts its capacity in bytes, as its contract says.
enum class Kind { Length, Need, Exists, NoBuffer };
struct ExportCall {
    std::string name;
    std::function<unsigned(Exports, wchar_t*, unsigned)> call;
    Kind kind = Kind::Length;
    bool capacityInBytes = false;
};

// Every export, each special folder on its own row. ProcessAutoMigrate starts
// the tool with "/dap" alone (the user's state 0), then runs it in full (1);
// InstallUserData asks the Windows Installer to restore the per-user key.
std::vector<ExportCall> ExportCalls()
{
    using enum Kind;
#define CALL(query, ...) \
    {#query, [](Exports a, wchar_t* b, unsigned c) { return (void)b, (void)c, unsigned(a.query); }, __VA_ARGS__}
#define DO(name, action)                                                                 \
    {                                                                                    \
        name, [](Exports a, wchar_t*, unsigned) { return (void)(action), 0u; }, NoBuffer \
    }
    std::vector<ExportCall> calls = {
        CALL(zvudGetCurrentProduct(b, c)),
        CALL(zvudGetCurrentLanguage(b, c)),
        CALL(GetProgramName(b, c)),
        CALL(zvudGetMachineProductRegistryRootKey(b, c)),
        CALL(zvudGetUserProductRegistryRootKey(b, c)),
        CALL(zvudGetGlobalRegistryRootKey(b, c)),
        CALL(GetCurrentProductIdentityIniPath(b, c)),
        CALL(zvudGetVerticalEnvPath(b, c)),
        CALL(GetProductName(b, c)),
        CALL(GetProductRootFolder(b, c)),
        CALL(GetVerticalProductName(b, c), Length, true),
        CALL(GetProductSpecificFilePath(L"Dictionary", b, c)),
        CALL(GetHelpFileName(b, c)),
        CALL(GetContextFileName(b, c)),
        CALL(GetZOVAUserDataCacheLangPath(b, {}, c), Need),
        CALL(zvudGetXRootFoldPath(L"LocalRootFolder", b, c), Exists),
        CALL(zvudLoadMUIString(L"@TestStrings.dll,-101", b, c), Need),
        CALL(zvudGetProductXFoldPath(b, c, ZvUdSpecialFolder::UserDataCacheFolderLang)),
        CALL(CheckCOMServerRelativePaths(), NoBuffer),
        CALL(AppendEnvironmentPath(L"C:\\Bin"), NoBuffer),
        CALL(zvudRegSetString(HKEY_CURRENT_USER, L"Data", L"C:\\D"), NoBuffer),
        DO("SetWorkingDirectory", a.SetWorkingDirectory()),
        DO("ProcessAutoMigrate", std::ranges::for_each(std::array<DWORD, 2>{0, 1},
                                                       [&a](DWORD s) {
                                                           RegSetKeyValueW(HKEY_CURRENT_USER, kRoot.c_str(),
                                                                           L"AutoMigrate", REG_DWORD, &s, 4),
                                                               a.ProcessAutoMigrate();
                                                       })),
        DO("InstallUserData", (RegDeleteTreeW(HKEY_CURRENT_USER, kPerUser.c_str()), a.InstallUserData())),
        DO("zvudGetProductUILanguage", RaisesContinuable(0xC0000008, [&a] { a.zvudGetProductUILanguage(); })),
    };
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        calls.push_back(
            {"zvudGetSpecialFolder " + Narrow(info.name),
             [folder = info.folder](Exports a, wchar_t* b, unsigned c) { return a.zvudGetSpecialFolder(folder, b, c); },
             Need});
    }
    return calls;
}

// Handles counted by probing their values: Wine's GetProcessHandleCount gives none.
std::ptrdiff_t OpenHandleCount()
{
    return std::ranges::count_if(std::views::iota(ULONG_PTR{1}, ULONG_PTR{0x4000}), [](ULONG_PTR value) {
        DWORD flags = 0;
        return GetHandleInformation(reinterpret_cast<HANDLE>(value * 4), &flags) != FALSE;
    });
}

class HardeningTest : public ScenarioTest {
protected:
    // A vertical product with per-user folders (in the installation folder), a
    // help profile, a product-specific path, a product list with one sound
    // product, a COM registration to repair, the machine's migration switch on
    // and the tool beside the library (the resource module lies beside the
    // test program).
    void InstallEverything()
    {
        InstallConfigurable({{L"PLANNER", {L"L1"}}, {L"ZOVA", {L"L1", L"L2"}}});
        for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
            SetString(HKEY_CURRENT_USER, kRoot, info.valueName, RootFolder() + info.name);  // null: the default value
            CreateFolders(RootFolder() + info.name);
        }
        SetString(HKEY_LOCAL_MACHINE, kRoot, L"ProductName", L"Brevonix Planner");
        SetString(HKEY_LOCAL_MACHINE, kRoot + L"\\ProductSpecific", L"Dictionary", L"C:\\Suite\\words.dic");
        SetString(HKEY_CURRENT_USER, kRoot + L"\\Profiles", nullptr, L"Default");
        SetString(HKEY_CURRENT_USER, kRoot + L"\\Profiles\\Default\\General", L"HELP", L"C:\\Help\\planner.chm");
        SetString(HKEY_LOCAL_MACHINE, kRoot + L"\\UserData", L"{00000000-0000-0000-0000-0000000000A1}", kPerUser);
        SetString(HKEY_CURRENT_USER, kPerUser, L"LocalRootFolder", RootFolder() + L"LocalRootFolder");
        SetString(HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr,
                  L"C:\\Suite\\zvserver.dll");
        SetDword(HKEY_LOCAL_MACHINE, kRoot, L"AutoMigrate", 1);
        // A tool that the row before started may still run: the copy in place then stays.
        CopyFileW((TestProgramFolder() + L"\\migrator\\bxmigrator.exe").c_str(),
                  (RootFolder() + L"bxmigrator.exe").c_str(), FALSE);
    }
};

// Each export at the limits of its caller's buffer (capacities 0, 1, one short
// and exact, and a null buffer), then called ten times more: after the first
// calls (which may bind modules for good: msi.dll, shell32 and the like) the
// handle count stays as it was. Without the marker the tool is started with
// "/dap". The sweep's own check: a row that leaves a key open is seen.
TEST_F(HardeningTest, BuffersAndHandles)
{
    InstallEverything();
    ASSERT_EQ(Load().zvudInitProductParams(L"PLANNER", L"L1"), 1);
    std::vector<HKEY> leaked;
    std::vector<ExportCall> rows = ExportCalls();
    rows.push_back({"leaks a key",
                    [&leaked](Exports, wchar_t*, unsigned) {
                        return unsigned(
                            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &leaked.emplace_back()));
                    },
                    Kind::NoBuffer});
    std::string leaking;
    for (const ExportCall& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<wchar_t> roomy(4096, L'\0');
        const unsigned answer = row.call(Api(), roomy.data(), 4096);
        const unsigned need = row.capacityInBytes ? answer : unsigned(std::wcslen(roomy.data())) + 1;
        const bool buffered = row.kind != Kind::NoBuffer;
        EXPECT_TRUE(!buffered || (answer != 0 && need > 1)) << "the installation gives no answer";
        for (const unsigned room : buffered ? std::set<unsigned>{0, 1, need - 1, need} : std::set<unsigned>{}) {
            GuardedBuffer buffer(room + 32);
            const unsigned result = row.call(Api(), buffer.Data(), room);
            EXPECT_EQ(result, room == need || (room == 0 && row.kind == Kind::Need) ? answer : 0u) << "room " << room;
            EXPECT_TRUE(buffer.Untouched(row.capacityInBytes ? room / 2 : room)) << "written beyond " << room;
            EXPECT_TRUE(room != need || buffer.Text() == roomy.data()) << "the answer, terminated";
        }
        EXPECT_EQ(buffered ? row.call(Api(), nullptr, 0) : 0, (std::array{0u, answer, 1u, 0u}[int(row.kind)]));
        const std::ptrdiff_t handles = OpenHandleCount();
        for (int round = 0; round < 10; ++round) {
            DeleteFileW((RootFolder() + L"RoamableRootFolder\\DAP").c_str());
            row.call(Api(), roomy.data(), 4096);
        }
        leaking += OpenHandleCount() != handles ? row.name + ";" : "";
    }
    std::for_each(leaked.begin(), leaked.end(), RegCloseKey);
    EXPECT_EQ(leaking, "leaks a key;") << "the rows that left handles open";
    EXPECT_TRUE(DelayImportsBound(Module(), "msi.dll")) << "the installer was asked";
}

// Whatever the registry holds where the library reads, every export answers
// within its caller's roomy buffer, terminated; where a row expects a result,
// the export named after its value gives it.
TEST_F(HardeningTest, HostileRegistryData)
{
    const HKEY user = HKEY_CURRENT_USER, machine = HKEY_LOCAL_MACHINE;
    const std::wstring specific = kRoot + L"\\ProductSpecific";
    // `bytes` of `text` are stored as they are (a "#" after them, as the registry terminates string data that a NUL
    // follows); type 0: the key is denied to everyone.
    struct Row {
        const char* name;
        HKEY hive;
        std::wstring key;
        const wchar_t* value;
        DWORD type;
        std::wstring text;
        size_t bytes;
        int expected = -1;
    } rows[] = {
        {"REG_EXPAND_SZ unterminated", user, kRoot, L"GraphicsCacheFolder", REG_EXPAND_SZ, L"D:\\Data#", 14, 8},
        {"REG_SZ unterminated", user, kRoot, L"GraphicsCacheFolder", REG_SZ, L"D:\\Data#", 14, 0},
        {"REG_SZ of odd size", user, kRoot, L"RoamableRootFolder", REG_SZ, L"C:\\Odd#", 11},
        {"REG_EXPAND_SZ odd size", machine, kRoot + L"\\VerticalEnvPath", nullptr, REG_EXPAND_SZ, L"C:\\V;D:\\#", 15},
        {"REG_DWORD product", user, kVersionKey, L"LastLaunchedProduct", REG_DWORD, L"C:#", 4},
        {"4095 unterminated", machine, specific, L"Dictionary", REG_EXPAND_SZ, std::wstring(4095, 'v') + L'#', 8190},
        {"folder of 2047 characters", user, kRoot, L"GraphicsCacheFolder", REG_SZ, std::wstring(2047, 'g'), 4096, 2048},
        {"folder of 2048 characters", user, kRoot, L"GraphicsCacheFolder", REG_SZ, std::wstring(2048, 'g'), 4098, 0},
        {"machine product key denied", machine, kRoot, nullptr, 0, L"", 0},
        {"user product key denied", user, kRoot, nullptr, 0, L"", 0},
        {"per-user key of the product list denied", user, kPerUser, nullptr, 0, L"", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        InstallEverything();
        std::optional<DeniedKey> denied;
        row.type == 0 ? (void)denied.emplace(row.hive, row.key)
                      : SetRaw(row.hive, row.key, row.value, row.type, row.text.c_str(), DWORD(row.bytes));
        const auto& api = Load();
        for (const ExportCall& call : ExportCalls()) {
            GuardedBuffer buffer(4200);
            const unsigned result = call.call(api, buffer.Data(), 4096);
            EXPECT_TRUE(buffer.Untouched(4096)) << call.name << " wrote beyond the capacity";
            EXPECT_TRUE(result == 0 || call.kind == Kind::NoBuffer || buffer.Text().size() < 4096) << call.name;
            EXPECT_TRUE(row.expected < 0 || !call.name.ends_with(Narrow(row.value)) || int(result) == row.expected)
                << call.name << " gave " << result;
        }
        Unload();
    }
}

// Over many fresh loads, sixteen threads whose first calls are different
// queries all see the one product and start-up runs once; then none of the
// folders they put in front of PATH is lost, and reads of the user root key
// override while the others change it are never torn.
TEST_F(HardeningTest, ManyThreads)
{
    InstallEverything();
    // Start-up's folders once, and the threads' 320 (each "*" here) in front.
    const std::wstring path =
        std::wstring(320, L'*') + RootFolder() + L"L1;C:\\Vertical\\PLANNER;C:\\Vertical\\PLANNER\\L1;C:\\Old";
    const std::wstring keys[] = {L"Software\\Brevonix\\One", L"Software\\Maker\\AnotherUserRootKey"};
    std::atomic<int> wrong{0};
    for (int load = 0; load < 200; ++load) {
        SetEnvironment(L"PATH", L"C:\\Old");
        const auto& api = Load();
        std::latch start(16);
        std::vector<std::jthread> threads;
        for (int index = 0; index < 16; ++index) {
            threads.emplace_back([&, index] {
                start.arrive_and_wait();
                ExportCalls()[index].call(api, std::vector<wchar_t>(4096).data(), 4096);  // the first 16 take a buffer
                wrong += AskText(api.zvudGetMachineProductRegistryRootKey) == kRoot ? 0 : 1;
                for (int turn = 0; turn < 200; ++turn) {
                    turn < 20 ? api.AppendEnvironmentPath(L"C:\\A") : 0;
                    api.zvudSetUserProductRegistryRootKey(keys[(index + turn) % 2].c_str());
                    const std::wstring key = AskText(api.zvudGetUserProductRegistryRootKey);
                    wrong += std::find(std::begin(keys), std::end(keys), key) == std::end(keys) ? 1 : 0;
                }
            });
        }
        threads.clear();  // joined
        ASSERT_EQ(std::regex_replace(GetEnvironment(L"PATH").value_or(L""), std::wregex(L"C:\\\\A;"), L"*"), path);
        ASSERT_EQ(wrong, 0) << "another product seen, or a torn override; load " << load;
        Unload();
    }
}

}  // namespace
}  // namespace userdata::testing
