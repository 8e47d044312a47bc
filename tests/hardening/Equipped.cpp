#include "Equipped.h"

#include "UserDataFolders.h"

#include <psapi.h>

#include <algorithm>

namespace userdata::testing {
namespace {

using ZvUdSpecialFolder::Folders;

}  // namespace

std::vector<BufferExport> BufferExports()
{
    using Api = const UserDataExports&;
    constexpr auto kNeed = BufferExport::NullBuffer::Need;
    std::vector<BufferExport> exports = {
        {"zvudGetCurrentProduct", [](Api a, wchar_t* b, unsigned c) { return a.zvudGetCurrentProduct(b, c); }},
        {"zvudGetCurrentLanguage", [](Api a, wchar_t* b, unsigned c) { return a.zvudGetCurrentLanguage(b, c); }},
        {"zvudGetMachineProductRegistryRootKey",
         [](Api a, wchar_t* b, unsigned c) { return a.zvudGetMachineProductRegistryRootKey(b, c); }},
        {"zvudGetUserProductRegistryRootKey",
         [](Api a, wchar_t* b, unsigned c) { return a.zvudGetUserProductRegistryRootKey(b, c); }},
        {"zvudGetGlobalRegistryRootKey", [](Api a, wchar_t* b, unsigned c) { return a.zvudGetGlobalRegistryRootKey(b, c); }},
        {"GetCurrentProductIdentityIniPath",
         [](Api a, wchar_t* b, unsigned c) { return a.GetCurrentProductIdentityIniPath(b, c); }},
        {"zvudGetVerticalEnvPath", [](Api a, wchar_t* b, unsigned c) { return a.zvudGetVerticalEnvPath(b, c); }},
        {"GetProgramName", [](Api a, wchar_t* b, unsigned c) { return a.GetProgramName(b, c); }},
        {"GetProductName", [](Api a, wchar_t* b, unsigned c) { return a.GetProductName(b, c); }},
        {"GetVerticalProductName", [](Api a, wchar_t* b, unsigned c) { return a.GetVerticalProductName(b, c); }},
        {"GetProductSpecificFilePath",
         [](Api a, wchar_t* b, unsigned c) { return a.GetProductSpecificFilePath(L"Dictionary", b, c); }},
        {"GetProductRootFolder", [](Api a, wchar_t* b, unsigned c) { return a.GetProductRootFolder(b, c); }},
        {"GetHelpFileName", [](Api a, wchar_t* b, unsigned c) { return a.GetHelpFileName(b, c); }},
        {"GetContextFileName", [](Api a, wchar_t* b, unsigned c) { return a.GetContextFileName(b, c); }},
        {"GetZOVAUserDataCacheLangPath",
         [](Api a, wchar_t* b, unsigned c) { return a.GetZOVAUserDataCacheLangPath(b, nullptr, c); }, kNeed},
        {"zvudGetXRootFoldPath",
         [](Api a, wchar_t* b, unsigned c) { return a.zvudGetXRootFoldPath(L"LocalRootFolder", b, c); },
         BufferExport::NullBuffer::Exists},
        {"zvudGetProductXFoldPath", [](Api a, wchar_t* b, unsigned c) {
             return a.zvudGetProductXFoldPath(b, c, ZvUdSpecialFolder::UserDataCacheFolderLang); }},
        {"zvudLoadMUIString", [](Api a, wchar_t* b, unsigned c) {
             return a.zvudLoadMUIString(L"@TestStrings.dll,-101", b, c); }, kNeed},
        {"zvudLoadMUIString, plain text",
         [](Api a, wchar_t* b, unsigned c) { return a.zvudLoadMUIString(L"Plain text", b, c); }, kNeed},
    };
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        const Folders folder = info.folder;
        exports.push_back({"zvudGetSpecialFolder " + Narrow(info.name),
                           [folder](Api a, wchar_t* b, unsigned c) { return a.zvudGetSpecialFolder(folder, b, c); },
                           kNeed});
    }
    return exports;
}

void EquippedTest::InstallEverything()
{
    InstallConfigurable({{kProduct, {kLanguage}}, {L"ZOVA", {L"L1", L"L2"}}});
    const std::wstring root = Root();
    SetString(HKEY_LOCAL_MACHINE, root, L"ProductName", L"Brevonix Planner");
    SetString(HKEY_LOCAL_MACHINE, root, L"DefaultHelpFileName", L"planner");
    SetString(HKEY_LOCAL_MACHINE, root + L"\\ProductSpecific", L"Dictionary", L"C:\\Suite\\words.dic");
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        if (info.valueName != nullptr) {
            SetString(HKEY_CURRENT_USER, root, info.valueName, userFolders / info.valueName);
        }
    }
    CreateFolders(userFolders / L"RoamableRootFolder");
    CreateFolders(userFolders / L"LocalRootFolder");
    SetString(HKEY_CURRENT_USER, root + L"\\Profiles", nullptr, L"Default");
    SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\Default\\General", L"HELP", L"C:\\Suite\\Help\\planner.chm");
    SetString(HKEY_LOCAL_MACHINE, root + L"\\UserData", L"{00000000-0000-0000-0000-0000000000A1}",
              L"Software\\Brevonix\\Planner-User");
    SetString(HKEY_CURRENT_USER, L"Software\\Brevonix\\Planner-User", L"LocalRootFolder",
              userFolders / L"LocalRootFolder");
    SetString(HKEY_CLASSES_ROOT, L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", nullptr,
              L"zvserver.dll");
    SetDword(HKEY_LOCAL_MACHINE, root, L"AutoMigrate", 0);
    CopyFileW((TestProgramFolder() + L"\\TestStrings.dll").c_str(), (InstallFolder() + L"\\TestStrings.dll").c_str(),
              FALSE);
    CopyFileW((TestProgramFolder() + L"\\migrator\\bxmigrator.exe").c_str(),
              (InstallFolder() + L"\\bxmigrator.exe").c_str(), FALSE);
}

std::size_t OpenHandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) {
        return count;
    }
    // Wine reports no count: probe the handle values instead.
    std::size_t open = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++open;
        }
    }
    return open;
}

std::vector<std::wstring> LoadedModules()
{
    HMODULE modules[512];
    DWORD bytes = 0;
    EnumProcessModules(GetCurrentProcess(), modules, sizeof(modules), &bytes);
    std::vector<std::wstring> names;
    for (DWORD index = 0; index < bytes / sizeof(HMODULE) && index < 512; ++index) {
        wchar_t name[MAX_PATH] = {};
        GetModuleFileNameW(modules[index], name, MAX_PATH);
        names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace userdata::testing
