// The registry string writer with a table that holds the user's profile
// folder, as it writes once InstallUserData has registered it.
#include "regwrite/RegistryStringWriter.h"

#include "ImportCallCounter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace userdata {
namespace {

using namespace userdata::testing;

const std::wstring kKey = L"Software\\Brevonix\\Suite\\Settings";

class FoldedRegistryWrite : public ::testing::Test {
protected:
    FoldedRegistryWrite() { table_.Add(ZvString(L"USERPROFILE"), ZvString(L"C:\\Users\\someone")); }

    LSTATUS Write(const wchar_t* data)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        const LSTATUS status = WriteFoldedString(key, L"Value", data, table_);
        RegCloseKey(key);
        return status;
    }

    RegistrySandbox sandbox_;
    PathVariableTable table_;
};

TEST_F(FoldedRegistryWrite, FoldedTextIsAnExpandableString)
{
    const wchar_t* text = L"C:\\USERS\\SOMEONE\\AppData\\Roaming\\Data";
    struct Row {
        const char* scenario;
        DWORD existing;  // REG_NONE: no value yet
    } rows[] = {{"new value", REG_NONE}, {"REG_SZ", REG_SZ}, {"REG_DWORD", REG_DWORD}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        CreateKey(HKEY_CURRENT_USER, kKey);
        if (row.existing == REG_SZ) {
            SetString(HKEY_CURRENT_USER, kKey, L"Value", L"old");
        } else if (row.existing == REG_DWORD) {
            SetDword(HKEY_CURRENT_USER, kKey, L"Value", 7);
        }
        EXPECT_EQ(Write(text), ERROR_SUCCESS);
        const std::optional<RegistryValue> value = ReadValue(HKEY_CURRENT_USER, kKey, L"Value");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_EXPAND_SZ));
        EXPECT_EQ(value->Text(), L"%USERPROFILE%\\appdata\\roaming\\data");
        EXPECT_EQ(value->data.size(), sizeof(L"%USERPROFILE%\\appdata\\roaming\\data"));
        DeleteKey(HKEY_CURRENT_USER, kKey);
    }
}

TEST_F(FoldedRegistryWrite, TextWithoutTheFolderKeepsItsLetterCase)
{
    SetString(HKEY_CURRENT_USER, kKey, L"Value", L"old");
    EXPECT_EQ(Write(L"D:\\Work\\C:\\Users\\Someon"), ERROR_SUCCESS);
    const std::optional<RegistryValue> value = ReadValue(HKEY_CURRENT_USER, kKey, L"Value");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Text(), L"D:\\Work\\C:\\Users\\Someon");
}

TEST_F(FoldedRegistryWrite, OnlyTextWithNothingToFoldAsksTheType)
{
    SetDword(HKEY_CURRENT_USER, kKey, L"Value", 7);
    // The writer is linked into this program: its calls go through the program's imports.
    const ImportCallCounter typeQueries(GetModuleHandleW(nullptr), {"RegQueryValueExW"});
    ASSERT_TRUE(typeQueries.Counts("RegQueryValueExW"));
    LSTATUS folded = ERROR_INVALID_FUNCTION;
    EXPECT_EQ(typeQueries.During([&] { folded = Write(L"C:\\Users\\someone\\Data"); }), 0)
        << "folded text is expandable whatever the value held";
    LSTATUS kept = ERROR_INVALID_FUNCTION;
    EXPECT_EQ(typeQueries.During([&] { kept = Write(L"D:\\Work"); }), 1)
        << "text written as it is keeps the value's type";
    EXPECT_EQ(folded, ERROR_SUCCESS);
    EXPECT_EQ(kept, ERROR_SUCCESS);
    const std::optional<RegistryValue> value = ReadValue(HKEY_CURRENT_USER, kKey, L"Value");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(value->Text(), L"D:\\Work");
}

}  // namespace
}  // namespace userdata
