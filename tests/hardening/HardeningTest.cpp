// The hardening sweeps, each over the one table of the exports, on an
// installation that gives every export an answer: caller buffers at their
// limits and handles left behind, hostile registry data, and calls from many
// threads.
#include "TestSupport.h"
#include "UserDataFolders.h"

#include <dbghelp.h>

#include <atomic>
#include <set>
#include <string_view>
#include <thread>

namespace userdata::testing {
namespace {

using namespace std::string_literals;
using Exports = const UserDataExports&;
using U = UserDataExports;
constexpr auto kLanguageCache = ZvUdSpecialFolder::UserDataCacheFolderLang;
const std::wstring kRoot = L"Software\\Brevonix\\PLANNER\\7.0\\PLANNER-L1";
const std::wstring kPerUser = L"Software\\Brevonix\\PerUser";
// The per-user folder values, as the products' packages write them.
const wchar_t* const kFolderValues[] = {L"RoamableRootFolder",  L"RoamableRootFolderLang", L"LocalRootFolder",
                                        L"LocalRootFolderLang", L"BrevonixSharedFolder",   L"BrevonixSharedFolderLang",
                                        L"AllUsersFolder",      L"GraphicsCacheFolder",    L"SandboxCrashSaveFolder"};

// What a null buffer with a capacity of 0 gives: 0, the capacity needed, or 1 when the text exists.
enum class NullBuffer { Zero, Need, Exists };

// An export that fills a caller's buffer. Only GetVerticalProductName counts its capacity in bytes.
struct BufferCall {
    std::string name;
    std::function<unsigned(Exports, wchar_t*, unsigned)> call;
    NullBuffer null = NullBuffer::Zero;
    bool capacityInBytes = false;
};

template <auto Query>
unsigned Ask(Exports api, wchar_t* buffer, unsigned capacity)
{
    return (api.*Query)(buffer, capacity);
}

// Every export that takes a buffer (`to`, of `n` characters) but the special folders; the first sixteen are the
// threads' first calls.
const std::vector<BufferCall> kBufferCalls = {
    {.name = "zvudGetCurrentProduct", .call = Ask<&U::zvudGetCurrentProduct>},
    {.name = "zvudGetCurrentLanguage", .call = Ask<&U::zvudGetCurrentLanguage>},
    {.name = "GetProgramName", .call = Ask<&U::GetProgramName>},
    {.name = "zvudGetMachineProductRegistryRootKey", .call = Ask<&U::zvudGetMachineProductRegistryRootKey>},
    {.name = "zvudGetUserProductRegistryRootKey", .call = Ask<&U::zvudGetUserProductRegistryRootKey>},
    {.name = "zvudGetGlobalRegistryRootKey", .call = Ask<&U::zvudGetGlobalRegistryRootKey>},
    {.name = "GetCurrentProductIdentityIniPath", .call = Ask<&U::GetCurrentProductIdentityIniPath>},
    {.name = "zvudGetVerticalEnvPath", .call = Ask<&U::zvudGetVerticalEnvPath>},
    {.name = "GetProductName", .call = Ask<&U::GetProductName>},
    {.name = "GetProductRootFolder", .call = Ask<&U::GetProductRootFolder>},
    {.name = "GetVerticalProductName", .call = Ask<&U::GetVerticalProductName>, .capacityInBytes = true},
    {.name = "GetProductSpecificFilePath",
     .call = [](Exports api, wchar_t* to, unsigned n) { return api.GetProductSpecificFilePath(L"Dictionary", to, n); }},
    {.name = "GetHelpFileName", .call = Ask<&U::GetHelpFileName>},
    {.name = "GetContextFileName", .call = Ask<&U::GetContextFileName>},
    {.name = "GetZOVAUserDataCacheLangPath",
     .call = [](Exports api, wchar_t* to, unsigned n) { return api.GetZOVAUserDataCacheLangPath(to, nullptr, n); },
     .null = NullBuffer::Need},
    {.name = "zvudGetXRootFoldPath",
     .call = [](Exports api, wchar_t* to, unsigned n) { return api.zvudGetXRootFoldPath(L"LocalRootFolder", to, n); },
     .null = NullBuffer::Exists},
    {.name = "zvudLoadMUIString",
     .call = [](Exports api, wchar_t* to,
                unsigned n) { return api.zvudLoadMUIString(L"@TestStrings.dll,-101", to, n); },
     .null = NullBuffer::Need},
    {.name = "zvudGetProductXFoldPath",
     .call = [](Exports api, wchar_t* to, unsigned n) { return api.zvudGetProductXFoldPath(to, n, kLanguageCache); }},
};

// kBufferCalls, then each special folder on its own row.
std::vector<BufferCall> BufferCalls()
{
    std::vector<BufferCall> calls = kBufferCalls;
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        const auto folder = info.folder;
        calls.push_back(
            {.name = "zvudGetSpecialFolder " + Narrow(info.name),
             .call = [folder](Exports api, wchar_t* buffer,
                              unsigned capacity) { return api.zvudGetSpecialFolder(folder, buffer, capacity); },
             .null = NullBuffer::Need});
    }
    return calls;
}

// The user's state 0 starts the tool with "/dap" alone, then 1 runs it in full.
void MigrateTwice(Exports api)
{
    for (const DWORD state : {0, 1}) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kRoot.c_str(), L"AutoMigrate", REG_DWORD, &state, sizeof(state));
        api.ProcessAutoMigrate();
    }
}

// InstallUserData asks the Windows Installer to restore the per-user key.
void RepairUserData(Exports api)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kPerUser.c_str());
    api.InstallUserData();
}

// An export that takes no buffer, called as a host calls it.
struct Action {
    std::string name;
    std::function<void(Exports)> run;
};

const std::vector<Action> kActions = {
    {.name = "CheckCOMServerRelativePaths", .run = [](Exports api) { api.CheckCOMServerRelativePaths(); }},
    {.name = "AppendEnvironmentPath", .run = [](Exports api) { api.AppendEnvironmentPath(L"C:\\Bin"); }},
    {.name = "zvudRegSetString",
     .run = [](Exports api) { api.zvudRegSetString(HKEY_CURRENT_USER, L"Data", L"C:\\D"); }},
    {.name = "SetWorkingDirectory", .run = [](Exports api) { api.SetWorkingDirectory(); }},
    {.name = "ProcessAutoMigrate", .run = MigrateTwice},
    {.name = "InstallUserData", .run = RepairUserData},
    {.name = "zvudGetProductUILanguage",
     .run = [](Exports api) { RaisesContinuable(0xC0000008, [&api] { api.zvudGetProductUILanguage(); }); }},
};

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
        for (const wchar_t* value : kFolderValues) {
            SetString(HKEY_CURRENT_USER, kRoot, value, RootFolder() + value);
            CreateFolders(RootFolder() + value);
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
        CopyFileW((TestProgramFolder() + L"\\migrator\\bxmigrator.exe").c_str(),
                  (RootFolder() + L"bxmigrator.exe").c_str(), FALSE);
    }
};

// Each export at the limits of its caller's buffer (capacities 0, 1, one short
// and exact, and a null buffer).
TEST_F(HardeningTest, Buffers)
{
    InstallEverything();
    ASSERT_EQ(Load().zvudInitProductParams(L"PLANNER", L"L1"), 1);
    for (const BufferCall& row : BufferCalls()) {
        SCOPED_TRACE(row.name);
        std::vector<wchar_t> roomy(4096, L'\0');
        const unsigned answer = row.call(Api(), roomy.data(), 4096);
        const std::wstring text = roomy.data();
        const unsigned need = row.capacityInBytes ? answer : unsigned(text.size()) + 1;
        ASSERT_TRUE(answer != 0 && need > 1) << "the installation gives no answer";
        for (const unsigned room : std::set<unsigned>{0, 1, need - 1, need}) {
            GuardedBuffer buffer(room + 32);
            const bool answered = room == need || (room == 0 && row.null == NullBuffer::Need);
            EXPECT_EQ(row.call(Api(), buffer.Data(), room), answered ? answer : 0) << "room " << room;
            EXPECT_TRUE(buffer.Untouched(row.capacityInBytes ? room / 2 : room)) << "written beyond " << room;
            if (room == need) {
                EXPECT_EQ(buffer.Text(), text) << "the answer, terminated";
            }
        }
        const unsigned nullAnswer = row.null == NullBuffer::Need ? answer : row.null == NullBuffer::Exists ? 1 : 0;
        EXPECT_EQ(row.call(Api(), nullptr, 0), nullAnswer) << "a null buffer";
    }
}

// Every export called once, then three times more: after the first call (which may bind modules
// for good: msi.dll, shell32 and the like) the handle count stays as it was.
// Without the marker the tool is started with "/dap". The sweep's own check: a
// call that leaves a key open is seen.
TEST_F(HardeningTest, Handles)
{
    InstallEverything();
    ASSERT_EQ(Load().zvudInitProductParams(L"PLANNER", L"L1"), 1);
    std::vector<Action> actions = kActions;
    for (const BufferCall& row : BufferCalls()) {
        actions.push_back({.name = row.name, .run = [call = row.call](Exports api) {
                               std::vector<wchar_t> roomy(4096);
                               call(api, roomy.data(), 4096);
                           }});
    }
    std::vector<HKEY> leaked;
    actions.push_back({.name = "leaks a key", .run = [&leaked](Exports) {
                           RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &leaked.emplace_back());
                       }});
    std::string leaking;
    for (const Action& action : actions) {
        action.run(Api());
        const std::ptrdiff_t handles = OpenHandleCount();
        for (int round = 0; round < 3; ++round) {
            DeleteFileW((RootFolder() + L"RoamableRootFolder\\DAP").c_str());
            action.run(Api());
        }
        if (OpenHandleCount() != handles) {
            leaking += action.name + ";";
        }
    }
    std::for_each(leaked.begin(), leaked.end(), RegCloseKey);
    EXPECT_EQ(leaking, "leaks a key;") << "the calls that left handles open";
    EXPECT_EQ(SlotsHolding(Module(), MsiFunction("MsiConfigureProductExW")).size(), 1u) << "the installer was asked";
}

// Views of keys that outlive the rows: an aggregate with a string member in this array trips GCC 12's
// maybe-uninitialized warning at -O3. `call`: the export whose answer a row may state.
struct Place {
    HKEY hive;
    std::wstring_view key;
    const wchar_t* value = nullptr;
    std::string_view call = "";
};
const std::wstring kVerticalKey = kRoot + L"\\VerticalEnvPath";
const std::wstring kSpecificKey = kRoot + L"\\ProductSpecific";
const Place kGraphics = {HKEY_CURRENT_USER, kRoot, L"GraphicsCacheFolder", "zvudGetSpecialFolder GraphicsCacheFolder"};
const Place kLocal = {HKEY_CURRENT_USER, kRoot, L"LocalRootFolder"};
const Place kVertical = {HKEY_LOCAL_MACHINE, kVerticalKey};
const Place kProduct = {HKEY_CURRENT_USER, L"Software\\Brevonix\\Suite\\7.0", L"LastLaunchedProduct"};
const Place kName = {HKEY_LOCAL_MACHINE, kRoot, L"ProductName", "GetVerticalProductName"};
const Place kSpecific = {HKEY_LOCAL_MACHINE, kSpecificKey, L"Dictionary", "GetProductSpecificFilePath"};
const std::wstring kV4096(4096, L'v');
const std::wstring kG2047(2047, L'g');
const std::wstring kG2048(2048, L'g');
// References of the re-read buffer's 4095 characters (with a terminator) and 4096 (without), "C:\\N" expanded.
const std::wstring kVariable(4093, L'N');  // set to "C:\\N"
const std::wstring kRef4095 = L"%" + kVariable + L"%";
const std::wstring kRef4096 = kRef4095 + L"x#";
// `bytes` of `data` are stored as they are (a "#" after them, as the registry terminates string data that a
// NUL follows); REG_NONE: the key is denied to everyone. `gives`: what the place's call gives.
struct HostileRow {
    const char* name;
    Place at;
    DWORD type = REG_NONE;
    std::wstring data = L"";
    DWORD bytes = 0;
    std::optional<unsigned> gives = {};
};
const HostileRow kHostileRows[] = {
    {.name = "odd expandable", .at = kGraphics, .type = REG_EXPAND_SZ, .data = L"D:\\Dat#", .bytes = 11, .gives = 6},
    {.name = "expandable of 4096, no end", .at = kLocal, .type = REG_EXPAND_SZ, .data = kV4096 + L"#", .bytes = 8192},
    {.name = "empty, no end", .at = kLocal, .type = REG_SZ, .data = L"#"},
    {.name = "REG_SZ unterminated", .at = kGraphics, .type = REG_SZ, .data = L"D:\\Data#", .bytes = 14, .gives = 0},
    {.name = "REG_SZ of odd size", .at = kGraphics, .type = REG_SZ, .data = L"C:\\Odd\0#"s, .bytes = 15, .gives = 0},
    {.name = "expandable, odd size", .at = kVertical, .type = REG_EXPAND_SZ, .data = L"C:\\V;D:\\#", .bytes = 15},
    {.name = "REG_DWORD product", .at = kProduct, .type = REG_DWORD, .data = L"C:#", .bytes = 4},
    {.name = "520 bytes of binary", .at = kSpecific, .type = REG_BINARY, .data = kG2047, .bytes = 520, .gives = 0},
    {.name = "expands short, 4095", .at = kName, .type = REG_EXPAND_SZ, .data = kRef4095, .bytes = 8192, .gives = 10},
    {.name = "expands short, 4096", .at = kName, .type = REG_EXPAND_SZ, .data = kRef4096, .bytes = 8192, .gives = 0},
    {.name = "folder of 2047", .at = kGraphics, .type = REG_SZ, .data = kG2047, .bytes = 4096, .gives = 2048},
    {.name = "folder of 2048", .at = kGraphics, .type = REG_SZ, .data = kG2048, .bytes = 4098, .gives = 0},
    {.name = "machine product key denied", .at = {HKEY_LOCAL_MACHINE, kRoot}},
    {.name = "user product key denied", .at = {HKEY_CURRENT_USER, kRoot}},
    {.name = "per-user key of the product list denied", .at = {HKEY_CURRENT_USER, kPerUser}},
};

// Whatever the registry holds where the library reads, every export answers
// within its caller's roomy buffer, terminated; where a row names a call, that
// call gives the result expected.
TEST_F(HardeningTest, HostileRegistryData)
{
    const VariableGuard guard(kVariable.c_str());
    SetEnvironment(kVariable.c_str(), L"C:\\N");
    for (const HostileRow& row : kHostileRows) {
        SCOPED_TRACE(row.name);
        InstallEverything();
        std::optional<DeniedKey> denied;
        const std::wstring key(row.at.key);
        if (row.type == REG_NONE) {
            denied.emplace(row.at.hive, key);
        } else {
            SetRaw(row.at.hive, key, row.at.value, row.type, row.data.c_str(), row.bytes);
        }
        const auto& api = Load();
        for (const BufferCall& call : BufferCalls()) {
            GuardedBuffer buffer(4200);
            const unsigned result = call.call(api, buffer.Data(), 4096);
            EXPECT_TRUE(buffer.Untouched(4096)) << call.name << " wrote beyond the capacity";
            EXPECT_TRUE(result == 0 || buffer.Text().size() < 4096) << call.name << " left its text unterminated";
            if (row.gives && call.name == row.at.call) {
                EXPECT_EQ(result, *row.gives) << call.name;
            }
            GuardedBuffer none(1);
            call.call(api, none.Data(), 0);
            EXPECT_TRUE(none.Untouched()) << call.name << " wrote into no room";
        }
        for (const Action& action : kActions) {
            action.run(api);
        }
        WaitForChildProcesses(InstallFolder());  // the tool in the installation folder, copied again for the next row
    }
}

// The address in `module` of `name`, found through the debugging help library in the PDB beside the test program.
const ULONG_PTR* FromPdb(HMODULE module, const wchar_t* name)
{
    const HANDLE process = GetCurrentProcess();
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    EXPECT_TRUE(SymInitializeW(process, TestProgramFolder().c_str(), FALSE));
    SymLoadModuleExW(process, nullptr, path, nullptr, reinterpret_cast<DWORD64>(module), 0, nullptr, 0);
    struct : SYMBOL_INFOW {
        wchar_t rest[64];
    } symbol = {};
    symbol.SizeOfStruct = sizeof(SYMBOL_INFOW);
    symbol.MaxNameLen = 64;
    const bool found = SymFromNameW(process, name, &symbol) != FALSE;
    SymCleanup(process);
    return found ? reinterpret_cast<const ULONG_PTR*>(symbol.Address) : nullptr;
}

// Each load seeds its guard from the system's random numbers: neither left 0 nor the terminator guard 0xFF0A0000
// that stands in when there are none, and another one the next time. The guard is found by its name in the PDB of
// the tested (clang) build; a GCC build, which has no PDB, skips this.
TEST_F(HardeningTest, StackGuardSeededOnEachLoad)
{
    if (!FileExists(TestProgramFolder() + L"\\UserData.pdb")) {
        GTEST_SKIP() << "no PDB beside the test program names the guard";
    }
    std::set<ULONG_PTR> guards;
    for (int load = 0; load < 2; ++load) {
        Load();
        const ULONG_PTR* guard = FromPdb(Module(), L"__stack_chk_guard");
        ASSERT_NE(guard, nullptr) << "the guard's symbol";
        EXPECT_NE(*guard, 0u) << "unseeded";
        EXPECT_NE(*guard, 0xFF0A0000u);
        guards.insert(*guard);
    }
    EXPECT_EQ(guards.size(), 2u) << "the same guard in two loads";
}

// Lets threads go at once. A Win32 event, not std::latch: the mingw-w64 C++ library's atomic wait (GCC 12, no
// futex on Windows) checks the value outside its mutex and can miss the last arrival's wake-up, which left a
// thread waiting for good. Given when it goes at the latest: a thread that could not be made leaves none waiting.
class StartSignal : NoCopy {
public:
    ~StartSignal()
    {
        Give();
        CloseHandle(event_);
    }
    void Give() const { SetEvent(event_); }
    void Wait() const { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// Over many fresh loads, sixteen threads whose first calls are different
// queries all see the one product and start-up runs once; then none of the
// folders they put in front of PATH is lost, and reads of the user root key
// override while the others change it are never torn.
TEST_F(HardeningTest, ManyThreads)
{
    InstallEverything();
    const std::wstring startUpFolders = RootFolder() + L"L1;C:\\Vertical\\PLANNER;C:\\Vertical\\PLANNER\\L1;C:\\Old";
    const std::wstring keys[] = {L"Software\\Brevonix\\One", L"Software\\Maker\\AnotherUserRootKey"};
    const std::vector<BufferCall> firstCalls = BufferCalls();
    std::wstring appended;  // by 16 threads, 20 times each
    for (int count = 0; count < 320; ++count) {
        appended += L"C:\\A;";
    }
    std::atomic<int> wrong{0};
    for (int load = 0; load < 200; ++load) {
        SetEnvironment(L"PATH", L"C:\\Old");
        const auto& api = Load();
        std::vector<std::jthread> threads;
        const StartSignal start;  // destroyed before the threads are joined
        for (int index = 0; index < 16; ++index) {
            threads.emplace_back([&, index] {
                std::vector<wchar_t> buffer(4096);
                start.Wait();
                firstCalls[index].call(api, buffer.data(), 4096);
                wrong += AskText(api.zvudGetMachineProductRegistryRootKey) != kRoot ? 1 : 0;
                for (int turn = 0; turn < 200; ++turn) {
                    if (turn < 20) {
                        api.AppendEnvironmentPath(L"C:\\A");
                    }
                    api.zvudSetUserProductRegistryRootKey(keys[(index + turn) % 2].c_str());
                    const std::wstring key = AskText(api.zvudGetUserProductRegistryRootKey);
                    if (key != keys[0] && key != keys[1]) {
                        ++wrong;
                    }
                }
            });
        }
        start.Give();
        threads.clear();  // joined
        ASSERT_EQ(GetEnvironment(L"PATH"), appended + startUpFolders) << "load " << load;
        ASSERT_EQ(wrong, 0) << "another product seen, or a torn override; load " << load;
    }
}

}  // namespace
}  // namespace userdata::testing
