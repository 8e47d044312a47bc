// The scenario test bench: a temporary installation folder holding a copy of
// the built UserData.dll, a registry sandbox, the environment saved and
// restored, and the library loaded from that folder by its exported names.
#pragma once

#include "ExportTable.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace userdata::testing {

// A caller's buffer filled with sentinels, to see what an export wrote and
// that it wrote nothing beyond what it was allowed.
class GuardedBuffer {
public:
    static constexpr wchar_t kSentinel = L'#';

    explicit GuardedBuffer(size_t size = 64, const wchar_t* initial = nullptr);
    wchar_t* Data() { return chars_.data(); }
    // The text up to the first NUL (all of the buffer when there is none).
    std::wstring Text() const;
    // True when every character from index `from` on is still a sentinel.
    bool Untouched(size_t from = 0) const;

private:
    std::vector<wchar_t> chars_;
};

// A fresh folder under the temporary folder, deleted with all it holds.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    // Path() + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

void CreateFolders(const std::wstring& path);
void DeleteTree(const std::wstring& path);
// Copies the folder `from` with all it holds to `to`, created if needed.
void CopyTree(const std::wstring& from, const std::wstring& to);
void WriteTextFile(const std::wstring& path, const std::string& content);
// A UTF-16 text file with its byte order mark, as Windows keeps Unicode INI files.
void WriteUnicodeTextFile(const std::wstring& path, const std::wstring& content);
bool FileExists(const std::wstring& path);
// The folder of the running test program, without a trailing backslash.
std::wstring TestProgramFolder();

// HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT redirected to
// fresh keys for the whole process (the library's calls land there too), and
// removed again afterwards.
class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

private:
    std::wstring root_;
    HKEY machine_ = nullptr;
    HKEY user_ = nullptr;
    HKEY classes_ = nullptr;
};

// Registry helpers through the (redirected) predefined keys; each fails the
// test when the registry refuses.
void CreateKey(HKEY root, const std::wstring& path);
void DeleteKey(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value,
               DWORD type = REG_SZ);
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);
// Raw data of any type and byte count. An odd count or data without a
// terminator is stored as given.
void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes);
// A REG_SZ value of `text` stored without its terminator.
void SetUnterminatedString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text);
// While it lives, opening the key (creating it if needed) for any access
// beyond `allowed` (by default for any access at all) fails with
// ERROR_ACCESS_DENIED for everyone; its security is restored afterwards.
class DeniedKey {
public:
    DeniedKey(HKEY root, const std::wstring& path, REGSAM allowed = 0);
    ~DeniedKey();
    DeniedKey(const DeniedKey&) = delete;
    DeniedKey& operator=(const DeniedKey&) = delete;

private:
    HKEY key_ = nullptr;  // opened before the denial, so it can lift it
};

// Deletes the trees `paths` (below "Software\Brevonix") from the real
// machine and user hives, and "Software\Brevonix" itself when that leaves it
// empty: what tests that write the prefix's real hives made there.
void RemoveFromRealHives(std::initializer_list<const wchar_t*> paths);

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    std::wstring Text() const;  // the data as text up to its first NUL
};
std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name);

std::optional<std::wstring> GetEnvironment(const wchar_t* name);
// Sets a variable in the process and in the C runtime's copy (null unsets it).
void SetEnvironment(const wchar_t* name, const wchar_t* value);

// One environment variable (the runtime's copy and the process's) as it was,
// restored at the end.
class VariableGuard {
public:
    explicit VariableGuard(const wchar_t* name);
    ~VariableGuard();
    VariableGuard(const VariableGuard&) = delete;
    VariableGuard& operator=(const VariableGuard&) = delete;

private:
    const wchar_t* name_;
    std::optional<std::wstring> value_;
};

// PATH, ZVVERTICALPATH and the current directory as they were, restored at
// the end.
class EnvironmentGuard {
public:
    EnvironmentGuard();
    ~EnvironmentGuard();
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    VariableGuard path_{L"PATH"};
    VariableGuard vertical_{L"ZVVERTICALPATH"};
    std::wstring currentDirectory_;
};

// One copy of the library, loaded by full path and unloaded at the end, which
// gives the next load fresh process-wide state.
class UserDataLibrary {
public:
    explicit UserDataLibrary(const std::wstring& dllPath);
    ~UserDataLibrary();
    UserDataLibrary(const UserDataLibrary&) = delete;
    UserDataLibrary& operator=(const UserDataLibrary&) = delete;

    HMODULE Module() const { return module_; }
    const UserDataExports& Exports() const { return exports_; }

private:
    HMODULE module_ = nullptr;
    UserDataExports exports_;
};

// A catalogue entry: a product and its UI languages.
struct InstalledProduct {
    std::wstring product;
    std::vector<std::wstring> languages;
};

// The base of scenario tests: a sandbox, an installation folder with a fresh
// copy of the library, and the environment restored afterwards. Scenarios
// write the files and registry they need, then Load() the library.
class ScenarioTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kVersionKey = L"Software\\Brevonix\\Suite\\7.0";

    // Sandboxed by default. Scenarios with the Windows Installer use the real
    // hives of the prefix, where it keeps its products; they then run one at a
    // time, and the catalogue and product keys that the scenario writes below
    // Software\Brevonix are removed at the end.
    enum class RegistryView { Sandboxed, Real };

    explicit ScenarioTest(RegistryView view = RegistryView::Sandboxed);
    ~ScenarioTest() override;

    const std::wstring& InstallFolder() const { return install_->Path(); }
    // The install folder as the library names it: with a trailing backslash.
    std::wstring RootFolder() const { return install_->Path() + L"\\"; }

    // "identityver.ini" beside the library.
    void WriteVersionFile(const std::wstring& versionKey, const std::wstring& configurable);
    // An "identity.ini" in `relativeFolder` of the install folder ("" for the
    // folder itself) naming the two registry roots (an empty root is left out).
    void WriteIdentityFile(const std::wstring& relativeFolder, const std::wstring& productRoot,
                           const std::wstring& globalRoot);
    // The products' subkeys under <versionKey>\InstalledProducts with one
    // value per language, in `hive`.
    void WriteCatalogue(const std::vector<InstalledProduct>& products, HKEY hive = HKEY_LOCAL_MACHINE);
    // What a configurable installation needs for `product` and `language` to
    // start completely: its identity file, naming `productRoot`.
    void WriteIdentityFor(const std::wstring& product, const std::wstring& language, const std::wstring& productRoot);

    // The product registry root that InstallConfigurable names for a product
    // and language: Software\Brevonix\<product>\7.0\<product>-<language>.
    static std::wstring ProductRootOf(const std::wstring& product, const std::wstring& language);
    static std::wstring VerticalFoldersOf(const std::wstring& product);
    // A configurable installation listing `products` (machine hive), with an
    // identity file for every product and language, and for each vertical
    // product the vertical folder list VerticalFoldersOf(product), so that
    // start-up runs through completely.
    void InstallConfigurable(std::initializer_list<InstalledProduct> products);
    // The last launched product and language remembered for the current user.
    void WriteLastLaunched(const std::wstring& product, const std::wstring& language);

    const UserDataExports& Load();
    void Unload();
    // Unloads the library and starts again from an empty sandbox and a new
    // installation folder: a table's row that must not see the rows before it.
    void Fresh();
    const UserDataExports& Api() const;
    HMODULE Module() const { return library_ ? library_->Module() : nullptr; }

private:
    void NewInstallation();

    RegistryView view_;
    std::optional<RegistrySandbox> registry_;
    std::optional<TempFolder> install_;
    EnvironmentGuard environment_;
    std::unique_ptr<UserDataLibrary> library_;
};

// Whether `module` has bound its delay-loaded imports from `library` (say
// "msi.dll"): whether it called into that library since it was loaded. Unlike
// the library's presence in the process, which any earlier caller may cause,
// this belongs to the one loaded copy of the module.
bool DelayImportsBound(HMODULE module, const char* library);

// Runs `action`; true when it raised the continuable structured exception
// `code` (which is then continued, as a host's handler may do).
bool RaisesContinuable(DWORD code, const std::function<void()>& action);

// What a length-result export delivers with plenty of room ("" for none).
template <typename Capacity>
std::wstring AskText(unsigned (*query)(wchar_t*, Capacity))
{
    std::vector<wchar_t> text(8192, L'\0');
    const unsigned length = query(text.data(), static_cast<Capacity>(text.size()));
    return std::wstring(text.data(), length);
}

// Wide text for failure messages.
std::string Narrow(const std::wstring& text);

}  // namespace userdata::testing
