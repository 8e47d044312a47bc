// Who the host is: the product and language that start-up settles on, the
// identity file and registry roots it reads, and the queries that give them.
#include "TestSupport.h"

#include <cstdint>

namespace userdata::testing {
namespace {

const std::wstring kFixedRoot = L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0";  // of a non-configurable installation
const std::wstring kGlobalRoot = L"Software\\Brevonix\\Global";

// "product/language" as its two halves.
std::pair<std::wstring, std::wstring> Halves(const std::wstring& text)
{
    const size_t slash = text.find(L'/');
    return {text.substr(0, slash), slash == std::wstring::npos ? L"" : text.substr(slash + 1)};
}

// The identity file below the installation folder ("": none) and the machine's product registry root.
struct Identity {
    std::wstring file;
    std::wstring root;
};

const std::vector<InstalledProduct> kZovaAndProdb = {{L"ZOVA", {L"L1", L"L2"}}, {L"PRODB", {L"L1"}}};
const std::vector<InstalledProduct> kNoProducts = {}, kProdA = {{L"PRODA", {L"L1"}}};
const std::vector<InstalledProduct> kNoLanguages = {{L"NOLANG", {}}, {L"ZOVA", {L"L1"}}};
const std::wstring kLongRoot = L"Software\\" + std::wstring(291, L'r');
const Identity kL1Only = {L"L1\\identity.ini", L""}, kLongRoots = {kLongRoot, kGlobalRoot};
const Identity kGlobal = {L"", kGlobalRoot}, kProduct = {kFixedRoot, L""};
// The base product's identity files lie in its language folders, the others' in their own folders.
const Identity kProdbL1 = {L"PRODB\\L1\\identity.ini", L"Software\\Brevonix\\PRODB\\7.0\\PRODB-L1"};
const Identity kZovaL2 = {L"L2\\identity.ini", L"Software\\Brevonix\\ZOVA\\7.0\\ZOVA-L2"};
const Identity kCut259 = {L"L1\\identity.ini", kLongRoot.substr(0, 259)};

// The installation: the products installed with their identity files, whether the user's version key (where
// start-up remembers) is there and what it remembers; in place of the products a catalogue of the machine, and
// besides them one of the user, without identity files; the version file's IsConfigurable (null: left out); in
// place of the products an identity file in L1 naming these roots. The product and language requested ("/": none; null:
// pointers below the first page); what start-up gives, chooses and remembers ("-": nothing); the identity it then
// gives (none when start-up fails).
struct Row {
    const char* name = "";
    std::vector<InstalledProduct> products = kZovaAndProdb;
    bool userKey = true;
    const wchar_t* memory = nullptr;
    std::optional<std::vector<InstalledProduct>> machine{};
    std::vector<InstalledProduct> user{};
    const wchar_t* configurable = L"1";
    std::optional<Identity> roots{};
    const wchar_t* asks = L"/";
    const wchar_t* gives = L"";
    std::optional<Identity> identity{};
};

const Row kRows[] = {
    {.name = "nothing requested or remembered", .gives = L"1 PRODB/L1 PRODB/L1", .identity = kProdbL1},
    {.name = "pointers below the first page are no request", .asks = nullptr, .gives = L"1 PRODB/L1 PRODB/L1"},
    {.name = "remembered language not installed", .memory = L"PRODB/L2", .gives = L"1 PRODB/L1 PRODB/L1"},
    {.name = "request in another letter case",
     .memory = L"ZOVA/L2",
     .asks = L"zova/",
     .gives = L"1 ZOVA/L2 ZOVA/L2",
     .identity = kZovaL2},
    {.name = "requested language missing", .memory = L"PRODB/L2", .asks = L"ZOVA/L3", .gives = L"1 ZOVA/L2 ZOVA/L2"},
    {.name = "installed language requested", .memory = L"PRODB/L1", .asks = L"ZOVA/L2", .gives = L"1 ZOVA/L2 ZOVA/L2"},
    {.name = "languages compare exactly", .memory = L"PRODB/L1", .asks = L"ZOVA/l2", .gives = L"1 ZOVA/L1 ZOVA/L1"},
    {.name = "a request beats the memory", .memory = L"ZOVA/L2", .asks = L"PRODB/", .gives = L"1 PRODB/L1 PRODB/L1"},
    {.name = "remembered product not installed", .memory = L"OTHER/L2", .gives = L"1 PRODB/L1 PRODB/L1"},
    {.name = "no user version key: never created", .userKey = false, .asks = L"ZOVA/L2", .gives = L"1 ZOVA/L2 -"},
    {.name = "capitals sort first", .products = {{L"a", {L"L1"}}, {L"B", {L"L1"}}}, .gives = L"1 B/L1 B/L1"},
    {.name = "base product in lower case", .products = {{L"zova", {L"L1"}}}, .gives = L"1 zova/L1 zova/L1"},
    {.name = "the machine's catalogue first", .user = kProdA, .gives = L"1 PRODB/L1 PRODB/L1"},
    {.name = "the user's catalogue, remembered", .products = {}, .user = kProdA, .gives = L"0 PRODA/L1 PRODA/L1"},
    {.name = "IsConfigurable \"yes\" is not 1", .configurable = L"yes", .gives = L"0 / -"},
    {.name = "IsConfigurable missing", .configurable = nullptr, .asks = L"PRODB/L1", .gives = L"0 PRODB/ -"},
    {.name = "empty catalogue", .machine = kNoProducts, .gives = L"0 / -"},
    {.name = "a product without languages", .machine = kNoLanguages, .asks = L"NOLANG/", .gives = L"0 NOLANG/ -"},
    {.name = "no product root", .roots = kGlobal, .gives = L"0 ZOVA/L1 ZOVA/L1", .identity = kL1Only},
    {.name = "no global root", .roots = kProduct, .gives = L"0 ZOVA/L1 ZOVA/L1", .identity = kL1Only},
    {.name = "product root cut to 259", .roots = kLongRoots, .gives = L"1 ZOVA/L1 ZOVA/L1", .identity = kCut259},
    {.name = "not configurable, no identity file", .machine = kNoProducts, .configurable = L"0", .gives = L"0 / -"},
};

class IdentityTest : public ScenarioTest {
protected:
    void InstallWithRoots(const std::wstring& productRoot, const std::wstring& globalRoot)
    {
        WriteVersionFile(kVersionKey, L"1");
        WriteCatalogue({{L"ZOVA", {L"L1"}}});
        WriteIdentityFile(L"L1", productRoot, globalRoot);
    }
    // What start-up gave, chose and remembered ("-": nothing), as "1 ZOVA/L2 ZOVA/L2".
    std::wstring Outcome(int started)
    {
        const auto product = ReadValue(kUser, kVersionKey, L"LastLaunchedProduct");
        const auto language = ReadValue(kUser, kVersionKey, L"LastLaunchedLanguage");
        const std::wstring remembered = product && language ? product->Text() + L"/" + language->Text() : L"-";
        return std::to_wstring(started) + L" " + AskText(Api().zvudGetCurrentProduct) + L"/" +
               AskText(Api().zvudGetCurrentLanguage) + L" " + remembered;
    }
    void Install(const Row& row)
    {
        if (row.roots) {
            InstallWithRoots(row.roots->file, row.roots->root);
        }
        for (const InstalledProduct& product : row.roots || row.machine ? kNoProducts : row.products) {
            InstallConfigurable({product});
        }
        if (row.machine) {
            WriteCatalogue(*row.machine);
        }
        if (!row.user.empty()) {
            WriteCatalogue(row.user, kUser);
        }
        WriteVersionFile(kVersionKey, row.configurable);
        if (row.userKey) {
            CreateKey(kUser, kVersionKey);
        }
        if (row.memory != nullptr) {
            WriteLastLaunched(Halves(row.memory).first, Halves(row.memory).second);
        }
    }
    void ExpectIdentity(const Identity& identity)
    {
        EXPECT_EQ(AskText(Api().GetCurrentProductIdentityIniPath),
                  identity.file.empty() ? L"" : InstallFolder() + L"\\" + identity.file);
        EXPECT_EQ(AskText(Api().zvudGetMachineProductRegistryRootKey), identity.root);
        EXPECT_EQ(AskText(Api().zvudGetGlobalRegistryRootKey), identity.root.empty() ? L"" : kGlobalRoot);
    }
};

TEST_F(IdentityTest, StartUpChoosesTheProductAndReadsItsIdentity)
{
    const auto* belowFirstPage = reinterpret_cast<const wchar_t*>(std::uintptr_t{0xFFFF});
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        Fresh();
        Install(row);
        const auto [product, language] = Halves(row.asks != nullptr ? row.asks : L"/");
        const auto& api = Load();
        const int started = row.asks == nullptr
                                ? api.zvudInitProductParams(belowFirstPage, belowFirstPage)
                                : api.zvudInitProductParams(product.empty() ? nullptr : product.c_str(),
                                                            language.empty() ? nullptr : language.c_str());
        EXPECT_EQ(Narrow(Outcome(started)), Narrow(row.gives))
            << "zvudInitProductParams(" << (row.asks ? Narrow(row.asks) : "0xFFFF, 0xFFFF") << ")";
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1) << "start-up runs once a load, failed or not";
        if (row.identity || started == 0) {
            ExpectIdentity(row.identity.value_or(Identity{}));
        }
    }
}

// InstalledUILanguages's default value, stored as `bytes` of `language` (0: all of it and its terminator; a
// character beyond them keeps it unterminated), and what start-up gives and chooses.
struct FixedRow {
    const char* name = "";
    std::wstring language;
    DWORD type = REG_SZ;
    HKEY hive = kMachine;
    DWORD bytes = 0;
    std::wstring gives;
};
const std::wstring kLongLanguage(259, L'L');
const FixedRow kFixedRows[] = {
    {.name = "the machine's language, not the request", .language = L"L3", .gives = L"1 ZOVA/L3"},
    {.name = "the user's, expandable", .language = L"L4", .type = REG_EXPAND_SZ, .hive = kUser, .gives = L"1 ZOVA/L4"},
    {.name = "259-character language", .language = kLongLanguage, .gives = L"1 ZOVA/" + kLongLanguage},
    {.name = "260-character language", .language = kLongLanguage + L"L", .gives = L"0 ZOVA/"},
    {.name = "unterminated language", .language = L"L3#", .bytes = 4, .gives = L"0 ZOVA/"},
};

TEST_F(IdentityTest, NotConfigurableTheBaseProductInTheLanguageStored)
{
    for (const FixedRow& row : kFixedRows) {
        SCOPED_TRACE(row.name);
        Fresh();
        WriteVersionFile(kVersionKey, L"0");
        WriteIdentityFile(L"", kFixedRoot, kGlobalRoot);
        WriteCatalogue({{L"PRODB", {L"L1"}}});  // a catalogue and memory that must play no part
        WriteLastLaunched(L"PRODB", L"L1");
        const DWORD bytes = row.bytes != 0 ? row.bytes : static_cast<DWORD>((row.language.size() + 1) * 2);
        SetRaw(row.hive, kFixedRoot + L"\\InstalledUILanguages", nullptr, row.type, row.language.c_str(), bytes);
        const auto& api = Load();
        EXPECT_EQ(Narrow(Outcome(api.zvudInitProductParams(L"PRODB", L"L1"))), Narrow(row.gives + L" PRODB/L1"));
        ExpectIdentity({L"\\identity.ini", kFixedRoot});  // as the library joins them
    }
}

TEST_F(IdentityTest, NamesAreCutFromTheProductRoot)
{
    const struct Row {
        const char* name = "";
        const wchar_t* root = L"";
        const wchar_t* names = L"";  // program|product
    } rows[] = {
        {.name = "program and product", .root = L"Software\\Vendor\\Suite\\Release\\Tool-X1", .names = L"Tool|Suite"},
        {.name = "no product name above three levels", .root = L"A\\B-C\\D", .names = L"B|"},
        {.name = "no program name without a dash",
         .root = L"Software\\Vendor\\Suite\\Release\\Tool",
         .names = L"|Suite"},
        {.name = "the last dash", .root = L"Vendor\\Suite\\Tool-Pro-X1", .names = L"Tool-Pro|"},
        {.name = "a dash above the last level", .root = L"Vendor-Suite\\Tool", .names = L"|"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fresh();
        InstallWithRoots(row.root, kGlobalRoot);
        const auto& api = Load();
        EXPECT_EQ(Narrow(AskText(api.GetProgramName) + L"|" + AskText(api.GetProductName)), Narrow(row.names))
            << "GetProgramName|GetProductName of " << Narrow(row.root);
        EXPECT_EQ(AskText(api.zvudGetUserProductRegistryRootKey), row.root);
    }
    EXPECT_STREQ(Api().zvudGetProductUILanguage(), L"L1");
    EXPECT_EQ(Api().zvudGetProductUALanguage(), Api().zvudGetProductUILanguage()) << "both names, one text";
}

TEST_F(IdentityTest, StartUpHappensOncePerLoadAndQueriesDoNotStartIt)
{
    Install({});  // ZOVA and PRODB
    const UserDataExports* api = &Load();
    EXPECT_EQ(api->IsUnicodeBuild(), 1);
    EXPECT_EQ(api->zvudSetUserProductRegistryRootKey(L"Software\\X"), 0);
    EXPECT_EQ(AskText(api->zvudGetUserProductRegistryRootKey), L"Software\\X");
    DeleteKey(kMachine, std::wstring(kVersionKey) + L"\\InstalledProducts\\PRODB");
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
