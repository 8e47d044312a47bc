#include "LibraryExports.h"

#include <cstring>

namespace zvud {
namespace {

const BYTE* ImageBase()
{
    return reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
}

// zvud's descriptor of the imports it binds on first use from UserData.dll;
// null when it has none.
const IMAGE_DELAYLOAD_DESCRIPTOR* UserDataImports()
{
    const BYTE* base = ImageBase();
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    if (directory.VirtualAddress == 0) {
        return nullptr;
    }
    for (const auto* descriptor = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(base + directory.VirtualAddress);
         descriptor->DllNameRVA != 0; ++descriptor) {
        if (_stricmp(reinterpret_cast<const char*>(base + descriptor->DllNameRVA), "UserData.dll") == 0) {
            return descriptor;
        }
    }
    return nullptr;
}

}  // namespace

std::wstring LackingExports(HMODULE library)
{
    const IMAGE_DELAYLOAD_DESCRIPTOR* imports = UserDataImports();
    if (imports == nullptr) {
        return L"";
    }
    const BYTE* base = ImageBase();
    std::wstring lacking;
    for (const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imports->ImportNameTableRVA);
         thunk->u1.AddressOfData != 0; ++thunk) {
        if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) {
            continue;  // zvud imports by name only
        }
        const char* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name;
        if (GetProcAddress(library, name) == nullptr) {
            lacking += (lacking.empty() ? L"" : L", ") + std::wstring(name, name + std::strlen(name));
        }
    }
    return lacking;
}

}  // namespace zvud
