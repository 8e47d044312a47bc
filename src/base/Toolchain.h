// What differs between the C++ run-times that the library is built with, kept
// in this one header.
#pragma once

#include <cstddef>  // any standard header: it tells which run-time this is

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
// libstdc++'s release of the memory it keeps for the life of the process
// (the pool for exceptions thrown when the heap is exhausted).
void __freeres() noexcept;
}  // namespace __gnu_cxx
#endif

namespace userdata {

// Frees what the statically linked C++ run-time allocated when the library
// was loaded and would otherwise lose when it is unloaded. Call it last, when
// the library is being unloaded from a process that goes on.
inline void ReleaseRuntimeMemory() noexcept
{
#if defined(__GLIBCXX__)
    __gnu_cxx::__freeres();
#endif
}

}  // namespace userdata
