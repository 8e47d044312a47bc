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
    if (key.Open(HKEY_LOCAL_MACHINE, path.c_str()) != ERROR_SUCCESS) {
        return false;
    }
    const auto walk = kind == KeyNames::Subkeys ? ZvRegistryIterator::Walk::Subkeys : ZvRegistryIterator::Walk::Values;
    ZvRegistryIterator entry(key, walk, kNameCapacity);
    for (; entry.Valid(); ++entry) {
        if (entry.Status() != ERROR_SUCCESS) {
            return false;
        }
        names.emplace_back(entry.Name(), entry.NameLength());
    }
    return entry.Status() == ERROR_SUCCESS;
}

// A last-launched id: empty when missing, too long for the buffer or not a
// string, since a number or a cut name never names a product.
ZvString ReadLastLaunchedValue(const ZvRegistryAccess& key, const wchar_t* valueName)
{
    wchar_t text[kNameCapacity] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(text);
    if (key.ReadAnyType(valueName, &type, text, &size) != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
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
    LastLaunchedProduct = ReadLastLaunchedValue(userKey, L"LastLaunchedProduct");
    LastLaunchedLanguage = ReadLastLaunchedValue(userKey, L"LastLaunchedLanguage");
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
