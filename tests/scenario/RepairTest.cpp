// InstallUserData and CheckCOMServerRelativePaths: which products need a
// repair, and what the Windows Installer is asked for, seen at the library's
// delay-loaded msi.dll imports (UI level and command line of each reinstall)
// whose calls go on to msi.dll. No package carries the product codes, so each
// reinstall fails with ERROR_UNKNOWN_PRODUCT. Real reinstalls: tests/installer.
#include "TestSupport.h"

#include <msi.h>

#include <cwchar>
#include <sstream>

namespace userdata::testing {
namespace {

constexpr unsigned kUnknownProduct = 1605;
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
template <typename Function>
void Redirect(HMODULE library, const char* name, Function to)
{
    const auto from =
        reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"msi.dll"), name)));
    auto* words = reinterpret_cast<Function*>(library);
    const auto* image = reinterpret_cast<const BYTE*>(library);
    const DWORD size =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew)
            ->OptionalHeader.SizeOfImage;
    int redirected = 0;
    for (DWORD index = 0; index < size / sizeof(Function); ++index) {
        DWORD protection = 0;
        if (words[index] == from && VirtualProtect(&words[index], sizeof(Function), PAGE_READWRITE, &protection)) {
            words[index] = to;
            VirtualProtect(&words[index], sizeof(Function), protection, &protection);
            ++redirected;
        }
    }
    EXPECT_EQ(redirected, 1) << "the import slot";
}

// A product code that no package carries, ending in `tail` (two characters).
std::wstring Code(const wchar_t* tail)
{
    return std::wstring(L"{00000000-0000-0000-0000-0000000000") + tail + L"}";
}

class RepairTest : public ScenarioTest {
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
        Redirect(Module(), "MsiSetInternalUI", &RecordingSetInternalUI);
        Redirect(Module(), "MsiConfigureProductExW", &RecordingConfigureProductEx);
    }
};

TEST_F(RepairTest, EachProductGetsTheRepairItNeeds)
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
    // product's per-user settings are there afterwards.
    // clang-format off
    struct Product { std::wstring code; std::wstring userKey; std::wstring localRoot; DWORD type = REG_SZ; };
    struct Server { int index; DWORD type; const wchar_t* path; };
    const std::vector<Product> sound = {{Code(L"F1"), L"Software\\B\\First-1", there}};
    struct Row { const char* name; std::vector<Product> products; unsigned result; const wchar_t* reinstalls;
                 bool firstKeyKept = true; Server server = {0, REG_SZ, L"zvserver.dll"}; } rows[] = {
        {"no product list", {}, static_cast<unsigned>(ProductRootOf(L"ZOVA", L"L1").size()), L""},
        {"sound products", {sound[0], {Code(L"F2"), L"Software\\B\\Second", L""}}, 0, L""},
        {"folders not checked below a KPW key", {{Code(L"E1"), L"Software\\B\\ZOVA-KPW-1", missing}}, 0, L""},
        {"a bare KPW key", {{Code(L"E1"), L"KPW-1", missing}}, 0, L""},
        {"COM server at a network path", sound, 0, L"", true, {1, REG_SZ, L"\\\\server\\share\\x.dll"}},
        {"COM server by an unexpanded reference", sound, 0, L"", true, {2, REG_EXPAND_SZ, L"%ProgramFiles%\\x.dll"}},
        {"COM server path empty", sound, 0, L"", true, {1, REG_SZ, L""}},
        {"per-user key missing", {{Code(L"B1"), L"Software\\B\\User-1", L"-"}}, kUnknownProduct, L"uos", false},
        {"local root folder missing", {{Code(L"B1"), L"Software\\B\\User-1", missing}}, kUnknownProduct, L"p u", false},
        {"missing folder stored longer than the read, expanded it fits", {{Code(L"B1"), L"Software\\B\\User-1",
         missing + manyA, REG_EXPAND_SZ}}, kUnknownProduct, L"p u", false},
        {"PW is no KPW key", {{Code(L"E1"), L"PW-1", missing}}, kUnknownProduct, L"p u", false},
        {"kpw compares exactly", {{Code(L"E1"), L"Software\\B\\kpw-1", missing}}, kUnknownProduct, L"p u", false},
        {"the last product decides: a sound one", {{Code(L"0A"), L"Software\\B\\Missing-1", L"-"}, {Code(L"0B"),
         L"Software\\B\\Sound-1", there}}, 0, L"uos", false},
        {"the last product decides: a failing one", {{Code(L"0D"), L"Software\\B\\Missing-1", L"-"}, {Code(L"0C"),
         L"Software\\B\\Sound-1", there}}, kUnknownProduct, L"uos", false},
        {"required COM server missing", sound, 0, L"m", true, {0, REG_NONE, nullptr}},
        {"required COM server at a drive", sound, 0, L"m", true, {0, REG_SZ, L"C:\\Suite\\zvserver.dll"}},
        {"first optional COM server at a drive", sound, 0, L"m", true, {1, REG_SZ, L"C:\\Suite\\x.dll"}},
        {"second optional COM server drive-relative", sound, 0, L"m", true, {2, REG_SZ, L"D:x.dll"}},
        {"optional COM server without a default value", sound, 0, L"m", true, {2, REG_NONE, L""}},
        {"COM server registered by a number", sound, 0, L"m", true, {1, REG_DWORD, L""}},
    };
    // clang-format on
    const auto& api = Load();
    bool recording = false;
    const INSTALLUILEVEL hostLevel = INSTALLUILEVEL_NONE;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!recording && *row.reinstalls != L'\0') {
            StartRecording(api);
            recording = true;
            MsiSetInternalUI(hostLevel, nullptr);
        }
        for (const Product& product : row.products) {
            SetString(HKEY_LOCAL_MACHINE, productList, product.code.c_str(), product.userKey);
            if (product.localRoot != L"-") {
                CreateKey(HKEY_CURRENT_USER, product.userKey + L"\\Settings");
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
        if (row.server.type == REG_DWORD) {
            SetDword(HKEY_CLASSES_ROOT, kServers[row.server.index], nullptr, 1);
        } else if (row.server.type != REG_NONE) {
            SetString(HKEY_CLASSES_ROOT, kServers[row.server.index], nullptr, row.server.path, row.server.type);
        }
        EXPECT_EQ(api.CheckCOMServerRelativePaths(), std::wcscmp(row.reinstalls, L"m") != 0);
        requests.clear();
        EXPECT_EQ(api.InstallUserData(), row.result);
        std::wstring expected;
        std::wistringstream modes(row.reinstalls);
        for (std::wstring mode; modes >> mode;) {
            expected += std::to_wstring(kReinstallLevel) + (mode == L"m" ? L" REINSTALL=ALL" : L" REINSTALL=UserData") +
                        L" REINSTALLMODE=" + mode + L" ZOVA_SECONDARY_INSTALL=1\n";
        }
        EXPECT_EQ(requests, expected);
        EXPECT_EQ(recording, DelayImportsBound(Module(), "msi.dll")) << "the installer is asked only for a repair";
        if (recording) {
            EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr), hostLevel) << "the host's level restored";
        }
        if (!row.products.empty()) {
            EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, row.products[0].userKey + L"\\Settings"), row.firstKeyKept);
        }
        for (const Product& product : row.products) {
            DeleteKey(HKEY_CURRENT_USER, product.userKey);
        }
        DeleteKey(HKEY_LOCAL_MACHINE, productList);
    }
}

}  // namespace
}  // namespace userdata::testing
