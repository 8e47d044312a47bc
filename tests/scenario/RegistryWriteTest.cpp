// zvudRegSetString as a host sees it: the type it keeps, the status it gives,
// and the folded paths once InstallUserData has switched folding on.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

const std::wstring kKey = L"Software\\Brevonix\\Suite\\Settings";

class RegistryWriteTest : public ScenarioTest {};

TEST_F(RegistryWriteTest, TextKeepsTheTypeItFindsUnlessAFolderIsFolded)
{
    const wchar_t* const profile = L"C:\\USERS\\SOMEONE\\AppData\\Roaming\\Data";
    // The value before (REG_NONE: none; a REG_DWORD holds 7, a text "old"), the caller's access to the key,
    // the call, its result, the value afterwards; whether after InstallUserData, and whether nobody may open
    // the key once the caller holds it.
    // clang-format off
    struct Row { const char* name; DWORD existing; REGSAM access; const wchar_t* valueName; const wchar_t* text;
                 unsigned result; DWORD type; std::wstring stored; bool folding = false; bool denyOthers = false;
    } rows[] = {
        {"new value", REG_NONE, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"REG_SZ", REG_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_EXPAND_SZ, L"D:\\Work"},
        {"REG_DWORD", REG_DWORD, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_DWORD, L"D:\\Work"},
        {"empty text", REG_EXPAND_SZ, KEY_ALL_ACCESS, L"Value", L"", 0, REG_EXPAND_SZ, L""},
        {"REG_EXPAND_SZ, key to set values only", REG_EXPAND_SZ, KEY_SET_VALUE, L"Value", L"x", 0, REG_EXPAND_SZ, L"x"},
        {"new value, key to set values only", REG_NONE, KEY_SET_VALUE, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"type unreadable", REG_DWORD, KEY_SET_VALUE, L"Value", L"Text", 0, REG_SZ, L"Text", false, true},
        {"key to query only", REG_SZ, KEY_QUERY_VALUE, L"Value", L"new", ERROR_ACCESS_DENIED, REG_SZ, L"old"},
        {"null text", REG_SZ, KEY_ALL_ACCESS, L"Value", nullptr, ERROR_INVALID_PARAMETER, REG_SZ, L"old"},
        {"null name: the default value", REG_NONE, KEY_ALL_ACCESS, nullptr, L"default", 0, REG_SZ, L"default"},
        {"the profile folder before InstallUserData", REG_SZ, KEY_ALL_ACCESS, L"Value", profile, 0, REG_SZ, profile},
        {"the profile folder", REG_SZ, KEY_ALL_ACCESS, L"Value", profile, 0, REG_EXPAND_SZ,
         L"%USERPROFILE%\\appdata\\roaming\\data", true},
        {"twice, lower case", REG_DWORD, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\someone\\a;c:\\users\\someone", 0,
         REG_EXPAND_SZ, L"%USERPROFILE%\\a;%USERPROFILE%", true},
        {"a longer folder name", REG_SZ, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\someone2\\x", 0, REG_EXPAND_SZ,
         L"%USERPROFILE%2\\x", true},
        {"after a near miss", REG_SZ, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\someonC:\\Users\\someone", 0,
         REG_EXPAND_SZ, L"c:\\users\\someon%USERPROFILE%", true},
        {"no folder: as given", REG_SZ, KEY_ALL_ACCESS, L"Value", L"C:\\Users\\some\\X", 0, REG_SZ,
         L"C:\\Users\\some\\X", true},
        {"the profile as it is now: read once", REG_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Elsewhere\\X", 0, REG_SZ,
         L"D:\\Elsewhere\\X", true},
    };
    // clang-format on
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    CreateKey(HKEY_CURRENT_USER, ProductRootOf(L"ZOVA", L"L1") + L"\\UserData");  // an empty product list
    const VariableGuard home(L"USERPROFILE");
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\someone");
    const auto& api = Load();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.folding && GetEnvironment(L"USERPROFILE") != L"D:\\Elsewhere") {
            ASSERT_EQ(api.InstallUserData(), 0u);
            SetEnvironment(L"USERPROFILE", L"D:\\Elsewhere");
        }
        DeleteKey(HKEY_CURRENT_USER, kKey);
        CreateKey(HKEY_CURRENT_USER, kKey);
        if (row.existing == REG_DWORD) {
            SetDword(HKEY_CURRENT_USER, kKey, row.valueName, 7);
        } else if (row.existing != REG_NONE) {
            SetString(HKEY_CURRENT_USER, kKey, row.valueName, L"old", row.existing);
        }
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, row.access, &key), ERROR_SUCCESS);
        {
            std::optional<DeniedKey> denied;
            if (row.denyOthers) {
                denied.emplace(HKEY_CURRENT_USER, kKey);
            }
            EXPECT_EQ(api.zvudRegSetString(key, row.valueName, row.text), row.result);
        }
        RegCloseKey(key);
        const auto value = ReadValue(HKEY_CURRENT_USER, kKey, row.valueName);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, row.type);
        EXPECT_EQ(value->data.size(), (row.stored.size() + 1) * sizeof(wchar_t)) << "the text and its terminator";
        EXPECT_EQ(value->Text(), row.stored);
    }
}

}  // namespace
}  // namespace userdata::testing
