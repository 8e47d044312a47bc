// Where the identity file is looked for, and the two registry roots it names.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

class IdentityFileTest : public ScenarioTest {};

TEST_F(IdentityFileTest, PathByProductAndLanguage)
{
    struct Row {
        const wchar_t* product;
        const wchar_t* folder;  // below the library's folder
    } rows[] = {
        {L"ZOVA", L"L1"},
        {L"zova", L"L1"},  // the base product in any letter case
        {L"PRODB", L"PRODB\\L1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.product));
        InstallConfigurable({{row.product, {L"L1"}}});
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(row.product, L"L1"), 1);
        EXPECT_EQ(AskText(api.GetCurrentProductIdentityIniPath),
                  InstallFolder() + L"\\" + row.folder + L"\\identity.ini");
        EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), ProductRootOf(row.product, L"L1"));
        EXPECT_EQ(AskText(api.zvudGetGlobalRegistryRootKey), L"Software\\Brevonix\\Global");
        Unload();
        DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts");
    }
}

TEST_F(IdentityFileTest, NonConfigurableKeepsItsDoubledBackslash)
{
    WriteVersionFile(kVersionKey, L"0");
    WriteIdentityFile(L"", L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0", L"Software\\Brevonix\\Global");
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0\\InstalledUILanguages", nullptr, L"L1");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
    EXPECT_EQ(AskText(api.GetCurrentProductIdentityIniPath), InstallFolder() + L"\\\\identity.ini");
}

TEST_F(IdentityFileTest, FolderNamedLikeTheFileIsFoundButHoldsNoRoots)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({{L"ZOVA", {L"L1"}}});
    CreateFolders(InstallFolder() + L"\\L1\\identity.ini");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0);
    EXPECT_EQ(AskText(api.GetCurrentProductIdentityIniPath), InstallFolder() + L"\\L1\\identity.ini");
    EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), L"");
}

TEST_F(IdentityFileTest, RootsAreSetBothOrNeither)
{
    struct Row {
        const char* scenario;
        std::wstring productRoot;  // empty: the key is left out of the file
        std::wstring globalRoot;
    } rows[] = {
        {"product root missing", L"", L"Software\\Brevonix\\Global"},
        {"global root missing", L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        WriteVersionFile(kVersionKey, L"1");
        WriteCatalogue({{L"ZOVA", {L"L1"}}});
        WriteIdentityFile(L"L1", row.productRoot, row.globalRoot);
        const auto& api = Load();
        EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0);
        EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), L"");
        EXPECT_EQ(AskText(api.zvudGetGlobalRegistryRootKey), L"");
        EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"ZOVA") << "chosen before the file is read";
        Unload();
    }
}

TEST_F(IdentityFileTest, LongRootIsCutTo259Characters)
{
    const std::wstring longRoot = L"Software\\" + std::wstring(291, L'r');  // 300 characters
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({{L"ZOVA", {L"L1"}}});
    WriteIdentityFile(L"L1", longRoot, L"Software\\Brevonix\\Global");
    const auto& api = Load();
    api.zvudInitProductParams(nullptr, nullptr);
    EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), longRoot.substr(0, 259));
}

}  // namespace
}  // namespace userdata::testing
