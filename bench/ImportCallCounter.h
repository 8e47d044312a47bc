// Counts the calls that one loaded module makes itself to some of the
// functions it imports: while the counter lives, the module's import address
// table entries for them point at counting wrappers that pass each call on.
// Calls made inside the functions that the module calls (the registry's own
// allocations, say) are not the module's and are not counted.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace userdata::testing {

// The functions of Windows and of the C runtime that allocate heap memory.
const std::vector<std::string>& HeapAllocationFunctions();

struct CallTally {
    long calls = 0;
    unsigned long long bytes = 0;  // asked for by the allocations among them (a new size for a reallocation)
};

class ImportCallCounter {
public:
    // Counts the calls to the imports named in `functions`, each one of the
    // heap allocation functions or RegQueryValueExW, RegGetValueW,
    // RegOpenKeyExW. Only one counter may live at a time.
    ImportCallCounter(HMODULE module, const std::vector<std::string>& functions);
    ~ImportCallCounter();  // the entries point at the real functions again
    ImportCallCounter(const ImportCallCounter&) = delete;
    ImportCallCounter& operator=(const ImportCallCounter&) = delete;

    // Whether the module imports `name` and its calls are counted.
    bool Counts(const std::string& name) const;

    // The number of counted calls the module made while `action` ran.
    long During(const std::function<void()>& action) const;
    // The same, with the bytes that the counted allocations asked for.
    CallTally TallyDuring(const std::function<void()>& action) const;

private:
    struct Entry {
        ULONG_PTR* slot;
        ULONG_PTR original;
    };
    std::vector<Entry> entries_;
    std::vector<std::string> counted_;
};

}  // namespace userdata::testing
