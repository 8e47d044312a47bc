// The scenario test bench: a temporary installation folder holding a copy of
// the built UserData.dll, a registry sandbox, the environment saved and
// restored, and the library loaded from that folder by its exported names.
#pragma once

#include "ExportTable.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace userdata::testing {

// The owners below hold one thing each, and are neither copied nor moved.
struct NoCopy {
    NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
};

// A caller's buffer filled with sentinels, to see what an export wrote and
// that it wrote nothing beyond what it was allowed. It ends where an
// inaccessible page begins: a write past its end ends the test program.
class GuardedBuffer : NoCopy {
public:
    static constexpr wchar_t kSentinel = L'#';
    struct Bytes {
        size_t count;  // for a capacity counted in bytes, which may be odd
    };

    explicit GuardedBuffer(size_t size = 64) : GuardedBuffer(Bytes{size * sizeof(wchar_t)}) {}
    explicit GuardedBuffer(Bytes size);
    ~GuardedBuffer();

    wchar_t* Data() const { return reinterpret_cast<wchar_t*>(data_); }
    // The whole characters up to the first NUL (all of them when there is none).
    std::wstring Text() const;
    // True when every character from index `from` on, and an odd last byte, is still a sentinel.
    bool Untouched(size_t from = 0) const;

private:
    BYTE* pages_ = nullptr;
    BYTE* data_ = nullptr;
    size_t bytes_ = 0;
};

void CreateFolders(const std::wstring& path);
// Deletes a folder tree, never through a link: an entry that is a reparse
// point or resolves elsewhere is left alone.
void DeleteTree(const std::wstring& path);
// Copies a tree of the build (which holds no links), over what is there.
void CopyTree(const std::wstring& from, const std::wstring& to);

// A fresh folder under the temporary folder, deleted with all it holds.
class TempFolder : NoCopy {
public:
    TempFolder();
    ~TempFolder() { DeleteTree(path_); }

    const std::wstring& Path() const { return path_; }  // without a trailing backslash
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

void WriteTextFile(const std::wstring& path, const std::string& content);
bool FileExists(const std::wstring& path);
std::wstring TestProgramFolder();  // without a trailing backslash

// Registry helpers through the (redirected) predefined keys; each fails the
// test when the registry refuses. SetRaw stores data of any type and byte
// count as given.
void CreateKey(HKEY root, const std::wstring& path);
void DeleteKey(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes);
void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value,
               DWORD type = REG_SZ);
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);

// While it lives, opening the key (created if needed) for any access beyond
// `allowed` (by default any access at all) fails with ERROR_ACCESS_DENIED.
class DeniedKey : NoCopy {
public:
    DeniedKey(HKEY root, const std::wstring& path, REGSAM allowed = 0);
    ~DeniedKey();

private:
    HKEY key_ = nullptr;  // opened before the denial, so it can lift it
};

// Deletes the trees `paths` from the real machine and user hives, and
// "Software\Brevonix" when that leaves it empty.
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

// One environment variable as it was, restored at the end.
class VariableGuard : NoCopy {
public:
    explicit VariableGuard(const wchar_t* name) : name_(name), value_(GetEnvironment(name)) {}
    ~VariableGuard() { SetEnvironment(name_, value_ ? value_->c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::optional<std::wstring> value_;
};

// One copy of the library, loaded by full path with every export that hosts
// link against, and unloaded at the end (the next load starts afresh).
class UserDataLibrary : NoCopy {
public:
    explicit UserDataLibrary(const std::wstring& dllPath);
    ~UserDataLibrary();

    HMODULE Module() const { return module_; }
    const UserDataExports& Exports() const { return exports_; }

private:
    HMODULE module_ = nullptr;
    UserDataExports exports_;
};

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

    // "identityver.ini" beside the library.
    void WriteVersionFile(const std::wstring& versionKey, const std::wstring& configurable);
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

    const UserDataExports& Load();
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

// The words of `module`'s image that hold `address`: the import slots bound to
// that function. A delay-loaded import's slot holds it once the library called it.
std::vector<void**> SlotsHolding(HMODULE module, const void* address);
// msi.dll's function `name` (the test program links msi.dll).
const void* MsiFunction(const char* name);

// Waits until every process that this process started has ended: those the
// library starts without waiting for them, as much as any other.
void WaitForChildProcesses();

// The process's open handles, counted by probing their values: Wine's
// GetProcessHandleCount gives none.
std::ptrdiff_t OpenHandleCount();

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

std::string Narrow(const std::wstring& text);  // UTF-8, for failure messages

// The process's committed private memory, walked region by region (Wine's
// process counters give 0).
long long CommittedPrivateBytes();

}  // namespace userdata::testing
