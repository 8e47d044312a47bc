// InstallUserData with the real Windows Installer: two small products, built
// by the test build with wixl and installed into the test prefix, whose
// per-user data the library has the installer restore.
#include "TestSupport.h"

#include <msi.h>

namespace userdata::testing {
namespace {

const wchar_t* const kCodes[] = {L"{A1B2C3D4-0000-4000-8000-0000000000A1}", L"{A1B2C3D4-0000-4000-8000-0000000000B1}"};
const std::wstring kTests = L"Software\\Brevonix\\InstallerTests\\";
const std::wstring kUserKey = kTests + L"ProductA-User";
const std::wstring kMachineKeys[] = {kTests + L"ProductA", kTests + L"ProductB"};
const std::wstring kComServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32";

std::wstring Text(HKEY hive, const std::wstring& key, const wchar_t* name)
{
    return ReadValue(hive, key, name).value_or(RegistryValue{}).Text();
}

class InstallerRepairTest : public ScenarioTest {
protected:
    InstallerRepairTest() : ScenarioTest(RegistryView::Real) {}

    // The prefix's hives are left as they were found: what was installed here
    // is removed again, with the keys its reinstalls and the test wrote.
    void TearDown() override
    {
        Unload();
        for (const wchar_t* code : installedHere_) {
            EXPECT_EQ(MsiConfigureProductW(code, INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT), ERROR_SUCCESS);
        }
        RemoveFromRealHives({L"Software\\Brevonix\\InstallerTests"});
    }

    void SetUp() override
    {
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        for (const wchar_t* code : kCodes) {
            if (MsiQueryProductStateW(code) != INSTALLSTATE_DEFAULT) {
                const std::wstring package = TestProgramFolder() + L"\\packages\\Product" + code[35] + L".msi";
                ASSERT_EQ(MsiInstallProductW(package.c_str(), L""), ERROR_SUCCESS) << Narrow(package);
                installedHere_.push_back(code);
            }
        }
        InstallConfigurable({{L"ZOVA", {L"L1"}}});
        for (int product = 0; product < 2; ++product) {
            SetString(HKEY_LOCAL_MACHINE, ProductRootOf(L"ZOVA", L"L1") + L"\\UserData", kCodes[product],
                      kMachineKeys[product] + L"-User");
        }
    }

    std::vector<const wchar_t*> installedHere_;
};

TEST_F(InstallerRepairTest, MissingUserDataIsRestored)
{
    const std::wstring folder = Text(HKEY_CURRENT_USER, kUserKey, L"LocalRootFolder");
    HANDLE held = INVALID_HANDLE_VALUE;
    struct Row {
        const char* name;
        std::function<void()> prepare;
        const wchar_t* reinstalled;  // what the first product's reinstall was asked for: REINSTALL:REINSTALLMODE
    } rows[] = {
        {"per-user key missing: installed as on first run", [&] { DeleteKey(HKEY_CURRENT_USER, kUserKey); },
         L"UserData:uos"},
        {"local root folder missing", [&] { DeleteTree(folder); }, L"UserData:p"},
        // Held open without sharing, the folder cannot be opened for writing.
        {"local root folder that cannot be opened: the per-user key renewed", [&] {
             SetString(HKEY_CURRENT_USER, kUserKey + L"\\Settings", L"Stale", L"x");
             held = CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr); }, L"UserData:u"},
        {"COM registration broken: the first listed product repairs it",
         [&] { SetString(HKEY_CLASSES_ROOT, kComServer, nullptr, L"C:\\Suite\\zvserver.dll"); }, L"ALL:m"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetString(HKEY_LOCAL_MACHINE, kMachineKeys[0], L"Reinstalled", L"untouched");
        SetString(HKEY_LOCAL_MACHINE, kMachineKeys[1], L"Reinstalled", L"untouched");
        row.prepare();
        const auto& api = Load();
        EXPECT_EQ(api.InstallUserData(), 0u);
        CloseHandle(std::exchange(held, INVALID_HANDLE_VALUE));
        EXPECT_EQ(MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr), INSTALLUILEVEL_NONE) << "the host's UI level back";
        EXPECT_TRUE(FileExists(folder));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserKey + L"\\Settings"));
        EXPECT_EQ(Text(HKEY_CURRENT_USER, kUserKey, L"UILevel"), L"3") << "the basic UI level";
        EXPECT_TRUE(api.CheckCOMServerRelativePaths());
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kMachineKeys[0], L"Reinstalled"), row.reinstalled);
        EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kMachineKeys[1], L"Reinstalled"), L"untouched") << "nothing to restore";
        Unload();
    }
}

}  // namespace
}  // namespace userdata::testing
