// The start-up housekeeping as a host sees it: PATH and ZVVERTICALPATH
// (start-up and AppendEnvironmentPath), the registry string writer with its
// folded paths, and InstallUserData with CheckCOMServerRelativePaths: which
// products need a repair and what the Windows Installer is asked for, seen at
// the library's delay-loaded msi.dll imports (UI level and command line of
// each reinstall) whose calls go on to msi.dll. No package carries
// the product codes, so each reinstall fails with ERROR_UNKNOWN_PRODUCT (real
// reinstalls: tests/installer).
#include "TestSupport.h"

#include <msi.h>

#include <cstdlib>

namespace userdata::testing {
namespace {

const std::wstring kKey = L"Software\\Brevonix\\Suite\\Settings";  // the string writer's
const std::wstring kServers[] = {L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32",  // required
                                 L"CLSID\\{5A1C7E42-3B9D-4F08-A6E2-71C4D0B9E315}\\InProcServer32",
                                 L"CLSID\\{9E0D2F6B-84A7-4C13-B5F9-2D6A8E1C4B70}\\InProcServer32"};
const std::wstring kLongName(300, L'A');  // a variable that expands to "a"

INSTALLUILEVEL levelInForce = INSTALLUILEVEL_NOCHANGE;
std::wstring requests;  // "level command line" of each reinstall, a line each

// The reinstalls asked for, each at the basic UI level without a cancel button (35): the first run's, a missing
// folder's (which deletes the per-user tree first), the per-user key's, and the COM servers'.
const std::wstring kFirstRun = L"35 REINSTALL=UserData REINSTALLMODE=uos ZOVA_SECONDARY_INSTALL=1\n";
const std::wstring kFolder = L"35 REINSTALL=UserData REINSTALLMODE=p ZOVA_SECONDARY_INSTALL=1\n";
const std::wstring kUserKey = L"35 REINSTALL=UserData REINSTALLMODE=u ZOVA_SECONDARY_INSTALL=1\n";
const std::wstring kServer = L"35 REINSTALL=ALL REINSTALLMODE=m ZOVA_SECONDARY_INSTALL=1\n";

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

// A product listed for the machine, with its per-user key and that key's LocalRootFolder ("-": no per-user key;
// "": no value; "!": a key the user may not open); '*' stands for the test's own folder, and a value holding '%' is
// expandable.
struct Product {
    std::wstring key = L"Software\\B\\Sound-1";
    std::wstring root = L"*";
};
// One COM server's registration, the others sound: its index in kServers (0: the required one), the type of its
// default value (REG_NONE: none) and its path (null: no key).
struct Server {
    int index = 0;
    DWORD type = REG_SZ;
    const wchar_t* path = L"zvserver.dll";
};
// The products listed in their order (none: no product list), InstallUserData's result and the reinstalls it asks
// for.
struct RepairRow {
    const char* name = "";
    std::vector<Product> products = {Product{}};
    Server server{};
    unsigned result = 0;
    std::wstring requests = L"";
};

const std::wstring kMissing = L"*\\missing";
const Product kNoUserKey = {.key = L"Software\\B\\User-1", .root = L"-"};
const Product kLongMissing = {.key = L"Software\\B\\User-1", .root = kMissing + L"%" + kLongName + L"%"};
const Product kNoValue = {.key = L"Software\\B\\Second", .root = L""};
const RepairRow kRepairRows[] = {
    {.name = "no product list", .products = {}, .result = 34},  // the product root key's length
    {.name = "sound products", .products = {Product{}, kNoValue}},
    {.name = "no folder check below KPW", .products = {{.key = L"Software\\B\\ZOVA-KPW-1", .root = kMissing}}},
    {.name = "a bare KPW key", .products = {{.key = L"KPW-1", .root = kMissing}}},
    {.name = "COM server at a network path", .server = {.index = 1, .path = L"\\\\server\\share\\x.dll"}},
    {.name = "COM server by a reference", .server = {.index = 2, .type = REG_EXPAND_SZ, .path = L"%P%\\x.dll"}},
    {.name = "per-user key missing", .products = {kNoUserKey}, .result = 1605, .requests = kFirstRun},
    {.name = "per-user key refused: left alone",
     .products = {{.key = L"Software\\B\\Denied-1", .root = L"!"}},
     .result = 5},
    {.name = "missing folder, stored long", .products = {kLongMissing}, .result = 1605, .requests = kFolder + kUserKey},
    {.name = "PW is no KPW key",
     .products = {{.key = L"PW-1", .root = kMissing}},
     .result = 1605,
     .requests = kFolder + kUserKey},
    {.name = "kpw is no KPW",
     .products = {{.key = L"kpw-1", .root = kMissing}},
     .result = 1605,
     .requests = kFolder + kUserKey},
    {.name = "the last decides: sound", .products = {kNoUserKey, Product{}}, .requests = kFirstRun},
    {.name = "the last decides: failing", .products = {Product{}, kNoUserKey}, .result = 1605, .requests = kFirstRun},
    {.name = "required COM server missing", .server = {.type = REG_NONE, .path = nullptr}, .requests = kServer},
    {.name = "required COM server at a drive", .server = {.path = L"C:\\Suite\\zvserver.dll"}, .requests = kServer},
    {.name = "optional COM server drive-relative", .server = {.index = 2, .path = L"D:x.dll"}, .requests = kServer},
    {.name = "optional server, no default", .server = {.index = 2, .type = REG_NONE, .path = L""}, .requests = kServer},
    {.name = "server by number", .server = {.index = 1, .type = REG_DWORD, .path = L"\x0001"}, .requests = kServer},
};

// The value before (REG_NONE: none; a REG_DWORD holds 7, a text "old"), the caller's access to the key, the call,
// its result and the value's type and text afterwards (none: the one written, or "old" when the call fails); whether
// nobody may open the key once the caller holds it; whether InstallUserData has read the profile folder
// C:\Users\me before, which has moved to D:\Elsewhere since.
struct TextRow {
    const char* name = "";
    DWORD existing = REG_NONE;
    REGSAM access = KEY_ALL_ACCESS;
    const wchar_t* valueName = L"Value";
    const wchar_t* text = L"D:\\Work";
    unsigned result = 0;
    DWORD type = REG_SZ;
    std::optional<std::wstring> stored{};
    bool denyOthers = false;
    bool profileRead = false;
};
class HousekeepingTest : public ScenarioTest {
protected:
    const std::wstring productList = ProductRootOf(L"ZOVA", L"L1") + L"\\UserData";
    TempFolder folder;
    std::optional<DeniedKey> deniedUserKey;

    void SetUp() override { InstallConfigurable({{L"ZOVA", {L"L1"}}}); }

    // Lets one reinstall bind msi.dll, then records the library's calls.
    void StartRecording(const UserDataExports& api)
    {
        SetString(kMachine, productList, L"{00000000-0000-0000-0000-0000000000A1}", L"Software\\None");
        api.InstallUserData();
        DeleteKey(kMachine, productList);
        Redirect(Module(), "MsiSetInternalUI", reinterpret_cast<const void*>(&RecordingSetInternalUI));
        Redirect(Module(), "MsiConfigureProductExW", reinterpret_cast<const void*>(&RecordingConfigureProductEx));
    }

    // Each product under a code that no package carries, its per-user key with siblings of one name length and a
    // tree below them; the COM servers sound but for the row's.
    void Store(const RepairRow& row)
    {
        for (size_t index = 0; index < row.products.size(); ++index) {
            const Product& product = row.products[index];
            const std::wstring code = L"{00000000-0000-0000-0000-00000000000" + std::to_wstring(index) + L"}";
            SetString(kMachine, productList, code.c_str(), product.key);
            for (const wchar_t* below : {L"\\Settings\\Window\\Size", L"\\Profiles", L"\\Toolbars"}) {
                if (product.root != L"-") {
                    CreateKey(kUser, product.key + below);
                }
            }
            const std::wstring root = product.root[0] == L'*' ? folder.Path() + product.root.substr(1) : product.root;
            if (product.root != L"-" && !root.empty()) {
                const DWORD type = root.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ;
                SetString(kUser, product.key, L"LocalRootFolder", root, type);
            }
            if (product.root == L"!") {
                deniedUserKey.emplace(kUser, product.key);
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
    }

    // zvudRegSetString through a key opened for `access`; its result and what the value then holds.
    std::wstring Write(const TextRow& row)
    {
        DeleteKey(kUser, kKey);
        CreateKey(kUser, kKey);
        if (row.existing == REG_DWORD) {
            SetDword(kUser, kKey, row.valueName, 7);
        } else if (row.existing != REG_NONE) {
            SetString(kUser, kKey, row.valueName, L"old", row.existing);
        }
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(kUser, kKey.c_str(), 0, row.access, &key), ERROR_SUCCESS);
        std::optional<DeniedKey> denied;
        if (row.denyOthers) {
            denied.emplace(kUser, kKey);
        }
        const unsigned result = Api().zvudRegSetString(key, row.valueName, row.text);
        denied.reset();  // before the value is read back
        RegCloseKey(key);
        const auto value = ReadValue(kUser, kKey, row.valueName);
        const bool terminated = value && value->data.size() == (value->Text().size() + 1) * sizeof(wchar_t);
        return Seen(result, value ? value->type : REG_NONE, value ? value->Text() : L"-") +
               (terminated ? L"" : L" without its terminator");
    }
    static std::wstring Seen(unsigned result, DWORD type, const std::wstring& stored)
    {
        return L"result " + std::to_wstring(result) + L", type " + std::to_wstring(type) + L" \"" + stored + L"\"";
    }
};

TEST_F(HousekeepingTest, EachProductGetsTheRepairItNeeds)
{
    const VariableGuard letter(kLongName.c_str());
    SetEnvironment(kLongName.c_str(), L"a");
    const auto& api = Load();
    StartRecording(api);
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);  // the host's level
    for (const RepairRow& row : kRepairRows) {
        Store(row);
        api.CheckCOMServerRelativePaths();
        const std::ptrdiff_t handles = OpenHandleCount();
        const int check = api.CheckCOMServerRelativePaths();
        const bool leaked = OpenHandleCount() != handles;
        requests.clear();
        const unsigned result = api.InstallUserData();
        deniedUserKey.reset();
        std::wstring deleted;  // the per-user keys gone
        for (const Product& product : row.products) {
            deleted += product.root != L"-" && !KeyExists(kUser, product.key) ? L", " + product.key + L" deleted" : L"";
        }
        const bool levelChanged = MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr) != INSTALLUILEVEL_NONE;
        const std::wstring seen = L"check " + std::to_wstring(check) + L", result " + std::to_wstring(result) +
                                  deleted + (leaked ? L", a key left open" : L"") +
                                  (levelChanged ? L", the host's UI level changed" : L"") + L"\n" + requests;
        const bool deletes = row.requests.starts_with(kFolder);
        const std::wstring expected =
            L"check " + std::to_wstring(row.requests != kServer) + L", result " + std::to_wstring(row.result) +
            (deletes ? L", " + row.products[0].key + L" deleted" : L"") + L"\n" + row.requests;
        EXPECT_EQ(Narrow(expected), Narrow(seen)) << row.name << ": CheckCOMServerRelativePaths, InstallUserData";
        for (const Product& product : row.products) {
            DeleteKey(kUser, product.key);
        }
        DeleteKey(kMachine, productList);
    }
}

// PATH before (null: unset; set by the host: through SetEnvironmentVariableW alone, behind the runtime's back), the
// folders appended (none: null), the result and PATH afterwards.
struct PathRow {
    const char* name = "";
    const wchar_t* path = L"C:\\W";
    std::optional<std::wstring> folders{};
    int result = 1;
    std::wstring gives;
    bool hostOnly = false;
};
const std::wstring kFits(32761, L'f');  // with ";C:\W", PATH's 32766 characters
const PathRow kPathRows[] = {
    {.name = "no folders", .gives = L";C:\\W"},
    {.name = "in front", .folders = L"C:\\A", .gives = L"C:\\A;C:\\W"},
    {.name = "PATH unset", .path = nullptr, .folders = L"C:\\A", .gives = L"C:\\A;"},
    {.name = "set by the host alone", .path = L"C:\\H", .folders = L"C:\\A", .gives = L"C:\\A;C:\\H", .hostOnly = true},
    {.name = "fills the limit", .folders = kFits, .gives = kFits + L";C:\\W"},
    {.name = "one character beyond the limit", .folders = kFits + L"f", .result = 0, .gives = L"C:\\W"},
};

TEST_F(HousekeepingTest, AppendPutsFoldersInFrontWithinTheLimit)
{
    const auto& api = Load();
    for (const PathRow& row : kPathRows) {
        SetEnvironment(L"PATH", row.hostOnly ? L"C:\\Stale" : row.path);
        if (row.hostOnly) {
            SetEnvironmentVariableW(L"PATH", row.path);
        }
        const int result = api.AppendEnvironmentPath(row.folders ? row.folders->c_str() : nullptr);
        const std::wstring seen = L"result " + std::to_wstring(result) + L", PATH " +
                                  GetEnvironment(L"PATH").value_or(L"-") + L", the C runtime's " + _wgetenv(L"PATH");
        const std::wstring expected =
            L"result " + std::to_wstring(row.result) + L", PATH " + row.gives + L", the C runtime's " + row.gives;
        EXPECT_EQ(Narrow(expected), Narrow(seen)) << row.name << ": AppendEnvironmentPath";
    }
}

// The machine's VerticalEnvPath ("-": the key without a value) of `type`, stored as `bytes` of it (0: the text and
// its terminator); what start-up gives, ZVVERTICALPATH afterwards, and the language folders of its pieces that PATH
// gains after the product's language folder and ZVVERTICALPATH.
struct VerticalRow {
    const char* name = "";
    const wchar_t* product = L"PLANNER";
    DWORD type = REG_SZ;
    std::wstring value;
    DWORD bytes = 0;
    int started = 1;
    std::wstring variable = L"";
    std::wstring languages = L"";
};
const std::wstring kFull(4047, L'v');  // with its terminator, the read buffer's 8096 bytes
const VerticalRow kVerticalRows[] = {
    {.name = "vertical product", .value = L"A;B", .variable = L"A;B", .languages = L"A\\L1;B\\L1"},
    {.name = "base product: its language folder only", .product = L"ZOVA", .value = L"A", .variable = L"inherited"},
    {.name = "empty pieces make no folder", .value = L"A;;B;", .variable = L"A;;B;", .languages = L"A\\L1;B\\L1"},
    {.name = "a quoted folder holding ';' stays one",
     .value = L"\"A;B\";C",
     .variable = L"\"A;B\";C",
     .languages = L"\"A;B\\L1\";C\\L1"},
    {.name = "references kept", .type = REG_EXPAND_SZ, .value = L"%V%", .variable = L"%V%", .languages = L"%V%\\L1"},
    {.name = "the machine's key without a value stops start-up", .value = L"-", .started = 0},
    {.name = "fills the read buffer", .value = kFull, .variable = kFull, .languages = kFull + L"\\L1"},
    {.name = "one character beyond the read buffer", .value = kFull + L"v", .started = 0},
    {.name = "expandable, unterminated, fills the buffer",
     .type = REG_EXPAND_SZ,
     .value = kFull + L"v#",
     .bytes = 8096,
     .variable = kFull + L"v",
     .languages = kFull + L"v\\L1"},
};

TEST_F(HousekeepingTest, StartUpPutsLanguageThenVerticalFoldersInFront)
{
    for (const VerticalRow& row : kVerticalRows) {
        Fresh();
        InstallConfigurable({{row.product, {L"L1"}}});
        const std::wstring key = ProductRootOf(row.product, L"L1") + L"\\VerticalEnvPath";
        DeleteKey(kMachine, key);
        CreateKey(kMachine, key);
        if (row.value != L"-") {
            const DWORD bytes = row.bytes != 0 ? row.bytes : static_cast<DWORD>((row.value.size() + 1) * 2);
            SetRaw(kMachine, key, nullptr, row.type, row.value.c_str(), bytes);
        }
        SetString(kUser, key, nullptr, L"C:\\User");
        SetEnvironment(L"PATH", L"C:\\Old");
        SetEnvironment(L"ZVVERTICALPATH", L"inherited");
        const auto& api = Load();
        const int started = api.zvudInitProductParams(nullptr, nullptr);
        const std::wstring seen = std::to_wstring(started) + L", PATH " + GetEnvironment(L"PATH").value_or(L"-") +
                                  L", ZVVERTICALPATH " + GetEnvironment(L"ZVVERTICALPATH").value_or(L"-") +
                                  L", zvudGetVerticalEnvPath " + AskText(api.zvudGetVerticalEnvPath);
        const std::wstring vertical = row.languages.empty() ? L"" : L";" + row.variable + L";" + row.languages;
        const std::wstring path = row.started == 0 ? L"C:\\Old" : RootFolder() + L"L1" + vertical + L";C:\\Old";
        const std::wstring expected = std::to_wstring(row.started) + L", PATH " + path + L", ZVVERTICALPATH " +
                                      row.variable + L", zvudGetVerticalEnvPath " +
                                      (row.product == std::wstring(L"ZOVA") ? L"" : row.variable);
        EXPECT_EQ(Narrow(expected), Narrow(seen)) << row.name << ": zvudInitProductParams";
    }
}

const wchar_t* const kProfile = L"C:\\USERS\\ME\\AppData\\Roaming\\Data";
// Text written over a REG_SZ value once InstallUserData has read the profile folder.
TextRow Folded(const char* name, const wchar_t* text, const std::wstring& stored, DWORD type = REG_EXPAND_SZ)
{
    return {.name = name, .existing = REG_SZ, .text = text, .type = type, .stored = stored, .profileRead = true};
}
const TextRow kTextRows[] = {
    {.name = "new value"},
    {.name = "REG_DWORD", .existing = REG_DWORD, .type = REG_DWORD},
    {.name = "expandable, set-only key", .existing = REG_EXPAND_SZ, .access = KEY_SET_VALUE, .type = REG_EXPAND_SZ},
    {.name = "type unreadable", .existing = REG_DWORD, .access = KEY_SET_VALUE, .denyOthers = true},
    {.name = "query-only key", .existing = REG_SZ, .access = KEY_QUERY_VALUE, .result = ERROR_ACCESS_DENIED},
    {.name = "null text", .existing = REG_SZ, .text = nullptr, .result = ERROR_INVALID_PARAMETER},
    {.name = "null name: the default value", .valueName = nullptr},
    {.name = "the profile folder before InstallUserData", .existing = REG_SZ, .text = kProfile},
    Folded("the profile folder", kProfile, L"%USERPROFILE%\\appdata\\roaming\\data"),
    Folded("twice, any case", L"C:\\Users\\me\\AZ;c:\\users\\me", L"%USERPROFILE%\\az;%USERPROFILE%"),
    Folded("a longer folder name", L"C:\\Users\\me2\\x", L"%USERPROFILE%2\\x"),
    Folded("after a near miss", L"C:\\Users\\mC:\\Users\\me", L"c:\\users\\m%USERPROFILE%"),
    Folded("no folder: as given", L"C:\\Users\\m\\X", L"C:\\Users\\m\\X", REG_SZ),
    Folded("the profile now: read once", L"D:\\Elsewhere\\X", L"D:\\Elsewhere\\X", REG_SZ),
};

TEST_F(HousekeepingTest, TextKeepsTheTypeItFindsAndFoldsTheProfileFolder)
{
    const VariableGuard home(L"USERPROFILE");
    CreateKey(kUser, productList);  // an empty product list
    for (const TextRow& row : kTextRows) {
        SetEnvironment(L"USERPROFILE", L"C:\\Users\\me");
        const auto& api = Load();
        if (row.profileRead) {
            EXPECT_EQ(api.InstallUserData(), 0u);
            SetEnvironment(L"USERPROFILE", L"D:\\Elsewhere");
        }
        const std::wstring stored = row.result != 0 ? L"old" : row.stored.value_or(row.text);
        EXPECT_EQ(Narrow(Seen(row.result, row.type, stored)), Narrow(Write(row))) << row.name << ": zvudRegSetString";
    }
}

}  // namespace
}  // namespace userdata::testing
