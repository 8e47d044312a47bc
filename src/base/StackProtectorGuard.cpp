// The stack protector's guard value and failure handler for mingw-w64 builds.
// The compiler's own run-time seeds the guard through the cryptographic
// provider, which brings bcrypt, crypt32 and rsaenh into every process that
// loads the library. Defined here, the guard is seeded from the system's
// random number generator instead, and that run-time stays out of the link.
// MSVC builds seed their own security cookie and do not compile this file,
// which is itself compiled without the protector.
#include <windows.h>
#include <ntsecapi.h>

#include <cstdlib>

extern "C" {
// The names that code compiled with -fstack-protector refers to; the guard is
// a pointer-sized value.
ULONG_PTR __stack_chk_guard = 0;
[[noreturn]] void __stack_chk_fail();
}

namespace {

// A terminator guard, for a system that gives no random bytes: its NUL, line
// feed and 0xFF bytes end the string copies that overrun buffers.
constexpr ULONG_PTR kTerminatorGuard = 0xFF0A0000;

bool SeedStackGuard() noexcept
{
    if (!RtlGenRandom(&__stack_chk_guard, sizeof(__stack_chk_guard)) || __stack_chk_guard == 0) {
        __stack_chk_guard = kTerminatorGuard;
    }
    return true;
}

// Seeded while the library's constructors run, as the compiler's run-time
// does it: no function that checks the guard is active while it changes.
[[maybe_unused]] const bool stackGuardSeeded = SeedStackGuard();

}  // namespace

// A smashed stack ends the process at once, with the status that Windows
// gives a failed stack check: nothing that the overrun may have changed runs.
void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    std::abort();
}
