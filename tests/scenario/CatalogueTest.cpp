// The installed-products catalogue, as the choice of product and language
// shows it: "identityver.ini", the machine-then-user registry, the order of
// products and what is remembered for the user.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

class CatalogueTest : public ScenarioTest {
protected:
    std::wstring Product(const UserDataExports& api) { return AskText(api.zvudGetCurrentProduct); }
    std::wstring Language(const UserDataExports& api) { return AskText(api.zvudGetCurrentLanguage); }
};

TEST_F(CatalogueTest, NotConfigurableIgnoresTheRegistryCatalogue)
{
    InstallConfigurable({{L"PRODB", {L"L1"}}});
    WriteLastLaunched(L"PRODB", L"L1");
    WriteVersionFile(kVersionKey, L"0");
    WriteIdentityFile(L"", L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0", L"Software\\Brevonix\\Global");
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0\\InstalledUILanguages", nullptr, L"L5");
    const auto& api = Load();
    EXPECT_EQ(Product(api), L"ZOVA");
    EXPECT_EQ(Language(api), L"L5");
}

TEST_F(CatalogueTest, VersionFileNeedsBothKeys)
{
    struct Row {
        const char* scenario;
        std::string content;  // of identityver.ini; empty: no file
    } rows[] = {
        {"no file", ""},
        {"IsConfigurable missing", "[ProductIdentity]\r\nProductVersionKey=Software\\Brevonix\\Suite\\7.0\r\n"},
        {"ProductVersionKey missing", "[ProductIdentity]\r\nIsConfigurable=1\r\n"},
        {"IsConfigurable empty", "[ProductIdentity]\r\nProductVersionKey=Software\\Brevonix\\Suite\\7.0\r\n"
                                 "IsConfigurable=\r\n"},
    };
    InstallConfigurable({{L"PRODB", {L"L1"}}});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteFileW((InstallFolder() + L"\\identityver.ini").c_str());
        if (!row.content.empty()) {
            WriteTextFile(InstallFolder() + L"\\identityver.ini", row.content);
        }
        const auto& api = Load();
        // The catalogue stays empty and configurable: nothing to choose from.
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0);
        EXPECT_EQ(Product(api), L"");
        Unload();
        const auto& requested = Load();
        EXPECT_EQ(requested.zvudInitProductParams(L"PRODB", L"L1"), 0);
        EXPECT_EQ(Product(requested), L"PRODB") << "a request is taken untested";
        EXPECT_EQ(Language(requested), L"");
        Unload();
    }
}

TEST_F(CatalogueTest, MachineCatalogueFirstThenTheUsers)
{
    InstallConfigurable({{L"PRODB", {L"L1"}}});
    WriteCatalogue({{L"PRODA", {L"L1"}}}, HKEY_CURRENT_USER);
    const auto& api = Load();
    EXPECT_EQ(Product(api), L"PRODB") << "present for the machine: the user's list is not read";
    Unload();

    DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts");
    const auto& user = Load();
    EXPECT_EQ(user.zvudInitProductParams(nullptr, nullptr), 0) << "PRODA has no identity file";
    EXPECT_EQ(Product(user), L"PRODA");
}

TEST_F(CatalogueTest, UpperCaseSortsFirst)
{
    InstallConfigurable({{L"alpha", {L"L1"}}, {L"Beta", {L"L1"}}, {L"BETA2", {L"L1"}}});
    const auto& api = Load();
    EXPECT_EQ(Product(api), L"BETA2");
}

TEST_F(CatalogueTest, LanguagesCompareExactly)
{
    InstallConfigurable({{L"ZOVA", {L"L1", L"L2"}}});
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(L"ZOVA", L"l2"), 1);
    EXPECT_EQ(Language(api), L"L1") << "l2 is not L2";
}

TEST_F(CatalogueTest, RememberedValues)
{
    const std::wstring longProduct(200, L'P');
    InstallConfigurable({{L"AAA", {L"L1", L"L2"}}, {longProduct, {L"L1", L"L2"}}});
    struct Row {
        const char* scenario;
        void (*remember)(const std::wstring& key, const std::wstring& longProduct);
        std::wstring product;
        std::wstring language;
    } rows[] = {
        {"200 characters read whole", [](const std::wstring& key, const std::wstring& longName) {
             SetString(HKEY_CURRENT_USER, key, L"LastLaunchedProduct", longName);
             SetString(HKEY_CURRENT_USER, key, L"LastLaunchedLanguage", L"L2"); },
         longProduct, L"L2"},
        {"too long for its buffer counts as nothing", [](const std::wstring& key, const std::wstring&) {
             SetString(HKEY_CURRENT_USER, key, L"LastLaunchedProduct", std::wstring(300, L'P'));
             SetString(HKEY_CURRENT_USER, key, L"LastLaunchedLanguage", L"L2"); },
         L"AAA", L"L2"},
        {"a number is no product", [](const std::wstring& key, const std::wstring&) {
             SetDword(HKEY_CURRENT_USER, key, L"LastLaunchedProduct", 0x50);
             SetDword(HKEY_CURRENT_USER, key, L"LastLaunchedLanguage", 0x32004C); },
         L"AAA", L"L1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteKey(HKEY_CURRENT_USER, kVersionKey);
        row.remember(kVersionKey, longProduct);
        const auto& api = Load();
        EXPECT_EQ(Product(api), row.product);
        EXPECT_EQ(Language(api), row.language);
        Unload();
    }
}

TEST_F(CatalogueTest, FailedEnumerationKeepsWhatWasRead)
{
    InstallConfigurable({{L"AAA", {L"L1", L"L2"}}, {L"BBB", {L"L1"}}});
    // A language name the 260-character buffer cannot hold ends the reading.
    SetString(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts\\BBB",
              std::wstring(300, L'x').c_str(), L"");
    WriteLastLaunched(L"AAA", L"L2");
    const auto& api = Load();
    EXPECT_EQ(Product(api), L"AAA") << "stored before the failure";
    EXPECT_EQ(Language(api), L"L1") << "the remembered language is read after the map, so not at all";
}

}  // namespace
}  // namespace userdata::testing
