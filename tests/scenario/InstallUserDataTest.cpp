// InstallUserData inside the registry sandbox: the product list, the status
// it returns and the products whose folders are not checked. Product codes
// that no package carries make every reinstall fail with 1605, which shows
// whether one was asked for. (Real reinstalls: tests/installer.)
#include "TestSupport.h"

namespace userdata::testing {
namespace {

constexpr unsigned kUnknownProduct = 1605;  // ERROR_UNKNOWN_PRODUCT

class InstallUserDataTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    const std::wstring productList = root + L"\\UserData";

    void SetUp() override { InstallConfigurable({{L"ZOVA", {L"L1"}}}); }

    // What zvudRegSetString makes of a path in the user's profile folder.
    std::wstring WrittenProfilePath(const UserDataExports& api)
    {
        const std::wstring key = L"Software\\Brevonix\\Written";
        CreateKey(HKEY_CURRENT_USER, key);
        HKEY written = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS, &written), ERROR_SUCCESS);
        EXPECT_EQ(api.zvudRegSetString(written, L"Data", L"C:\\Users\\Someone\\AppData\\Data"), 0u);
        RegCloseKey(written);
        const auto value = ReadValue(HKEY_CURRENT_USER, key, L"Data");
        return value ? (value->type == REG_EXPAND_SZ ? L"expandable " : L"plain ") + value->Text() : L"<missing>";
    }

    // A product of the list whose per-user key exists and names a local root
    // folder (none when `folder` is empty).
    void ListProduct(const wchar_t* code, const std::wstring& userKey, const std::wstring& folder)
    {
        SetString(HKEY_LOCAL_MACHINE, productList, code, userKey);
        CreateKey(HKEY_CURRENT_USER, userKey);
        if (!folder.empty()) {
            SetString(HKEY_CURRENT_USER, userKey, L"LocalRootFolder", folder);
        }
    }
};

TEST_F(InstallUserDataTest, NoProductListGivesTheRootKeyLength)
{
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\Someone");
    const auto& api = Load();
    EXPECT_EQ(api.InstallUserData(), root.size());
    EXPECT_EQ(WrittenProfilePath(api), L"plain C:\\Users\\Someone\\AppData\\Data") << "folding stays off";
}

TEST_F(InstallUserDataTest, EmptyProductListEndsWellAndSwitchesFoldingOn)
{
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\Someone");
    CreateKey(HKEY_CURRENT_USER, productList);  // the user's list, as the machine has none
    const auto& api = Load();
    EXPECT_EQ(WrittenProfilePath(api), L"plain C:\\Users\\Someone\\AppData\\Data") << "before";
    EXPECT_EQ(api.InstallUserData(), 0u);
    EXPECT_FALSE(DelayImportsBound(Module(), "msi.dll")) << "no reinstall was asked for";
    EXPECT_EQ(WrittenProfilePath(api), L"expandable %USERPROFILE%\\appdata\\data") << "after";
}

TEST_F(InstallUserDataTest, LastProductDecidesTheResult)
{
    TempFolder folder;
    struct Row {
        const char* scenario;
        const wchar_t* failing;  // per-user key missing: its first-run reinstall fails
        const wchar_t* sound;    // per-user key and folder in order
        unsigned result;
    } rows[] = {
        {"failure, then a sound product", L"{00000000-0000-0000-0000-00000000000A}",
         L"{00000000-0000-0000-0000-00000000000B}", 0},
        {"sound product, then a failure", L"{00000000-0000-0000-0000-00000000000D}",
         L"{00000000-0000-0000-0000-00000000000C}", kUnknownProduct},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteKey(HKEY_LOCAL_MACHINE, productList);
        // Values are walked in the registry's order, by name here.
        SetString(HKEY_LOCAL_MACHINE, productList, row.failing, L"Software\\Brevonix\\Missing-1");
        ListProduct(row.sound, L"Software\\Brevonix\\Sound-1", folder.Path());
        const auto& api = Load();
        EXPECT_EQ(api.InstallUserData(), row.result);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Brevonix\\Missing-1"));
        Unload();
    }
}

TEST_F(InstallUserDataTest, FolderChecksSkippedForKpwKeys)
{
    TempFolder folder;
    const std::wstring missingFolder = folder / L"missing";
    struct Row {
        std::wstring userKey;
        bool checked;
    } rows[] = {
        {L"Software\\Brevonix\\ZOVA-KPW-1", false},
        {L"KPW-1", false},
        {L"PW-1", true},
        {L"Software\\Brevonix\\kpw-1", true},
        {L"Software\\Brevonix\\NoDash", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.userKey));
        DeleteKey(HKEY_LOCAL_MACHINE, productList);
        ListProduct(L"{00000000-0000-0000-0000-0000000000E1}", row.userKey, missingFolder);
        SetString(HKEY_CURRENT_USER, row.userKey + L"\\Settings", L"Kept", L"x");
        const auto& api = Load();
        // Checked: the folder is missing and cannot be opened, so the reinstall
        // fails and the per-user key tree is deleted on the way.
        EXPECT_EQ(api.InstallUserData(), row.checked ? kUnknownProduct : 0u);
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, row.userKey + L"\\Settings"), !row.checked);
        Unload();
        DeleteKey(HKEY_CURRENT_USER, row.userKey);
    }
}

TEST_F(InstallUserDataTest, SoundProductsNeedNoInstaller)
{
    TempFolder folder;
    ListProduct(L"{00000000-0000-0000-0000-0000000000F1}", L"Software\\Brevonix\\First-1", folder.Path());
    ListProduct(L"{00000000-0000-0000-0000-0000000000F2}", L"Software\\Brevonix\\Second-1", L"");
    SetString(HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr,
              L"zvserver.dll");
    const auto& api = Load();
    EXPECT_EQ(api.InstallUserData(), 0u);
    EXPECT_FALSE(DelayImportsBound(Module(), "msi.dll"));
}

TEST_F(InstallUserDataTest, BrokenComRegistrationAsksForARepair)
{
    TempFolder folder;
    ListProduct(L"{00000000-0000-0000-0000-0000000000F1}", L"Software\\Brevonix\\First-1", folder.Path());
    // The required server is not registered at all.
    const auto& api = Load();
    EXPECT_EQ(api.InstallUserData(), 0u) << "the repair's own result is not looked at";
    EXPECT_TRUE(DelayImportsBound(Module(), "msi.dll")) << "the Windows Installer was asked";
}

}  // namespace
}  // namespace userdata::testing
