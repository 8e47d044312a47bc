// Whatever the registry, the INI files and the catalogue hold, the library
// answers without crashing, within its callers' buffers, with results that
// agree with what it wrote.
#include "Equipped.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace userdata::testing {
namespace {

class HostileDataTest : public EquippedTest {
protected:
    // Calls every buffer export into roomy guarded buffers: nothing may be
    // written beyond the text an export reports, and the reported number must
    // fit what it wrote.
    void ExpectConsistentAnswers(const UserDataExports& api)
    {
        for (const BufferExport& entry : BufferExports()) {
            SCOPED_TRACE(entry.name);
            GuardedBuffer buffer(4200);
            const unsigned result = entry.call(api, buffer.Data(), 4096);
            const size_t written = buffer.Text().size();
            EXPECT_TRUE(buffer.Untouched(4096)) << "wrote beyond the capacity";
            EXPECT_LE(result, 4096u * sizeof(wchar_t));
            if (result != 0) {
                EXPECT_LT(written, 4096u) << "an answer without its terminator";
            }
        }
        RaisesContinuable(0xC0000008, [&] { api.zvudGetProductUILanguage(); });
        api.InstallUserData();
        api.ProcessAutoMigrate();
        api.CheckCOMServerRelativePaths();
    }
};

struct Stored {
    const char* kind;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<BYTE> Bytes(const std::wstring& text, size_t byteCount)
{
    std::vector<BYTE> bytes(byteCount, 0);
    std::memcpy(bytes.data(), text.data(), std::min(byteCount, text.size() * sizeof(wchar_t)));
    return bytes;
}

// The shapes a value can take that a string reader must survive: other
// types, string data without a terminator or of odd size, and strings right
// at and one beyond the usual read buffers.
std::vector<Stored> HostileShapes()
{
    std::vector<Stored> shapes = {
        {"REG_BINARY", REG_BINARY, {0x41, 0x00, 0x42, 0x00, 0x43}},
        {"REG_DWORD", REG_DWORD, {0x43, 0x00, 0x3A, 0x00}},
        {"REG_QWORD", REG_QWORD, {0x43, 0x00, 0x3A, 0x00, 0x5C, 0x00, 0x41, 0x00}},
        {"REG_MULTI_SZ", REG_MULTI_SZ, Bytes(std::wstring(L"C:\\A\0C:\\B\0\0", 12), 24)},
        {"REG_SZ of odd size", REG_SZ, Bytes(L"C:\\Odd", 11)},
        {"REG_SZ of one byte", REG_SZ, {0x41}},
        {"REG_EXPAND_SZ of odd size", REG_EXPAND_SZ, Bytes(L"%TEMP%\\x", 15)},
    };
    for (size_t characters : {259u, 260u, 1023u, 1024u, 2047u, 2048u, 4047u, 4048u}) {
        const std::wstring text = L"C:\\" + std::wstring(characters - 3, L'v');
        shapes.push_back({"REG_SZ at a buffer size", REG_SZ, Bytes(text, (characters + 1) * sizeof(wchar_t))});
        shapes.push_back({"REG_EXPAND_SZ without terminator", REG_EXPAND_SZ, Bytes(text, characters * sizeof(wchar_t))});
    }
    return shapes;
}

struct ReadPlace {
    HKEY hive;
    std::wstring key;  // below the product registry root key when it starts with "\"
    const wchar_t* value;
};

TEST_F(HostileDataTest, EveryValueTheLibraryReads)
{
    const std::wstring version = kVersionKey;
    const ReadPlace places[] = {
        {HKEY_CURRENT_USER, version, L"LastLaunchedProduct"},
        {HKEY_CURRENT_USER, version, L"LastLaunchedLanguage"},
        {HKEY_LOCAL_MACHINE, L"\\VerticalEnvPath", nullptr},
        {HKEY_LOCAL_MACHINE, L"", L"ProductName"},
        {HKEY_LOCAL_MACHINE, L"", L"DefaultHelpFileName"},
        {HKEY_LOCAL_MACHINE, L"\\ProductSpecific", L"Dictionary"},
        {HKEY_LOCAL_MACHINE, L"", L"AutoMigrate"},
        {HKEY_CURRENT_USER, L"", L"AutoMigrate"},
        {HKEY_CURRENT_USER, L"", L"RoamableRootFolder"},
        {HKEY_CURRENT_USER, L"", L"LocalRootFolder"},
        {HKEY_CURRENT_USER, L"", L"SandboxCrashSaveFolder"},
        {HKEY_CURRENT_USER, L"\\Profiles", nullptr},
        {HKEY_CURRENT_USER, L"\\Profiles\\Default\\General", L"HELP"},
        {HKEY_LOCAL_MACHINE, L"\\UserData", L"{00000000-0000-0000-0000-0000000000A1}"},
        {HKEY_CURRENT_USER, L"Software\\Brevonix\\Planner-User", L"LocalRootFolder"},
        {HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr},
    };
    InstallEverything();
    const std::vector<Stored> shapes = HostileShapes();
    for (const ReadPlace& place : places) {
        const std::wstring key = place.key.empty() || place.key[0] == L'\\' ? Root() + place.key : place.key;
        for (const Stored& shape : shapes) {
            SCOPED_TRACE(Narrow(key) + " " + Narrow(place.value ? place.value : L"(default)") + ": " + shape.kind +
                         ", " + std::to_string(shape.data.size()) + " bytes");
            SetRaw(place.hive, key, place.value, shape.type, shape.data.data(), static_cast<DWORD>(shape.data.size()));
            const auto& api = Load();
            ExpectConsistentAnswers(api);
            Unload();
        }
        InstallEverything();  // the place as it was, for the next one
    }
}

TEST_F(HostileDataTest, IdentityValuesAroundTheirBuffer)
{
    struct Row {
        size_t length;
        size_t kept;
    } rows[] = {{258, 258}, {259, 259}, {260, 259}, {261, 259}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "root key of " << row.length << " characters");
        const std::wstring root = L"Software\\" + std::wstring(row.length - 9, L'r');
        WriteVersionFile(kVersionKey, L"1");
        WriteCatalogue({{L"ZOVA", {L"L1"}}});
        WriteIdentityFile(L"L1", root, root);
        const auto& api = Load();
        EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), root.substr(0, row.kept));
        EXPECT_EQ(AskText(api.zvudGetGlobalRegistryRootKey), root.substr(0, row.kept));
        ExpectConsistentAnswers(api);
        Unload();
    }
}

TEST_F(HostileDataTest, CatalogueOfThousandsOfProducts)
{
    WriteVersionFile(kVersionKey, L"1");
    const std::wstring base = std::wstring(kVersionKey) + L"\\InstalledProducts";
    for (int product = 0; product < 3000; ++product) {
        wchar_t name[16];
        std::swprintf(name, 16, L"P%05d", product);
        SetString(HKEY_LOCAL_MACHINE, base + L"\\" + name, L"L1", L"");
    }
    WriteIdentityFor(L"P02999", L"L1", ProductRootOf(L"P02999", L"L1"));
    SetString(HKEY_LOCAL_MACHINE, ProductRootOf(L"P02999", L"L1") + L"\\VerticalEnvPath", nullptr, L"C:\\V");
    WriteLastLaunched(L"P02999", L"L1");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"P02999");
    EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), ProductRootOf(L"P02999", L"L1"));
}

TEST_F(HostileDataTest, NamesWithOtherScriptsAndSeparators)
{
    const std::wstring product = L"\x041F\x043B\x0430\x043D;\x00C9-X";  // Cyrillic, a separator, an accent
    const std::wstring language = L"\x65E5\x672C-JP";
    InstallConfigurable({{product, {language}}});
    const std::wstring root = ProductRootOf(product, language);
    SetString(HKEY_LOCAL_MACHINE, root + L"\\VerticalEnvPath", nullptr, L"C:\\\x00C4;D:\\\x65E5");
    SetEnvironment(L"PATH", L"C:\\Old");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), product);
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), language);
    EXPECT_EQ(AskText(api.GetCurrentProductIdentityIniPath),
              InstallFolder() + L"\\" + product + L"\\" + language + L"\\identity.ini");
    EXPECT_EQ(GetEnvironment(L"PATH"), RootFolder() + language + L";C:\\\x00C4;D:\\\x65E5;C:\\\x00C4\\" + language +
                                           L";D:\\\x65E5\\" + language + L";C:\\Old");
    const std::wstring lastComponent = product + L"-" + language;  // its last '-' is the language's own
    EXPECT_EQ(AskText(api.GetProgramName), lastComponent.substr(0, lastComponent.rfind(L'-')));
}

}  // namespace
}  // namespace userdata::testing
