#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace userdata::testing {
namespace {

std::atomic<long> allocationCount{0};
bool counterAlive = false;

// One wrapper per allocation function (told apart by Tag): counts the call and
// passes it on to the function that the import entry held. On x64 the Windows
// and C calling conventions are one and the same.
template <int Tag, typename Result, typename... Args>
struct Counting {
    static inline ULONG_PTR original = 0;
    static Result Call(Args... args)
    {
        allocationCount.fetch_add(1);
        return reinterpret_cast<Result (*)(Args...)>(original)(args...);
    }
};

struct Hook {
    const char* name;
    ULONG_PTR wrapper;
    ULONG_PTR* original;
};

template <typename Wrapper>
Hook HookOf(const char* name)
{
    return {name, reinterpret_cast<ULONG_PTR>(&Wrapper::Call), &Wrapper::original};
}

const Hook* FindHook(const char* name)
{
    static const Hook hooks[] = {
        HookOf<Counting<0, LPVOID, HANDLE, DWORD, SIZE_T>>("HeapAlloc"),
        HookOf<Counting<1, LPVOID, HANDLE, DWORD, LPVOID, SIZE_T>>("HeapReAlloc"),
        HookOf<Counting<2, PVOID, PVOID, ULONG, SIZE_T>>("RtlAllocateHeap"),
        HookOf<Counting<3, PVOID, PVOID, ULONG, PVOID, SIZE_T>>("RtlReAllocateHeap"),
        HookOf<Counting<4, HLOCAL, UINT, SIZE_T>>("LocalAlloc"),
        HookOf<Counting<5, HLOCAL, HLOCAL, SIZE_T, UINT>>("LocalReAlloc"),
        HookOf<Counting<6, HGLOBAL, UINT, SIZE_T>>("GlobalAlloc"),
        HookOf<Counting<7, LPVOID, SIZE_T>>("CoTaskMemAlloc"),
        HookOf<Counting<8, void*, size_t>>("malloc"),
        HookOf<Counting<9, void*, size_t, size_t>>("calloc"),
        HookOf<Counting<10, void*, void*, size_t>>("realloc"),
        HookOf<Counting<11, char*, const char*>>("_strdup"),
        HookOf<Counting<12, wchar_t*, const wchar_t*>>("_wcsdup"),
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
    for (auto* library = AtOffset<const IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
         library->Name != 0; ++library) {
        ASSERT_NE(library->OriginalFirstThunk, 0u) << "the import names are gone (a bound module)";
        const auto* names = AtOffset<const IMAGE_THUNK_DATA>(module, library->OriginalFirstThunk);
        auto* slots = AtOffset<IMAGE_THUNK_DATA>(module, library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                const auto* byName = AtOffset<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
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

ModuleAllocationCounter::ModuleAllocationCounter(HMODULE module)
{
    EXPECT_FALSE(counterAlive) << "one allocation counter at a time";
    counterAlive = true;
    if (module == nullptr) {
        ADD_FAILURE() << "no module to count the allocations of";
        return;
    }
    ForEachImport(module, [this](const char* name, ULONG_PTR& slot) {
        const Hook* const hook = FindHook(name);
        if (hook == nullptr) {
            return;
        }
        *hook->original = slot;
        entries_.push_back({&slot, slot});
        redirected_.emplace_back(name);
        WriteSlot(slot, hook->wrapper);
    });
}

ModuleAllocationCounter::~ModuleAllocationCounter()
{
    for (const Entry& entry : entries_) {
        WriteSlot(*entry.slot, entry.original);
    }
    counterAlive = false;
}

bool ModuleAllocationCounter::Redirects(const std::string& name) const
{
    return std::find(redirected_.begin(), redirected_.end(), name) != redirected_.end();
}

long ModuleAllocationCounter::During(const std::function<void()>& action) const
{
    const long before = allocationCount.load();
    action();
    return allocationCount.load() - before;
}

}  // namespace userdata::testing
