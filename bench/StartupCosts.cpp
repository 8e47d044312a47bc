// What start-up costs by the size of the catalogue: the first call in a
// freshly loaded library against the Win32 calls that its start-up makes,
// made by hand. The library is loaded before each trial of either side and
// unloaded after it; only the call, or the calls by hand, are timed. Then
// what start-up allocates on the heap, counted once per size.
#include "Benchmarks.h"
#include "ImportCallCounter.h"
#include "UserDataFolders.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cwchar>

namespace userdata::bench {
namespace {

constexpr DWORD kNameCapacity = 260;

HMODULE ModuleOf(const void* insideModule)
{
    MEMORY_BASIC_INFORMATION memory = {};
    VirtualQuery(insideModule, &memory, sizeof(memory));
    return static_cast<HMODULE>(memory.AllocationBase);
}

// The folder of the module that holds `insideModule`, with its backslash.
std::wstring ModuleFolder(const void* insideModule)
{
    wchar_t path[kNameCapacity] = {};
    GetModuleFileNameW(ModuleOf(insideModule), path, kNameCapacity);
    const std::wstring file = path;
    return file.substr(0, file.rfind(L'\\') + 1);
}

// The product-language entries of the catalogue, read with the catalogue's
// calls: the products under the machine's "InstalledProducts", then each
// product key by its full path. Returns their number.
int EnumerateCatalogue(const std::wstring& versionKey)
{
    const std::wstring base = versionKey + L"\\InstalledProducts";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, base.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD productCount = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &productCount, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    std::vector<std::wstring> products;
    for (DWORD index = 0; index < productCount; ++index) {
        wchar_t name[kNameCapacity] = {};
        DWORD length = kNameCapacity;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
            products.emplace_back(name, length);
        }
    }
    RegCloseKey(key);
    int entries = 0;
    for (const std::wstring& product : products) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (base + L"\\" + product).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            continue;
        }
        DWORD languageCount = 0;
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &languageCount, nullptr, nullptr,
                         nullptr, nullptr);
        for (DWORD index = 0; index < languageCount; ++index) {
            wchar_t name[kNameCapacity] = {};
            DWORD length = kNameCapacity;
            entries += RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
    return entries;
}

// The last launched product and language, read and written back.
void ReadAndSaveLastLaunched(const wchar_t* versionKey)
{
    wchar_t product[kNameCapacity] = {};
    wchar_t language[kNameCapacity] = {};
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, versionKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD bytes = sizeof(product);
        RegGetValueW(key, nullptr, L"LastLaunchedProduct", RRF_RT_ANY, nullptr, product, &bytes);
        bytes = sizeof(language);
        RegGetValueW(key, nullptr, L"LastLaunchedLanguage", RRF_RT_ANY, nullptr, language, &bytes);
        RegCloseKey(key);
    }
    if (RegOpenKeyExW(HKEY_CURRENT_USER, versionKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"LastLaunchedProduct", 0, REG_SZ, reinterpret_cast<const BYTE*>(product),
                       static_cast<DWORD>((std::wcslen(product) + 1) * sizeof(wchar_t)));
        RegSetValueExW(key, L"LastLaunchedLanguage", 0, REG_SZ, reinterpret_cast<const BYTE*>(language),
                       static_cast<DWORD>((std::wcslen(language) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

void ReadIniValue(const std::wstring& file, const wchar_t* key, wchar_t (&value)[kNameCapacity])
{
    GetPrivateProfileStringW(L"ProductIdentity", key, L"", value, kNameCapacity, file.c_str());
}

// The Win32 calls of the library's start-up for the base product in L1: its
// own folder, the version file, the catalogue, the last launched values and
// their write-back, the identity file and the language folder in front of
// PATH. Returns the number of catalogue entries read.
int StartUpByHand(const void* insideLibrary)
{
    const std::wstring folder = ModuleFolder(insideLibrary);
    wchar_t versionKey[kNameCapacity] = {};
    wchar_t value[kNameCapacity] = {};
    ReadIniValue(folder + L"identityver.ini", L"ProductVersionKey", versionKey);
    ReadIniValue(folder + L"identityver.ini", L"IsConfigurable", value);
    const int entries = EnumerateCatalogue(versionKey);
    ReadAndSaveLastLaunched(versionKey);
    const std::wstring identityFile = folder + L"L1\\identity.ini";
    if (PathFileExistsW(identityFile.c_str())) {
        ReadIniValue(identityFile, L"GlobalRegistryRootKey", value);
        ReadIniValue(identityFile, L"ProductRegistryRootKey", value);
    }
    const wchar_t* const path = _wgetenv(L"PATH");
    _wputenv((L"PATH=" + folder + L"L1;" + (path != nullptr ? path : L"")).c_str());
    return entries;
}

// Start-up once more, its allocations counted at the library's heap imports.
HeapUse CountHeapUse(BenchInstallation& installation)
{
    const testing::UserDataExports& api = installation.Load();
    wchar_t product[kNameCapacity] = {};
    testing::CallTally tally;
    {
        const testing::ImportCallCounter counter(ModuleOf(reinterpret_cast<const void*>(api.zvudGetCurrentProduct)),
                                                 testing::HeapAllocationFunctions());
        EXPECT_TRUE(counter.Counts("HeapAlloc") && counter.Counts("malloc")) << "the heap imports were not found";
        tally = counter.TallyDuring([&] { api.zvudGetCurrentProduct(product, kNameCapacity); });
    }
    installation.Unload();
    return {tally.calls, tally.bytes};
}

}  // namespace

HeapUse MeasureFolderHeapUse()
{
    BenchInstallation installation;
    installation.InstallCatalogue(1);
    const testing::UserDataExports& api = installation.Load();
    wchar_t path[2048] = {};
    api.zvudGetCurrentProduct(path, 2048);  // start-up, which does allocate
    testing::CallTally tally;
    {
        const testing::ImportCallCounter counter(ModuleOf(reinterpret_cast<const void*>(api.zvudGetCurrentProduct)),
                                                 testing::HeapAllocationFunctions());
        tally = counter.TallyDuring([&] {
            for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
                api.zvudGetSpecialFolder(info.folder, path, 2048);
                api.zvudGetProductXFoldPath(path, 2048, info.folder);
                api.zvudGetXRootFoldPath(info.valueName != nullptr ? info.valueName : L"Missing", path, 2048);
            }
            api.GetZOVAUserDataCacheLangPath(path, nullptr, 2048);
        });
    }
    installation.Unload();
    EXPECT_EQ(tally.calls, 0) << "the folder exports allocated on the heap";
    return {tally.calls, tally.bytes};
}

namespace {

StartupComparison MeasureStartupCost(int entries, const MeasureOptions& options)
{
    BenchInstallation installation;
    installation.InstallCatalogue(entries);
    // Both sides put a folder in front of PATH; it is put back after each.
    const std::optional<std::wstring> path = testing::GetEnvironment(L"PATH");
    const auto restorePath = [&path] { testing::SetEnvironment(L"PATH", path ? path->c_str() : nullptr); };
    wchar_t product[kNameCapacity] = {};
    int enumerated = 0;
    const auto library = [&] {
        const testing::UserDataExports& api = installation.Load();
        const Stopwatch watch;
        api.zvudGetCurrentProduct(product, kNameCapacity);
        const double ns = watch.ElapsedNs();
        installation.Unload();
        restorePath();
        return ns;
    };
    const auto baseline = [&] {
        const void* const insideLibrary = reinterpret_cast<const void*>(installation.Load().zvudGetCurrentProduct);
        const Stopwatch watch;
        enumerated = StartUpByHand(insideLibrary);
        const double ns = watch.ElapsedNs();
        installation.Unload();
        restorePath();
        return ns;
    };
    const StartupComparison comparison{entries, ShapeOf(entries), TimeTrialsAgainstBaseline(library, baseline, options),
                                       CountHeapUse(installation)};
    restorePath();
    EXPECT_STREQ(product, L"ZOVA") << "start-up with " << entries << " entries";
    EXPECT_EQ(enumerated, entries) << "the catalogue read by hand";
    return comparison;
}

}  // namespace

std::vector<StartupComparison> MeasureStartupCosts(const std::vector<int>& catalogueSizes,
                                                   const MeasureOptions& options)
{
    std::vector<StartupComparison> bySize;
    for (const int entries : catalogueSizes) {
        Progress("timing start-up with " + std::to_string(entries) + " catalogue entries, and counting its heap use");
        bySize.push_back(MeasureStartupCost(entries, options));
    }
    return bySize;
}

}  // namespace userdata::bench
