// The bench's own guards, each shown to hold: a buffer that catches a write
// past its end, and child processes waited for by what they run.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

// A guarded buffer of each kind of size, counted in bytes: a write inside it
// succeeds and a write one character past its end faults.
TEST(GuardsTest, AWritePastAGuardedBufferFaults)
{
    for (const size_t bytes : {2, 7, 128, 4095, 4096, 4098}) {
        const GuardedBuffer buffer(GuardedBuffer::Bytes{bytes});
        auto* const data = reinterpret_cast<BYTE*>(buffer.Data());
        EXPECT_FALSE(IsBadWritePtr(data, bytes)) << bytes << " bytes: the buffer itself";
        EXPECT_TRUE(IsBadWritePtr(data + bytes, sizeof(wchar_t))) << bytes << " bytes: one character past its end";
        EXPECT_TRUE(buffer.Untouched()) << bytes << " bytes: a write that faulted changed nothing";
    }
}

}  // namespace
}  // namespace userdata::testing
