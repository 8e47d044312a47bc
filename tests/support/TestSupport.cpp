#include "TestSupport.h"

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace userdata::testing {
namespace {

std::wstring UniqueName(const wchar_t* prefix)
{
    static LONG counter = 0;
    return std::wstring(prefix) + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(InterlockedIncrement(&counter)) + L"-" + std::to_wstring(GetTickCount64());
}

HKEY OpenForWriting(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating key " << Narrow(path);
    return status == ERROR_SUCCESS ? key : nullptr;
}

}  // namespace

std::string Narrow(const std::wstring& text)
{
    if (text.empty()) {
        return std::string();
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), bytes, nullptr,
                        nullptr);
    return narrow;
}

GuardedBuffer::GuardedBuffer(size_t size, const wchar_t* initial) : chars_(size, kSentinel)
{
    if (initial != nullptr) {
        const std::wstring text = initial;
        std::copy(text.begin(), text.end(), chars_.begin());
        chars_.at(text.size()) = L'\0';
    }
}

std::wstring GuardedBuffer::Text() const
{
    const auto end = std::find(chars_.begin(), chars_.end(), L'\0');
    return std::wstring(chars_.begin(), end);
}

bool GuardedBuffer::Untouched(size_t from) const
{
    return std::all_of(chars_.begin() + static_cast<std::ptrdiff_t>(std::min(from, chars_.size())), chars_.end(),
                       [](wchar_t c) { return c == kSentinel; });
}

// Files and folders ------------------------------------------------------------

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + UniqueName(L"userdata-test-");
    CreateFolders(path_);
}

TempFolder::~TempFolder()
{
    DeleteTree(path_);
}

void CreateFolders(const std::wstring& path)
{
    for (size_t separator = path.find(L'\\', 3); ; separator = path.find(L'\\', separator + 1)) {
        CreateDirectoryW(path.substr(0, separator).c_str(), nullptr);
        if (separator == std::wstring::npos) {
            break;
        }
    }
    ASSERT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "creating " << Narrow(path);
}

namespace {

// The path that a handle of `path` leads to, "" when it cannot be opened.
// Windows gives a link's own path (the link is opened, not followed); Wine 8
// follows a Unix symbolic link and gives its target, and flags only those to
// folders as reparse points.
std::wstring FinalPath(const std::wstring& path)
{
    const HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::wstring();
    }
    wchar_t final[4 * MAX_PATH] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle, final, 4 * MAX_PATH, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    return length > 0 && length < 4 * MAX_PATH ? std::wstring(final, length) : std::wstring();
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// One entry of a folder being walked, as a tree operation may treat it.
struct TreeEntry {
    std::wstring path;
    std::wstring finalPath;
    bool folder = false;
    bool link = false;  // a link, junction or other reparse point, or a path that resolves elsewhere
};

// The entries of `folder` (whose final path is `folderFinal`), "." and ".."
// left out. An entry is a link when it is flagged as a reparse point or when
// it does not resolve to where its name puts it.
std::vector<TreeEntry> ListFolder(const std::wstring& folder, const std::wstring& folderFinal)
{
    std::vector<TreeEntry> entries;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return entries;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        TreeEntry entry{folder + L"\\" + name, FinalPath(folder + L"\\" + name)};
        entry.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                     !SamePath(entry.finalPath, folderFinal + L"\\" + name);
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

// Deletes what `folder` holds, never through a link: Wine's DeleteFileW on a
// Unix link to a file deletes the file it leads to, and a link to a folder
// would lead the walk out of the tree. Links are left in place, and so is
// their folder.
void DeleteBelow(const std::wstring& folder, const std::wstring& folderFinal)
{
    for (const TreeEntry& entry : ListFolder(folder, folderFinal)) {
        if (entry.link) {
            std::fwprintf(stderr, L"DeleteTree: left the link %ls (to %ls) in place\n", entry.path.c_str(),
                          entry.finalPath.c_str());
            continue;
        }
        SetFileAttributesW(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.folder) {
            DeleteBelow(entry.path, entry.finalPath);
            RemoveDirectoryW(entry.path.c_str());
        } else {
            DeleteFileW(entry.path.c_str());
        }
    }
}

}  // namespace

void DeleteTree(const std::wstring& root)
{
    const std::wstring rootFinal = FinalPath(root);
    if (rootFinal.empty()) {
        return;  // nothing there
    }
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ADD_FAILURE() << "DeleteTree refuses " << Narrow(root) << ": a link, leading to " << Narrow(rootFinal);
        return;
    }
    DeleteBelow(root, rootFinal);
    RemoveDirectoryW(root.c_str());
}

void CopyTree(const std::wstring& from, const std::wstring& to)
{
    CreateFolders(to);
    const std::wstring fromFinal = FinalPath(from);
    ASSERT_FALSE(fromFinal.empty()) << "opening " << Narrow(from);
    for (const TreeEntry& entry : ListFolder(from, fromFinal)) {
        const std::wstring target = to + entry.path.substr(from.size());
        if (entry.link) {
            ADD_FAILURE() << "CopyTree does not follow the link " << Narrow(entry.path);
        } else if (entry.folder) {
            CopyTree(entry.path, target);
        } else {
            EXPECT_TRUE(CopyFileW(entry.path.c_str(), target.c_str(), FALSE))
                << "copying " << Narrow(entry.path) << ", error " << GetLastError();
        }
    }
}

void WriteTextFile(const std::wstring& path, const std::string& content)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "writing " << Narrow(path);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, content.size());
}

void WriteUnicodeTextFile(const std::wstring& path, const std::wstring& content)
{
    const std::wstring marked = L"\xFEFF" + content;
    WriteTextFile(path, std::string(reinterpret_cast<const char*>(marked.data()), marked.size() * sizeof(wchar_t)));
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring TestProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.rfind(L'\\'));
}

// Registry ---------------------------------------------------------------------------

RegistrySandbox::RegistrySandbox() : root_(L"Software\\UserDataTests\\" + UniqueName(L"sandbox-"))
{
    // Opened before any redirection, in the real current-user hive.
    machine_ = OpenForWriting(HKEY_CURRENT_USER, root_ + L"\\Machine");
    user_ = OpenForWriting(HKEY_CURRENT_USER, root_ + L"\\User");
    classes_ = OpenForWriting(HKEY_CURRENT_USER, root_ + L"\\Classes");
    EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine_), ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_), ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user_), ERROR_SUCCESS);
}

RegistrySandbox::~RegistrySandbox()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(machine_);
    RegCloseKey(user_);
    RegCloseKey(classes_);
    RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, root_.c_str());
}

void CreateKey(HKEY root, const std::wstring& path)
{
    RegCloseKey(OpenForWriting(root, path));
}

void DeleteKey(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
    EXPECT_FALSE(KeyExists(root, path)) << "deleting " << Narrow(path);
}

void RemoveFromRealHives(std::initializer_list<const wchar_t*> paths)
{
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const wchar_t* path : paths) {
            RegDeleteTreeW(hive, path);
            RegDeleteKeyW(hive, path);
        }
        RegDeleteKeyW(hive, L"Software\\Brevonix");  // refused while anything else is below it
    }
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    HKEY key = OpenForWriting(root, path);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS)
        << "setting a value under " << Narrow(path);
    RegCloseKey(key);
}

void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, DWORD type)
{
    SetRaw(root, path, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value)
{
    SetRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}

void SetUnterminatedString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    // The registry terminates data that a NUL follows, so let a character follow.
    const std::wstring data = text + L"#";
    SetRaw(root, path, name, REG_SZ, data.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

namespace {
void SetKeySecurity(HKEY key, const wchar_t* descriptor)
{
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor, SDDL_REVISION_1, &security, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security), ERROR_SUCCESS);
    LocalFree(security);
}
}  // namespace

DeniedKey::DeniedKey(HKEY root, const std::wstring& path, REGSAM allowed) : key_(OpenForWriting(root, path))
{
    wchar_t onlyAllowed[64] = {};
    swprintf(onlyAllowed, 64, L"D:P(A;;0x%lX;;;WD)", static_cast<unsigned long>(allowed));
    SetKeySecurity(key_, allowed == 0 ? L"D:P(D;;KA;;;WD)(D;;KA;;;BA)(D;;KA;;;SY)" : onlyAllowed);
    HKEY probe = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &probe), ERROR_ACCESS_DENIED)
        << "the registry did not deny access to " << Narrow(path);
}

DeniedKey::~DeniedKey()
{
    SetKeySecurity(key_, L"D:(A;;KA;;;WD)");
    RegCloseKey(key_);
}

std::wstring RegistryValue::Text() const
{
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RegistryValue value;
    DWORD bytes = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &bytes);
    if (status == ERROR_SUCCESS) {
        value.data.resize(bytes);
        status = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &bytes);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

// Environment ---------------------------------------------------------------------------

std::optional<std::wstring> GetEnvironment(const wchar_t* name)
{
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length);
    return value;
}

void SetEnvironment(const wchar_t* name, const wchar_t* value)
{
    SetEnvironmentVariableW(name, value);
    const std::wstring assignment = std::wstring(name) + L"=" + (value != nullptr ? value : L"");
    _wputenv(assignment.c_str());
    if (value != nullptr && *value == L'\0') {
        // The runtime removes a variable set to "", the process keeps it.
        SetEnvironmentVariableW(name, L"");
    }
}

VariableGuard::VariableGuard(const wchar_t* name) : name_(name), value_(GetEnvironment(name)) {}

VariableGuard::~VariableGuard()
{
    SetEnvironment(name_, value_ ? value_->c_str() : nullptr);
}

EnvironmentGuard::EnvironmentGuard()
{
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    currentDirectory_ = folder;
}

EnvironmentGuard::~EnvironmentGuard()
{
    SetCurrentDirectoryW(currentDirectory_.c_str());
}

// The library ------------------------------------------------------------------------

namespace {
// Typed from the untyped address, through the one cast the compiler allows silently.
template <typename Function>
Function ExportOf(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
}  // namespace

UserDataLibrary::UserDataLibrary(const std::wstring& dllPath)
{
    module_ = LoadLibraryW(dllPath.c_str());
    EXPECT_NE(module_, nullptr) << "loading " << Narrow(dllPath) << ", error " << GetLastError();
    if (module_ == nullptr) {
        return;
    }
#define USERDATA_BIND_EXPORT(function, exportedName)                                   \
    exports_.function = ExportOf<decltype(exports_.function)>(module_, exportedName); \
    EXPECT_NE(exports_.function, nullptr) << "the library does not export " << exportedName;
    USERDATA_EXPORT_TABLE(USERDATA_BIND_EXPORT)
#undef USERDATA_BIND_EXPORT
    // Hosts link against these names and no others.
    const auto* image = reinterpret_cast<const BYTE*>(module_);
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
        image + headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    EXPECT_EQ(directory->NumberOfNames, 30u) << "exported names";
}

UserDataLibrary::~UserDataLibrary()
{
    if (module_ == nullptr) {
        return;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module_, path, MAX_PATH);
    FreeLibrary(module_);
    EXPECT_EQ(GetModuleHandleW(path), nullptr) << "the library stayed loaded after FreeLibrary";
}

// Scenarios ------------------------------------------------------------------------------

ScenarioTest::ScenarioTest(RegistryView view) : view_(view)
{
    NewInstallation();
}

void ScenarioTest::NewInstallation()
{
    if (view_ == RegistryView::Sandboxed) {
        registry_.emplace();
    }
    install_.emplace();
    const std::wstring built = TestProgramFolder() + L"\\UserData.dll";
    EXPECT_TRUE(CopyFileW(built.c_str(), (*install_ / L"UserData.dll").c_str(), FALSE))
        << "copying " << Narrow(built) << ", error " << GetLastError();
}

void ScenarioTest::Fresh()
{
    Unload();
    registry_.reset();
    install_.reset();
    NewInstallation();
}

ScenarioTest::~ScenarioTest()
{
    Unload();
    if (!registry_) {
        RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\ZOVA"});
    }
}

void ScenarioTest::WriteVersionFile(const std::wstring& versionKey, const std::wstring& configurable)
{
    WriteUnicodeTextFile(*install_ / L"identityver.ini", L"[ProductIdentity]\r\nProductVersionKey=" + versionKey +
                                                            L"\r\nIsConfigurable=" + configurable + L"\r\n");
}

void ScenarioTest::WriteIdentityFile(const std::wstring& relativeFolder, const std::wstring& productRoot,
                                     const std::wstring& globalRoot)
{
    const std::wstring folder = relativeFolder.empty() ? install_->Path() : *install_ / relativeFolder;
    CreateFolders(folder);
    std::wstring content = L"[ProductIdentity]\r\n";
    if (!globalRoot.empty()) {
        content += L"GlobalRegistryRootKey=" + globalRoot + L"\r\n";
    }
    if (!productRoot.empty()) {
        content += L"ProductRegistryRootKey=" + productRoot + L"\r\n";
    }
    WriteUnicodeTextFile(folder + L"\\identity.ini", content);
}

void ScenarioTest::WriteCatalogue(const std::vector<InstalledProduct>& products, HKEY hive)
{
    const std::wstring base = std::wstring(kVersionKey) + L"\\InstalledProducts";
    CreateKey(hive, base);
    for (const InstalledProduct& entry : products) {
        const std::wstring productKey = base + L"\\" + entry.product;
        CreateKey(hive, productKey);
        for (const std::wstring& language : entry.languages) {
            SetString(hive, productKey, language.c_str(), L"");
        }
    }
}

void ScenarioTest::WriteIdentityFor(const std::wstring& product, const std::wstring& language,
                                    const std::wstring& productRoot)
{
    const std::wstring folder = _wcsicmp(product.c_str(), L"ZOVA") == 0 ? language : product + L"\\" + language;
    WriteIdentityFile(folder, productRoot, L"Software\\Brevonix\\Global");
}

std::wstring ScenarioTest::ProductRootOf(const std::wstring& product, const std::wstring& language)
{
    return L"Software\\Brevonix\\" + product + L"\\7.0\\" + product + L"-" + language;
}

std::wstring ScenarioTest::VerticalFoldersOf(const std::wstring& product)
{
    return L"C:\\Vertical\\" + product;
}

void ScenarioTest::InstallConfigurable(std::initializer_list<InstalledProduct> products)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue(products);
    for (const InstalledProduct& entry : products) {
        for (const std::wstring& language : entry.languages) {
            const std::wstring root = ProductRootOf(entry.product, language);
            WriteIdentityFor(entry.product, language, root);
            if (_wcsicmp(entry.product.c_str(), L"ZOVA") != 0) {
                SetString(HKEY_LOCAL_MACHINE, root + L"\\VerticalEnvPath", nullptr, VerticalFoldersOf(entry.product));
            }
        }
    }
}

void ScenarioTest::WriteLastLaunched(const std::wstring& product, const std::wstring& language)
{
    SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct", product);
    SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", language);
}

const UserDataExports& ScenarioTest::Load()
{
    library_ = std::make_unique<UserDataLibrary>(*install_ / L"UserData.dll");
    return library_->Exports();
}

void ScenarioTest::Unload()
{
    library_.reset();
}

const UserDataExports& ScenarioTest::Api() const
{
    static const UserDataExports none;
    return library_ ? library_->Exports() : none;
}

namespace {

// The delay-load descriptor of `library` in the loaded `module`, or null. The
// image's directory names it when the linker fills it in (MSVC, lld); GNU ld
// leaves that entry empty, so the module's sections are searched for it.
const IMAGE_DELAYLOAD_DESCRIPTOR* FindDelayDescriptor(HMODULE module, const char* library)
{
    const auto* image = reinterpret_cast<const BYTE*>(module);
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
    const DWORD imageSize = headers->OptionalHeader.SizeOfImage;
    const auto names = [&](const IMAGE_DELAYLOAD_DESCRIPTOR& entry) {
        return entry.Attributes.RvaBased == 1 && entry.DllNameRVA != 0 && entry.DllNameRVA < imageSize - 16 &&
               entry.ModuleHandleRVA < imageSize && entry.ImportAddressTableRVA < imageSize &&
               _strnicmp(reinterpret_cast<const char*>(image + entry.DllNameRVA), library, 16) == 0;
    };
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    for (auto* entry = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(image + directory.VirtualAddress);
         directory.Size != 0 && entry->DllNameRVA != 0; ++entry) {
        if (names(*entry)) {
            return entry;
        }
    }
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    for (WORD index = 0; index < headers->FileHeader.NumberOfSections; ++index, ++section) {
        const DWORD end = section->VirtualAddress + std::min(section->Misc.VirtualSize, section->SizeOfRawData);
        for (DWORD offset = section->VirtualAddress; offset + sizeof(IMAGE_DELAYLOAD_DESCRIPTOR) <= end; offset += 4) {
            const auto* entry = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(image + offset);
            if (names(*entry)) {
                return entry;
            }
        }
    }
    return nullptr;
}

}  // namespace

bool DelayImportsBound(HMODULE module, const char* library)
{
    const IMAGE_DELAYLOAD_DESCRIPTOR* const entry = FindDelayDescriptor(module, library);
    if (entry == nullptr) {
        ADD_FAILURE() << "the module does not delay-load " << library;
        return false;
    }
    // The delay-load helper keeps the library's handle there once it loaded it.
    const auto* handle = reinterpret_cast<const HMODULE*>(reinterpret_cast<const BYTE*>(module) + entry->ModuleHandleRVA);
    return *handle != nullptr;
}

// Structured exceptions --------------------------------------------------------------------

namespace {
thread_local DWORD expectedCode = 0;
thread_local bool sawExpected = false;

LONG CALLBACK ContinueExpected(EXCEPTION_POINTERS* exception)
{
    if (exception->ExceptionRecord->ExceptionCode != expectedCode ||
        (exception->ExceptionRecord->ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    sawExpected = true;
    return EXCEPTION_CONTINUE_EXECUTION;
}
}  // namespace

bool RaisesContinuable(DWORD code, const std::function<void()>& action)
{
    expectedCode = code;
    sawExpected = false;
    PVOID handler = AddVectoredExceptionHandler(1, &ContinueExpected);
    action();
    RemoveVectoredExceptionHandler(handler);
    expectedCode = 0;
    return sawExpected;
}

}  // namespace userdata::testing
