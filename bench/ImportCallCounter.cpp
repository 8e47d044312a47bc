#include "ImportCallCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <tuple>

namespace userdata::testing {
namespace {

std::atomic<long> callCount{0};
std::atomic<unsigned long long> byteCount{0};
bool counterAlive = false;

// One wrapper per function (told apart by Tag): counts the call, and the
// bytes it asks for when it allocates, and passes it on to the function that
// the import entry held. On x64 the Windows and C calling conventions are one
// and the same.
template <int Tag, typename Result, typename... Args>
struct Counting {
    static inline ULONG_PTR original = 0;
    static inline unsigned long long (*bytesAsked)(Args...) = nullptr;
    static Result Call(Args... args)
    {
        callCount.fetch_add(1);
        if (bytesAsked != nullptr) {
            byteCount.fetch_add(bytesAsked(args...));
        }
        return reinterpret_cast<Result (*)(Args...)>(original)(args...);
    }
};

struct Hook {
    const char* name;
    ULONG_PTR wrapper;
    ULONG_PTR* original;
};

template <typename Wrapper>
Hook HookOf(const char* name, decltype(Wrapper::bytesAsked) bytesAsked = nullptr)
{
    Wrapper::bytesAsked = bytesAsked;
    return {name, reinterpret_cast<ULONG_PTR>(&Wrapper::Call), &Wrapper::original};
}

// The bytes asked for by the functions whose last argument is the new size.
template <typename... Args>
unsigned long long LastArgument(Args... args)
{
    return static_cast<unsigned long long>(std::get<sizeof...(Args) - 1>(std::tuple<Args...>(args...)));
}

const Hook* FindHook(const char* name)
{
    static const Hook hooks[] = {
        HookOf<Counting<0, LPVOID, HANDLE, DWORD, SIZE_T>>("HeapAlloc", &LastArgument),
        HookOf<Counting<1, LPVOID, HANDLE, DWORD, LPVOID, SIZE_T>>("HeapReAlloc", &LastArgument),
        HookOf<Counting<2, PVOID, PVOID, ULONG, SIZE_T>>("RtlAllocateHeap", &LastArgument),
        HookOf<Counting<3, PVOID, PVOID, ULONG, PVOID, SIZE_T>>("RtlReAllocateHeap", &LastArgument),
        HookOf<Counting<4, HLOCAL, UINT, SIZE_T>>("LocalAlloc", &LastArgument),
        HookOf<Counting<5, HLOCAL, HLOCAL, SIZE_T, UINT>>(
            "LocalReAlloc", [](HLOCAL, SIZE_T bytes, UINT) -> unsigned long long { return bytes; }),
        HookOf<Counting<6, HGLOBAL, UINT, SIZE_T>>("GlobalAlloc", &LastArgument),
        HookOf<Counting<7, LPVOID, SIZE_T>>("CoTaskMemAlloc", &LastArgument),
        HookOf<Counting<8, void*, size_t>>("malloc", &LastArgument),
        HookOf<Counting<9, void*, size_t, size_t>>(
            "calloc", [](size_t count, size_t size) -> unsigned long long { return count * size; }),
        HookOf<Counting<10, void*, void*, size_t>>("realloc", &LastArgument),
        HookOf<Counting<11, char*, const char*>>(
            "_strdup", [](const char* text) -> unsigned long long { return text ? std::strlen(text) + 1 : 0; }),
        HookOf<Counting<12, wchar_t*, const wchar_t*>>("_wcsdup",
                                                       [](const wchar_t* text) -> unsigned long long {
                                                           return text ? (std::wcslen(text) + 1) * sizeof(wchar_t) : 0;
                                                       }),
        HookOf<Counting<13, LSTATUS, HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD>>("RegQueryValueExW"),
        HookOf<Counting<14, LSTATUS, HKEY, LPCWSTR, LPCWSTR, DWORD, LPDWORD, PVOID, LPDWORD>>("RegGetValueW"),
        HookOf<Counting<15, LSTATUS, HKEY, LPCWSTR, DWORD, REGSAM, PHKEY>>("RegOpenKeyExW"),
    };
    const auto found = std::find_if(std::begin(hooks), std::end(hooks),
                                    [name](const Hook& hook) { return std::strcmp(hook.name, name) == 0; });
    return found != std::end(hooks) ? found : nullptr;
}

template <typename T>
T* AtOffset(HMODULE module, DWORD offset)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

// Every import by name of the loaded module, with its import address table entry.
void ForEachImport(HMODULE module, const std::function<void(const char*, ULONG_PTR&)>& visit)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* headers = AtOffset<const IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(directory.Size, 0u) << "the module imports nothing";
    for (auto* library = AtOffset<const IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress); library->Name != 0;
         ++library) {
        ASSERT_NE(library->OriginalFirstThunk, 0u) << "the import names are gone (a bound module)";
        const auto* names = AtOffset<const IMAGE_THUNK_DATA>(module, library->OriginalFirstThunk);
        auto* slots = AtOffset<IMAGE_THUNK_DATA>(module, library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                const auto* byName =
                    AtOffset<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
                visit(reinterpret_cast<const char*>(byName->Name), slots->u1.Function);
            }
        }
    }
}

void WriteSlot(ULONG_PTR& slot, ULONG_PTR value)
{
    DWORD protection = 0;
    ASSERT_TRUE(VirtualProtect(&slot, sizeof(slot), PAGE_READWRITE, &protection));
    slot = value;
    VirtualProtect(&slot, sizeof(slot), protection, &protection);
}

}  // namespace

const std::vector<std::string>& HeapAllocationFunctions()
{
    static const std::vector<std::string> functions = {
        "HeapAlloc",  "HeapReAlloc",  "RtlAllocateHeap", "RtlReAllocateHeap",
        "LocalAlloc", "LocalReAlloc", "GlobalAlloc",     "CoTaskMemAlloc",
        "malloc",     "calloc",       "realloc",         "_strdup",
        "_wcsdup"};
    return functions;
}

ImportCallCounter::ImportCallCounter(HMODULE module, const std::vector<std::string>& functions)
{
    EXPECT_FALSE(counterAlive) << "one import call counter at a time";
    counterAlive = true;
    if (module == nullptr) {
        ADD_FAILURE() << "no module to count the calls of";
        return;
    }
    ForEachImport(module, [&](const char* name, ULONG_PTR& slot) {
        if (std::find(functions.begin(), functions.end(), name) == functions.end()) {
            return;
        }
        const Hook* const hook = FindHook(name);
        if (hook == nullptr) {
            ADD_FAILURE() << "no counting wrapper for " << name;
            return;
        }
        *hook->original = slot;
        entries_.push_back({&slot, slot});
        counted_.emplace_back(name);
        WriteSlot(slot, hook->wrapper);
    });
}

ImportCallCounter::~ImportCallCounter()
{
    for (const Entry& entry : entries_) {
        WriteSlot(*entry.slot, entry.original);
    }
    counterAlive = false;
}

bool ImportCallCounter::Counts(const std::string& name) const
{
    return std::find(counted_.begin(), counted_.end(), name) != counted_.end();
}

long ImportCallCounter::During(const std::function<void()>& action) const
{
    return TallyDuring(action).calls;
}

CallTally ImportCallCounter::TallyDuring(const std::function<void()>& action) const
{
    const long callsBefore = callCount.load();
    const unsigned long long bytesBefore = byteCount.load();
    action();
    return {callCount.load() - callsBefore, byteCount.load() - bytesBefore};
}

}  // namespace userdata::testing
