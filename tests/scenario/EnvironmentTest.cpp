// PATH and ZVVERTICALPATH: what start-up puts in front of PATH, and
// AppendEnvironmentPath for hosts.
#include "TestSupport.h"

#include <cstdlib>

namespace userdata::testing {
namespace {

class EnvironmentTest : public ScenarioTest {};

TEST_F(EnvironmentTest, AppendPutsFoldersInFrontWithinTheLimit)
{
    const auto& api = Load();
    const std::wstring fits = std::wstring(32761, L'f');  // with ";C:\W", PATH's 32766 characters
    // PATH before (null: unset; set by the host: through SetEnvironmentVariableW alone, behind the runtime's
    // back), the folders appended (none: null), the result and PATH afterwards.
    // clang-format off
    struct Row { const char* name; const wchar_t* path; std::optional<std::wstring> folders; int result;
                 std::wstring expected; bool setByHost = false; } rows[] = {
        {"no folders", L"C:\\W", {}, 1, L";C:\\W"},
        {"in front", L"C:\\W", L"C:\\A", 1, L"C:\\A;C:\\W"},
        {"duplicates stay", L"C:\\A;C:\\W", L"C:\\A", 1, L"C:\\A;C:\\A;C:\\W"},
        {"PATH unset", nullptr, L"C:\\A", 1, L"C:\\A;"},
        {"set by the host behind the runtime's back", L"C:\\Host", L"C:\\A", 1, L"C:\\A;C:\\Host", true},
        {"fills the limit", L"C:\\W", fits, 1, fits + L";C:\\W"},
        {"one character beyond the limit", L"C:\\W", fits + L"f", 0, L"C:\\W"},
        {"far beyond the limit", L"C:\\W", std::wstring(40000, L'h'), 0, L"C:\\W"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetEnvironment(L"PATH", row.setByHost ? L"C:\\Stale" : row.path);
        if (row.setByHost) {
            SetEnvironmentVariableW(L"PATH", row.path);
        }
        EXPECT_EQ(api.AppendEnvironmentPath(row.folders ? row.folders->c_str() : nullptr), row.result);
        EXPECT_EQ(GetEnvironment(L"PATH"), row.expected);
        EXPECT_EQ(std::wstring(_wgetenv(L"PATH")), row.expected) << "the C runtime's copy";
    }
}

TEST_F(EnvironmentTest, StartUpPutsLanguageThenVerticalFoldersInFront)
{
    const std::wstring full(4047, L'v');  // with its terminator, the read buffer's 8096 bytes
    // The machine's VerticalEnvPath ("-": the key without a value) as `bytes` of it (0: the text and its
    // terminator); what start-up gives, what PATH gains after the language folder and ZVVERTICALPATH.
    // clang-format off
    struct Row { const char* name; const wchar_t* product; DWORD type; std::wstring value; DWORD bytes; int started;
                 std::wstring front; std::wstring variable; } rows[] = {
        {"vertical product", L"PLANNER", REG_SZ, L"C:\\V1;C:\\V2", 0, 1, L";C:\\V1;C:\\V2;C:\\V1\\L1;C:\\V2\\L1",
         L"C:\\V1;C:\\V2"},
        {"base product: its language folder only", L"ZOVA", REG_SZ, L"C:\\V1", 0, 1, L"", L"inherited"},
        {"empty pieces make no folder", L"PLANNER", REG_SZ, L"C:\\V1;;C:\\V2;", 0, 1,
         L";C:\\V1;;C:\\V2;;C:\\V1\\L1;C:\\V2\\L1", L"C:\\V1;;C:\\V2;"},
        {"references are not expanded", L"PLANNER", REG_EXPAND_SZ, L"%VAR%\\V1", 0, 1, L";%VAR%\\V1;%VAR%\\V1\\L1",
         L"%VAR%\\V1"},
        {"only separators", L"PLANNER", REG_SZ, L";;", 0, 1, L";;;", L";;"},
        {"the machine's key without a value stops start-up", L"PLANNER", REG_SZ, L"-", 0, 0, L"-", L""},
        {"fills the read buffer", L"PLANNER", REG_SZ, full, 0, 1, L";" + full + L";" + full + L"\\L1", full},
        {"one character beyond the read buffer", L"PLANNER", REG_SZ, full + L"v", 0, 0, L"-", L""},
        {"expandable without terminator, fills the buffer", L"PLANNER", REG_EXPAND_SZ, full + L"v#", 8096, 1,
         L";" + full + L"v;" + full + L"v\\L1", full + L"v"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh();
        InstallConfigurable({{row.product, {L"L1"}}});
        const std::wstring key = ProductRootOf(row.product, L"L1") + L"\\VerticalEnvPath";
        DeleteKey(HKEY_LOCAL_MACHINE, key);
        CreateKey(HKEY_LOCAL_MACHINE, key);
        if (row.value != L"-") {
            const DWORD bytes = row.bytes != 0 ? row.bytes : static_cast<DWORD>((row.value.size() + 1) * 2);
            SetRaw(HKEY_LOCAL_MACHINE, key, nullptr, row.type, row.value.c_str(), bytes);
        }
        SetString(HKEY_CURRENT_USER, key, nullptr, L"C:\\User");
        SetEnvironment(L"PATH", L"C:\\Old");
        SetEnvironment(L"ZVVERTICALPATH", L"inherited");
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), row.started);
        EXPECT_EQ(GetEnvironment(L"PATH"),
                  row.front == L"-" ? L"C:\\Old" : RootFolder() + L"L1" + row.front + L";C:\\Old");
        EXPECT_EQ(GetEnvironment(L"ZVVERTICALPATH"), row.variable);
        EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), row.variable == L"inherited" ? L"" : row.variable);
    }
}

}  // namespace
}  // namespace userdata::testing
