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

// The result and text of `entry` on a buffer of `capacity` characters between
// two runs of canaries; `within` false when a canary or a character at or
// beyond the capacity changed.
struct Guarded {
    unsigned result = 0;
    std::wstring text;
    bool within = false;
};

Guarded CallGuarded(const UserDataExports& api, const BufferExport& entry, unsigned capacity)
{
    std::vector<wchar_t> guarded(kCanary + capacity + kCanary, kCanaryCharacter);
    Guarded call;
    call.result = entry.call(api, guarded.data() + kCanary, capacity);
    const auto untouched = [](wchar_t c) { return c == kCanaryCharacter; };
    const auto end = guarded.begin() + static_cast<std::ptrdiff_t>(kCanary + capacity);
    call.within = std::all_of(guarded.begin(), guarded.begin() + kCanary, untouched) &&
                  std::all_of(end, guarded.end(), untouched);
    call.text.assign(guarded.begin() + kCanary, std::find(guarded.begin() + kCanary, end, L'\0'));
    return call;
}

// Below the capacity the answer needs, every export fails (a capacity result
// at capacity 0 gives the need); with ample room it
// answers as with a roomy buffer; in between it either answers the same or
// fails. Never a write outside the capacity.
TEST_F(BufferGuardTest, NoExportWritesOutsideItsCapacity)
{
    InstallEverything();
    const auto& api = Load();
    ASSERT_EQ(api.zvudInitProductParams(kProduct, kLanguage), 1);
    for (const BufferExport& entry : BufferExports()) {
        SCOPED_TRACE(entry.name);
        std::vector<wchar_t> roomy(4096, L'\0');
        const unsigned answer = entry.call(api, roomy.data(), static_cast<unsigned>(roomy.size()));
        const std::wstring text = roomy.data();
        const unsigned need = static_cast<unsigned>(text.size()) + 1;
        ASSERT_GT(need, 1u) << "the installation gives this export nothing to answer";
        ASSERT_NE(answer, 0u);
        for (const unsigned capacity : std::set<unsigned>{0, 1, need - 1, need, need + 1, 2 * need + 2}) {
            SCOPED_TRACE(::testing::Message() << "capacity " << capacity << " of need " << need);
            const Guarded call = CallGuarded(api, entry, capacity);
            EXPECT_TRUE(call.within) << "written outside the capacity";
            if (capacity < need) {
                const bool asksTheNeed = capacity == 0 && entry.nullBuffer == BufferExport::NullBuffer::Need;
                EXPECT_EQ(call.result, asksTheNeed ? answer : 0u);
            } else if (capacity == 2 * need + 2 || call.result != 0) {
                EXPECT_EQ(call.result, answer);
                EXPECT_EQ(call.text, text);
            }
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
        std::vector<wchar_t> roomy(4096, L'\0');
        const unsigned answer = entry.call(api, roomy.data(), static_cast<unsigned>(roomy.size()));
        const unsigned expected[] = {0, answer, 1};
        EXPECT_EQ(entry.call(api, nullptr, 0), expected[static_cast<int>(entry.nullBuffer)]);
    }
}

}  // namespace
}  // namespace userdata::testing
