// PATH and ZVVERTICALPATH: what start-up puts in front of PATH, and
// AppendEnvironmentPath for hosts.
#include "TestSupport.h"

#include <cstdlib>
#include <cwchar>

namespace userdata::testing {
namespace {

class EnvironmentPathsTest : public ScenarioTest {
protected:
    const std::wstring root = ProductRootOf(L"PLANNER", L"L1");
    const std::wstring verticalKey = root + L"\\VerticalEnvPath";

    std::wstring Path() { return GetEnvironment(L"PATH").value_or(L"<unset>"); }
};

TEST_F(EnvironmentPathsTest, AppendPutsFoldersInFront)
{
    const auto& api = Load();
    // PATH holds at most 32766 characters; "C:\\W" and the separator take 5.
    const std::wstring fits(32761, L'f');
    const std::wstring fitted = fits + L";C:\\W";
    const std::wstring tooLong(32762, L'f');
    const std::wstring huge(40000, L'h');
    struct Row {
        const wchar_t* oldPath;  // null: PATH unset
        const wchar_t* folders;
        int result;
        const wchar_t* expected;
        bool setByHost = false;  // through SetEnvironmentVariableW alone, not the runtime's copy
    } rows[] = {
        {L"C:\\W", L"C:\\A", 1, L"C:\\A;C:\\W"},
        {L"C:\\A;C:\\W", L"C:\\A", 1, L"C:\\A;C:\\A;C:\\W"},  // duplicates stay
        {L"C:\\W", nullptr, 1, L";C:\\W"},
        {nullptr, L"C:\\A", 1, L"C:\\A;"},
        {L"C:\\Host", L"C:\\A", 1, L"C:\\A;C:\\Host", true},
        {L"C:\\W", fits.c_str(), 1, fitted.c_str()},
        {L"C:\\W", tooLong.c_str(), 0, L"C:\\W"},
        {L"C:\\W", huge.c_str(), 0, L"C:\\W"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "PATH " << (row.oldPath ? row.oldPath : L"unset") << ", folders of "
                                          << (row.folders ? std::wcslen(row.folders) : 0) << " characters");
        SetEnvironment(L"PATH", row.setByHost ? L"C:\\Stale" : row.oldPath);
        if (row.setByHost) {
            SetEnvironmentVariableW(L"PATH", row.oldPath);
        }
        EXPECT_EQ(api.AppendEnvironmentPath(row.folders), row.result);
        EXPECT_EQ(Path(), row.expected);
        const wchar_t* runtimeCopy = _wgetenv(L"PATH");
        EXPECT_STREQ(runtimeCopy, row.expected) << "the C runtime's copy too";
    }
}

TEST_F(EnvironmentPathsTest, VerticalProductPutsLanguageThenVerticalFolders)
{
    InstallConfigurable({{L"PLANNER", {L"L1"}}});
    SetString(HKEY_LOCAL_MACHINE, verticalKey, nullptr, L"C:\\V1;C:\\V2");
    SetString(HKEY_CURRENT_USER, verticalKey, nullptr, L"C:\\User");
    SetEnvironment(L"PATH", L"C:\\Old");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
    EXPECT_EQ(Path(), RootFolder() + L"L1;C:\\V1;C:\\V2;C:\\V1\\L1;C:\\V2\\L1;C:\\Old");
    EXPECT_EQ(GetEnvironment(L"ZVVERTICALPATH"), L"C:\\V1;C:\\V2");
    EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), L"C:\\V1;C:\\V2");
}

TEST_F(EnvironmentPathsTest, BaseProductAddsOnlyItsLanguageFolder)
{
    InstallConfigurable({{L"ZOVA", {L"L2"}}});
    SetString(HKEY_LOCAL_MACHINE, ProductRootOf(L"ZOVA", L"L2") + L"\\VerticalEnvPath", nullptr, L"C:\\V1");
    SetEnvironment(L"PATH", L"C:\\Old");
    SetEnvironment(L"ZVVERTICALPATH", L"inherited");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
    EXPECT_EQ(Path(), RootFolder() + L"L2;C:\\Old");
    EXPECT_EQ(GetEnvironment(L"ZVVERTICALPATH"), L"inherited") << "left as the process inherited it";
    EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), L"");
}

TEST_F(EnvironmentPathsTest, VerticalValueIsTakenAsStored)
{
    SetEnvironment(L"VAR", L"C:\\Expanded");
    struct Row {
        const char* scenario;
        DWORD type;
        const wchar_t* value;
        const wchar_t* languageFolders;
    } rows[] = {
        {"empty pieces make no folder", REG_SZ, L"C:\\V1;;C:\\V2;", L";C:\\V1\\L1;C:\\V2\\L1"},
        {"references are not expanded", REG_EXPAND_SZ, L"%VAR%\\V1", L";%VAR%\\V1\\L1"},
        {"only separators", REG_SZ, L";;", L""},
    };
    InstallConfigurable({{L"PLANNER", {L"L1"}}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        SetString(HKEY_LOCAL_MACHINE, verticalKey, nullptr, row.value, row.type);
        SetEnvironment(L"PATH", L"C:\\Old");
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
        EXPECT_EQ(Path(), RootFolder() + L"L1;" + row.value + row.languageFolders + L";C:\\Old");
        EXPECT_EQ(GetEnvironment(L"ZVVERTICALPATH"), row.value);
        EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), row.value);
        Unload();
    }
}

TEST_F(EnvironmentPathsTest, MachineKeyWithoutValueStopsStartUp)
{
    InstallConfigurable({{L"PLANNER", {L"L1"}}});
    DeleteKey(HKEY_LOCAL_MACHINE, verticalKey);
    CreateKey(HKEY_LOCAL_MACHINE, verticalKey);
    SetString(HKEY_CURRENT_USER, verticalKey, nullptr, L"C:\\User");
    SetEnvironment(L"PATH", L"C:\\Old");
    SetEnvironment(L"ZVVERTICALPATH", L"inherited");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0);
    EXPECT_EQ(GetEnvironment(L"ZVVERTICALPATH"), L"") << "emptied first, and the user's value not read";
    EXPECT_EQ(Path(), L"C:\\Old") << "not even the language folder is added";
    EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), L"");
}

TEST_F(EnvironmentPathsTest, VerticalValueAtTheSizeOfItsBuffer)
{
    InstallConfigurable({{L"PLANNER", {L"L1"}}});
    const std::wstring fills(4048, L'v');  // 8096 bytes, the whole buffer
    struct Row {
        const char* scenario;
        DWORD type;
        std::wstring text;
        DWORD bytes;
        bool starts;
    } rows[] = {
        {"terminated, fills the buffer", REG_SZ, std::wstring(4047, L'v'), 8096, true},
        {"terminated, one character too many", REG_SZ, fills, 8098, false},
        {"expandable without terminator, fills the buffer", REG_EXPAND_SZ, fills + L"#", 8096, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        SetRaw(HKEY_LOCAL_MACHINE, verticalKey, nullptr, row.type, row.text.c_str(), row.bytes);
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), row.starts ? 1 : 0);
        const std::wstring stored = row.text.substr(0, row.bytes / 2).substr(0, row.text.find(L'#'));
        EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), row.starts ? stored : L"");
        Unload();
    }
}

}  // namespace
}  // namespace userdata::testing
