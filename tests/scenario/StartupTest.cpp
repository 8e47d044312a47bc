// The one-time start-up: lazy or requested, at most once per process, and
// final when it fails. (Threads making the first call together: RaceTest.)
#include "TestSupport.h"

#include <cstdint>

namespace userdata::testing {
namespace {

class StartupTest : public ScenarioTest {
protected:
    void InstallZovaAndProdb() { InstallConfigurable({{L"ZOVA", {L"L1", L"L2"}}, {L"PRODB", {L"L1"}}}); }
};

TEST_F(StartupTest, FirstQuerySettlesWithoutRequests)
{
    InstallZovaAndProdb();
    const auto& api = Load();
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"PRODB");
    EXPECT_EQ(api.zvudInitProductParams(L"ZOVA", L"L2"), 1) << "too late to ask: reports success";
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"PRODB");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L1");
}

TEST_F(StartupTest, RequestsOnlyOfTheFirstInit)
{
    InstallZovaAndProdb();
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(L"ZOVA", L"L2"), 1);
    EXPECT_EQ(api.zvudInitProductParams(L"PRODB", L"L1"), 1);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"ZOVA");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L2");
}

TEST_F(StartupTest, ArgumentsBelowTheFirstPageAreNoRequest)
{
    InstallZovaAndProdb();
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(reinterpret_cast<const wchar_t*>(std::uintptr_t{0x1234}),
                                        reinterpret_cast<const wchar_t*>(std::uintptr_t{0xFFFF})), 1);
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"PRODB");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L1");
}

TEST_F(StartupTest, PartialStartUpIsFinal)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({{L"ZOVA", {L"L1"}}});
    CreateKey(HKEY_CURRENT_USER, kVersionKey);
    SetEnvironment(L"PATH", L"C:\\Old");
    const auto& api = Load();
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0) << "no identity file";
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"ZOVA");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"L1");
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage")->Text(), L"L1")
        << "written back before the identity file is looked for";
    EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), L"");
    EXPECT_EQ(AskText(api.zvudGetGlobalRegistryRootKey), L"");
    EXPECT_EQ(AskText(api.GetCurrentProductIdentityIniPath), L"");
    EXPECT_EQ(AskText(api.zvudGetVerticalEnvPath), L"");
    EXPECT_EQ(GetEnvironment(L"PATH"), L"C:\\Old");

    // Mending the installation now changes nothing in this process.
    WriteIdentityFor(L"ZOVA", L"L1", ProductRootOf(L"ZOVA", L"L1"));
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1);
    EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), L"");
    EXPECT_EQ(GetEnvironment(L"PATH"), L"C:\\Old");

    Unload();
    const auto& reloaded = Load();
    EXPECT_EQ(AskText(reloaded.zvudGetMachineProductRegistryRootKey), ProductRootOf(L"ZOVA", L"L1"))
        << "a fresh load starts afresh";
}

TEST_F(StartupTest, NothingInstalledLeavesEveryFieldEmpty)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue({});
    const auto& api = Load();
    EXPECT_EQ(AskText(api.zvudGetCurrentProduct), L"");
    EXPECT_EQ(AskText(api.zvudGetCurrentLanguage), L"");
    EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), L"");
    EXPECT_EQ(AskText(api.GetProgramName), L"");
    EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 1) << "the failed start-up was the lazy one";
}

}  // namespace
}  // namespace userdata::testing
