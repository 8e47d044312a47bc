// CheckCOMServerRelativePaths through the DLL, on registrations in the
// sandbox's HKEY_CLASSES_ROOT.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

const std::wstring kRequired = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32";
const std::wstring kOptional1 = L"CLSID\\{5A1C7E42-3B9D-4F08-A6E2-71C4D0B9E315}\\InProcServer32";
const std::wstring kOptional2 = L"CLSID\\{9E0D2F6B-84A7-4C13-B5F9-2D6A8E1C4B70}\\InProcServer32";

class ComServerCheckTest : public ScenarioTest {
protected:
    void Register(const std::wstring& key, const std::wstring& path, DWORD type = REG_SZ)
    {
        SetString(HKEY_CLASSES_ROOT, key, nullptr, path, type);
    }
};

TEST_F(ComServerCheckTest, RequiredServerMustBeRegistered)
{
    const auto& api = Load();
    Register(kOptional1, L"optional.dll");
    EXPECT_FALSE(api.CheckCOMServerRelativePaths());
    Register(kRequired, L"zvserver.dll");
    EXPECT_TRUE(api.CheckCOMServerRelativePaths()) << "the optional servers may be missing";
}

TEST_F(ComServerCheckTest, ServerPathsByTheirForm)
{
    const auto& api = Load();
    struct Row {
        const char* scenario;
        const std::wstring* key;
        DWORD type;
        std::wstring path;
        bool sound;
    } rows[] = {
        {"bare file name", &kRequired, REG_SZ, L"zvserver.dll", true},
        {"drive letter, required server", &kRequired, REG_SZ, L"C:\\Program Files\\Suite\\zvserver.dll", false},
        {"drive letter, first optional server", &kOptional1, REG_SZ, L"C:\\Suite\\x.dll", false},
        {"drive letter, second optional server", &kOptional2, REG_SZ, L"D:x.dll", false},
        {"folder without a drive", &kOptional1, REG_SZ, L"\\\\server\\share\\x.dll", true},
        {"environment reference, unexpanded", &kOptional2, REG_EXPAND_SZ, L"%ProgramFiles%\\Suite\\x.dll", true},
        {"empty string", &kOptional1, REG_SZ, L"", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        Register(kRequired, L"zvserver.dll");
        Register(*row.key, row.path, row.type);
        EXPECT_EQ(api.CheckCOMServerRelativePaths(), row.sound);
        DeleteKey(HKEY_CLASSES_ROOT, L"CLSID");
    }
}

TEST_F(ComServerCheckTest, DefaultValueMustBeAString)
{
    const auto& api = Load();
    struct Row {
        const char* scenario;
        const std::wstring* key;
    } rows[] = {{"required server", &kRequired}, {"optional server", &kOptional2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        Register(kRequired, L"zvserver.dll");
        DeleteKey(HKEY_CLASSES_ROOT, *row.key);
        CreateKey(HKEY_CLASSES_ROOT, *row.key);
        SetString(HKEY_CLASSES_ROOT, *row.key, L"ThreadingModel", L"Both");
        EXPECT_FALSE(api.CheckCOMServerRelativePaths()) << "a key without a default value";
        SetDword(HKEY_CLASSES_ROOT, *row.key, nullptr, 1);
        EXPECT_FALSE(api.CheckCOMServerRelativePaths()) << "a number";
        DeleteKey(HKEY_CLASSES_ROOT, L"CLSID");
    }
}

}  // namespace
}  // namespace userdata::testing
