#include "StartUpCheck.h"

#include "OwnedKey.h"
#include "Queries.h"

#include <windows.h>

#include <initializer_list>
#include <optional>

namespace zvud {
namespace {

constexpr size_t kIniValueCapacity = 260;
const wchar_t kSection[] = L"ProductIdentity";

std::wstring IniValue(const std::wstring& file, const wchar_t* key)
{
    wchar_t value[kIniValueCapacity] = {};
    GetPrivateProfileStringW(kSection, key, L"", value, kIniValueCapacity, file.c_str());
    return value;
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring MissingFile(const std::wstring& path)
{
    return L"the file " + path + L" is missing";
}

// The first of `keys` that `file` lacks in [ProductIdentity], or "".
std::wstring MissingIniKey(const std::wstring& file, std::initializer_list<const wchar_t*> keys)
{
    for (const wchar_t* key : keys) {
        if (IniValue(file, key).empty()) {
            return L"the key " + std::wstring(key) + L" of [ProductIdentity] is missing from " + file;
        }
    }
    return L"";
}

// A product key as the library opens it: under HKEY_LOCAL_MACHINE, else
// under HKEY_CURRENT_USER when the machine has none.
OwnedKey OpenProductKey(const std::wstring& subkey)
{
    LSTATUS status = ERROR_SUCCESS;
    OwnedKey key = OpenKey(HKEY_LOCAL_MACHINE, subkey, KEY_READ, status);
    if (key || status != ERROR_FILE_NOT_FOUND) {
        return key;
    }
    return OpenKey(HKEY_CURRENT_USER, subkey, KEY_READ, status);
}

// "" when `subkey` exists and has a default string value, else what is missing.
std::wstring MissingDefaultValue(const std::wstring& subkey)
{
    const OwnedKey key = OpenProductKey(subkey);
    if (!key) {
        return L"the registry key " + subkey + L" is missing (HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER)";
    }
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return L"the registry key " + subkey + L" has no default string value";
    }
    return L"";
}

bool IsBaseProduct(const std::wstring& product)
{
    return CompareStringOrdinal(product.c_str(), -1, L"ZOVA", -1, TRUE) == CSTR_EQUAL;
}

struct Catalogue {
    std::wstring root;  // the library's folder, with a trailing backslash
    std::wstring versionKey;
    bool configurable = true;
};

// identityver.ini and the installed products: what is missing, or "".
std::wstring CheckCatalogue(Catalogue& catalogue)
{
    const std::wstring file = catalogue.root + L"identityver.ini";
    if (!FileExists(file)) {
        return MissingFile(file);
    }
    if (std::wstring missing = MissingIniKey(file, {L"ProductVersionKey", L"IsConfigurable"}); !missing.empty()) {
        return missing;
    }
    catalogue.versionKey = IniValue(file, L"ProductVersionKey");
    catalogue.configurable = IniValue(file, L"IsConfigurable") == L"1";
    const std::wstring products = catalogue.versionKey + L"\\InstalledProducts";
    if (catalogue.configurable && !OpenProductKey(products)) {
        return L"the registry key " + products + L" is missing (HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER)";
    }
    const auto product = AskLength(&zvudGetCurrentProduct);
    if (catalogue.configurable && !product) {
        return L"the registry key " + products + L" lists no product";
    }
    if (catalogue.configurable && !AskLength(&zvudGetCurrentLanguage)) {
        return L"the registry key " + products + L"\\" + *product + L" lists no language";
    }
    return L"";
}

// The identity file and the product keys read through it: what is missing, or "".
std::wstring CheckIdentity(const Catalogue& catalogue)
{
    const std::wstring product = AskLength(&zvudGetCurrentProduct).value_or(L"");
    const std::wstring language = AskLength(&zvudGetCurrentLanguage).value_or(L"");
    std::wstring file = catalogue.root;
    if (catalogue.configurable) {
        file += IsBaseProduct(product) ? language : product + L"\\" + language;
    }
    file += L"\\identity.ini";
    if (!FileExists(file)) {
        return MissingFile(file);
    }
    if (std::wstring missing = MissingIniKey(file, {L"GlobalRegistryRootKey", L"ProductRegistryRootKey"});
        !missing.empty()) {
        return missing;
    }
    const std::wstring productRoot = IniValue(file, L"ProductRegistryRootKey");
    if (!catalogue.configurable && language.empty()) {
        return MissingDefaultValue(productRoot + L"\\InstalledUILanguages");
    }
    return IsBaseProduct(product) ? L"" : MissingDefaultValue(productRoot + L"\\VerticalEnvPath");
}

}  // namespace

std::wstring MissingStartUpPiece()
{
    Catalogue catalogue;
    catalogue.root = AskLength(&GetProductRootFolder).value_or(L"");
    if (catalogue.root.empty()) {
        return L"";
    }
    std::wstring missing = CheckCatalogue(catalogue);
    return missing.empty() ? CheckIdentity(catalogue) : missing;
}

}  // namespace zvud
