// The start-up housekeeping as a host sees it: PATH and ZVVERTICALPATH
// (start-up and AppendEnvironmentPath), the registry string writer with its
// folded paths, and InstallUserData with CheckCOMServerRelativePaths: which
// products need a repair and what the Windows Installer is asked for, seen at
// the library's delay-loaded msi.dll imports (UI level and command line of
// each reinstall) whose calls go on to msi.dll. No package carries the
// product codes, so each reinstall fails with ERROR_UNKNOWN_PRODUCT (real
// reinstalls: tests/installer).
#include "TestSupport.h"

#include <msi.h>

#include <cstdlib>
#include <cwchar>
#include <sstream>

namespace userdata::testing {
namespace {

constexpr unsigned kUnknownProduct = 1605;
const std::wstring kKey = L"Software\\Brevonix\\Suite\\Settings";  // the string writer's
constexpr auto kReinstallLevel = static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_BASIC | INSTALLUILEVEL_HIDECANCEL);
const std::wstring kServers[] = {L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32",  // required
                                 L"CLSID\\{5A1C7E42-3B9D-4F08-A6E2-71C4D0B9E315}\\InProcServer32",
                                 L"CLSID\\{9E0D2F6B-84A7-4C13-B5F9-2D6A8E1C4B70}\\InProcServer32"};

INSTALLUILEVEL levelInForce = INSTALLUILEVEL_NOCHANGE;
std::wstring requests;  // "level command line" of each reinstall, a line each

INSTALLUILEVEL WINAPI RecordingSetInternalUI(INSTALLUILEVEL level, HWND* owner)
{
    levelInForce = level;
    return MsiSetInternalUI(level, owner);
}

UINT WINAPI RecordingConfigureProductEx(LPCWSTR product, int level, INSTALLSTATE state, LPCWSTR commandLine)
{
    requests += std::to_wstring(levelInForce) + L" " + commandLine + L"\n";
    return MsiConfigureProductExW(product, level, state, commandLine);
}

// Points the library's bound import slot of msi.dll's `name` at `to`.
void Redirect(HMODULE library, const char* name, const void* to)
{
    const std::vector<void**> slots = SlotsHolding(library, MsiFunction(name));
    ASSERT_EQ(slots.size(), 1u) << "the import slot of " << name;
    DWORD protection = 0;
    VirtualProtect(slots[0], sizeof(void*), PAGE_READWRITE, &protection);
    *slots[0] = const_cast<void*>(to);
    VirtualProtect(slots[0], sizeof(void*), protection, &protection);
}

// A product code that no package carries, ending in `tail` (two characters).
std::wstring Code(const wchar_t* tail)
{
    return std::wstring(L"{00000000-0000-0000-0000-0000000000") + tail + L"}";
}

class HousekeepingTest : public ScenarioTest {
protected:
    const std::wstring productList = ProductRootOf(L"ZOVA", L"L1") + L"\\UserData";
    TempFolder folder;

    void SetUp() override { InstallConfigurable({{L"ZOVA", {L"L1"}}}); }

    // Lets one reinstall bind msi.dll, then records the library's calls.
    void StartRecording(const UserDataExports& api)
    {
        SetString(HKEY_LOCAL_MACHINE, productList, Code(L"A1").c_str(), L"Software\\None");
        api.InstallUserData();
        DeleteKey(HKEY_LOCAL_MACHINE, productList);
        Redirect(Module(), "MsiSetInternalUI", reinterpret_cast<const void*>(&RecordingSetInternalUI));
        Redirect(Module(), "MsiConfigureProductExW", reinterpret_cast<const void*>(&RecordingConfigureProductEx));
    }
};

TEST_F(HousekeepingTest, EachProductGetsTheRepairItNeeds)
{
    const VariableGuard letter(L"USERDATA_TEST_A");
    SetEnvironment(L"USERDATA_TEST_A", L"a");
    std::wstring manyA;  // 340 characters stored, 20 expanded
    for (int count = 0; count < 20; ++count) {
        manyA += L"%USERDATA_TEST_A%";
    }
    const std::wstring there = folder.Path();
    const std::wstring missing = folder / L"missing";
    // A product listed for the machine, with its per-user key ("-": none) and local root folder ("": no value).
    // One COM server's registration, the others sound: its index in kServers (0 is the required one), its type
    // (REG_NONE: no default value) and path (null: no key). A row: the products (none: no product list), the
    // result, the REINSTALLMODE of each reinstall (at the reinstall UI level), and whether the first
    // product's per-user key (a tree, when there is one) is there afterwards.
    struct Product {
        std::wstring code;
        std::wstring userKey;
        std::wstring localRoot;
        DWORD type = REG_SZ;
    };
    struct Server {
        int index;
        DWORD type;
        const wchar_t* path;
    };
    const std::vector<Product> sound = {{Code(L"F1"), L"Software\\B\\First-1", there}};
    struct Row {
        const char* name;
        std::vector<Product> products;
        unsigned result;
        const wchar_t* reinstalls;
        bool firstKeyKept = true;
        Server server = {0, REG_SZ, L"zvserver.dll"};
    } rows[] = {
        {"no product list", {}, static_cast<unsigned>(ProductRootOf(L"ZOVA", L"L1").size()), L""},
        {"sound products", {sound[0], {Code(L"F2"), L"Software\\B\\Second", L""}}, 0, L""},
        {"folders not checked below a KPW key", {{Code(L"E1"), L"Software\\B\\ZOVA-KPW-1", missing}}, 0, L""},
        {"a bare KPW key", {{Code(L"E1"), L"KPW-1", missing}}, 0, L""},
        {"COM server at a network path", sound, 0, L"", true, {1, REG_SZ, L"\\\\server\\share\\x.dll"}},
        {"COM server by an unexpanded reference", sound, 0, L"", true, {2, REG_EXPAND_SZ, L"%ProgramFiles%\\x.dll"}},
        {"per-user key missing", {{Code(L"B1"), L"Software\\B\\User-1", L"-"}}, kUnknownProduct, L"uos", false},
        {"local root folder missing", {{Code(L"B1"), L"Software\\B\\User-1", missing}}, kUnknownProduct, L"p u", false},
        {"missing folder stored longer than the read, expanded it fits",
         {{Code(L"B1"), L"Software\\B\\User-1", missing + manyA, REG_EXPAND_SZ}},
         kUnknownProduct,
         L"p u",
         false},
        {"PW is no KPW key", {{Code(L"E1"), L"PW-1", missing}}, kUnknownProduct, L"p u", false},
        {"kpw compares exactly", {{Code(L"E1"), L"Software\\B\\kpw-1", missing}}, kUnknownProduct, L"p u", false},
        {"the last product decides: a sound one",
         {{Code(L"0A"), L"Software\\B\\Missing-1", L"-"}, {Code(L"0B"), L"Software\\B\\Sound-1", there}},
         0,
         L"uos",
         false},
        {"the last product decides: a failing one",
         {{Code(L"0D"), L"Software\\B\\Missing-1", L"-"}, {Code(L"0C"), L"Software\\B\\Sound-1", there}},
         kUnknownProduct,
         L"uos",
         false},
        {"required COM server missing", sound, 0, L"m", true, {0, REG_NONE, nullptr}},
        {"required COM server at a drive", sound, 0, L"m", true, {0, REG_SZ, L"C:\\Suite\\zvserver.dll"}},
        {"first optional COM server at a drive", sound, 0, L"m", true, {1, REG_SZ, L"C:\\Suite\\x.dll"}},
        {"second optional COM server drive-relative", sound, 0, L"m", true, {2, REG_SZ, L"D:x.dll"}},
        {"optional COM server without a default value", sound, 0, L"m", true, {2, REG_NONE, L""}},
        {"COM server registered by a number", sound, 0, L"m", true, {1, REG_DWORD, L"\x0001"}},  // 1
    };
    const auto& api = Load();
    bool recording = false;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!recording && *row.reinstalls != L'\0') {
            StartRecording(api);
            recording = true;
            MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);  // the host's level
        }
        for (const Product& product : row.products) {
            SetString(HKEY_LOCAL_MACHINE, productList, product.code.c_str(), product.userKey);
            if (product.localRoot != L"-") {  // siblings of one name length, and a tree below them
                for (const wchar_t* below : {L"\\Settings\\Window\\Size", L"\\Profiles", L"\\Toolbars"}) {
                    CreateKey(HKEY_CURRENT_USER, product.userKey + below);
                }
            }
            if (product.localRoot != L"-" && !product.localRoot.empty()) {
                SetString(HKEY_CURRENT_USER, product.userKey, L"LocalRootFolder", product.localRoot, product.type);
            }
        }
        DeleteKey(HKEY_CLASSES_ROOT, L"CLSID");
        SetString(HKEY_CLASSES_ROOT, kServers[0], nullptr, L"zvserver.dll");
        DeleteKey(HKEY_CLASSES_ROOT, kServers[row.server.index]);
        if (row.server.path != nullptr) {
            SetString(HKEY_CLASSES_ROOT, kServers[row.server.index], L"ThreadingModel", L"Both");
        }
        if (row.server.type != REG_NONE) {  // the text with its terminator as data of the type, whatever it is
            SetString(HKEY_CLASSES_ROOT, kServers[row.server.index], nullptr, row.server.path, row.server.type);
        }
        api.CheckCOMServerRelativePaths();
        const std::ptrdiff_t handles = OpenHandleCount();
        EXPECT_EQ(api.CheckCOMServerRelativePaths(), std::wcscmp(row.reinstalls, L"m") != 0);
        EXPECT_EQ(OpenHandleCount(), handles) << "the COM check closes every key it opens";
        requests.clear();
        EXPECT_EQ(api.InstallUserData(), row.result);
        std::wstring expected;
        std::wistringstream modes(row.reinstalls);
        for (std::wstring mode; modes >> mode;) {
            expected += std::to_wstring(kReinstallLevel) + (mode == L"m" ? L" REINSTALL=ALL" : L" REINSTALL=UserData") +
                        L" REINSTALLMODE=" + mode + L" ZOVA_SECONDARY_INSTALL=1\n";
        }
        EXPECT_EQ(requests, expected);
        if (!recording) {
            EXPECT_TRUE(SlotsHolding(Module(), MsiFunction("MsiConfigureProductExW")).empty())
                << "the installer is asked only for a repair";
        }
        if (recording) {
            EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr), INSTALLUILEVEL_NONE)
                << "the host's level restored";
        }
        if (!row.products.empty()) {
            EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, row.products[0].userKey), row.firstKeyKept);
        }
        for (const Product& product : row.products) {
            DeleteKey(HKEY_CURRENT_USER, product.userKey);
        }
        DeleteKey(HKEY_LOCAL_MACHINE, productList);
    }
}

TEST_F(HousekeepingTest, AppendPutsFoldersInFrontWithinTheLimit)
{
    const auto& api = Load();
    const std::wstring fits = std::wstring(32761, L'f');  // with ";C:\W", PATH's 32766 characters
    // PATH before (null: unset; set by the host: through SetEnvironmentVariableW alone, behind the runtime's
    // back), the folders appended (none: null), the result and PATH afterwards.
    struct Row {
        const char* name;
        const wchar_t* path;
        std::optional<std::wstring> folders;
        int result;
        std::wstring expected;
        bool setByHost = false;
    } rows[] = {
        {"no folders", L"C:\\W", {}, 1, L";C:\\W"},
        {"in front", L"C:\\W", L"C:\\A", 1, L"C:\\A;C:\\W"},
        {"PATH unset", nullptr, L"C:\\A", 1, L"C:\\A;"},
        {"set by the host behind the runtime's back", L"C:\\Host", L"C:\\A", 1, L"C:\\A;C:\\Host", true},
        {"fills the limit", L"C:\\W", fits, 1, fits + L";C:\\W"},
        {"one character beyond the limit", L"C:\\W", fits + L"f", 0, L"C:\\W"},
        {"far beyond the limit", L"C:\\W", std::wstring(40000, L'h'), 0, L"C:\\W"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetEnvironment(L"PATH", row.setByHost ? L"C:\\Stale" : row.path);
        if (row.setByHost) {
            SetEnvironmentVariableW(L"PATH", row.path);
        }
        EXPECT_EQ(api.AppendEnvironmentPath(row.folders ? row.folders->c_str() : nullptr), row.result);
        EXPECT_EQ(GetEnvironment(L"PATH"), row.expected);
        EXPECT_EQ(std::wstring(_wgetenv(L"PATH")), row.expected) << "the C runtime's copy";
    }
}

TEST_F(HousekeepingTest, StartUpPutsLanguageThenVerticalFoldersInFront)
{
    const std::wstring full(4047, L'v');  // with its terminator, the read buffer's 8096 bytes
    // The machine's VerticalEnvPath ("-": the key without a value) as `bytes` of it (0: the text and its
    // terminator); what start-up gives, what PATH gains after the language folder and ZVVERTICALPATH.
    struct Row {
        const char* name;
        const wchar_t* product;
        DWORD type;
        std::wstring value;
        DWORD bytes;
        int started;
        std::wstring front;
        std::wstring variable;
    } rows[] = {
        {"vertical product", L"PLANNER", REG_SZ, L"C:\\V1;C:\\V2", 0, 1, L";C:\\V1;C:\\V2;C:\\V1\\L1;C:\\V2\\L1",
         L"C:\\V1;C:\\V2"},
        {"base product: its language folder only", L"ZOVA", REG_SZ, L"C:\\V1", 0, 1, L"", L"inherited"},
        {"empty pieces make no folder", L"PLANNER", REG_SZ, L"C:\\V1;;C:\\V2;", 0, 1,
         L";C:\\V1;;C:\\V2;;C:\\V1\\L1;C:\\V2\\L1", L"C:\\V1;;C:\\V2;"},
        {"references are not expanded", L"PLANNER", REG_EXPAND_SZ, L"%VAR%\\V1", 0, 1, L";%VAR%\\V1;%VAR%\\V1\\L1",
         L"%VAR%\\V1"},
        {"the machine's key without a value stops start-up", L"PLANNER", REG_SZ, L"-", 0, 0, L"-", L""},
        {"fills the read buffer", L"PLANNER", REG_SZ, full, 0, 1, L";" + full + L";" + full + L"\\L1", full},
        {"one character beyond the read buffer", L"PLANNER", REG_SZ, full + L"v", 0, 0, L"-", L""},
        {"expandable without terminator, fills the buffer", L"PLANNER", REG_EXPAND_SZ, full + L"v#", 8096, 1,
         L";" + full + L"v;" + full + L"v\\L1", full + L"v"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh();
        InstallConfigurable({{row.product, {L"L1"}}});
        const std::wstring key = ProductRootOf(row.product, L"L1") + L"\\VerticalEnvPath";
        DeleteKey(HKEY_LOCAL_MACHINE, key);
        CreateKey(HKEY_LOCAL_MACHINE, key);
        if (row.value != L"-") {
            const DWORD bytes = row.bytes != 0 ? row.bytes : static_cast<DWORD>((row.value.size() + 1) * 2);
            SetRaw(HKEY_LOCAL_MACHINE, key, nullptr, row.type, row.value.c_str(), bytes);
        }
        SetString(HKEY_CURRENT_USER, key, nullptr, L"C:\\User");
        SetEnvironment(L"PATH", L"C:\\Old");
        SetEnvironment(L"ZVVERTICALPATH", L"inherited");
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), row.started);
        EXPECT_EQ(GetEnvironment(L"PATH"),
                  row.front == L"-" ? L"C:\\Old" : RootFolder() + L"L1" + row.front + L";C:\\Old");
        EXPECT_EQ(GetEnvironment(L"ZVVERTICALPATH"), row.variable);
        EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), row.variable == L"inherited" ? L"" : row.variable);
    }
}

TEST_F(HousekeepingTest, TextKeepsTheTypeItFindsUnlessAFolderIsFolded)
{
    const wchar_t* const profile = L"C:\\USERS\\SOMEONE\\AppData\\Roaming\\Data";
    // The value before (REG_NONE: none; a REG_DWORD holds 7, a text "old"), the caller's access to the key,
    // the call, its result, the value afterwards; whether after InstallUserData, and whether nobody may open
    // the key once the caller holds it.
    struct Row {
        const char* name;
        DWORD existing;
        REGSAM access;
        const wchar_t* valueName;
        const wchar_t* text;
        unsigned result;
        DWORD type;
        std::wstring stored;
        bool folding = false;
        bool denyOthers = false;
    } rows[] = {
        {"new value", REG_NONE, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"REG_SZ", REG_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_EXPAND_SZ, L"D:\\Work"},
        {"REG_DWORD", REG_DWORD, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_DWORD, L"D:\\Work"},
        {"empty text", REG_EXPAND_SZ, KEY_ALL_ACCESS, L"Value", L"", 0, REG_EXPAND_SZ, L""},
        {"REG_EXPAND_SZ, key to set values only", REG_EXPAND_SZ, KEY_SET_VALUE, L"Value", L"x", 0, REG_EXPAND_SZ, L"x"},
        {"new value, key to set values only", REG_NONE, KEY_SET_VALUE, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"type unreadable", REG_DWORD, KEY_SET_VALUE, L"Value", L"Text", 0, REG_SZ, L"Text", false, true},
        {"key to query only", REG_SZ, KEY_QUERY_VALUE, L"Value", L"new", ERROR_ACCESS_DENIED, REG_SZ, L"old"},
        {"null text", REG_SZ, KEY_ALL_ACCESS, L"Value", nullptr, ERROR_INVALID_PARAMETER, REG_SZ, L"old"},
        {"null name: the default value", REG_NONE, KEY_ALL_ACCESS, nullptr, L"default", 0, REG_SZ, L"default"},
        {"the profile folder before InstallUserData", REG_SZ, KEY_ALL_ACCESS, L"Value", profile, 0, REG_SZ, profile},
        {"the profile folder", REG_SZ, KEY_ALL_ACCESS, L"Value", profile, 0, REG_EXPAND_SZ,
         L"%USERPROFILE%\\appdata\\roaming\\data", true},
        {"twice, lower case", REG_DWORD, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\someone\\a;c:\\users\\someone", 0,
         REG_EXPAND_SZ, L"%USERPROFILE%\\a;%USERPROFILE%", true},
        {"a longer folder name", REG_SZ, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\someone2\\x", 0, REG_EXPAND_SZ,
         L"%USERPROFILE%2\\x", true},
        {"after a near miss", REG_SZ, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\someonC:\\Users\\someone", 0,
         REG_EXPAND_SZ, L"c:\\users\\someon%USERPROFILE%", true},
        {"no folder: as given", REG_SZ, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\some\\X", 0, REG_SZ,
         L"C:\\Users\\some\\X", true},
        {"the profile as it is now: read once", REG_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Elsewhere\\X", 0, REG_SZ,
         L"D:\\Elsewhere\\X", true},
    };
    CreateKey(HKEY_CURRENT_USER, productList);  // an empty product list
    const VariableGuard home(L"USERPROFILE");
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\someone");
    const auto& api = Load();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.folding && GetEnvironment(L"USERPROFILE") != L"D:\\Elsewhere") {
            ASSERT_EQ(api.InstallUserData(), 0u);
            SetEnvironment(L"USERPROFILE", L"D:\\Elsewhere");
        }
        DeleteKey(HKEY_CURRENT_USER, kKey);
        CreateKey(HKEY_CURRENT_USER, kKey);
        if (row.existing == REG_DWORD) {
            SetDword(HKEY_CURRENT_USER, kKey, row.valueName, 7);
        } else if (row.existing != REG_NONE) {
            SetString(HKEY_CURRENT_USER, kKey, row.valueName, L"old", row.existing);
        }
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, row.access, &key), ERROR_SUCCESS);
        std::optional<DeniedKey> denied;
        if (row.denyOthers) {
            denied.emplace(HKEY_CURRENT_USER, kKey);
        }
        EXPECT_EQ(api.zvudRegSetString(key, row.valueName, row.text), row.result);
        denied.reset();  // before the value is read back
        RegCloseKey(key);
        const auto value = ReadValue(HKEY_CURRENT_USER, kKey, row.valueName);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, row.type);
        EXPECT_EQ(value->data.size(), (row.stored.size() + 1) * sizeof(wchar_t)) << "the text and its terminator";
        EXPECT_EQ(value->Text(), row.stored);
    }
}

}  // namespace
}  // namespace userdata::testing
