// ZvRegistryAccess: the machine-then-user rule and the one way of reading a
// string value.
#include "base/RegistryAccess.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace userdata {
namespace {

using namespace userdata::testing;

const std::wstring kKey = L"Software\\Brevonix\\Suite\\Probe";

class RegistryAccessTest : public ::testing::Test {
protected:
    RegistrySandbox sandbox;
};

TEST_F(RegistryAccessTest, MachineKeyAbsentFallsBackToTheUser)
{
    SetString(HKEY_CURRENT_USER, kKey, L"Where", L"user");
    ZvRegistryAccess access;
    ASSERT_EQ(access.Open(HKEY_LOCAL_MACHINE, kKey.c_str()), ERROR_SUCCESS);
    wchar_t text[16] = {};
    ASSERT_TRUE(access.ReadRawStringBytes(L"Where", text));
    EXPECT_STREQ(text, L"user");

    SetString(HKEY_LOCAL_MACHINE, kKey, L"Where", L"machine");
    ASSERT_EQ(access.Open(HKEY_LOCAL_MACHINE, kKey.c_str()), ERROR_SUCCESS);
    ASSERT_TRUE(access.ReadRawStringBytes(L"Where", text));
    EXPECT_STREQ(text, L"machine") << "with the key in both hives only the machine's is read";
}

TEST_F(RegistryAccessTest, KeyAbsentEverywhereLeavesTheHolderClosed)
{
    ZvRegistryAccess access;
    EXPECT_EQ(access.Open(HKEY_LOCAL_MACHINE, kKey.c_str()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(access.Key(), nullptr);
    EXPECT_EQ(access.Close(), ERROR_SUCCESS);
}

TEST_F(RegistryAccessTest, OnlyTheMachineFallsBack)
{
    SetString(HKEY_LOCAL_MACHINE, kKey, L"Where", L"machine");
    ZvRegistryAccess access;
    EXPECT_EQ(access.Open(HKEY_CURRENT_USER, kKey.c_str()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(access.Open(HKEY_CLASSES_ROOT, kKey.c_str()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(access.Key(), nullptr);
}

TEST_F(RegistryAccessTest, AccessDeniedForTheMachineIsFinal)
{
    SetString(HKEY_CURRENT_USER, kKey, L"Where", L"user");
    DeniedKey denied(HKEY_LOCAL_MACHINE, kKey);
    ZvRegistryAccess access;
    EXPECT_EQ(access.Open(HKEY_LOCAL_MACHINE, kKey.c_str()), ERROR_ACCESS_DENIED);
    EXPECT_EQ(access.Key(), nullptr);
}

TEST_F(RegistryAccessTest, ReadingAStringValue)
{
    struct Row {
        const char* scenario;
        DWORD type;
        std::wstring data;  // stored bytes: data.size() * 2 - trim
        DWORD trimBytes;    // bytes left off the end of the data
        DWORD bufferBytes;
        bool read;
        const wchar_t* text;
    } rows[] = {
        {"terminated REG_SZ", REG_SZ, std::wstring(L"abc\0", 4), 0, 32, true, L"abc"},
        {"REG_SZ of 0 bytes", REG_SZ, L"", 0, 32, true, L""},
        {"REG_SZ without terminator", REG_SZ, L"abc#", 2, 32, false, nullptr},
        {"REG_SZ of odd size", REG_SZ, std::wstring(L"ab\0", 3), 1, 32, false, nullptr},
        {"REG_SZ too large for the buffer", REG_SZ, std::wstring(L"abcdefgh\0", 9), 0, 16, false, nullptr},
        {"REG_EXPAND_SZ kept unexpanded", REG_EXPAND_SZ, std::wstring(L"%TEMP%\\x\0", 9), 0, 32, true,
         L"%TEMP%\\x"},
        {"REG_EXPAND_SZ without terminator ends with its data", REG_EXPAND_SZ, L"%x%#", 2, 32, true, L"%x%"},
        {"REG_EXPAND_SZ of 0 bytes", REG_EXPAND_SZ, L"#", 2, 32, true, L""},
        {"REG_MULTI_SZ", REG_MULTI_SZ, std::wstring(L"a\0b\0\0", 5), 0, 32, false, nullptr},
        {"REG_BINARY", REG_BINARY, std::wstring(L"ab\0", 3), 0, 32, false, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        const DWORD bytes = static_cast<DWORD>(row.data.size() * sizeof(wchar_t)) - row.trimBytes;
        SetRaw(HKEY_CURRENT_USER, kKey, L"Value", row.type, row.data.c_str(), bytes);
        ZvRegistryAccess access;
        ASSERT_EQ(access.Open(HKEY_CURRENT_USER, kKey.c_str()), ERROR_SUCCESS);
        wchar_t buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        ASSERT_LE(row.bufferBytes, sizeof(buffer));
        EXPECT_EQ(access.ReadRawStringBytes(L"Value", buffer, row.bufferBytes), row.read);
        if (row.read) {
            EXPECT_STREQ(buffer, row.text);
        }
    }
}

TEST_F(RegistryAccessTest, WithoutABufferOnlyTheTypeCounts)
{
    SetString(HKEY_CURRENT_USER, kKey, L"Plain", L"x");
    SetString(HKEY_CURRENT_USER, kKey, L"Expandable", L"%x%", REG_EXPAND_SZ);
    SetUnterminatedString(HKEY_CURRENT_USER, kKey, L"Unterminated", L"abc");
    SetDword(HKEY_CURRENT_USER, kKey, L"Number", 1);
    ZvRegistryAccess access;
    ASSERT_EQ(access.Open(HKEY_CURRENT_USER, kKey.c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(access.ReadRawStringBytes(L"Plain", nullptr, 0));
    EXPECT_TRUE(access.ReadRawStringBytes(L"Expandable", nullptr, 0));
    EXPECT_TRUE(access.ReadRawStringBytes(L"Unterminated", nullptr, 0));
    EXPECT_FALSE(access.ReadRawStringBytes(L"Number", nullptr, 0));
    EXPECT_FALSE(access.ReadRawStringBytes(L"Missing", nullptr, 0));
}

}  // namespace
}  // namespace userdata

namespace userdata {
namespace {

using namespace userdata::testing;

TEST(GetValueAnyType, ExpansionStaysWithinTheBuffer)
{
    RegistrySandbox sandbox;
    VariableGuard big(L"USERDATA_BIG");
    SetEnvironment(L"USERDATA_BIG", std::wstring(300, L'x').c_str());
    const std::wstring key = L"Software\\Brevonix\\Expand";
    struct Row {
        const char* scenario;
        std::wstring stored;
        LSTATUS status;
        std::wstring text;
    } rows[] = {
        {"expansion too long for the buffer", L"C:\\%USERDATA_BIG%", ERROR_MORE_DATA, L""},
        {"unknown reference kept", L"%UD_NONE%\\y", ERROR_SUCCESS, L"%UD_NONE%\\y"},
        {"plain text that fills the buffer", std::wstring(15, L'v'), ERROR_SUCCESS, std::wstring(15, L'v')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        SetString(HKEY_CURRENT_USER, key, L"Value", row.stored, REG_EXPAND_SZ);
        HKEY opened = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
        GuardedBuffer buffer(64);
        DWORD bytes = 16 * sizeof(wchar_t);
        EXPECT_EQ(GetValueAnyType(opened, L"Value", nullptr, buffer.Data(), &bytes), row.status);
        RegCloseKey(opened);
        EXPECT_TRUE(buffer.Untouched(16)) << "written beyond the buffer";
        if (row.status == ERROR_SUCCESS) {
            EXPECT_EQ(buffer.Text(), row.text);
        }
    }
}

}  // namespace
}  // namespace userdata
