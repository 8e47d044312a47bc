// Every export, run through its scenarios many times, leaves no registry key,
// file, process or module open.
#include "Equipped.h"

#include <gtest/gtest-spi.h>

namespace userdata::testing {
namespace {

constexpr int kRounds = 40;

class HandleSweepTest : public EquippedTest {
protected:
    // One call of every export; what they answer is tested elsewhere.
    void CallEverything(const UserDataExports& api)
    {
        for (const BufferExport& entry : BufferExports()) {
            wchar_t buffer[4096];
            entry.call(api, buffer, 4096);
        }
        RaisesContinuable(0xC0000008, [&] { api.zvudGetProductUILanguage(); });
        api.zvudLoadMUIString(L"@TestStrings.dll,-999", nullptr, 0);
        api.zvudLoadMUIString(L"@NoSuchModule.dll,-1", nullptr, 0);
        api.IsUnicodeBuild();
        api.SetWorkingDirectory();
        api.CheckCOMServerRelativePaths();
        api.InstallUserData();
        api.ProcessAutoMigrate();
        HKEY written = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Brevonix\\Written", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &written, nullptr);
        api.zvudRegSetString(written, L"Data", L"C:\\Users\\Someone\\Data");
        RegCloseKey(written);
        api.zvudSetUserProductRegistryRootKey(L"");
    }

    // `alsoEachRound` stands for a leak of the library's in the sweep's own check.
    void ExpectNoLeak(const UserDataExports& api, const std::function<void()>& alsoEachRound = [] {})
    {
        CallEverything(api);  // first calls may bind modules for good (msi.dll, shell32 and the like)
        const std::size_t handles = OpenHandleCount();
        const std::vector<std::wstring> modules = LoadedModules();
        for (int round = 0; round < kRounds; ++round) {
            CallEverything(api);
            alsoEachRound();
        }
        EXPECT_EQ(OpenHandleCount(), handles);
        EXPECT_EQ(LoadedModules(), modules);
    }
};

// The sweep's own check: a registry key left open in each round fails it.
TEST_F(HandleSweepTest, FailsOnALeakedHandle)
{
    const auto& api = Load();
    std::vector<HKEY> leaked;
    ::testing::TestPartResultArray failures;
    {
        const ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        ExpectNoLeak(api, [&] {
            HKEY key = nullptr;
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &key);
            leaked.push_back(key);
        });
    }
    for (HKEY key : leaked) {
        RegCloseKey(key);
    }
    ASSERT_EQ(failures.size(), 1);
    EXPECT_NE(std::string(failures.GetTestPartResult(0).message()).find("OpenHandleCount"), std::string::npos)
        << failures.GetTestPartResult(0).message();
}

TEST_F(HandleSweepTest, WhenEverythingIsInPlace)
{
    InstallEverything();
    ExpectNoLeak(Load());
}

TEST_F(HandleSweepTest, WhenNothingIsInstalled)
{
    ExpectNoLeak(Load());
}

TEST_F(HandleSweepTest, WhenReinstallsFailAndTheToolRuns)
{
    InstallEverything();
    // The per-user key is missing and the product unknown to the installer:
    // every call asks for a reinstall. The machine lets migration run, and
    // the user's state asks for a full run each time.
    DeleteKey(HKEY_CURRENT_USER, L"Software\\Brevonix\\Planner-User");
    SetString(HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr,
              L"C:\\Suite\\zvserver.dll");
    SetDword(HKEY_LOCAL_MACHINE, Root(), L"AutoMigrate", 1);
    SetDword(HKEY_CURRENT_USER, Root(), L"AutoMigrate", 1);
    const auto& api = Load();
    ExpectNoLeak(api);
    EXPECT_TRUE(DelayImportsBound(Module(), "msi.dll")) << "the installer was asked";
    EXPECT_TRUE(FileExists(InstallFolder() + L"\\bxmigrator.log")) << "the tool ran";
}

}  // namespace
}  // namespace userdata::testing
