#include "config/ProductInstalledInfo.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/IdentityIniFile.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"

#include <windows.h>

namespace userdata {
namespace {

enum class KeyNames { Subkeys, Values };

// The names of a product key's subkeys or values, in the order the registry
// enumerates them. The key is opened machine first, then for the user; a name
// of 260 characters or more fails the read.
bool ReadKeyNames(const ZvString& path, KeyNames kind, std::vector<ZvString>& names)
{
    ZvRegistryAccess key;
    DWORD count = 0;
    DWORD* const subkeyCount = kind == KeyNames::Subkeys ? &count : nullptr;
    DWORD* const valueCount = kind == KeyNames::Values ? &count : nullptr;
    if (key.Open(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS ||
        RegQueryInfoKeyW(key.Key(), nullptr, nullptr, nullptr, subkeyCount, nullptr, nullptr, valueCount, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD index = 0; index < count; ++index) {
        wchar_t name[kNameCapacity] = {};
        DWORD length = kNameCapacity;
        const LSTATUS status = kind == KeyNames::Subkeys
                                   ? RegEnumKeyExW(key.Key(), index, name, &length, nullptr, nullptr, nullptr, nullptr)
                                   : RegEnumValueW(key.Key(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            return false;
        }
        names.emplace_back(name, length);
    }
    return true;
}

// A last-launched id: empty when missing, too long for the buffer or not a
// string, since a number or a cut name never names a product.
ZvString ReadLastLaunchedValue(HKEY key, const wchar_t* valueName)
{
    wchar_t text[kNameCapacity] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(text);
    if (GetValueAnyType(key, valueName, &type, text, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return ZvString();
    }
    return ZvString(text, BoundedLength(text));
}

}  // namespace

bool CProductInstalledInfo::Load()
{
    wchar_t root[kPathCapacity] = {};
    const unsigned rootLength = GetLibraryFolder(root);
    if (rootLength == 0) {
        return false;
    }
    ProductRootFolder.Assign(root, rootLength);

    ZvString versionFile = ProductRootFolder;
    versionFile.Append(L"identityver.ini");
    ProductVersionKey = ReadProductIdentityValue(versionFile, L"ProductVersionKey");
    if (ProductVersionKey.empty()) {
        return false;
    }
    const ZvString configurable = ReadProductIdentityValue(versionFile, L"IsConfigurable");
    if (configurable.empty()) {
        return false;
    }
    IsConfigurable = configurable == L"1";
    return ReadInstalledProducts() && ReadLastLaunched();
}

bool CProductInstalledInfo::ReadInstalledProducts()
{
    if (!IsConfigurable) {
        return true;
    }
    ZvString basePath = ProductVersionKey;
    basePath.Append(L"\\InstalledProducts");
    std::vector<ZvString> products;
    if (!ReadKeyNames(basePath, KeyNames::Subkeys, products)) {
        return false;
    }
    for (const ZvString& product : products) {
        ZvString productPath = basePath;
        productPath.Append(L'\\').Append(product);
        LanguageList languages;
        if (!ReadKeyNames(productPath, KeyNames::Values, languages)) {
            return false;
        }
        InstalledProducts[product] = std::move(languages);
    }
    return true;
}

bool CProductInstalledInfo::ReadLastLaunched()
{
    if (!IsConfigurable) {
        return true;
    }
    if (ProductVersionKey.empty()) {
        return false;
    }
    ZvRegistryAccess userKey;
    if (userKey.Open(HKEY_CURRENT_USER, ProductVersionKey.c_str()) != ERROR_SUCCESS) {
        return true;  // nothing remembered for this user
    }
    LastLaunchedProduct = ReadLastLaunchedValue(userKey.Key(), L"LastLaunchedProduct");
    LastLaunchedLanguage = ReadLastLaunchedValue(userKey.Key(), L"LastLaunchedLanguage");
    return true;
}

bool CProductInstalledInfo::IsLanguageInstalled(const ZvString& product, const ZvString& language) const
{
    const auto entry = InstalledProducts.find(product);
    if (entry == InstalledProducts.end()) {
        return false;
    }
    for (const ZvString& listed : entry->second) {
        if (listed == language) {
            return true;
        }
    }
    return false;
}

}  // namespace userdata
