// The repair's internal steps: deleting a registry tree, and the Windows
// Installer's absence.
#include "repair/UserDataInstall.h"
#include "repair/WindowsInstaller.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace userdata {
namespace {

using namespace userdata::testing;

const std::wstring kTree = L"Software\\Brevonix\\Tree";

class DeleteRegistryTreeTest : public ::testing::Test {
protected:
    RegistrySandbox sandbox;

    void PlantTree()
    {
        SetString(HKEY_CURRENT_USER, kTree, L"Value", L"x");
        for (const wchar_t* path : {L"\\A\\A0", L"\\A\\A1\\A11\\A111", L"\\A\\A2", L"\\B", L"\\C\\C1"}) {
            SetString(HKEY_CURRENT_USER, kTree + path, L"Value", L"x");
        }
    }
};

TEST_F(DeleteRegistryTreeTest, DeletesEveryLevelAndRestoresThePath)
{
    struct Row {
        const char* scenario;
        std::wstring path;
        std::wstring afterwards;
    } rows[] = {
        {"own path", kTree, kTree},
        {"path with a trailing backslash loses it", kTree + L"\\", kTree},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        PlantTree();
        wchar_t path[kDeleteTreePathCapacity];
        std::fill(std::begin(path), std::end(path), L'#');
        std::copy(row.path.begin(), row.path.end(), path);
        path[row.path.size()] = L'\0';
        EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kTree));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Brevonix")) << "nothing above it";
        EXPECT_STREQ(path, row.afterwards.c_str());
    }
}

TEST_F(DeleteRegistryTreeTest, MissingKeyAndTheHiveItself)
{
    wchar_t missing[kDeleteTreePathCapacity] = L"Software\\Brevonix\\Nowhere";
    EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, missing), ERROR_FILE_NOT_FOUND);
    SetString(HKEY_CURRENT_USER, L"Software\\Kept", L"Value", L"x");
    wchar_t hive[kDeleteTreePathCapacity] = L"";
    EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, hive), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Kept"));
}

TEST_F(DeleteRegistryTreeTest, StopsAtASubkeyThatCannotBeDeleted)
{
    PlantTree();
    {
        // A key with a subkey that cannot be opened cannot be emptied.
        DeniedKey locked(HKEY_CURRENT_USER, kTree + L"\\A\\A1");
        wchar_t path[kDeleteTreePathCapacity] = {};
        std::copy(kTree.begin(), kTree.end(), path);
        EXPECT_NE(DeleteRegistryTree(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
        EXPECT_STREQ(path, kTree.c_str());
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kTree)) << "the key itself cannot go";
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kTree + L"\\A\\A0")) << "deleted before the locked subkey";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kTree + L"\\A\\A1\\A11"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kTree + L"\\A\\A2")) << "not reached after the stop";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kTree + L"\\B"));
}

LONG WINAPI ExitWithExceptionCode(EXCEPTION_POINTERS* exception)
{
    ExitProcess(exception->ExceptionRecord->ExceptionCode);
}

// CTest runs this test with msi.dll disabled (WINEDLLOVERRIDES=msi=), for
// this process and the child that runs the statement.
TEST(WindowsInstallerDeathTest, MissingInstallerRaisesTheDelayLoadException)
{
    HMODULE installer = LoadLibraryW(L"msi.dll");
    if (installer != nullptr) {
        FreeLibrary(installer);
        GTEST_SKIP() << "msi.dll can be loaded here; run with msi.dll disabled";
    }
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(&ExitWithExceptionCode);
            ReinstallProduct(L"{00000000-0000-0000-0000-0000000000C1}", L"REINSTALL=ALL");
        },
        ::testing::ExitedWithCode(static_cast<int>(0xC06D007Eu)), "");
}

}  // namespace
}  // namespace userdata
