// The DLL's export table holds exactly the names that hosts link against.
#include "TestSupport.h"

#include <set>
#include <string>

namespace userdata::testing {
namespace {

const std::set<std::string>& TableNames()
{
    static const std::set<std::string> names = {
#define USERDATA_EXPORT_NAME(function, exportedName) exportedName,
        USERDATA_EXPORT_TABLE(USERDATA_EXPORT_NAME)
#undef USERDATA_EXPORT_NAME
    };
    return names;
}

// The names in the export directory of a loaded module.
std::set<std::string> ExportedNames(HMODULE module)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
    std::set<std::string> names;
    for (DWORD index = 0; index < directory->NumberOfNames; ++index) {
        names.insert(reinterpret_cast<const char*>(base + nameOffsets[index]));
    }
    return names;
}

TEST(ExportTable, HoldsExactlyTheNamesOfTheTable)
{
    ASSERT_EQ(TableNames().size(), 30u) << "the table lists every export of the library";
    const std::set<std::string>& expected = TableNames();

    const std::wstring dll = TestProgramFolder() + L"\\UserData.dll";
    HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(module, nullptr) << "loading " << Narrow(dll);
    const std::set<std::string> exported = ExportedNames(module);
    FreeLibrary(module);

    for (const std::string& name : expected) {
        EXPECT_EQ(exported.count(name), 1u) << "missing export " << name;
    }
    for (const std::string& name : exported) {
        EXPECT_EQ(expected.count(name), 1u) << "unexpected export " << name;
    }
}

TEST(ExportTable, SecondLanguageNameIsTheSameFunction)
{
    const std::wstring dll = TestProgramFolder() + L"\\UserData.dll";
    HMODULE module = LoadLibraryW(dll.c_str());
    ASSERT_NE(module, nullptr);
    const FARPROC ui = GetProcAddress(module, "zvudGetProductUILanguage");
    EXPECT_NE(ui, nullptr);
    EXPECT_EQ(GetProcAddress(module, "?zvudGetProductUALanguage@@YAPEB_WXZ"), ui);
    FreeLibrary(module);
}

}  // namespace
}  // namespace userdata::testing
