#include "Library.h"

namespace userdata::testing {

namespace {

const IMAGE_NT_HEADERS& HeadersOf(HMODULE module)
{
    const auto* image = reinterpret_cast<const BYTE*>(module);
    return *reinterpret_cast<const IMAGE_NT_HEADERS*>(image +
                                                      reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
}

}  // namespace

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

}  // namespace userdata::testing
