// What loading the library costs a host: LoadLibraryW and FreeLibrary of
// UserData.dll, as built and without its debug sections, beside those of a
// trivial DLL with the same imports, all from the benchmark's folder, with the
// imported system DLLs loaded already; and the modules that loading the
// library brings in beyond the trivial DLL's.
#include "Benchmarks.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace userdata::bench {
namespace {

constexpr long long kMemoryCycles = 1000;
// More than this a cycle is a leak, not noise: the statically linked C++ run-time's allocations at load (73 KiB),
// lost at each unload, once were one. What the system itself keeps between loads is far less.
constexpr long long kLeakedBytesPerCycle = 1024;

// The loader's notice of a module (un)loaded, as LdrRegisterDllNotification gives it.
struct ModuleNotice {
    ULONG flags;
    const UNICODE_STRING* fullName;
    const UNICODE_STRING* baseName;
    void* base;
    ULONG imageSize;
};
constexpr ULONG kModuleLoaded = 1;
using NoticeCallback = void(CALLBACK*)(ULONG reason, const ModuleNotice* notice, void* context);
using RegisterNotices = NTSTATUS(NTAPI*)(ULONG flags, NoticeCallback callback, void* context, void** cookie);
using UnregisterNotices = NTSTATUS(NTAPI*)(void* cookie);

// Module names are ASCII; the loader spells them as it pleases.
std::string LowerCase(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower;
}

template <typename Function>
Function NtdllFunction(const char* name)
{
    const FARPROC function = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

void CALLBACK RecordLoaded(ULONG reason, const ModuleNotice* notice, void* context)
{
    if (reason == kModuleLoaded) {
        const std::wstring name(notice->baseName->Buffer, notice->baseName->Length / sizeof(wchar_t));
        static_cast<std::set<std::string>*>(context)->insert(LowerCase(testing::Narrow(name)));
    }
}

// The modules that the loader loads, `file` among them, while `file` is
// loaded; it is unloaded again.
std::set<std::string> ModulesLoadedWith(const std::wstring& file)
{
    std::set<std::string> loaded;
    const auto registerNotices = NtdllFunction<RegisterNotices>("LdrRegisterDllNotification");
    const auto unregisterNotices = NtdllFunction<UnregisterNotices>("LdrUnregisterDllNotification");
    void* cookie = nullptr;
    if (registerNotices == nullptr || unregisterNotices == nullptr ||
        registerNotices(0, &RecordLoaded, &loaded, &cookie) != 0) {
        ADD_FAILURE() << "the loader gives no notice of the modules it loads";
        return loaded;
    }
    const HMODULE module = LoadLibraryW(file.c_str());
    EXPECT_NE(module, nullptr) << testing::Narrow(file) << " does not load";
    FreeLibrary(module);
    unregisterNotices(cookie);
    return loaded;
}

template <typename T>
const T* AtOffset(HMODULE module, DWORD offset)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module) + offset);
}

// The names of the DLLs that a loaded module imports (not those it binds on first use).
std::set<std::string> ImportedModules(HMODULE module)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* headers = AtOffset<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> names;
    for (auto* library = AtOffset<IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
         directory.Size != 0 && library->Name != 0; ++library) {
        names.insert(LowerCase(AtOffset<char>(module, library->Name)));
    }
    return names;
}

// The DLLs that `file` imports, loaded for as long as the benchmark runs.
void KeepImportsLoaded(const std::wstring& file)
{
    const HMODULE module = LoadLibraryW(file.c_str());
    if (module == nullptr) {
        ADD_FAILURE() << testing::Narrow(file) << " does not load";
        return;
    }
    for (const std::string& name : ImportedModules(module)) {
        LoadLibraryA(name.c_str());
    }
    FreeLibrary(module);
}

std::set<std::string> ImportsOf(const std::wstring& file)
{
    const HMODULE module = LoadLibraryW(file.c_str());
    std::set<std::string> imports = module != nullptr ? ImportedModules(module) : std::set<std::string>{};
    FreeLibrary(module);
    return imports;
}

Trial LoadAndUnload(const std::wstring& file)
{
    return [file] {
        const Stopwatch watch;
        FreeLibrary(LoadLibraryW(file.c_str()));
        return watch.ElapsedNs();
    };
}

// The process's committed private memory, walked region by region (Wine's process counters give 0).
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

// What `cycles` loads and unloads of `file` leave behind, a cycle's share.
long long CommittedBytesPerCycle(const std::wstring& file, long long cycles)
{
    FreeLibrary(LoadLibraryW(file.c_str()));  // the system's own first-load work
    const long long before = CommittedPrivateBytes();
    for (long long cycle = 0; cycle < cycles; ++cycle) {
        FreeLibrary(LoadLibraryW(file.c_str()));
    }
    return (CommittedPrivateBytes() - before) / cycles;
}

std::wstring BenchmarkFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring file = path;
    return file.substr(0, file.rfind(L'\\') + 1);
}

}  // namespace

LoadCosts MeasureLoadCosts(const MeasureOptions& options)
{
    Progress("timing the load and unload of UserData.dll against a trivial DLL with the same imports");
    const std::wstring library = BenchmarkFolder() + L"UserData.dll";
    const std::wstring trivial = BenchmarkFolder() + L"TrivialLibrary.dll";
    EXPECT_EQ(ImportsOf(library), ImportsOf(trivial)) << "the trivial DLL no longer imports what the library does";
    KeepImportsLoaded(library);
    KeepImportsLoaded(trivial);
    std::set<std::string> beyondTrivial = ModulesLoadedWith(library);
    beyondTrivial.erase("userdata.dll");
    for (const std::string& name : ModulesLoadedWith(trivial)) {
        beyondTrivial.erase(name);
    }
    LoadCosts costs;
    costs.extraModules.assign(beyondTrivial.begin(), beyondTrivial.end());
    costs.timing = TimeTrialsAgainstBaseline(LoadAndUnload(library), LoadAndUnload(trivial), options);
    Progress("measuring the memory that loading and unloading leaves behind");
    costs.libraryBytesPerCycle = CommittedBytesPerCycle(library, kMemoryCycles);
    costs.trivialCppBytesPerCycle = CommittedBytesPerCycle(BenchmarkFolder() + L"TrivialCppLibrary.dll", kMemoryCycles);
    costs.trivialBytesPerCycle = CommittedBytesPerCycle(trivial, kMemoryCycles);
    if (costs.libraryBytesPerCycle > kLeakedBytesPerCycle) {
        ADD_FAILURE() << "loading and unloading the library keeps " << costs.libraryBytesPerCycle << " bytes a cycle";
    }
    for (const std::string& name : costs.extraModules) {
        ADD_FAILURE() << "loading the library brings in " << name << ", which the trivial DLL does not";
    }
    return costs;
}

}  // namespace userdata::bench
