// The pieces of libstdc++ that every host would otherwise load with the
// library, replaced by the little that the library uses of them.
//
// The library throws no C++ exception: a string, container or allocation that
// fails raises the structured exception that ZvString raises (out of memory or
// an invalid length), which nothing in the library catches. Defined here, the
// run-time's throw helpers, its throwing operator new and its verbose
// terminate handler stay out of the link, and with them the exception
// classes and both std::string ABIs they hold their messages in, the printf
// family that formats those messages, the demangler that names an uncaught
// exception's type, and the emergency pool for exceptions thrown when the heap
// is exhausted. The per-thread exception record is native thread-local
// storage rather than the emulated kind, whose keys need a threading
// run-time. Compiled for libstdc++ only: MSVC's run-time is a DLL of its own.
#include "base/Toolchain.h"

#if defined(__GLIBCXX__)

#include "base/ZvString.h"

#include <cstdlib>
#include <exception>
#include <new>

namespace {

void* AllocateOrRaise(std::size_t bytes)
{
    // malloc(0) may give null; a request for nothing still gets its own address.
    void* const memory = std::malloc(bytes != 0 ? bytes : 1);
    if (memory == nullptr) {
        userdata::ZvRaiseStringFailure(userdata::kStringOutOfMemory);
    }
    return memory;
}

}  // namespace

void* operator new(std::size_t bytes)
{
    return AllocateOrRaise(bytes);
}

void* operator new[](std::size_t bytes)
{
    return AllocateOrRaise(bytes);
}

void* operator new[](std::size_t bytes, const std::nothrow_t& /*unused*/) noexcept
{
    return std::malloc(bytes != 0 ? bytes : 1);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t /*bytes*/) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t /*bytes*/) noexcept
{
    std::free(memory);
}

namespace std {

void __throw_bad_alloc()
{
    userdata::ZvRaiseStringFailure(userdata::kStringOutOfMemory);
}

void __throw_length_error(const char* /*what*/)
{
    userdata::ZvRaiseStringFailure(userdata::kStringInvalidLength);
}

void __throw_out_of_range_fmt(const char* /*format*/, ...)
{
    userdata::ZvRaiseStringFailure(userdata::kStringInvalidLength);
}

}  // namespace std

namespace __gnu_cxx {

// An exception that escapes a noexcept function ends the process, as the
// run-time's handler does after printing the exception's demangled type.
void __verbose_terminate_handler()
{
    std::abort();
}

}  // namespace __gnu_cxx

extern "C" {

// The start of every throw: the library makes none of its own, and the
// run-time's exception support throws only for exception specifications,
// which C++20 code does not have. One would be a defect; it ends the process
// before any emergency pool is needed for it.
void* __cxa_allocate_exception(std::size_t /*bytes*/) noexcept
{
    std::terminate();
}

void __cxa_free_exception(void* /*exception*/) noexcept {}

__cxxabiv1::__cxa_eh_globals* __cxa_get_globals() noexcept
{
    static thread_local __cxxabiv1::__cxa_eh_globals globals = {};
    return &globals;
}

__cxxabiv1::__cxa_eh_globals* __cxa_get_globals_fast() noexcept
{
    return __cxa_get_globals();
}

}  // extern "C"

#endif
