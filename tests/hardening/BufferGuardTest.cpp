// Every buffer export, at every capacity that matters, writes nothing before
// the caller's buffer and nothing at or beyond the capacity it was given.
#include "Equipped.h"

#include <algorithm>
#include <set>

namespace userdata::testing {
namespace {

constexpr size_t kCanary = 32;
constexpr wchar_t kCanaryCharacter = L'\xFEFE';

class BufferGuardTest : public EquippedTest {};

// Calls `entry` on a buffer of `capacity` characters between two runs of
// canaries; false when a canary or a character at or beyond the capacity
// changed.
bool StaysWithin(const UserDataExports& api, const BufferExport& entry, unsigned capacity)
{
    std::vector<wchar_t> guarded(kCanary + capacity + kCanary, kCanaryCharacter);
    entry.call(api, guarded.data() + kCanary, capacity);
    const auto untouched = [](wchar_t c) { return c == kCanaryCharacter; };
    return std::all_of(guarded.begin(), guarded.begin() + kCanary, untouched) &&
           std::all_of(guarded.begin() + static_cast<std::ptrdiff_t>(kCanary + capacity), guarded.end(), untouched);
}

TEST_F(BufferGuardTest, NoExportWritesOutsideItsCapacity)
{
    InstallEverything();
    const auto& api = Load();
    ASSERT_EQ(api.zvudInitProductParams(kProduct, kLanguage), 1);
    for (const BufferExport& entry : BufferExports()) {
        SCOPED_TRACE(entry.name);
        std::vector<wchar_t> roomy(4096, L'\0');
        entry.call(api, roomy.data(), static_cast<unsigned>(roomy.size()));
        const unsigned need = static_cast<unsigned>(std::wstring(roomy.data()).size()) + 1;
        ASSERT_GT(need, 1u) << "the installation gives this export nothing to answer";
        const std::set<unsigned> capacities = {0, 1, need - 1, need, need + 1, 2 * need + 2};
        for (const unsigned capacity : capacities) {
            EXPECT_TRUE(StaysWithin(api, entry, capacity)) << "capacity " << capacity << " of need " << need;
        }
    }
}

TEST_F(BufferGuardTest, NullBufferWithoutCapacityIsNeverWritten)
{
    InstallEverything();
    const auto& api = Load();
    api.zvudInitProductParams(kProduct, kLanguage);
    for (const BufferExport& entry : BufferExports()) {
        SCOPED_TRACE(entry.name);
        EXPECT_NO_FATAL_FAILURE(entry.call(api, nullptr, 0));
    }
}

}  // namespace
}  // namespace userdata::testing
