// InstallUserData with the real Windows Installer: two small products, built
// by the test build with wixl and installed into the test prefix, whose
// per-user data the library has the installer restore.
#include "TestSupport.h"

#include <msi.h>

namespace userdata::testing {
namespace {

const wchar_t* const kCodes[] = {L"{A1B2C3D4-0000-4000-8000-0000000000A1}", L"{A1B2C3D4-0000-4000-8000-0000000000B1}"};
const std::wstring kTests = L"Software\\Brevonix\\InstallerTests\\", kUserKey = kTests + L"ProductA-User";
const std::wstring kMachineKeys[] = {kTests + L"ProductA", kTests + L"ProductB"};

// The text of a value, "" when there is none.
std::wstring Stored(const std::wstring& key, const wchar_t* name = L"Reinstalled", HKEY hive = HKEY_LOCAL_MACHINE)
{
    return ReadValue(hive, key, name).value_or(RegistryValue{}).Text();
}

// What breaks the installation, and what the first product's reinstall was asked for, as REINSTALL:REINSTALLMODE.
struct RepairRow {
    const char* name;
    std::function<void()> prepare;
    std::wstring reinstalled;
};

class InstallerRepairTest : public ScenarioTest {
protected:
    InstallerRepairTest() : ScenarioTest(RegistryView::Real) {}

    // The prefix's hives are left as they were found: what was installed here
    // is removed again, with the keys its reinstalls and the test wrote.
    void TearDown() override
    {
        for (const wchar_t* code : installedHere_) {
            EXPECT_EQ(MsiConfigureProductW(code, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT), ERROR_SUCCESS);
        }
        RemoveFromRealHives({L"Software\\Brevonix\\InstallerTests"});
    }

    // Both products installed, unless they are already, and listed for the base product.
    void InstallBothProducts()
    {
        for (int product = 0; product < 2; ++product) {
            if (MsiQueryProductStateW(kCodes[product]) != INSTALLSTATE_DEFAULT) {
                const std::wstring package = TestProgramFolder() + L"\\packages\\Product" + L"AB"[product] + L".msi";
                ASSERT_EQ(MsiInstallProductW(package.c_str(), L""), ERROR_SUCCESS) << Narrow(package);
                installedHere_.push_back(kCodes[product]);
            }
            SetString(HKEY_LOCAL_MACHINE, ProductRootOf(L"ZOVA", L"L1") + L"\\UserData", kCodes[product],
                      kMachineKeys[product] + L"-User");
        }
    }

    std::vector<const wchar_t*> installedHere_;
};

TEST_F(InstallerRepairTest, MissingUserDataIsRestored)
{
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    InstallBothProducts();
    const std::wstring folder = Stored(kUserKey, L"LocalRootFolder", HKEY_CURRENT_USER);
    HANDLE held = INVALID_HANDLE_VALUE;
    const RepairRow rows[] = {
        {.name = "per-user key missing: a first-run install",
         .prepare = [&] { DeleteKey(HKEY_CURRENT_USER, kUserKey); },
         .reinstalled = L"UserData:uos"},
        {.name = "local root folder missing", .prepare = [&] { DeleteTree(folder); }, .reinstalled = L"UserData:p"},
        // Held open without sharing, the folder cannot be opened for writing: the per-user key is renewed.
        {.name = "local root folder that cannot be opened",
         .prepare =
             [&] {
                 SetString(HKEY_CURRENT_USER, kUserKey + L"\\Settings", L"Stale", L"x");
                 held = CreateFileW(folder.c_str(), GENERIC_READ, 0, {}, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, {});
             },
         .reinstalled = L"UserData:u"},
        {.name = "COM registration broken: the first listed product repairs it",
         .prepare =
             [] {
                 SetString(HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr,
                           L"C:\\Suite\\zvserver.dll");
             },
         .reinstalled = L"ALL:m"},
    };
    for (const RepairRow& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ": InstallUserData()");
        for (const std::wstring& key : kMachineKeys) {
            SetString(HKEY_LOCAL_MACHINE, key, L"Reinstalled", L"untouched");
        }
        row.prepare();
        EXPECT_EQ(Load().InstallUserData(), 0u);
        CloseHandle(std::exchange(held, INVALID_HANDLE_VALUE));
        EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr), INSTALLUILEVEL_NONE) << "the host's UI level back";
        EXPECT_TRUE(FileExists(folder) && !KeyExists(HKEY_CURRENT_USER, kUserKey + L"\\Settings"));
        EXPECT_EQ(Stored(kUserKey, L"UILevel", HKEY_CURRENT_USER), L"3") << "the basic UI level";
        EXPECT_TRUE(Api().CheckCOMServerRelativePaths());
        // The second product has nothing to restore.
        EXPECT_EQ(Stored(kMachineKeys[0]) + L", " + Stored(kMachineKeys[1]), row.reinstalled + L", untouched");
    }
}

}  // namespace
}  // namespace userdata::testing
