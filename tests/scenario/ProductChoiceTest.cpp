// The choice of the current product and language, and its write-back.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

class ProductChoiceTest : public ScenarioTest {
protected:
    // The catalogue of these scenarios: ZOVA in L1 and L2 (in this order),
    // PRODB in L1.
    void InstallZovaAndProdb() { InstallConfigurable({{L"ZOVA", {L"L1", L"L2"}}, {L"PRODB", {L"L1"}}}); }

    std::optional<std::wstring> Remembered(const wchar_t* name)
    {
        const auto value = ReadValue(HKEY_CURRENT_USER, kVersionKey, name);
        return value ? std::optional<std::wstring>(value->Text()) : std::nullopt;
    }
};

TEST_F(ProductChoiceTest, RequestThenLastLaunchedThenCatalogue)
{
    InstallZovaAndProdb();
    struct Row {
        const char* scenario;
        const wchar_t* requestedProduct;  // null: no request
        const wchar_t* requestedLanguage;
        const wchar_t* lastProduct;       // null: nothing remembered
        const wchar_t* lastLanguage;
        const wchar_t* product;
        const wchar_t* language;
    } rows[] = {
        {"no request, PRODB/L2 remembered", nullptr, nullptr, L"PRODB", L"L2", L"PRODB", L"L1"},
        {"lower-case request, PRODB remembered", L"zova", nullptr, L"PRODB", L"L1", L"PRODB", L"L1"},
        {"lower-case request, nothing remembered", L"zova", nullptr, nullptr, nullptr, L"PRODB", L"L1"},
        {"nothing requested or remembered", nullptr, nullptr, nullptr, nullptr, L"PRODB", L"L1"},
        {"language not installed, L2 remembered", L"ZOVA", L"L3", L"PRODB", L"L2", L"ZOVA", L"L2"},
        {"installed language requested", L"ZOVA", L"L2", L"PRODB", L"L1", L"ZOVA", L"L2"},
        {"language remembered with another product", L"ZOVA", nullptr, L"PRODB", L"L1", L"ZOVA", L"L1"},
        {"request beats what was remembered", L"PRODB", nullptr, L"ZOVA", L"L2", L"PRODB", L"L1"},
        {"remembered product not installed", nullptr, nullptr, L"OTHER", L"L2", L"PRODB", L"L1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteKey(HKEY_CURRENT_USER, kVersionKey);
        CreateKey(HKEY_CURRENT_USER, kVersionKey);
        if (row.lastProduct != nullptr) {
            WriteLastLaunched(row.lastProduct, row.lastLanguage);
        }
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(row.requestedProduct, row.requestedLanguage), 1);
        EXPECT_EQ(AskText(api.zvudGetCurrentProduct), row.product);
        EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), row.language);
        EXPECT_EQ(Remembered(L"LastLaunchedProduct"), row.product) << "written back for the next start";
        EXPECT_EQ(Remembered(L"LastLaunchedLanguage"), row.language);
        Unload();
    }
}

TEST_F(ProductChoiceTest, UserWithoutTheVersionKeyKeepsNoMemory)
{
    InstallZovaAndProdb();
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(L"ZOVA", L"L2"), 1) << "start-up goes on";
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L2");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kVersionKey)) << "the key is opened, never created";
}

TEST_F(ProductChoiceTest, LanguageListsThatGiveNoLanguage)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({{L"NOLANG", {}}, {L"ZOVA", {L"L1"}}});
    // A default value under a product's key lists an empty language id.
    SetString(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts\\EMPTYID", nullptr, L"x");
    SetString(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts\\EMPTYID", L"L9", L"");
    CreateKey(HKEY_CURRENT_USER, kVersionKey);
    struct Row {
        const wchar_t* product;
        const char* why;
    } rows[] = {
        {L"NOLANG", "a product listed without languages"},
        {L"EMPTYID", "the empty last language is found in the list; the first language is not tried"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(row.product, nullptr), 0);
        EXPECT_EQ(AskText(api.zvudGetCurrentProduct), row.product);
        EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"");
        EXPECT_FALSE(Remembered(L"LastLaunchedProduct").has_value()) << "nothing is written back";
        Unload();
    }
}

TEST_F(ProductChoiceTest, EmptyCatalogue)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({});
    CreateKey(HKEY_CURRENT_USER, kVersionKey);

    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"");
    EXPECT_FALSE(Remembered(L"LastLaunchedProduct").has_value());
    Unload();

    const auto& requested = Load();
    EXPECT_EQ(requested.zvudInitProductParams(L"ANY", L"L1"), 0) << "the product has no language list";
    EXPECT_EQ(AskText(requested.zvudGetCurrentProduct), L"ANY") << "taken without a test against the catalogue";
    EXPECT_EQ(AskText(requested.zvudGetCurrentLanguage), L"");
}

class NonConfigurableTest : public ScenarioTest {
protected:
    const std::wstring root = L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0";
    const std::wstring languages = root + L"\\InstalledUILanguages";

    void InstallNonConfigurable()
    {
        WriteVersionFile(kVersionKey, L"0");
        WriteIdentityFile(L"", root, L"Software\\Brevonix\\Global");
        // A catalogue and remembered values that must play no part.
        WriteCatalogue({{L"PRODB", {L"L1"}}});
        WriteLastLaunched(L"PRODB", L"L1");
    }
};

TEST_F(NonConfigurableTest, ProductIsTheBaseProductLanguageFromTheRegistry)
{
    InstallNonConfigurable();
    SetString(HKEY_LOCAL_MACHINE, languages, nullptr, L"L3");
    SetString(HKEY_CURRENT_USER, languages, nullptr, L"L4");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(L"PRODB", L"L1"), 1);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"ZOVA");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L3") << "the machine's value first";
    const auto remembered = ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct");
    ASSERT_TRUE(remembered.has_value());
    EXPECT_EQ(remembered->Text(), L"PRODB") << "nothing is written back";
}

TEST_F(NonConfigurableTest, LanguageKeyOnlyForTheUser)
{
    InstallNonConfigurable();
    SetString(HKEY_CURRENT_USER, languages, nullptr, L"L4", REG_EXPAND_SZ);
    const auto& api = Load();
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L4");
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"ZOVA");
}

TEST_F(NonConfigurableTest, LanguageValuesThatAreRejected)
{
    InstallNonConfigurable();
    struct Row {
        const char* scenario;
        void (*store)(const std::wstring& key);
    } rows[] = {
        {"REG_SZ without terminator", [](const std::wstring& key) { SetUnterminatedString(HKEY_LOCAL_MACHINE, key, nullptr, L"L3"); }},
        {"REG_MULTI_SZ", [](const std::wstring& key) {
             SetRaw(HKEY_LOCAL_MACHINE, key, nullptr, REG_MULTI_SZ, L"L3\0\0", 8); }},
        {"empty", [](const std::wstring& key) { SetString(HKEY_LOCAL_MACHINE, key, nullptr, L""); }},
        {"260 characters, one too many", [](const std::wstring& key) {
             SetString(HKEY_LOCAL_MACHINE, key, nullptr, std::wstring(260, L'L')); }},
        {"a number", [](const std::wstring& key) { SetDword(HKEY_LOCAL_MACHINE, key, nullptr, 3); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        row.store(languages);
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0);
        EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"");
        EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"ZOVA") << "set before the language is read";
        Unload();
        DeleteKey(HKEY_LOCAL_MACHINE, languages);
    }
    // The longest language that fits.
    SetString(HKEY_LOCAL_MACHINE, languages, nullptr, std::wstring(259, L'L'));
    const auto& api = Load();
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), std::wstring(259, L'L'));
}

TEST_F(NonConfigurableTest, MissingIdentityFileLeavesProductEmpty)
{
    WriteVersionFile(kVersionKey, L"0");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(L"ZOVA", L"L1"), 0);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"");
}

}  // namespace
}  // namespace userdata::testing
