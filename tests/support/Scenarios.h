// The base of scenario tests: a registry sandbox and an installation folder with a fresh copy of the library.
#pragma once

#include "Environment.h"
#include "Files.h"
#include "Library.h"
#include "Probes.h"
#include "Registry.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace userdata::testing {

struct InstalledProduct {
    std::wstring product;
    std::vector<std::wstring> languages;
};  // a catalogue entry

// The base of scenario tests: a registry sandbox (HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT redirected for the whole process),
// an installation folder with a fresh copy of the library, and PATH,
// ZVVERTICALPATH and the current folder restored afterwards, once the
// processes that the library started have ended. Scenarios write the files
// and registry they need, then Load() the library.
class ScenarioTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kVersionKey = L"Software\\Brevonix\\Suite\\7.0";

    // Scenarios with the Windows Installer use the prefix's real hives, where
    // it keeps its products; what they write below Software\Brevonix is
    // removed at the end.
    enum class RegistryView { Sandboxed, Real };

    explicit ScenarioTest(RegistryView view = RegistryView::Sandboxed);
    ~ScenarioTest() override;

    const std::wstring& InstallFolder() const { return install_->Path(); }
    std::wstring RootFolder() const { return install_->Path() + L"\\"; }  // as the library names it

    // "identityver.ini" beside the library; its IsConfigurable left out when null.
    void WriteVersionFile(const std::wstring& versionKey, const wchar_t* configurable);
    // An "identity.ini" in `relativeFolder` ("" for the installation folder)
    // naming the two registry roots (an empty root is left out).
    void WriteIdentityFile(const std::wstring& relativeFolder, const std::wstring& productRoot,
                           const std::wstring& globalRoot);
    // The products' subkeys under <versionKey>\InstalledProducts, one value per language.
    void WriteCatalogue(const std::vector<InstalledProduct>& products, HKEY hive = HKEY_LOCAL_MACHINE);
    // Software\Brevonix\<product>\7.0\<product>-<language>
    static std::wstring ProductRootOf(const std::wstring& product, const std::wstring& language)
    {
        return L"Software\\Brevonix\\" + product + L"\\7.0\\" + product + L"-" + language;
    }
    // A configurable installation listing `products` for the machine, each
    // with its identity files and, unless the base product, its vertical
    // folders C:\Vertical\<product>: start-up runs through completely.
    void InstallConfigurable(std::initializer_list<InstalledProduct> products);
    void WriteLastLaunched(const std::wstring& product, const std::wstring& language);

    const UserDataExports& Load();  // afresh, unloading the library first
    void Unload() { library_.reset(); }
    const UserDataExports& Api() const { return library_->Exports(); }  // of the loaded library
    HMODULE Module() const { return library_ ? library_->Module() : nullptr; }
    // Unloads the library and starts again from an empty sandbox and a new
    // installation folder: a table's row that must not see the rows before it.
    void Fresh();

private:
    struct Sandbox;
    void NewInstallation();

    RegistryView view_;
    std::unique_ptr<Sandbox> registry_;
    std::optional<TempFolder> install_;
    VariableGuard path_{L"PATH"};
    VariableGuard vertical_{L"ZVVERTICALPATH"};
    std::wstring currentFolder_;
    std::unique_ptr<UserDataLibrary> library_;
};

}  // namespace userdata::testing
