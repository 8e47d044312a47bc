// The bench's own guards, each shown to hold: a buffer that catches a write
// past its end, and a registry sandbox that every predefined root leads into.
#include "TestSupport.h"

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

class RegistrySandboxTest : public ScenarioTest {};

// A key made through HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT and HKEY_CURRENT_USER lands, each time, in the sandbox's
// own keys below the real user hive's Software\UserDataTests, and not in the real user hive itself.
TEST_F(RegistrySandboxTest, EachRootLeadsIntoTheSandbox)
{
    const std::wstring probe = UniqueName(L"probe-");
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER}) {
        CreateKey(root, probe);
    }
    HKEY realUser = nullptr;  // the user's own hive, which no override reaches
    ASSERT_EQ(RegOpenCurrentUser(KEY_ALL_ACCESS, &realUser), ERROR_SUCCESS);
    HKEY sandboxes = nullptr;
    ASSERT_EQ(RegOpenKeyExW(realUser, L"Software\\UserDataTests", 0, KEY_READ, &sandboxes), ERROR_SUCCESS);
    int found = 0;
    wchar_t name[256] = {};
    for (DWORD index = 0, length = 256; RegEnumKeyExW(sandboxes, index, name, &length, {}, {}, {}, {}) == ERROR_SUCCESS;
         ++index, length = 256) {
        for (const wchar_t* redirected : {L"\\0\\", L"\\1\\", L"\\2\\"}) {
            found += KeyExists(sandboxes, name + std::wstring(redirected) + probe) ? 1 : 0;
        }
    }
    RegCloseKey(sandboxes);
    EXPECT_EQ(found, 3) << "the roots whose key landed in the sandbox";
    EXPECT_FALSE(KeyExists(realUser, probe)) << "HKEY_CURRENT_USER led to the real user hive";
    RegDeleteTreeW(realUser, probe.c_str());
    RegCloseKey(realUser);
}

}  // namespace
}  // namespace userdata::testing
