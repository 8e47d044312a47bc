// Who the host is: the product and language that start-up settles on, the
// identity file and registry roots it reads, and the queries that give them.
#include "TestSupport.h"

#include <cstdint>

namespace userdata::testing {
namespace {

const std::wstring kFixedRoot = L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0";  // of a non-configurable installation
const std::wstring kFixedLanguages = kFixedRoot + L"\\InstalledUILanguages";
const std::wstring kGlobalRoot = L"Software\\Brevonix\\Global";

// The installations of these scenarios: two products; a non-configurable one, with a catalogue and memory
// that must play no part; the base product whose identity file names `productRoot` and `globalRoot`.
class IdentityTest : public ScenarioTest {
protected:
    void InstallZovaAndProdb()
    {
        InstallConfigurable({{L"ZOVA", {L"L1", L"L2"}}, {L"PRODB", {L"L1"}}});
        CreateKey(HKEY_CURRENT_USER, kVersionKey);
    }
    void InstallFixed()
    {
        WriteVersionFile(kVersionKey, L"0");
        WriteIdentityFile(L"", kFixedRoot, kGlobalRoot);
        WriteCatalogue({{L"PRODB", {L"L1"}}});
        WriteLastLaunched(L"PRODB", L"L1");
    }
    void InstallWithRoots(const std::wstring& productRoot, const std::wstring& globalRoot)
    {
        WriteVersionFile(kVersionKey, L"1");
        WriteCatalogue({{L"ZOVA", {L"L1"}}});
        WriteIdentityFile(L"L1", productRoot, globalRoot);
    }
    std::wstring Remembered()
    {
        const auto product = ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct"),
                   language = ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage");
        return product && language ? product->Text() + L"/" + language->Text() : L"-";
    }
};

TEST_F(IdentityTest, StartUpChoosesTheProductAndReadsItsIdentity)
{
    const auto zovaAndProdb = [this] { InstallZovaAndProdb(); };
    const auto remember = [this](const wchar_t* product, const wchar_t* language) {
        return [=, this] {
            InstallZovaAndProdb();
            WriteLastLaunched(product, language);
        };
    };
    const auto catalogue = [this](const wchar_t* configurable, std::vector<InstalledProduct> products, HKEY hive) {
        return [=, this] {
            WriteVersionFile(kVersionKey, configurable);
            WriteCatalogue(products, hive);
        };
    };
    // The language stored as `bytes` of `language` (0: all of it; a character beyond them keeps it unterminated).
    const auto fixed = [this](DWORD type, const std::wstring& language, DWORD bytes = 0,
                              HKEY hive = HKEY_LOCAL_MACHINE) {
        return [=, this] {
            InstallFixed();
            SetRaw(hive, kFixedLanguages, nullptr, type, language.c_str(),
                   bytes != 0 ? bytes : static_cast<DWORD>(language.size() * 2));
        };
    };
    const std::wstring longRoot = L"Software\\" + std::wstring(291, L'r');
    const std::wstring longLanguage(259, L'L');
    const std::wstring fixedIdentity = L"\\identity.ini";
    const auto* belowFirstPage = reinterpret_cast<const wchar_t*>(std::uintptr_t{0xFFFF});
    // The installation, the product and language requested (null: none), what start-up gives and chooses
    // (product/language) and remembers; the identity file below the installation folder ("": none; null: the
    // chosen one's) and, with it given, the machine's product registry root.
    struct Row {
        const char* name;
        std::function<void()> install;
        const wchar_t* product;
        const wchar_t* language;
        int started;
        std::wstring chosen;
        const wchar_t* remembered;
        const wchar_t* identity = nullptr;
        std::wstring root = {};
    } rows[] = {
        {"nothing requested or remembered", zovaAndProdb, nullptr, nullptr, 1, L"PRODB/L1", L"PRODB/L1"},
        {"pointers below the first page are no request", zovaAndProdb, belowFirstPage, belowFirstPage, 1, L"PRODB/L1",
         L"PRODB/L1"},
        {"remembered language not installed", remember(L"PRODB", L"L2"), nullptr, nullptr, 1, L"PRODB/L1", L"PRODB/L1"},
        {"request in another letter case", remember(L"ZOVA", L"L2"), L"zova", nullptr, 1, L"ZOVA/L2", L"ZOVA/L2"},
        {"requested language not installed", remember(L"PRODB", L"L2"), L"ZOVA", L"L3", 1, L"ZOVA/L2", L"ZOVA/L2"},
        {"installed language requested", remember(L"PRODB", L"L1"), L"ZOVA", L"L2", 1, L"ZOVA/L2", L"ZOVA/L2"},
        {"languages compare exactly", remember(L"PRODB", L"L1"), L"ZOVA", L"l2", 1, L"ZOVA/L1", L"ZOVA/L1"},
        {"a request beats the memory", remember(L"ZOVA", L"L2"), L"PRODB", nullptr, 1, L"PRODB/L1", L"PRODB/L1"},
        {"remembered product not installed", remember(L"OTHER", L"L2"), nullptr, nullptr, 1, L"PRODB/L1", L"PRODB/L1"},
        {"no version key for the user: never created",
         [this] {
             InstallConfigurable({{L"ZOVA", {L"L1", L"L2"}}});
         },
         L"ZOVA", L"L2", 1, L"ZOVA/L2", L"-"},
        {"upper case sorts first",
         [this] {
             InstallConfigurable({{L"alpha", {L"L1"}}, {L"BETA2", {L"L1"}}});
         },
         nullptr, nullptr, 1, L"BETA2/L1", L"-"},
        {"base product in lower case",
         [this] {
             InstallConfigurable({{L"zova", {L"L1"}}});
         },
         L"zova", L"L1", 1, L"zova/L1", L"-"},
        {"the machine's catalogue first",
         [&] {
             zovaAndProdb();
             catalogue(L"1", {{L"PRODA", {L"L1"}}}, HKEY_CURRENT_USER)();
         },
         nullptr, nullptr, 1, L"PRODB/L1", L"PRODB/L1"},
        {"the user's catalogue, remembered before the identity file is missed",
         catalogue(L"1", {{L"PRODA", {L"L1"}}}, HKEY_CURRENT_USER), nullptr, nullptr, 0, L"PRODA/L1", L"PRODA/L1", L""},
        {"version file without IsConfigurable",
         [this] {
             InstallZovaAndProdb();
             WriteTextFile(InstallFolder() + L"\\identityver.ini",
                           "[ProductIdentity]\r\nProductVersionKey=Software\\Brevonix\\Suite\\7.0\r\n");
         },
         L"PRODB", L"L1", 0, L"PRODB/", L"-", L""},
        {"empty catalogue", catalogue(L"1", {}, HKEY_LOCAL_MACHINE), nullptr, nullptr, 0, L"/", L"-", L""},
        {"a product without languages", catalogue(L"1", {{L"NOLANG", {}}, {L"ZOVA", {L"L1"}}}, HKEY_LOCAL_MACHINE),
         L"NOLANG", nullptr, 0, L"NOLANG/", L"-", L""},
        {"identity file without the product root", [this] { InstallWithRoots(L"", kGlobalRoot); }, nullptr, nullptr, 0,
         L"ZOVA/L1", L"-", L"L1\\identity.ini"},
        {"identity file without the global root", [this] { InstallWithRoots(kFixedRoot, L""); }, nullptr, nullptr, 0,
         L"ZOVA/L1", L"-", L"L1\\identity.ini"},
        {"product root cut to 259 characters", [&, this] { InstallWithRoots(longRoot, kGlobalRoot); }, nullptr, nullptr,
         1, L"ZOVA/L1", L"-", L"L1\\identity.ini", longRoot.substr(0, 259)},
        {"not configurable: the base product, the machine's language", fixed(REG_SZ, std::wstring(L"L3", 3)), L"PRODB",
         L"L1", 1, L"ZOVA/L3", L"PRODB/L1", fixedIdentity.c_str(), kFixedRoot},
        {"not configurable, the user's expandable language",
         fixed(REG_EXPAND_SZ, std::wstring(L"L4", 3), 0, HKEY_CURRENT_USER), nullptr, nullptr, 1, L"ZOVA/L4",
         L"PRODB/L1", fixedIdentity.c_str(), kFixedRoot},
        {"not configurable, 259-character language", fixed(REG_SZ, longLanguage + L'\0'), nullptr, nullptr, 1,
         L"ZOVA/" + longLanguage, L"PRODB/L1", fixedIdentity.c_str(), kFixedRoot},
        {"not configurable, 260-character language", fixed(REG_SZ, longLanguage + L"L" + L'\0'), nullptr, nullptr, 0,
         L"ZOVA/", L"PRODB/L1", fixedIdentity.c_str(), kFixedRoot},
        {"not configurable, unterminated language", fixed(REG_SZ, L"L3#", 4), nullptr, nullptr, 0, L"ZOVA/",
         L"PRODB/L1", fixedIdentity.c_str(), kFixedRoot},
        {"not configurable, no identity file", catalogue(L"0", {}, HKEY_LOCAL_MACHINE), L"ZOVA", L"L1", 0, L"/", L"-",
         L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh();
        row.install();
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(row.product, row.language), row.started);
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1) << "start-up runs once a load, failed or not";
        EXPECT_EQ(AskText(api.zvudGetCurrentProduct) + L"/" + AskText(api.zvudGetCurrentLanguage), row.chosen);
        const std::wstring product = row.chosen.substr(0, row.chosen.find(L'/'));
        const std::wstring language = row.chosen.substr(product.size() + 1);
        const std::wstring identity = row.identity != nullptr ? row.identity
                                      : _wcsicmp(product.c_str(), L"ZOVA") == 0
                                          ? language + L"\\identity.ini"
                                          : product + L"\\" + language + L"\\identity.ini";
        const std::wstring root = row.identity != nullptr ? row.root : ProductRootOf(product, language);
        EXPECT_EQ(AskText(api.GetCurrentProductIdentityIniPath),
                  identity.empty() ? L"" : InstallFolder() + L"\\" + identity);
        EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), root);
        EXPECT_EQ(AskText(api.zvudGetGlobalRegistryRootKey), root.empty() ? L"" : kGlobalRoot);
        EXPECT_EQ(Remembered(), row.remembered);
    }
}

// The machine-then-user rule of the vertical product name is the one of every
// product key read (the paths and strings scenario).
TEST_F(IdentityTest, NamesAreCutFromTheProductRoot)
{
    const struct {
        const wchar_t* root;
        const wchar_t* names;  // program|product
    } rows[] = {
        {L"Software\\Vendor\\Suite\\Release\\Tool-X1", L"Tool|Suite"},
        {L"A\\B-C\\D", L"B|"},                                   // no product name above three levels
        {L"Software\\Vendor\\Suite\\Release\\Tool", L"|Suite"},  // no program name without a dash
        {L"Vendor\\Suite\\Tool-Pro-X1", L"Tool-Pro|"},           // the last dash
        {L"Vendor-Suite\\Tool", L"|"},                           // a dash above the last level
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.root));
        Fresh();
        InstallWithRoots(row.root, kGlobalRoot);
        SetString(HKEY_LOCAL_MACHINE, row.root, L"ProductName", L"Planner");
        SetString(HKEY_CURRENT_USER, row.root, L"ProductName", L"Mine");
        const auto& api = Load();
        EXPECT_EQ(AskText(api.GetProgramName) + L"|" + AskText(api.GetProductName), row.names);
        EXPECT_EQ(AskText(api.zvudGetUserProductRegistryRootKey), row.root);
        wchar_t vertical[64] = {};
        EXPECT_EQ(api.GetVerticalProductName(vertical, sizeof(vertical)), 16u) << "bytes";
        EXPECT_STREQ(vertical, L"Planner") << "the machine's";
        EXPECT_STREQ(api.zvudGetProductUILanguage(), L"L1");
        EXPECT_EQ(api.zvudGetProductUALanguage(), api.zvudGetProductUILanguage()) << "both names, one text";
    }
}

TEST_F(IdentityTest, StartUpHappensOncePerLoadAndQueriesDoNotStartIt)
{
    InstallZovaAndProdb();
    const UserDataExports* api = &Load();
    EXPECT_EQ(api->IsUnicodeBuild(), 1);
    EXPECT_EQ(api->zvudSetUserProductRegistryRootKey(L"Software\\X"), 0);
    EXPECT_EQ(AskText(api->zvudGetUserProductRegistryRootKey), L"Software\\X");
    DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts\\PRODB");
    EXPECT_EQ(AskText(api->zvudGetCurrentProduct), L"ZOVA") << "the catalogue as it is at the first query";
    EXPECT_EQ(api->zvudInitProductParams(L"PRODB", L"L1"), 1) << "too late to ask: reports success";
    EXPECT_EQ(AskText(api->zvudGetMachineProductRegistryRootKey), ProductRootOf(L"ZOVA", L"L1"));
    for (const std::wstring& key : {std::wstring(511, L'k'), std::wstring(512, L'k'), std::wstring()}) {
        api->zvudSetUserProductRegistryRootKey(L"Software\\Before");
        EXPECT_EQ(api->zvudSetUserProductRegistryRootKey(key.empty() ? nullptr : key.c_str()), 0);
        EXPECT_EQ(AskText(api->zvudGetUserProductRegistryRootKey),
                  key.size() == 511 ? key : ProductRootOf(L"ZOVA", L"L1"))
            << key.size() << " characters: kept only when it fits, null switches it off";
    }

    Fresh();
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({});
    api = &Load();
    for (int call = 1; call <= 2; ++call) {  // no language: the exception on every call, continued to ""
        const wchar_t* language = nullptr;
        EXPECT_TRUE(RaisesContinuable(0xC0000008, [&] { language = api->zvudGetProductUILanguage(); })) << call;
        EXPECT_STREQ(language, L"");
        EXPECT_TRUE(RaisesContinuable(0xC0000008, [&] { api->zvudGetProductUALanguage(); })) << call;
    }
    EXPECT_EQ(api->zvudInitProductParams(nullptr, nullptr), 1) << "the failed start-up was the lazy one";
}

}  // namespace
}  // namespace userdata::testing
