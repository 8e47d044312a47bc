// GetHelpFileName and GetContextFileName through the real DLL.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

class HelpFilesTest : public ScenarioTest {
protected:
    // The base product (program ZOVA) and PRODB (program PRODB), both in L1.
    HelpFilesTest() { InstallConfigurable({{L"ZOVA", {L"L1"}}, {L"PRODB", {L"L1"}}}); }

    const UserDataExports& LoadFor(const std::wstring& product)
    {
        const auto& api = Load();
        api.zvudInitProductParams(product.c_str(), L"L1");
        return api;
    }

    static std::wstring Root(const std::wstring& product) { return ProductRootOf(product, L"L1"); }

    static void SetCurrentProfile(const std::wstring& root, const std::wstring& profile)
    {
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles", nullptr, profile);
    }

    static void SetProfileHelp(const std::wstring& root, const std::wstring& profile, const wchar_t* valueName,
                               const std::wstring& helpPath)
    {
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\" + profile + L"\\General", valueName, helpPath);
    }

    // The help file of the product default: the "Help" folder beside the library.
    std::wstring DefaultHelpFile(const std::wstring& name) const { return RootFolder() + L"Help\\" + name + L".chm"; }

    static std::wstring HelpFileName(const UserDataExports& api)
    {
        GuardedBuffer buffer(1024);
        const unsigned length = api.GetHelpFileName(buffer.Data(), 1024);
        if (length == 0) {
            EXPECT_TRUE(buffer.Untouched());
            return L"(none)";
        }
        EXPECT_EQ(length, buffer.Text().size()) << Narrow(buffer.Text());
        return buffer.Text();
    }
};

TEST_F(HelpFilesTest, ProfileHelpValueFollowsTheProgram)
{
    const VariableGuard shortText(L"USERDATA_TEST_A");
    SetEnvironment(L"USERDATA_TEST_A", L"a");
    std::wstring manyShort;  // 3400 characters stored, 200 expanded
    for (int count = 0; count < 200; ++count) {
        manyShort += L"%USERDATA_TEST_A%";
    }
    struct Row {
        const char* scenario;
        const wchar_t* product;
        const wchar_t* zovaHelp;  // null: value absent
        std::wstring help;  // "": value absent
        std::wstring expected;
        DWORD helpType = REG_SZ;
    } rows[] = {
        {"program ZOVA reads ZOVAHELP", L"ZOVA", L"C:\\Z\\zova.chm", L"C:\\H\\other.chm", L"C:\\Z\\zova.chm"},
        {"another program reads HELP", L"PRODB", L"C:\\Z\\zova.chm", L"C:\\H\\other.chm", L"C:\\H\\other.chm"},
        {"program ZOVA without ZOVAHELP", L"ZOVA", nullptr, L"C:\\H\\other.chm", L"(none)"},
        {"another program without HELP", L"PRODB", L"C:\\Z\\zova.chm", L"", L"(none)"},
        {"stored longer than the read, expanded it fits", L"PRODB", nullptr, L"C:\\H\\" + manyShort,
         L"C:\\H\\" + std::wstring(200, L'a'), REG_EXPAND_SZ},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        const std::wstring root = Root(row.product);
        DeleteKey(HKEY_CURRENT_USER, root + L"\\Profiles");
        SetCurrentProfile(root, L"P");
        CreateKey(HKEY_CURRENT_USER, root + L"\\Profiles\\P\\General");
        if (row.zovaHelp != nullptr) {
            SetProfileHelp(root, L"P", L"ZOVAHELP", row.zovaHelp);
        }
        if (!row.help.empty()) {
            SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\P\\General", L"HELP", row.help, row.helpType);
        }
        // The product default is there, yet a current profile leaves it unused.
        SetString(HKEY_LOCAL_MACHINE, root, L"DefaultHelpFileName", L"Guide");
        EXPECT_EQ(HelpFileName(LoadFor(row.product)), row.expected);
        Unload();
    }
}

TEST_F(HelpFilesTest, CurrentProfileWithoutItsGeneralKeyGivesNothing)
{
    const std::wstring root = Root(L"ZOVA");
    SetCurrentProfile(root, L"Gone");
    SetProfileHelp(root, L"Other", L"ZOVAHELP", L"C:\\Other.chm");
    SetString(HKEY_LOCAL_MACHINE, root, L"DefaultHelpFileName", L"Guide");
    EXPECT_EQ(HelpFileName(LoadFor(L"ZOVA")), L"(none)");
}

TEST_F(HelpFilesTest, WithoutAProfileTheProductDefault)
{
    const std::wstring root = Root(L"ZOVA");
    const auto& api = LoadFor(L"ZOVA");
    SetString(HKEY_LOCAL_MACHINE, root, L"DefaultHelpFileName", L"Guide");
    EXPECT_EQ(HelpFileName(api), L"(none)") << "no \"Profiles\" key for the user";

    CreateKey(HKEY_CURRENT_USER, root + L"\\Profiles");
    EXPECT_EQ(HelpFileName(api), DefaultHelpFile(L"Guide")) << "the machine's default";

    SetString(HKEY_CURRENT_USER, root, L"DefaultHelpFileName", L"Mine");
    EXPECT_EQ(HelpFileName(api), DefaultHelpFile(L"Guide")) << "the machine's key comes first";

    DeleteKey(HKEY_LOCAL_MACHINE, root);
    EXPECT_EQ(HelpFileName(api), DefaultHelpFile(L"Mine")) << "absent for the machine: the user's";

    CreateKey(HKEY_LOCAL_MACHINE, root);
    EXPECT_EQ(HelpFileName(api), L"(none)") << "the machine's key lacks the value: the user's is not consulted";
}

TEST_F(HelpFilesTest, DeniedMachineKeyLeavesTheNameEmpty)
{
    const std::wstring root = Root(L"ZOVA");
    CreateKey(HKEY_CURRENT_USER, root + L"\\Profiles");
    SetString(HKEY_CURRENT_USER, root, L"DefaultHelpFileName", L"Mine");
    const auto& api = LoadFor(L"ZOVA");
    DeniedKey denied(HKEY_LOCAL_MACHINE, root);
    EXPECT_EQ(HelpFileName(api), RootFolder() + L"Help\\.chm") << "access denied is not absence";
}

TEST_F(HelpFilesTest, KeysNeedGrantOnlyQueryingValues)
{
    const std::wstring root = Root(L"ZOVA");
    SetCurrentProfile(root, L"P");
    SetProfileHelp(root, L"P", L"ZOVAHELP", L"C:\\P.chm");
    const auto& api = LoadFor(L"ZOVA");
    {
        DeniedKey profiles(HKEY_CURRENT_USER, root + L"\\Profiles", KEY_QUERY_VALUE);
        DeniedKey general(HKEY_CURRENT_USER, root + L"\\Profiles\\P\\General", KEY_QUERY_VALUE);
        EXPECT_EQ(HelpFileName(api), L"C:\\P.chm");
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, (root + L"\\Profiles").c_str(), nullptr);
    SetString(HKEY_LOCAL_MACHINE, root, L"DefaultHelpFileName", L"Guide");
    DeniedKey product(HKEY_LOCAL_MACHINE, root, KEY_QUERY_VALUE);
    EXPECT_EQ(HelpFileName(api), DefaultHelpFile(L"Guide"));
}

TEST_F(HelpFilesTest, HelpPathFollowsTheLengthResult)
{
    const std::wstring root = Root(L"ZOVA");
    SetCurrentProfile(root, L"P");
    const auto& api = LoadFor(L"ZOVA");
    const std::wstring help = L"C:\\H\\Help\\x.chm";  // 15 characters
    const std::wstring longest(259, L'h');
    struct Row {
        std::wstring stored;
        size_t capacity;
        bool delivered;
    } rows[] = {
        {help, 16, true},
        {help, 15, false},
        {help, 0, false},
        {longest, 260, true},
        {std::wstring(260, L'h'), 1024, false},  // too long for the help path buffer
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.stored.size() << " characters, capacity " << row.capacity);
        SetProfileHelp(root, L"P", L"ZOVAHELP", row.stored);
        GuardedBuffer buffer(1024);
        const unsigned result = api.GetHelpFileName(buffer.Data(), static_cast<unsigned long>(row.capacity));
        if (row.delivered) {
            EXPECT_EQ(result, row.stored.size());
            EXPECT_EQ(buffer.Text(), row.stored);
            EXPECT_TRUE(buffer.Untouched(row.stored.size() + 1));
        } else {
            EXPECT_EQ(result, 0u);
            EXPECT_TRUE(buffer.Untouched());
        }
    }
}

TEST_F(HelpFilesTest, OverrideIsTheRootOfBothLookups)
{
    const std::wstring mine = L"Software\\Mine";
    SetCurrentProfile(Root(L"ZOVA"), L"P");
    SetProfileHelp(Root(L"ZOVA"), L"P", L"ZOVAHELP", L"C:\\Product.chm");
    const auto& api = LoadFor(L"ZOVA");
    api.zvudSetUserProductRegistryRootKey(mine.c_str());
    CreateKey(HKEY_CURRENT_USER, mine + L"\\Profiles");
    SetString(HKEY_LOCAL_MACHINE, mine, L"DefaultHelpFileName", L"Override");
    EXPECT_EQ(HelpFileName(api), DefaultHelpFile(L"Override")) << "no current profile under the override";

    SetCurrentProfile(mine, L"Q");
    SetProfileHelp(mine, L"Q", L"ZOVAHELP", L"C:\\Q.chm");
    EXPECT_EQ(HelpFileName(api), L"C:\\Q.chm");
}

TEST_F(HelpFilesTest, NoRootKeyNoHelp)
{
    DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts");  // start-up fails at once
    const auto& api = Load();
    GuardedBuffer help;
    EXPECT_EQ(api.GetHelpFileName(help.Data(), 64), 0u);
    EXPECT_TRUE(help.Untouched());
    GuardedBuffer context;
    EXPECT_EQ(api.GetContextFileName(context.Data(), 64), 0u);
    EXPECT_TRUE(context.Untouched());
}

TEST_F(HelpFilesTest, ContextFileBesideTheHelpFile)
{
    const std::wstring root = Root(L"ZOVA");
    SetCurrentProfile(root, L"P");
    const auto& api = LoadFor(L"ZOVA");
    struct Row {
        const char* scenario;
        std::wstring help;
        std::wstring expected;
    } rows[] = {
        {"help in a folder", L"C:\\H\\Help\\x.chm", L"C:\\H\\Help\\ZOVACTXT.CHM"},
        {"a bare help file name", L"x.chm", L"ZOVACTXT.CHM"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        SetProfileHelp(root, L"P", L"ZOVAHELP", row.help);
        const size_t length = row.expected.size();
        GuardedBuffer exact(64);
        EXPECT_EQ(api.GetContextFileName(exact.Data(), static_cast<unsigned long>(length + 1)), length);
        EXPECT_EQ(exact.Text(), row.expected);
        EXPECT_TRUE(exact.Untouched(length + 1));
        GuardedBuffer small(64);
        EXPECT_EQ(api.GetContextFileName(small.Data(), static_cast<unsigned long>(length)), 0u);
        EXPECT_TRUE(small.Untouched());
    }

    DeleteKey(HKEY_CURRENT_USER, root + L"\\Profiles\\P");
    GuardedBuffer none(64);
    EXPECT_EQ(api.GetContextFileName(none.Data(), 64), 0u) << "no help file, no context file";
    EXPECT_TRUE(none.Untouched());
}

}  // namespace
}  // namespace userdata::testing
