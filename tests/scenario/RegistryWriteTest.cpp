// zvudRegSetString as a host sees it: the type it keeps, the status it gives,
// and the folded paths once InstallUserData has switched folding on.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

const std::wstring kKey = L"Software\\Brevonix\\Suite\\Settings";

class RegistryWriteTest : public ScenarioTest {};

TEST_F(RegistryWriteTest, TextKeepsTheTypeItFindsAndTheResultIsTheWritesStatus)
{
    const wchar_t* const profile = L"C:\\USERS\\Someone\\AppData\\Roaming\\Data";
    struct Row {
        const char* name;
        DWORD existing;  // REG_NONE: no value; a REG_DWORD holds 7, a text "old"
        REGSAM access;
        const wchar_t* valueName;
        const wchar_t* text;
        unsigned result;
        DWORD type;  // of the value afterwards
        std::wstring stored;
        bool denyOthers = false;  // nobody may open the key once the caller holds it
    } rows[] = {
        {"new value", REG_NONE, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"REG_SZ", REG_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_EXPAND_SZ, L"D:\\Work"},
        {"REG_DWORD", REG_DWORD, KEY_ALL_ACCESS, L"Value", L"D:\\Work", 0, REG_DWORD, L"D:\\Work"},
        {"empty text", REG_EXPAND_SZ, KEY_ALL_ACCESS, L"Value", L"", 0, REG_EXPAND_SZ, L""},
        {"REG_EXPAND_SZ, key to set values only", REG_EXPAND_SZ, KEY_SET_VALUE, L"Value", L"D:\\Work", 0, REG_EXPAND_SZ,
         L"D:\\Work"},
        {"new value, key to set values only", REG_NONE, KEY_SET_VALUE, L"Value", L"D:\\Work", 0, REG_SZ, L"D:\\Work"},
        {"type unreadable", REG_DWORD, KEY_SET_VALUE, L"Value", L"Text", 0, REG_SZ, L"Text", true},
        {"key to query only", REG_SZ, KEY_QUERY_VALUE, L"Value", L"new", ERROR_ACCESS_DENIED, REG_SZ, L"old"},
        {"null text", REG_SZ, KEY_ALL_ACCESS, L"Value", nullptr, ERROR_INVALID_PARAMETER, REG_SZ, L"old"},
        {"null name: the default value", REG_NONE, KEY_ALL_ACCESS, nullptr, L"default", 0, REG_SZ, L"default"},
        {"profile folder unfolded before InstallUserData", REG_SZ, KEY_ALL_ACCESS, L"Value", profile, 0, REG_SZ,
         profile},
    };
    const VariableGuard home(L"USERPROFILE");
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\someone");
    const auto& api = Load();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
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

TEST_F(RegistryWriteTest, FoldsTheProfileFolderOnceInstallUserDataSucceeded)
{
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    CreateKey(HKEY_CURRENT_USER, ProductRootOf(L"ZOVA", L"L1") + L"\\UserData");  // an empty product list
    const VariableGuard home(L"USERPROFILE");
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\someone");
    const auto& api = Load();
    ASSERT_EQ(api.InstallUserData(), 0u);
    SetEnvironment(L"USERPROFILE", L"D:\\Elsewhere");  // read once, when folding was switched on
    struct Row {
        const wchar_t* text;
        DWORD type;
        const wchar_t* stored;
    } rows[] = {
        {L"C:\\USERS\\SOMEONE\\AppData\\Roaming\\Data", REG_EXPAND_SZ, L"%USERPROFILE%\\appdata\\roaming\\data"},
        {L"C:\\Users\\someone\\a;c:\\users\\someone", REG_EXPAND_SZ, L"%USERPROFILE%\\a;%USERPROFILE%"},
        {L"C:\\Users\\someone2\\x", REG_EXPAND_SZ, L"%USERPROFILE%2\\x"},
        {L"C:\\Users\\someonC:\\Users\\someone", REG_EXPAND_SZ, L"c:\\users\\someon%USERPROFILE%"},
        {L"C:\\Users\\some\\X", REG_SZ, L"C:\\Users\\some\\X"},
        {L"D:\\Elsewhere\\X", REG_SZ, L"D:\\Elsewhere\\X"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.text));
        SetString(HKEY_CURRENT_USER, kKey, L"Value", L"old");
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        EXPECT_EQ(api.zvudRegSetString(key, L"Value", row.text), 0u);
        RegCloseKey(key);
        const auto value = ReadValue(HKEY_CURRENT_USER, kKey, L"Value");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, row.type);
        EXPECT_EQ(value->Text(), row.stored);
    }
}

}  // namespace
}  // namespace userdata::testing
