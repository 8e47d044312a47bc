// The identity query exports as a host sees them.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

class IdentityQueriesTest : public ScenarioTest {
protected:
    // One product PRODB (five characters) in L1, started completely.
    void InstallProdb() { InstallConfigurable({{L"PRODB", {L"L1"}}}); }

    // A base product installation whose identity file names `productRoot`.
    void InstallWithProductRoot(const std::wstring& productRoot)
    {
        WriteVersionFile(kVersionKey, L"1");
        WriteCatalogue({{L"ZOVA", {L"L1"}}});
        WriteIdentityFor(L"ZOVA", L"L1", productRoot);
    }
};

TEST_F(IdentityQueriesTest, FieldCopiesFollowTheLengthResult)
{
    InstallProdb();
    const auto& api = Load();
    struct Row {
        size_t capacity;
        unsigned result;
        bool written;
    } rows[] = {{5, 0, false}, {6, 5, true}, {64, 5, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "capacity " << row.capacity);
        GuardedBuffer buffer;
        EXPECT_EQ(api.zvudGetCurrentProduct(buffer.Data(), static_cast<unsigned long>(row.capacity)), row.result);
        if (row.written) {
            EXPECT_EQ(buffer.Text(), L"PRODB");
            EXPECT_TRUE(buffer.Untouched(6));
        } else {
            EXPECT_TRUE(buffer.Untouched());
        }
    }
}

TEST_F(IdentityQueriesTest, EveryFieldReachesItsExport)
{
    InstallProdb();
    const auto& api = Load();
    const std::wstring root = ProductRootOf(L"PRODB", L"L1");
    struct Row {
        const char* field;
        unsigned (*query)(const UserDataExports&, wchar_t*, unsigned);
        std::wstring expected;
    } rows[] = {
        {"product", [](const UserDataExports& a, wchar_t* b, unsigned c) { return a.zvudGetCurrentProduct(b, c); },
         L"PRODB"},
        {"language", [](const UserDataExports& a, wchar_t* b, unsigned c) { return a.zvudGetCurrentLanguage(b, c); },
         L"L1"},
        {"machine root", [](const UserDataExports& a, wchar_t* b, unsigned c) {
             return a.zvudGetMachineProductRegistryRootKey(b, c); }, root},
        {"user root", [](const UserDataExports& a, wchar_t* b, unsigned c) {
             return a.zvudGetUserProductRegistryRootKey(b, c); }, root},
        {"global root", [](const UserDataExports& a, wchar_t* b, unsigned c) {
             return a.zvudGetGlobalRegistryRootKey(b, c); }, L"Software\\Brevonix\\Global"},
        {"identity file", [](const UserDataExports& a, wchar_t* b, unsigned c) {
             return a.GetCurrentProductIdentityIniPath(b, c); }, InstallFolder() + L"\\PRODB\\L1\\identity.ini"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field);
        GuardedBuffer buffer(MAX_PATH);
        EXPECT_EQ(row.query(api, buffer.Data(), MAX_PATH), row.expected.size());
        EXPECT_EQ(buffer.Text(), row.expected);
    }
}

TEST_F(IdentityQueriesTest, EmptyFieldGivesZero)
{
    InstallConfigurable({{L"ZOVA", {L"L1"}}});  // the base product has no vertical path
    const auto& api = Load();
    GuardedBuffer one;
    EXPECT_EQ(api.zvudGetVerticalEnvPath(one.Data(), 1), 0u);
    EXPECT_EQ(one.Text(), L"");
    EXPECT_TRUE(one.Untouched(1));
    GuardedBuffer none;
    EXPECT_EQ(api.zvudGetVerticalEnvPath(none.Data(), 0), 0u);
    EXPECT_TRUE(none.Untouched());
}

TEST_F(IdentityQueriesTest, OverrideNeedsNoStartUp)
{
    InstallProdb();
    const auto& api = Load();
    EXPECT_EQ(api.zvudSetUserProductRegistryRootKey(L"Software\\X"), 0);
    GuardedBuffer user;
    EXPECT_EQ(api.zvudGetUserProductRegistryRootKey(user.Data(), 64), 10u);
    EXPECT_EQ(user.Text(), L"Software\\X");

    // Nothing was settled yet: a catalogue changed now is the one start-up reads.
    DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts\\PRODB");
    WriteCatalogue({{L"ZOVA", {L"L1"}}});
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    GuardedBuffer machine(MAX_PATH);
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    EXPECT_EQ(api.zvudGetMachineProductRegistryRootKey(machine.Data(), MAX_PATH), root.size());
    EXPECT_EQ(machine.Text(), root) << "the machine root ignores the override";

    api.zvudSetUserProductRegistryRootKey(L"");
    GuardedBuffer switchedOff(MAX_PATH);
    EXPECT_EQ(api.zvudGetUserProductRegistryRootKey(switchedOff.Data(), MAX_PATH), root.size());
    EXPECT_EQ(switchedOff.Text(), root);
}

TEST_F(IdentityQueriesTest, OverrideThatDoesNotFitSwitchesItOff)
{
    InstallProdb();
    const auto& api = Load();
    const std::wstring root = ProductRootOf(L"PRODB", L"L1");
    struct Row {
        const char* scenario;
        std::wstring key;
        bool kept;
    } rows[] = {
        {"511 characters", std::wstring(511, L'k'), true},
        {"512 characters", std::wstring(512, L'k'), false},
        {"600 characters", std::wstring(600, L'k'), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        api.zvudSetUserProductRegistryRootKey(L"Software\\Before");
        EXPECT_EQ(api.zvudSetUserProductRegistryRootKey(row.key.c_str()), 0);
        GuardedBuffer buffer(1024);
        const std::wstring expected = row.kept ? row.key : root;
        EXPECT_EQ(api.zvudGetUserProductRegistryRootKey(buffer.Data(), 1024), expected.size());
        EXPECT_EQ(buffer.Text(), expected);
    }
    api.zvudSetUserProductRegistryRootKey(L"Software\\Before");
    EXPECT_EQ(api.zvudSetUserProductRegistryRootKey(nullptr), 0);
    GuardedBuffer buffer(MAX_PATH);
    EXPECT_EQ(api.zvudGetUserProductRegistryRootKey(buffer.Data(), MAX_PATH), root.size()) << "null switches it off";
}

TEST_F(IdentityQueriesTest, NamesAreCutFromTheProductRoot)
{
    struct Row {
        std::wstring productRoot;
        const wchar_t* program;  // null: no program name
        const wchar_t* product;  // null: no product name
    } rows[] = {
        {L"Software\\Vendor\\Suite\\Release\\Tool-X1", L"Tool", L"Suite"},
        {L"A\\B-C\\D", L"B", nullptr},
        {L"Software\\Vendor\\Suite\\Release\\Tool", nullptr, L"Suite"},
        {L"Vendor\\Suite\\Tool-X1", L"Tool", nullptr},
        {L"Vendor-Suite\\Tool", nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.productRoot));
        InstallWithProductRoot(row.productRoot);
        const auto& api = Load();
        GuardedBuffer program;
        const std::wstring expectedProgram = row.program != nullptr ? row.program : L"";
        EXPECT_EQ(api.GetProgramName(program.Data(), 64), expectedProgram.size());
        EXPECT_TRUE(row.program != nullptr ? program.Text() == expectedProgram : program.Untouched());
        GuardedBuffer product;
        const std::wstring expectedProduct = row.product != nullptr ? row.product : L"";
        EXPECT_EQ(api.GetProductName(product.Data(), 64), expectedProduct.size());
        EXPECT_TRUE(row.product != nullptr ? product.Text() == expectedProduct : product.Untouched());
        Unload();
    }
}

TEST_F(IdentityQueriesTest, NameFollowsTheLengthResult)
{
    InstallWithProductRoot(L"Software\\Vendor\\Suite\\Release\\Tool-X1");
    const auto& api = Load();
    GuardedBuffer small;
    EXPECT_EQ(api.GetProgramName(small.Data(), 4), 0u);
    EXPECT_TRUE(small.Untouched());
    GuardedBuffer exact;
    EXPECT_EQ(api.GetProgramName(exact.Data(), 5), 4u);
    EXPECT_EQ(exact.Text(), L"Tool");
}

TEST_F(IdentityQueriesTest, VerticalProductNameCountsBytes)
{
    const std::wstring root = L"Software\\Brevonix\\Vertical\\7.0\\Vert-L1";
    InstallWithProductRoot(root);
    SetString(HKEY_LOCAL_MACHINE, root, L"ProductName", L"Planner");  // 7 characters, 16 bytes
    const auto& api = Load();
    struct Row {
        unsigned long capacity;
        unsigned result;
    } rows[] = {{10, 0}, {15, 0}, {16, 16}, {100, 16}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "capacity " << row.capacity);
        GuardedBuffer buffer(128);
        EXPECT_EQ(api.GetVerticalProductName(buffer.Data(), row.capacity), row.result);
        if (row.result != 0) {
            EXPECT_EQ(buffer.Text(), L"Planner");
        } else {
            EXPECT_TRUE(buffer.Untouched());
        }
    }
}

TEST_F(IdentityQueriesTest, VerticalProductNameMachineThenUser)
{
    const std::wstring root = L"Software\\Brevonix\\Vertical\\7.0\\Vert-L1";
    InstallWithProductRoot(root);
    SetString(HKEY_CURRENT_USER, root, L"ProductName", L"Mine");
    const auto& api = Load();
    GuardedBuffer user;
    EXPECT_EQ(api.GetVerticalProductName(user.Data(), 64), 10u) << "absent for the machine: the user's";
    EXPECT_EQ(user.Text(), L"Mine");

    CreateKey(HKEY_LOCAL_MACHINE, root);
    GuardedBuffer machine;
    EXPECT_EQ(api.GetVerticalProductName(machine.Data(), 64), 0u) << "the machine's key lacks the value";
    EXPECT_TRUE(machine.Untouched());

    DeleteKey(HKEY_LOCAL_MACHINE, root);
    DeniedKey denied(HKEY_LOCAL_MACHINE, root);
    GuardedBuffer refused;
    EXPECT_EQ(api.GetVerticalProductName(refused.Data(), 64), 0u) << "access denied is not absence";
}

TEST_F(IdentityQueriesTest, LanguagePointerAndItsException)
{
    InstallProdb();
    const auto& api = Load();
    const wchar_t* language = nullptr;
    EXPECT_FALSE(RaisesContinuable(0xC0000008, [&] { language = api.zvudGetProductUILanguage(); }));
    EXPECT_STREQ(language, L"L1");
    EXPECT_EQ(api.zvudGetProductUALanguage(), language) << "both names give the one text";
}

TEST_F(IdentityQueriesTest, NoLanguageRaisesOnEveryCall)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({});  // nothing installed: start-up fails at once
    const auto& api = Load();
    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(::testing::Message() << "call " << call + 1);
        const wchar_t* language = nullptr;
        EXPECT_TRUE(RaisesContinuable(0xC0000008, [&] { language = api.zvudGetProductUILanguage(); }));
        EXPECT_STREQ(language, L"") << "continued, it gives the empty language";
        EXPECT_TRUE(RaisesContinuable(0xC0000008, [&] { api.zvudGetProductUALanguage(); }));
    }
}

TEST_F(IdentityQueriesTest, UnicodeBuildLeavesTheConfigurationUncreated)
{
    InstallConfigurable({{L"PRODB", {L"L1"}}});
    const auto& api = Load();
    EXPECT_EQ(api.IsUnicodeBuild(), 1);
    // Created now, the configuration would see this catalogue; had it been
    // created by IsUnicodeBuild, it would still list PRODB.
    DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts\\PRODB");
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    GuardedBuffer product;
    EXPECT_EQ(api.zvudGetCurrentProduct(product.Data(), 64), 4u);
    EXPECT_EQ(product.Text(), L"ZOVA");
}

}  // namespace
}  // namespace userdata::testing
