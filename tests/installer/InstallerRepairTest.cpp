// InstallUserData with the real Windows Installer: two small products, built
// by the test build with wixl and installed into the test prefix, whose
// per-user data the library has reinstalled.
#include "TestSupport.h"

#include <msi.h>

namespace userdata::testing {
namespace {

struct TestProduct {
    const wchar_t* code;
    const wchar_t* package;
    const wchar_t* userKey;
    const wchar_t* machineKey;
};

const TestProduct kProductA = {L"{A1B2C3D4-0000-4000-8000-0000000000A1}", L"ProductA.msi",
                               L"Software\\Brevonix\\InstallerTests\\ProductA-User",
                               L"Software\\Brevonix\\InstallerTests\\ProductA"};
const TestProduct kProductB = {L"{A1B2C3D4-0000-4000-8000-0000000000B1}", L"ProductB.msi",
                               L"Software\\Brevonix\\InstallerTests\\ProductB-User",
                               L"Software\\Brevonix\\InstallerTests\\ProductB"};
const std::wstring kRequiredServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32";

std::wstring TextValue(HKEY hive, const std::wstring& key, const wchar_t* name)
{
    const auto value = ReadValue(hive, key, name);
    return value ? value->Text() : L"<missing>";
}

class InstallerRepairTest : public ScenarioTest {
protected:
    InstallerRepairTest() : ScenarioTest(RegistryView::Real) {}

    void SetUp() override
    {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        for (const TestProduct* product : {&kProductA, &kProductB}) {
            EnsureInstalled(*product);
        }
        InstallConfigurable({{L"ZOVA", {L"L1"}}});
    }

    // The prefix's hives are left as they were found: what was installed here
    // is removed again, with the keys its reinstalls and the tests wrote.
    void TearDown() override
    {
        Unload();
        for (const wchar_t* code : installedHere_) {
            EXPECT_EQ(MsiConfigureProductW(code, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT), ERROR_SUCCESS)
                << "removing " << Narrow(code);
        }
        RemoveFromRealHives({L"Software\\Brevonix\\InstallerTests"});
    }

    void EnsureInstalled(const TestProduct& product)
    {
        if (MsiQueryProductStateW(product.code) == INSTALLSTATE_DEFAULT) {
            return;
        }
        const std::wstring package = TestProgramFolder() + L"\\packages\\" + product.package;
        ASSERT_EQ(MsiInstallProductW(package.c_str(), L""), ERROR_SUCCESS) << "installing " << Narrow(package);
        installedHere_.push_back(product.code);
    }

    // The product list names the products by code and per-user key.
    void ListProducts(std::initializer_list<const TestProduct*> products)
    {
        const std::wstring list = ProductRootOf(L"ZOVA", L"L1") + L"\\UserData";
        for (const TestProduct* product : products) {
            SetString(HKEY_LOCAL_MACHINE, list, product->code, product->userKey);
        }
    }

    static std::wstring LocalRootFolder(const TestProduct& product)
    {
        return TextValue(HKEY_CURRENT_USER, product.userKey, L"LocalRootFolder");
    }

private:
    std::vector<const wchar_t*> installedHere_;
};

TEST_F(InstallerRepairTest, MissingUserKeyIsInstalledAsOnFirstRun)
{
    ListProducts({&kProductA});
    DeleteKey(HKEY_CURRENT_USER, kProductA.userKey);
    const auto& api = Load();
    EXPECT_EQ(api.InstallUserData(), 0u);
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, kProductA.userKey, L"ReinstallMode"), L"uos");
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, kProductA.userKey, L"SecondaryInstall"), L"1");
    EXPECT_TRUE(FileExists(LocalRootFolder(kProductA)));
}

TEST_F(InstallerRepairTest, MissingLocalRootFolderComesBack)
{
    ListProducts({&kProductA});
    const std::wstring folder = LocalRootFolder(kProductA);
    ASSERT_TRUE(FileExists(folder));
    DeleteTree(folder);
    ASSERT_FALSE(FileExists(folder));
    const auto& api = Load();
    EXPECT_EQ(api.InstallUserData(), 0u);
    EXPECT_TRUE(FileExists(folder));
}

TEST_F(InstallerRepairTest, FolderThatCannotBeOpenedRenewsTheUserKey)
{
    ListProducts({&kProductA});
    SetString(HKEY_CURRENT_USER, std::wstring(kProductA.userKey) + L"\\Settings", L"Stale", L"x");
    const std::wstring folder = LocalRootFolder(kProductA);
    // Held open without sharing, the folder cannot be opened for writing.
    const HANDLE held = CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto& api = Load();
    const unsigned result = api.InstallUserData();
    CloseHandle(held);
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(kProductA.userKey) + L"\\Settings"))
        << "the per-user key tree was deleted";
    EXPECT_EQ(TextValue(HKEY_CURRENT_USER, kProductA.userKey, L"ReinstallMode"), L"u") << "and reinstalled";
}

TEST_F(InstallerRepairTest, BrokenComRegistrationIsRepairedOnce)
{
    ListProducts({&kProductA, &kProductB});
    SetString(HKEY_CLASSES_ROOT, kRequiredServer, nullptr, L"C:\\Suite\\zvserver.dll");
    for (const TestProduct* product : {&kProductA, &kProductB}) {
        SetString(HKEY_LOCAL_MACHINE, product->machineKey, L"Reinstalled", L"untouched");
    }
    const auto& api = Load();
    EXPECT_FALSE(api.CheckCOMServerRelativePaths());
    EXPECT_EQ(api.InstallUserData(), 0u);
    EXPECT_TRUE(api.CheckCOMServerRelativePaths());
    EXPECT_EQ(TextValue(HKEY_CLASSES_ROOT, kRequiredServer, nullptr), L"zvserver.dll");
    EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, kProductA.machineKey, L"Reinstalled"), L"ALL:m")
        << "the first product of the list repairs the registration";
    EXPECT_EQ(TextValue(HKEY_LOCAL_MACHINE, kProductB.machineKey, L"Reinstalled"), L"untouched")
        << "the registration was sound again for the second";
}

}  // namespace
}  // namespace userdata::testing
