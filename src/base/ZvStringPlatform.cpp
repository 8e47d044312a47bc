// The process heap and the structured exception behind ZvString.
#include "base/ZvString.h"

#include <windows.h>

#include <cstdlib>

namespace userdata {

void* ZvStringAllocate(std::size_t bytes) noexcept
{
    return HeapAlloc(GetProcessHeap(), 0, bytes);
}

void ZvStringFree(void* memory) noexcept
{
    if (memory != nullptr) {
        HeapFree(GetProcessHeap(), 0, memory);
    }
}

void ZvRaiseStringFailure(std::int32_t hresult)
{
    const ULONG_PTR argument = static_cast<ULONG_PTR>(static_cast<std::uint32_t>(hresult));
    RaiseException(static_cast<DWORD>(hresult), EXCEPTION_NONCONTINUABLE, 1, &argument);
    std::abort();  // not reached: a non-continuable exception cannot be continued
}

}  // namespace userdata
