// An installation that gives every export something to answer, and a way to
// call each buffer export the same way: the ground of the hardening tests.
#pragma once

#include "TestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace userdata::testing {

// A buffer export called with a buffer and a capacity in characters (bytes
// for GetVerticalProductName, as its contract says).
struct BufferExport {
    // What a null buffer with a capacity of 0 gives: 0, the capacity needed
    // (capacity results), or 1 (a flag that then only tests existence).
    enum class NullBuffer { Nothing, Need, Exists };

    std::string name;
    std::function<unsigned(const UserDataExports&, wchar_t* buffer, unsigned capacity)> call;
    NullBuffer nullBuffer = NullBuffer::Nothing;
};

// Every buffer export, each special folder on its own row.
std::vector<BufferExport> BufferExports();

class EquippedTest : public ScenarioTest {
protected:
    static constexpr const wchar_t* kProduct = L"PLANNER";
    static constexpr const wchar_t* kLanguage = L"L1";

    // A vertical product with its vertical folders, per-user folder values, a
    // help profile, product-specific values, a product list with one sound
    // product, sound COM registrations, the migration tool (switched off for
    // the machine) and the test resource module beside the library.
    void InstallEverything();

    std::wstring Root() const { return ProductRootOf(kProduct, kLanguage); }
    std::wstring ResourceReference() const { return L"@" + InstallFolder() + L"\\TestStrings.dll,-101"; }

    TempFolder userFolders;
};

// The number of handles the process holds.
std::size_t OpenHandleCount();
// The file names of the modules the process has loaded.
std::vector<std::wstring> LoadedModules();

}  // namespace userdata::testing
