#include "repair/UserDataInstall.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/RegistryAccess.h"
#include "regwrite/PathFolding.h"
#include "repair/ComServerCheck.h"
#include "repair/WindowsInstaller.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <new>

namespace userdata {
namespace {

constexpr wchar_t kFirstRunReinstall[] = L"REINSTALL=UserData REINSTALLMODE=uos ZOVA_SECONDARY_INSTALL=1";
constexpr wchar_t kMissingFolderReinstall[] = L"REINSTALL=UserData REINSTALLMODE=p ZOVA_SECONDARY_INSTALL=1";
constexpr wchar_t kUserRegistryReinstall[] = L"REINSTALL=UserData REINSTALLMODE=u ZOVA_SECONDARY_INSTALL=1";

// Products whose per-user key path ends in "KPW-<something>" get no folder
// checks.
bool SkipsFolderChecks(const wchar_t* userKeyPath)
{
    const wchar_t* const dash = std::wcsrchr(userKeyPath, L'-');
    return dash != nullptr && dash - userKeyPath >= 3 && std::wcsncmp(dash - 3, L"KPW", 3) == 0;
}

// The folder checks for one product whose per-user key exists: a missing local
// root folder is reinstalled; one that cannot be opened for reading and
// writing has its per-user key tree deleted and reinstalled. Returns the
// status the product's work ends with.
unsigned RepairLocalRootFolder(const wchar_t* productCode, const wchar_t* userKeyPath)
{
    ZvUniqueKey userKey;
    const LSTATUS opened = OpenKey(HKEY_CURRENT_USER, userKeyPath, KEY_READ, userKey);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    wchar_t folder[kPathCapacity];
    if (!ReadExpandedCharacters(userKey.Get(), L"LocalRootFolder", folder)) {
        return ERROR_SUCCESS;  // nothing to check
    }
    unsigned status = ERROR_SUCCESS;
    if (GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
        status = ReinstallProduct(productCode, kMissingFolderReinstall);
    }
    const ZvUniqueFile opensForWriting(CreateFileW(folder, GENERIC_READ | GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    userKey.Reset();
    if (opensForWriting) {
        return status;
    }
    wchar_t treePath[kDeleteTreePathCapacity] = {};
    if (CopyText(treePath, userKeyPath)) {
        DeleteRegistryTree(HKEY_CURRENT_USER, treePath);
    }
    return ReinstallProduct(productCode, kUserRegistryReinstall);
}

// The work on one product of the list.
unsigned RepairProduct(const wchar_t* productCode, const wchar_t* userKeyPath, bool repairComServers)
{
    unsigned status = ERROR_SUCCESS;
    {
        ZvUniqueKey probe;
        status = OpenKey(HKEY_CURRENT_USER, userKeyPath, KEY_READ, probe);
    }
    if (status == ERROR_FILE_NOT_FOUND) {
        status = ReinstallProduct(productCode, kFirstRunReinstall);
    }
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (repairComServers) {
        RepairCOMServerRegistration(productCode);
    }
    if (SkipsFolderChecks(userKeyPath)) {
        return ERROR_SUCCESS;
    }
    return RepairLocalRootFolder(productCode, userKeyPath);
}

}  // namespace

unsigned RepairUserDataEntries(HKEY productListKey, bool repairComServers)
{
    DWORD valueCount = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    const LSTATUS queried = RegQueryInfoKeyW(productListKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             &valueCount, &longestName, &longestData, nullptr, nullptr);
    if (queried != ERROR_SUCCESS) {
        return queried;
    }
    // Room for a terminator behind the longest data, stored with one or not.
    const std::size_t dataChars = longestData / sizeof(wchar_t) + 2;
    const std::unique_ptr<wchar_t[]> name(new (std::nothrow) wchar_t[longestName + 1]);
    const std::unique_ptr<wchar_t[]> data(new (std::nothrow) wchar_t[dataChars]);
    if (!name || !data) {
        return ERROR_OUTOFMEMORY;
    }
    unsigned status = ERROR_SUCCESS;
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameLength = longestName + 1;
        DWORD dataBytes = static_cast<DWORD>(dataChars * sizeof(wchar_t));
        std::fill_n(data.get(), dataChars, L'\0');
        status = RegEnumValueW(productListKey, index, name.get(), &nameLength, nullptr, nullptr,
                               reinterpret_cast<BYTE*>(data.get()), &dataBytes);
        if (status != ERROR_SUCCESS || nameLength == 0) {
            continue;
        }
        status = RepairProduct(name.get(), data.get(), repairComServers);
    }
    return status;
}

LSTATUS DeleteRegistryTree(HKEY root, wchar_t (&keyPath)[kDeleteTreePathCapacity])
{
    if (keyPath[0] == L'\0') {
        return ERROR_INVALID_PARAMETER;  // the root of a hive is never deleted
    }
    if (RegDeleteKeyW(root, keyPath) == ERROR_SUCCESS) {
        return ERROR_SUCCESS;
    }
    ZvUniqueKey key;
    const LSTATUS opened = OpenKey(root, keyPath, KEY_READ, key);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    std::size_t ownLength = BoundedLength(keyPath);
    if (keyPath[ownLength - 1] == L'\\') {
        --ownLength;
    } else if (!AppendText(keyPath, L"\\")) {
        key.Reset();
        return RegDeleteKeyW(root, keyPath);  // no room for a subkey's name: this fails and says why
    }
    const std::size_t childStart = BoundedLength(keyPath);
    // Always the first remaining subkey: deleting one renumbers the rest.
    wchar_t child[kNameCapacity];
    DWORD childLength = kNameCapacity;
    while (RegEnumKeyExW(key.Get(), 0, child, &childLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        keyPath[childStart] = L'\0';
        if (!AppendText(keyPath, child) || DeleteRegistryTree(root, keyPath) != ERROR_SUCCESS) {
            break;  // a subkey stays: deleting this key below fails and says why
        }
        childLength = kNameCapacity;
    }
    keyPath[ownLength] = L'\0';
    key.Reset();
    return RegDeleteKeyW(root, keyPath);
}

unsigned RepairUserData(const ZvString& productRootKey, PathVariableTable& pathVariables)
{
    wchar_t listPath[kKeyPathCapacity] = {};
    unsigned result = 0;
    // A root key that leaves no room for "\\UserData" has no product list.
    if (CopyText(listPath, productRootKey.c_str())) {
        result = static_cast<unsigned>(productRootKey.length());
        ZvUniqueKey productList;
        if (AppendText(listPath, L"\\UserData") &&
            OpenMachineThenUser(HKEY_LOCAL_MACHINE, listPath, KEY_QUERY_VALUE, productList) == ERROR_SUCCESS) {
            const bool serversSound = AllServersRelative();
            result = RepairUserDataEntries(productList.Get(), !serversSound);
        }
    }
    if (result == 0) {
        RegisterUserProfileVariable(pathVariables);  // registry strings fold the profile folder from now on
    }
    return result;
}

}  // namespace userdata
