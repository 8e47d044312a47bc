// What differs between the C++ run-times that the library is built with, kept
// in this one header.
#pragma once

#include <cstddef>  // any standard header: it tells which run-time this is

// A function that runs once or rarely, kept out of the callers it would
// otherwise be inlined into: their common path stays small enough to be
// inlined itself.
#if defined(_MSC_VER)
#define ZV_RARELY_CALLED __declspec(noinline)
#else
#define ZV_RARELY_CALLED __attribute__((noinline))
#endif

#if defined(__GLIBCXX__)
namespace __cxxabiv1 {
// libstdc++'s per-thread record of the exceptions being handled, as its
// exception-handling entry points find it through __cxa_get_globals.
struct __cxa_eh_globals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};
}  // namespace __cxxabiv1
#endif
