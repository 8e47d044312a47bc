#include "TestSupport.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>

namespace userdata::testing {

namespace {

std::wstring UniqueName(const wchar_t* prefix)
{
    static LONG counter = 0;
    return prefix + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(InterlockedIncrement(&counter)) +
           L"-" + std::to_wstring(GetTickCount64());
}

HKEY OpenForWriting(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating key " << Narrow(path);
    return key;
}

// The path that a handle of `path` leads to, "" when it cannot be opened.
// Windows gives a link's own path; Wine 8 follows a Unix symbolic link and
// gives its target, and flags only those to folders as reparse points.
std::wstring FinalPath(const std::wstring& path)
{
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::wstring();
    }
    wchar_t final[4 * MAX_PATH] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle, final, 4 * MAX_PATH, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    return length > 0 && length < 4 * MAX_PATH ? std::wstring(final, length) : std::wstring();
}

void SetKeySecurity(HKEY key, const wchar_t* descriptor)
{
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor, SDDL_REVISION_1, &security, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security), ERROR_SUCCESS);
    LocalFree(security);
}

const IMAGE_NT_HEADERS& HeadersOf(HMODULE module)
{
    const auto* image = reinterpret_cast<const BYTE*>(module);
    return *reinterpret_cast<const IMAGE_NT_HEADERS*>(image +
                                                      reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
}

// Sentinels for `bytes` bytes, and one character more, whose first byte ends an odd count.
std::wstring Sentinels(size_t bytes)
{
    return std::wstring(bytes / sizeof(wchar_t) + 1, GuardedBuffer::kSentinel);
}

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

long long CommittedPrivateBytes()
{
    long long committed = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const BYTE* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            committed += static_cast<long long>(region.RegionSize);
        }
        const BYTE* const next = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) {
            break;  // the end of the address space
        }
        at = next;
    }
    return committed;
}

GuardedBuffer::GuardedBuffer(Bytes size) : bytes_(size.count)
{
    constexpr size_t kPage = 4096;
    const size_t used = (bytes_ + kPage - 1) / kPage * kPage;
    pages_ = static_cast<BYTE*>(VirtualAlloc(nullptr, used + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous = 0;
    EXPECT_TRUE(pages_ != nullptr && VirtualProtect(pages_ + used, kPage, PAGE_NOACCESS, &previous));
    data_ = pages_ + used - bytes_;
    std::memcpy(data_, Sentinels(bytes_).data(), bytes_);
}

GuardedBuffer::~GuardedBuffer()
{
    VirtualFree(pages_, 0, MEM_RELEASE);
}

std::wstring GuardedBuffer::Text() const
{
    std::wstring text(bytes_ / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data_, text.size() * sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

bool GuardedBuffer::Untouched(size_t from) const
{
    const size_t start = std::min(from * sizeof(wchar_t), bytes_);
    const std::wstring sentinels = Sentinels(bytes_);
    return std::memcmp(data_ + start, reinterpret_cast<const BYTE*>(sentinels.data()) + start, bytes_ - start) == 0;
}

std::string Narrow(const std::wstring& text)
{
    const std::u8string utf8 = std::filesystem::path(text).u8string();
    return std::string(utf8.begin(), utf8.end());
}

// Files and folders ---------------------------------------------------------------------------

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = temp + UniqueName(L"userdata-test-");
    CreateFolders(path_);
}

void CreateFolders(const std::wstring& path)
{
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    ASSERT_TRUE(FileExists(path)) << "creating " << Narrow(path);
}

// Wine 8 flags only links to folders as reparse points, and its DeleteFileW on
// a link to a file deletes the file behind it: an entry is deleted only when a
// handle of it leads where its name puts it.
void DeleteTree(const std::wstring& root)
{
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES) << "DeleteTree refuses the link " << Narrow(root);
        return;
    }
    const std::wstring rootFinal = FinalPath(root);
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const std::wstring name = found.cFileName;
        const std::wstring path = root + L"\\" + name;
        if (name == L"." || name == L".." || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            _wcsicmp(FinalPath(path).c_str(), (rootFinal + L"\\" + name).c_str()) != 0) {
            continue;
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            DeleteTree(path);
        } else {
            // A file left behind would pass itself off as the next scenario's.
            const BOOL deleted = DeleteFileW(path.c_str());
            const DWORD error = GetLastError();
            EXPECT_TRUE(deleted) << "deleting " << Narrow(path) << ": error " << error;
        }
    }
    FindClose(search);
    RemoveDirectoryW(root.c_str());
}

void CopyTree(const std::wstring& from, const std::wstring& to)
{
    CreateFolders(to);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(from)) {
        const std::wstring target = to + entry.path().wstring().substr(from.size());
        if (entry.is_directory()) {
            CreateFolders(target);
        } else {
            EXPECT_TRUE(CopyFileW(entry.path().c_str(), target.c_str(), FALSE)) << Narrow(target);
        }
    }
}

void WriteTextFile(const std::wstring& path, const std::string& content)
{
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file << content;
    EXPECT_TRUE(file.good()) << "writing " << Narrow(path);
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring TestProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().wstring();
}

// Registry -----------------------------------------------------------------------------------

void CreateKey(HKEY root, const std::wstring& path)
{
    RegCloseKey(OpenForWriting(root, path));
}

void DeleteKey(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());  // the key too
    EXPECT_FALSE(KeyExists(root, path)) << "deleting " << Narrow(path);
}

void RemoveFromRealHives(std::initializer_list<const wchar_t*> paths)
{
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const wchar_t* path : paths) {
            RegDeleteTreeW(hive, path);
        }
        RegDeleteKeyW(hive, L"Software\\Brevonix");  // refused while anything else is below it
    }
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    const bool exists = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    const HKEY key = OpenForWriting(root, path);
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

DeniedKey::DeniedKey(HKEY root, const std::wstring& path, REGSAM allowed) : key_(OpenForWriting(root, path))
{
    wchar_t onlyAllowed[64] = {};
    swprintf(onlyAllowed, 64, L"D:P(A;;0x%lX;;;WD)", static_cast<unsigned long>(allowed));
    SetKeySecurity(key_, allowed == 0 ? L"D:P(D;;KA;;;WD)(D;;KA;;;BA)(D;;KA;;;SY)" : onlyAllowed);
    HKEY probe = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &probe), ERROR_ACCESS_DENIED) << Narrow(path);
}

DeniedKey::~DeniedKey()
{
    SetKeySecurity(key_, L"D:(A;;KA;;;WD)");
    RegCloseKey(key_);
}

std::wstring RegistryValue::Text() const
{
    const std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    RegistryValue value;
    DWORD bytes = 0;
    LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS && RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS) {
        value.data.resize(bytes);
        status = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &bytes);
    } else {
        status = ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional<RegistryValue>(value) : std::nullopt;
}

// Environment --------------------------------------------------------------------------------

std::optional<std::wstring> GetEnvironment(const wchar_t* name)
{
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    if (value.empty()) {
        return std::nullopt;
    }
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

void SetEnvironment(const wchar_t* name, const wchar_t* value)
{
    _wputenv((std::wstring(name) + L"=" + (value != nullptr ? value : L"")).c_str());
    SetEnvironmentVariableW(name, value);  // after the runtime, which removes a variable set to ""
}

// The library --------------------------------------------------------------------------------

UserDataLibrary::UserDataLibrary(const std::wstring& dllPath) : module_(LoadLibraryW(dllPath.c_str()))
{
    if (module_ == nullptr) {
        ADD_FAILURE() << "loading " << Narrow(dllPath) << ", error " << GetLastError();
        return;
    }
    // Through void (*)(), the one cast from an untyped address that GCC allows silently.
#define USERDATA_BIND_EXPORT(function, exportedName)                          \
    exports_.function = reinterpret_cast<decltype(exports_.function)>(        \
        reinterpret_cast<void (*)()>(GetProcAddress(module_, exportedName))); \
    EXPECT_NE(exports_.function, nullptr) << "the library does not export " << exportedName;
    USERDATA_EXPORT_TABLE(USERDATA_BIND_EXPORT)
#undef USERDATA_BIND_EXPORT
    // Hosts link against these names and no others.
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(
        reinterpret_cast<const BYTE*>(module_) +
        HeadersOf(module_).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    EXPECT_EQ(directory->NumberOfNames, 30u) << "exported names";
}

UserDataLibrary::~UserDataLibrary()
{
    if (module_ != nullptr) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(module_, path, MAX_PATH);
        FreeLibrary(module_);
        EXPECT_EQ(GetModuleHandleW(path), nullptr) << "the library stayed loaded after FreeLibrary";
    }
}

// Scenarios ----------------------------------------------------------------------------------

// HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT redirected, for
// the whole process and so for the library too, to fresh keys of the real
// current-user hive, removed again afterwards. Their shared parent key stays:
// deleting it would race with a sandbox made in another process.
struct ScenarioTest::Sandbox {
    const std::wstring root = L"Software\\UserDataTests\\" + UniqueName(L"sandbox-");
    const HKEY redirected[3] = {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, HKEY_CURRENT_USER};  // the user's last
    HKEY keys[3] = {};

    Sandbox()
    {
        for (int index = 0; index < 3; ++index) {  // each key made in the real user hive, then put in place
            keys[index] = OpenForWriting(HKEY_CURRENT_USER, root + L"\\" + std::to_wstring(index));
            EXPECT_EQ(RegOverridePredefKey(redirected[index], keys[index]), ERROR_SUCCESS);
        }
    }
    ~Sandbox()
    {
        for (int index = 0; index < 3; ++index) {
            RegOverridePredefKey(redirected[index], nullptr);
            RegCloseKey(keys[index]);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
    }
};

ScenarioTest::ScenarioTest(RegistryView view) : view_(view), currentFolder_(std::filesystem::current_path().wstring())
{
    NewInstallation();
}

void ScenarioTest::NewInstallation()
{
    if (view_ == RegistryView::Sandboxed) {
        registry_ = std::make_unique<Sandbox>();
    }
    install_.emplace();
    const std::wstring built = TestProgramFolder() + L"\\UserData.dll";
    EXPECT_TRUE(CopyFileW(built.c_str(), (*install_ / L"UserData.dll").c_str(), FALSE)) << "copying the library";
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
    WaitForChildProcesses();  // the migration tools it started, which lie in the installation folder
    SetCurrentDirectoryW(currentFolder_.c_str());
    if (view_ == RegistryView::Real) {
        RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\ZOVA"});
    }
}

void ScenarioTest::WriteVersionFile(const std::wstring& versionKey, const std::wstring& configurable)
{
    WriteTextFile(*install_ / L"identityver.ini", Narrow(L"[ProductIdentity]\r\nProductVersionKey=" + versionKey +
                                                         L"\r\nIsConfigurable=" + configurable + L"\r\n"));
}

void ScenarioTest::WriteIdentityFile(const std::wstring& relativeFolder, const std::wstring& productRoot,
                                     const std::wstring& globalRoot)
{
    const std::wstring folder = relativeFolder.empty() ? install_->Path() : *install_ / relativeFolder;
    CreateFolders(folder);
    WriteTextFile(folder + L"\\identity.ini",
                  Narrow(L"[ProductIdentity]\r\n" +
                         (globalRoot.empty() ? L"" : L"GlobalRegistryRootKey=" + globalRoot + L"\r\n") +
                         (productRoot.empty() ? L"" : L"ProductRegistryRootKey=" + productRoot + L"\r\n")));
}

void ScenarioTest::WriteCatalogue(const std::vector<InstalledProduct>& products, HKEY hive)
{
    const std::wstring base = std::wstring(kVersionKey) + L"\\InstalledProducts";
    CreateKey(hive, base);
    for (const InstalledProduct& entry : products) {
        CreateKey(hive, base + L"\\" + entry.product);
        for (const std::wstring& language : entry.languages) {
            SetString(hive, base + L"\\" + entry.product, language.c_str(), L"");
        }
    }
}

void ScenarioTest::InstallConfigurable(std::initializer_list<InstalledProduct> products)
{
    WriteVersionFile(kVersionKey, L"1");
    WriteCatalogue(products);
    for (const InstalledProduct& entry : products) {
        for (const std::wstring& language : entry.languages) {
            const std::wstring root = ProductRootOf(entry.product, language);
            const bool base = _wcsicmp(entry.product.c_str(), L"ZOVA") == 0;
            WriteIdentityFile(base ? language : entry.product + L"\\" + language, root, L"Software\\Brevonix\\Global");
            if (!base) {
                SetString(HKEY_LOCAL_MACHINE, root + L"\\VerticalEnvPath", nullptr, L"C:\\Vertical\\" + entry.product);
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

std::vector<void**> SlotsHolding(HMODULE module, const void* address)
{
    auto* const words = reinterpret_cast<void**>(module);
    std::vector<void**> slots;
    for (DWORD index = 0; index < HeadersOf(module).OptionalHeader.SizeOfImage / sizeof(void*); ++index) {
        if (words[index] == address) {
            slots.push_back(&words[index]);
        }
    }
    return slots;
}

const void* MsiFunction(const char* name)
{
    return reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleW(L"msi.dll"), name));
}

namespace {

// When the process was created, as a number that orders the times.
std::optional<ULONGLONG> CreationTime(HANDLE process)
{
    FILETIME times[4] = {};
    if (!GetProcessTimes(process, &times[0], &times[1], &times[2], &times[3])) {
        return std::nullopt;
    }
    return (ULONGLONG{times[0].dwHighDateTime} << 32) | times[0].dwLowDateTime;
}

}  // namespace

void WaitForChildProcesses()
{
    const std::optional<ULONGLONG> started = CreationTime(GetCurrentProcess());
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        // One that ended since the snapshot cannot be opened, or is signalled. One created before this process
        // names a parent that ended, whose id this process was given since (Wine hands ids out again soon).
        const HANDLE child =
            entry.th32ParentProcessID == GetCurrentProcessId()
                ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID)
                : nullptr;
        if (child != nullptr && CreationTime(child) >= started) {
            EXPECT_EQ(WaitForSingleObject(child, INFINITE), WAIT_OBJECT_0);
        }
        if (child != nullptr) {
            CloseHandle(child);
        }
    }
    CloseHandle(snapshot);
}

std::ptrdiff_t OpenHandleCount()
{
    std::ptrdiff_t count = 0;
    // A new handle takes the lowest free value: the first 2047 values hold them all here.
    for (ULONG_PTR value = 4; value < 0x2000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

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
