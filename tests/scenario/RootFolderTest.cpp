// GetProductRootFolder and SetWorkingDirectory through the real DLL.
#include "TestSupport.h"

#include <shlobj.h>

namespace userdata::testing {
namespace {

class RootFolderTest : public ScenarioTest {};

std::wstring CurrentDirectory()
{
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

TEST_F(RootFolderTest, IsTheLibraryFolderWithABackslash)
{
    const auto& api = Load();
    const std::wstring expected = RootFolder();
    GuardedBuffer buffer(MAX_PATH);
    EXPECT_EQ(api.GetProductRootFolder(buffer.Data(), MAX_PATH), expected.size());
    EXPECT_EQ(buffer.Text(), expected) << "the library's folder, not the test program's";
}

TEST_F(RootFolderTest, WritesNoMoreThanTheFolder)
{
    const auto& api = Load();
    const auto need = static_cast<unsigned long>(RootFolder().size() + 1);
    struct Row {
        unsigned long capacity;
        bool answered;
    } rows[] = {{MAX_PATH, true}, {0xFFFFFFFF, true}, {need, true}, {need - 1, false}, {0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "capacity " << row.capacity);
        GuardedBuffer buffer(MAX_PATH);
        const unsigned result = api.GetProductRootFolder(buffer.Data(), row.capacity);
        EXPECT_TRUE(buffer.Untouched(std::min(row.capacity, need))) << "written beyond the answer";
        if (row.answered) {
            EXPECT_EQ(result, RootFolder().size());
            EXPECT_EQ(buffer.Text(), RootFolder());
        } else {
            EXPECT_EQ(result, 0u);
            EXPECT_TRUE(row.capacity == 0 || buffer.Text().empty());
        }
    }
}

// One scenario: the cache folder beside the test program is shared.
TEST_F(RootFolderTest, WorkingDirectoryLeavesOnlyTheCacheFolder)
{
    const auto& api = Load();
    wchar_t documents[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, documents)));
    const std::wstring cache = TestProgramFolder() + L"\\userdatacache";
    CreateFolders(cache + L"\\below");
    CreateFolders(cache + L"2");
    TempFolder elsewhere;
    struct Row {
        std::wstring start;
        bool moves;
    } rows[] = {
        {cache, true},
        {TestProgramFolder() + L"\\UserDataCache", true},
        {TestProgramFolder() + L"\\USERDATACACHE", true},
        {cache + L"2", false},
        {cache + L"\\below", false},
        {elsewhere.Path(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.start));
        ASSERT_TRUE(SetCurrentDirectoryW(row.start.c_str()));
        const std::wstring before = CurrentDirectory();
        api.SetWorkingDirectory();
        EXPECT_EQ(CurrentDirectory(), row.moves ? std::wstring(documents) : before);
    }

    // A Documents folder that does not exist yet is created.
    TempFolder profile;
    const std::wstring missing = profile / L"Documents";
    SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
              L"Personal", missing, REG_EXPAND_SZ);
    ASSERT_TRUE(SetCurrentDirectoryW(cache.c_str()));
    api.SetWorkingDirectory();
    EXPECT_TRUE(FileExists(missing));
    EXPECT_EQ(_wcsicmp(CurrentDirectory().c_str(), missing.c_str()), 0) << Narrow(CurrentDirectory());

    SetCurrentDirectoryW(InstallFolder().c_str());
    DeleteTree(cache);
    DeleteTree(cache + L"2");
}

}  // namespace
}  // namespace userdata::testing
