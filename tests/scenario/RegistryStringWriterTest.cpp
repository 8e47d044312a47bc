// zvudRegSetString as a host sees it. Nothing has filled the library's path
// variables yet (InstallUserData does), so every text is written unchanged.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

const std::wstring kKey = L"Software\\Brevonix\\Suite\\Settings";

// An existing value before the write; REG_NONE for none.
struct Existing {
    DWORD type;
    const wchar_t* text;  // a DWORD value holds 7
};

class RegistryStringWriterTest : public ScenarioTest {
protected:
    void Store(const Existing& existing)
    {
        CreateKey(HKEY_CURRENT_USER, kKey);
        if (existing.type == REG_DWORD) {
            SetDword(HKEY_CURRENT_USER, kKey, L"Value", 7);
        } else if (existing.type != REG_NONE) {
            SetString(HKEY_CURRENT_USER, kKey, L"Value", existing.text, existing.type);
        }
    }

    // Writes through a handle to the key with `access` only.
    unsigned Write(REGSAM access, const wchar_t* data, const wchar_t* valueName = L"Value")
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, access, &key), ERROR_SUCCESS);
        const unsigned result = Api().zvudRegSetString(key, valueName, data);
        RegCloseKey(key);
        return result;
    }

    static void ExpectValue(const wchar_t* valueName, DWORD type, const std::wstring& text)
    {
        const std::optional<RegistryValue> value = ReadValue(HKEY_CURRENT_USER, kKey, valueName);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, type);
        EXPECT_EQ(value->data.size(), (text.size() + 1) * sizeof(wchar_t)) << "the text and its terminator";
        EXPECT_EQ(value->Text(), text);
    }
};

TEST_F(RegistryStringWriterTest, TextKeepsTheTypeItFinds)
{
    const wchar_t* const text = L"D:\\Work\\Report";
    struct Row {
        const char* scenario;
        Existing existing;
        REGSAM access;
        const wchar_t* text;
        DWORD written;
    } rows[] = {
        {"new value", {REG_NONE, L""}, KEY_ALL_ACCESS, text, REG_SZ},
        {"REG_SZ", {REG_SZ, L"old"}, KEY_ALL_ACCESS, text, REG_SZ},
        {"REG_EXPAND_SZ", {REG_EXPAND_SZ, L"%TEMP%"}, KEY_ALL_ACCESS, text, REG_EXPAND_SZ},
        {"REG_DWORD", {REG_DWORD, L""}, KEY_ALL_ACCESS, text, REG_DWORD},
        {"new value, empty text", {REG_NONE, L""}, KEY_ALL_ACCESS, L"", REG_SZ},
        {"REG_EXPAND_SZ, empty text", {REG_EXPAND_SZ, L"%TEMP%"}, KEY_ALL_ACCESS, L"", REG_EXPAND_SZ},
        // The type is read through a second handle, opened for querying.
        {"REG_EXPAND_SZ, key to set values only", {REG_EXPAND_SZ, L"%TEMP%"}, KEY_SET_VALUE, text, REG_EXPAND_SZ},
        {"REG_DWORD, key to set values only", {REG_DWORD, L""}, KEY_SET_VALUE, text, REG_DWORD},
        {"new value, key to set values only", {REG_NONE, L""}, KEY_SET_VALUE, text, REG_SZ},
    };
    Load();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        Store(row.existing);
        EXPECT_EQ(Write(row.access, row.text), 0u);
        ExpectValue(L"Value", row.written, row.text);
        DeleteKey(HKEY_CURRENT_USER, kKey);
    }
}

TEST_F(RegistryStringWriterTest, ProfileFolderIsNotFoldedBeforeInstallUserData)
{
    VariableGuard profile(L"USERPROFILE");
    SetEnvironment(L"USERPROFILE", L"C:\\Users\\someone");
    Store({REG_SZ, L"old"});
    Load();
    const std::wstring text = L"C:\\USERS\\Someone\\AppData\\Roaming\\Data";
    EXPECT_EQ(Write(KEY_SET_VALUE | KEY_QUERY_VALUE, text.c_str()), 0u);
    ExpectValue(L"Value", REG_SZ, text);
}

TEST_F(RegistryStringWriterTest, TypeThatCannotBeReadIsRegSz)
{
    Store({REG_DWORD, L""});
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    Load();
    {
        // Nobody may open the key any more: the second handle is refused too,
        // while the caller's handle still sets values.
        DeniedKey denied(HKEY_CURRENT_USER, kKey);
        EXPECT_EQ(Api().zvudRegSetString(key, L"Value", L"Text"), 0u) << "only the write counts";
    }
    RegCloseKey(key);
    ExpectValue(L"Value", REG_SZ, L"Text");
}

TEST_F(RegistryStringWriterTest, ResultIsTheStatusOfTheWrite)
{
    Store({REG_SZ, L"old"});
    Load();
    EXPECT_EQ(Write(KEY_QUERY_VALUE, L"new"), static_cast<unsigned>(ERROR_ACCESS_DENIED));
    ExpectValue(L"Value", REG_SZ, L"old");

    EXPECT_EQ(Write(KEY_ALL_ACCESS, nullptr), static_cast<unsigned>(ERROR_INVALID_PARAMETER));
    ExpectValue(L"Value", REG_SZ, L"old");

    EXPECT_EQ(Write(KEY_ALL_ACCESS, L"default", nullptr), 0u) << "a null name is the default value";
    ExpectValue(nullptr, REG_SZ, L"default");
}

}  // namespace
}  // namespace userdata::testing
