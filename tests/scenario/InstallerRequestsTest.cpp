// What InstallUserData asks of the Windows Installer on each repair path: the
// UI level in force and the command line of every reinstall, seen at the
// library's delay-loaded imports of msi.dll, whose calls go on to msi.dll.
// Product codes that no package carries make every reinstall fail.
#include "TestSupport.h"

#include <msi.h>

namespace userdata::testing {
namespace {

constexpr auto kReinstallLevel = static_cast<INSTALLUILEVEL>(INSTALLUILEVEL_BASIC | INSTALLUILEVEL_HIDECANCEL);

INSTALLUILEVEL (*realSetInternalUI)(INSTALLUILEVEL, HWND*) = nullptr;
UINT (*realConfigureProductEx)(LPCWSTR, int, INSTALLSTATE, LPCWSTR) = nullptr;
INSTALLUILEVEL levelInForce = INSTALLUILEVEL_NOCHANGE;
std::vector<std::pair<INSTALLUILEVEL, std::wstring>> requests;  // UI level and command line of each reinstall

INSTALLUILEVEL RecordingSetInternalUI(INSTALLUILEVEL level, HWND* owner)
{
    levelInForce = level;
    return realSetInternalUI(level, owner);
}

UINT RecordingConfigureProductEx(LPCWSTR product, int level, INSTALLSTATE state, LPCWSTR commandLine)
{
    requests.emplace_back(levelInForce, commandLine);
    return realConfigureProductEx(product, level, state, commandLine);
}

// Points the library's delay-load import slots, resolved by an earlier
// reinstall, at `to`: the slots are the pointer-sized words of the image that
// hold the function's address.
void Redirect(HMODULE library, ULONG_PTR from, ULONG_PTR to)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(library);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(library) +
                                                                    dos->e_lfanew);
    auto* words = reinterpret_cast<ULONG_PTR*>(library);
    int redirected = 0;
    for (DWORD index = 0; index < headers->OptionalHeader.SizeOfImage / sizeof(ULONG_PTR); ++index) {
        if (words[index] == from) {
            DWORD protection = 0;
            VirtualProtect(&words[index], sizeof(ULONG_PTR), PAGE_READWRITE, &protection);
            words[index] = to;
            VirtualProtect(&words[index], sizeof(ULONG_PTR), protection, &protection);
            ++redirected;
        }
    }
    EXPECT_EQ(redirected, 1) << "the import slot";
}

class InstallerRequestsTest : public ScenarioTest {
protected:
    const std::wstring productList = ProductRootOf(L"ZOVA", L"L1") + L"\\UserData";
    TempFolder folder;

    void SetUp() override { InstallConfigurable({{L"ZOVA", {L"L1"}}}); }

    // Loads the library and lets one reinstall bind msi.dll, then records.
    const UserDataExports& LoadRecording()
    {
        const auto& api = Load();
        SetString(HKEY_LOCAL_MACHINE, productList, L"{00000000-0000-0000-0000-0000000000A1}", L"Software\\B\\None-1");
        api.InstallUserData();
        DeleteKey(HKEY_LOCAL_MACHINE, productList);
        const HMODULE msi = GetModuleHandleW(L"msi.dll");
        realSetInternalUI = reinterpret_cast<decltype(realSetInternalUI)>(
            reinterpret_cast<void*>(GetProcAddress(msi, "MsiSetInternalUI")));
        realConfigureProductEx = reinterpret_cast<decltype(realConfigureProductEx)>(
            reinterpret_cast<void*>(GetProcAddress(msi, "MsiConfigureProductExW")));
        HMODULE library = GetModuleHandleW((InstallFolder() + L"\\UserData.dll").c_str());
        Redirect(library, reinterpret_cast<ULONG_PTR>(realSetInternalUI),
                 reinterpret_cast<ULONG_PTR>(&RecordingSetInternalUI));
        Redirect(library, reinterpret_cast<ULONG_PTR>(realConfigureProductEx),
                 reinterpret_cast<ULONG_PTR>(&RecordingConfigureProductEx));
        return api;
    }
};

TEST_F(InstallerRequestsTest, EachRepairPathAsksForItsReinstall)
{
    const std::wstring firstRun = L"REINSTALL=UserData REINSTALLMODE=uos ZOVA_SECONDARY_INSTALL=1";
    const std::wstring missingFolder = L"REINSTALL=UserData REINSTALLMODE=p ZOVA_SECONDARY_INSTALL=1";
    const std::wstring userRegistry = L"REINSTALL=UserData REINSTALLMODE=u ZOVA_SECONDARY_INSTALL=1";
    const std::wstring comRepair = L"REINSTALL=ALL REINSTALLMODE=m ZOVA_SECONDARY_INSTALL=1";
    const VariableGuard letter(L"USERDATA_TEST_A");
    SetEnvironment(L"USERDATA_TEST_A", L"a");
    std::wstring manyA;  // 340 characters stored, 20 expanded
    for (int count = 0; count < 20; ++count) {
        manyA += L"%USERDATA_TEST_A%";
    }
    struct Row {
        const char* scenario;
        bool userKey;
        std::wstring localRootFolder;
        bool comServerSound;
        std::vector<std::wstring> commandLines;
        DWORD folderType = REG_SZ;
    } rows[] = {
        {"per-user key missing", false, L"", true, {firstRun}},
        // The folder stays missing, so it cannot be opened either.
        {"local root folder missing", true, folder / L"missing", true, {missingFolder, userRegistry}},
        {"COM server registration broken", true, folder.Path(), false, {comRepair}},
        {"missing folder stored longer than the read, expanded it fits", true, folder / L"missing" + manyA, true,
         {missingFolder, userRegistry}, REG_EXPAND_SZ},
    };
    const auto& api = LoadRecording();
    const INSTALLUILEVEL hostLevel = realSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        const std::wstring userKey = L"Software\\Brevonix\\User-1";
        DeleteKey(HKEY_CURRENT_USER, userKey);
        SetString(HKEY_LOCAL_MACHINE, productList, L"{00000000-0000-0000-0000-0000000000B1}", userKey);
        if (row.userKey) {
            SetString(HKEY_CURRENT_USER, userKey, L"LocalRootFolder", row.localRootFolder, row.folderType);
        }
        const std::wstring server = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32";
        if (row.comServerSound) {
            SetString(HKEY_CLASSES_ROOT, server, nullptr, L"zvserver.dll");
        } else {
            DeleteKey(HKEY_CLASSES_ROOT, server);
        }
        requests.clear();
        api.InstallUserData();
        std::vector<std::wstring> commandLines;
        for (const auto& [level, commandLine] : requests) {
            EXPECT_EQ(level, kReinstallLevel) << Narrow(commandLine);
            commandLines.push_back(commandLine);
        }
        EXPECT_EQ(commandLines, row.commandLines);
        EXPECT_EQ(realSetInternalUI(INSTALLUILEVEL_NOCHANGE, nullptr), hostLevel) << "the host's level is restored";
    }
}

}  // namespace
}  // namespace userdata::testing
