// What tests measure beside the answers: writes past a caller's buffer, open handles, raised exceptions,
// and child processes.
#pragma once

#include "Basics.h"

#include <windows.h>

#include <functional>
#include <string>

namespace userdata::testing {

// A caller's buffer filled with sentinels, to see what an export wrote and
// that it wrote nothing beyond what it was allowed. It ends where an
// inaccessible page begins: a write past its end ends the test program.
class GuardedBuffer : NoCopy {
public:
    static constexpr wchar_t kSentinel = L'#';
    struct Bytes {
        size_t count;  // for a capacity counted in bytes, which may be odd
    };

    explicit GuardedBuffer(size_t size = 64) : GuardedBuffer(Bytes{size * sizeof(wchar_t)}) {}
    explicit GuardedBuffer(Bytes size);
    ~GuardedBuffer();

    wchar_t* Data() const { return reinterpret_cast<wchar_t*>(data_); }
    // The whole characters up to the first NUL (all of them when there is none).
    std::wstring Text() const;
    // True when every character from index `from` on, and an odd last byte, is still a sentinel.
    bool Untouched(size_t from = 0) const;

private:
    BYTE* pages_ = nullptr;
    BYTE* data_ = nullptr;
    size_t bytes_ = 0;
};

// Waits until the processes that this process started from programs below
// `folder` have ended, as the library starts its tools without waiting for
// them. Only those: Wine starts its own (the desktop, the services) from
// whichever process needs them first, and they stay while it runs.
void WaitForChildProcesses(const std::wstring& folder);

// The process's open handles, counted by probing their values: Wine's
// GetProcessHandleCount gives none.
std::ptrdiff_t OpenHandleCount();

// Runs `action`; true when it raised the continuable structured exception
// `code` (which is then continued, as a host's handler may do).
bool RaisesContinuable(DWORD code, const std::function<void()>& action);

}  // namespace userdata::testing
