#include "Scenarios.h"

#include <filesystem>

namespace userdata::testing {

// HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT redirected, for
// the whole process and so for the library too, to fresh keys of the real
// current-user hive, removed again afterwards. Their shared parent key stays:
// deleting it would race with a sandbox made in another process.
struct ScenarioTest::Sandbox {
    const std::wstring root = L"Software\\UserDataTests\\" + UniqueName(L"sandbox-");
    const HKEY redirected[3] = {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER};  // the user's last
    HKEY keys[3] = {};

    Sandbox()
    {
        for (int index = 0; index < 3; ++index) {  // each key made in the real user hive, then put in place
            keys[index] = OpenForWriting(HKEY_CURRENT_USER, root + L"\\" + std::to_wstring(index));
            EXPECT_EQ(RegOverridePredefKey(redirected[index], keys[index]), ERROR_SUCCESS);
        }
    }
    ~Sandbox()
    {
        for (int index = 0; index < 3; ++index) {
            RegOverridePredefKey(redirected[index], nullptr);
            RegCloseKey(keys[index]);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    }
};

ScenarioTest::ScenarioTest(RegistryView view) : view_(view), currentFolder_(std::filesystem::current_path().wstring())
{
    NewInstallation();
}

void ScenarioTest::NewInstallation()
{
    if (view_ == RegistryView::Sandboxed) {
        registry_ = std::make_unique<Sandbox>();
    }
    install_.emplace();
    const std::wstring built = TestProgramFolder() + L"\\UserData.dll";
    EXPECT_TRUE(CopyFileW(built.c_str(), (*install_ / L"UserData.dll").c_str(), FALSE)) << "copying the library";
}

void ScenarioTest::Fresh()
{
    Unload();
    registry_.reset();
    install_.reset();
    NewInstallation();
}

ScenarioTest::~ScenarioTest()
{
    Unload();
    WaitForChildProcesses(InstallFolder());  // the migration tools that the library started
    SetCurrentDirectoryW(currentFolder_.c_str());
    if (view_ == RegistryView::Real) {
        RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\ZOVA"});
    }
}

void ScenarioTest::WriteVersionFile(const std::wstring& versionKey, const wchar_t* configurable)
{
    const std::wstring line = configurable != nullptr ? L"IsConfigurable=" + std::wstring(configurable) + L"\r\n" : L"";
    WriteTextFile(*install_ / L"identityver.ini",
                  Narrow(L"[ProductIdentity]\r\nProductVersionKey=" + versionKey + L"\r\n" + line));
}

void ScenarioTest::WriteIdentityFile(const std::wstring& relativeFolder, const std::wstring& productRoot,
                                     const std::wstring& globalRoot)
{
    const std::wstring folder = relativeFolder.empty() ? install_->Path() : *install_ / relativeFolder;
    CreateFolders(folder);
    WriteTextFile(folder + L"\\identity.ini",
                  Narrow(L"[ProductIdentity]\r\n" +
                         (globalRoot.empty() ? L"" : L"GlobalRegistryRootKey=" + globalRoot + L"\r\n") +
                         (productRoot.empty() ? L"" : L"ProductRegistryRootKey=" + productRoot + L"\r\n")));
}

void ScenarioTest::WriteCatalogue(const std::vector<InstalledProduct>& products, HKEY hive)
{
    const std::wstring base = std::wstring(kVersionKey) + L"\\InstalledProducts";
    CreateKey(hive, base);
    for (const InstalledProduct& entry : products) {
        CreateKey(hive, base + L"\\" + entry.product);
        for (const std::wstring& language : entry.languages) {
            SetString(hive, base + L"\\" + entry.product, language.c_str(), L"");
        }
    }
}

void ScenarioTest::InstallConfigurable(std::initializer_list<InstalledProduct> products)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue(products);
    for (const InstalledProduct& entry : products) {
        for (const std::wstring& language : entry.languages) {
            const std::wstring root = ProductRootOf(entry.product, language);
            const bool base = _wcsicmp(entry.product.c_str(), L"ZOVA") == 0;
            WriteIdentityFile(base ? language : entry.product + L"\\" + language, root, L"Software\\Brevonix\\Global");
            if (!base) {
                SetString(HKEY_LOCAL_MACHINE, root + L"\\VerticalEnvPath", nullptr, L"C:\\Vertical\\" + entry.product);
            }
        }
    }
}

void ScenarioTest::WriteLastLaunched(const std::wstring& product, const std::wstring& language)
{
    SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct", product);
    SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", language);
}

const UserDataExports& ScenarioTest::Load()
{
    Unload();  // first, so that the library loads afresh
    library_ = std::make_unique<UserDataLibrary>(*install_ / L"UserData.dll");
    return library_->Exports();
}

}  // namespace userdata::testing
