// ZvString's heap and failure for native builds: malloc, and an abort that
// the fuzzer reports.
#include "base/ZvString.h"

#include <cstdio>
#include <cstdlib>

namespace userdata {

void* ZvStringAllocate(std::size_t bytes) noexcept
{
    return std::malloc(bytes);
}

void ZvStringFree(void* memory) noexcept
{
    std::free(memory);
}

void ZvRaiseStringFailure(std::int32_t hresult)
{
    std::fprintf(stderr, "string failure 0x%08X\n", static_cast<unsigned>(hresult));
    std::abort();
}

}  // namespace userdata
