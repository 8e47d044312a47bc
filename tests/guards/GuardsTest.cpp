// The bench's own guards, each shown to hold: a buffer that catches a write
// past its end, and a registry sandbox that every predefined root leads into.
#include "TestSupport.h"

#include <sddl.h>

namespace userdata::testing {
namespace {

// A guarded buffer of each kind of size, counted in bytes: a write inside it
// succeeds and a write one character past its end faults.
TEST(GuardsTest, AWritePastAGuardedBufferFaults)
{
    for (const size_t bytes : {2, 7, 128, 4095, 4096, 4098}) {
        const GuardedBuffer buffer(GuardedBuffer::Bytes{bytes});
        auto* const data = reinterpret_cast<BYTE*>(buffer.Data());
        EXPECT_FALSE(IsBadWritePtr(data, bytes)) << bytes << " bytes: the buffer itself";
        EXPECT_TRUE(IsBadWritePtr(data + bytes, sizeof(wchar_t))) << bytes << " bytes: one character past its end";
    }
}

// This process's user as HKEY_USERS names the user's real hive, which no override reaches: its SID.
std::wstring RealUserHive()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE user[256] = {};
    DWORD size = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof(user), &size));
    CloseHandle(token);
    wchar_t* sid = nullptr;
    EXPECT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid));
    const std::wstring text = sid != nullptr ? sid : L"";
    LocalFree(sid);
    return text;
}

class RegistrySandboxTest : public ScenarioTest {};

// A key made through HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT and HKEY_CURRENT_USER lands, each time, in the sandbox's
// own keys below the real user hive's Software\UserDataTests, and not in the real user hive itself.
TEST_F(RegistrySandboxTest, EachRootLeadsIntoTheSandbox)
{
    const std::wstring probe = UniqueName(L"probe-");
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
        CreateKey(root, probe);
    }
    const std::wstring sandboxes = RealUserHive() + L"\\Software\\UserDataTests";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, sandboxes.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    int found = 0;
    wchar_t name[256] = {};
    for (DWORD index = 0, length = 256; RegEnumKeyExW(key, index, name, &length, {}, {}, {}, {}) == ERROR_SUCCESS;
         ++index, length = 256) {
        for (const wchar_t* redirected : {L"\\0\\", L"\\1\\", L"\\2\\"}) {
            found += KeyExists(HKEY_USERS, sandboxes + L"\\" + name + redirected + probe) ? 1 : 0;
        }
    }
    RegCloseKey(key);
    EXPECT_EQ(found, 3) << "the roots whose key landed in the sandbox";
    const std::wstring leaked = RealUserHive() + L"\\" + probe;
    EXPECT_FALSE(KeyExists(HKEY_USERS, leaked)) << "HKEY_CURRENT_USER led to the real user hive";
    RegDeleteTreeW(HKEY_USERS, leaked.c_str());
}

}  // namespace
}  // namespace userdata::testing
