// The first call made by many threads at once, over many fresh loads: every
// thread sees the one identity, and start-up runs once.
#include "Equipped.h"

#include <atomic>
#include <thread>

namespace userdata::testing {
namespace {

class RaceTest : public EquippedTest {};

TEST_F(RaceTest, SixteenThreadsOverTwoHundredLoads)
{
    InstallEverything();
    const std::wstring startedPath = RootFolder() + kLanguage + L";" + VerticalFoldersOf(kProduct) + L";" +
                                     VerticalFoldersOf(kProduct) + L"\\" + kLanguage + L";C:\\Old";
    const std::vector<BufferExport> exports = BufferExports();
    constexpr int kLoads = 200;
    constexpr int kThreads = 16;
    for (int load = 0; load < kLoads; ++load) {
        SCOPED_TRACE(::testing::Message() << "load " << load);
        SetEnvironment(L"PATH", L"C:\\Old");
        WriteLastLaunched(kProduct, kLanguage);
        const auto& api = Load();
        std::atomic<bool> go{false};
        std::vector<std::wstring> products(kThreads);
        std::vector<std::wstring> roots(kThreads);
        std::vector<std::thread> threads;
        for (int index = 0; index < kThreads; ++index) {
            threads.emplace_back([&, index] {
                while (!go.load()) {
                    std::this_thread::yield();
                }
                // Each thread's first call is a different export.
                wchar_t buffer[4096];
                exports[static_cast<size_t>(index) % exports.size()].call(api, buffer, 4096);
                products[index] = AskText(api.zvudGetCurrentProduct);
                roots[index] = AskText(api.zvudGetMachineProductRegistryRootKey);
            });
        }
        go = true;
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (int index = 0; index < kThreads; ++index) {
            ASSERT_EQ(products[index], kProduct) << "thread " << index;
            ASSERT_EQ(roots[index], Root()) << "thread " << index;
        }
        ASSERT_EQ(GetEnvironment(L"PATH"), startedPath) << "start-up ran once";
        Unload();
    }
}

TEST_F(RaceTest, PathFromFourThreads)
{
    SetEnvironment(L"PATH", L"C:\\Old");
    const auto& api = Load();
    constexpr int kThreads = 4;
    constexpr int kCalls = 300;
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int index = 0; index < kThreads; ++index) {
        threads.emplace_back([&] {
            for (int call = 0; call < kCalls; ++call) {
                refused += api.AppendEnvironmentPath(L"C:\\A") == 1 ? 0 : 1;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(refused, 0);
    std::wstring expected;
    for (int call = 0; call < kThreads * kCalls; ++call) {
        expected += L"C:\\A;";
    }
    const std::wstring path = GetEnvironment(L"PATH").value_or(L"");
    EXPECT_TRUE(path == expected + L"C:\\Old") << "no call lost: PATH has " << path.size() << " characters";
}

TEST_F(RaceTest, UserRootKeyOverrideIsReadWhole)
{
    const std::wstring keys[] = {L"Software\\Brevonix\\One", L"Software\\Maker\\AnotherUserRootKey"};
    const auto& api = Load();
    api.zvudSetUserProductRegistryRootKey(keys[0].c_str());
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int turn = 0; !done.load(); turn ^= 1) {
            api.zvudSetUserProductRegistryRootKey(keys[turn].c_str());
        }
    });
    int torn = 0;
    for (int read = 0; read < 200000; ++read) {
        const std::wstring key = AskText(api.zvudGetUserProductRegistryRootKey);
        torn += key == keys[0] || key == keys[1] ? 0 : 1;
    }
    done = true;
    writer.join();
    EXPECT_EQ(torn, 0) << "reads that mixed the two keys";
}

}  // namespace
}  // namespace userdata::testing
