// Counts the heap allocations that one loaded module makes itself: while the
// counter lives, the module's import address table entries for the heap
// functions of Windows and of the C runtime point at counting wrappers that
// pass each call on. Allocations made inside the functions that the module
// calls (the registry's own, say) are not the module's and are not counted.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace userdata::testing {

class ModuleAllocationCounter {
public:
    // Only one counter may live at a time.
    explicit ModuleAllocationCounter(HMODULE module);
    ~ModuleAllocationCounter();  // the entries point at the real functions again
    ModuleAllocationCounter(const ModuleAllocationCounter&) = delete;
    ModuleAllocationCounter& operator=(const ModuleAllocationCounter&) = delete;

    // The imports that were redirected ("HeapAlloc", "malloc", ...).
    const std::vector<std::string>& Redirected() const { return redirected_; }
    bool Redirects(const std::string& name) const;

    // The number of allocations the module made while `action` ran.
    long During(const std::function<void()>& action) const;

private:
    struct Entry {
        ULONG_PTR* slot;
        ULONG_PTR original;
    };
    std::vector<Entry> entries_;
    std::vector<std::string> redirected_;
};

}  // namespace userdata::testing
