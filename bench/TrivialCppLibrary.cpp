// A trivial C++ DLL, linked with the library's options: what its C++ run-time
// allocates at load is the baseline of the benchmark's memory per load and
// unload.
#include <stdexcept>
#include <string>

// Uses the run-time's strings and exceptions; never called.
extern "C" __declspec(dllexport) std::size_t Describe(int number)
{
    if (number < 0) {
        throw std::invalid_argument("negative");
    }
    return std::to_string(number).size();
}
