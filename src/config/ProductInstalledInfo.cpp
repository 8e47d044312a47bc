#include "config/ProductInstalledInfo.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/IdentityIniFile.h"
#include "base/InputRecorder.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"

#include <windows.h>
#include <shlwapi.h>

namespace userdata {
namespace {

using Kind = Reason::Kind;
using Place = Reason::Place;

enum class KeyNames { Subkeys, Values };

// The names of a product key's subkeys or values, in the order the registry
// enumerates them. The key is opened machine first, then for the user; a name
// of kNameCapacity characters or more fails the read. The status of the
// opening or of the step that failed.
LSTATUS ReadKeyNames(const ZvString& path, KeyNames kind, std::vector<ZvString>& names)
{
    ZvRegistryAccess key;
    const LSTATUS opened = key.Open(HKEY_LOCAL_MACHINE, path.c_str());
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    const auto walk = kind == KeyNames::Subkeys ? ZvRegistryIterator::Walk::Subkeys : ZvRegistryIterator::Walk::Values;
    ZvRegistryIterator entry(key, walk, kNameCapacity);
    for (; entry.Valid(); ++entry) {
        if (entry.Status() != ERROR_SUCCESS) {
            return entry.Status();
        }
        names.emplace_back(entry.Name(), entry.NameLength());
        if (kind == KeyNames::Values) {
            entry.RecordNameTaken();  // a language listed
        }
    }
    return entry.Status();
}

// A last-launched id: empty when missing, too long for the buffer or not a
// string, since a number or a cut name never names a product.
ZvString ReadLastLaunchedValue(const ZvRegistryAccess& key, const wchar_t* valueName, Reason& reason)
{
    wchar_t text[kNameCapacity] = {};
    DWORD size = sizeof(text);
    reason.item = valueName;
    reason.status = key.ReadAnyType(valueName, &reason.type, text, &size);
    if (reason.status != ERROR_SUCCESS) {
        reason.kind = IsNotFound(reason.status) ? Kind::Absent : Kind::TooLong;
        return ZvString();
    }
    if (reason.type != REG_SZ && reason.type != REG_EXPAND_SZ) {
        reason.kind = Kind::WrongType;
        return ZvString();
    }
    reason.kind = Kind::Read;
    return ZvString(text, BoundedLength(text));
}

}  // namespace

bool CProductInstalledInfo::Fail(Reason reason)
{
    loadFailure_ = std::move(reason);
    return false;
}

bool CProductInstalledInfo::Load()
{
    wchar_t root[kPathCapacity] = {};
    const unsigned rootLength = GetLibraryFolder(root);
    if (rootLength == 0) {
        return Fail(ReasonOf(Kind::Absent, Place::Folder, ZvString(L"the library's own folder")));
    }
    productRootFolder_.Assign(root, rootLength);
    return ReadVersionFile() && ReadInstalledProducts() && ReadLastLaunched();
}

bool CProductInstalledInfo::ReadVersionFile()
{
    const ZvString versionFile = VersionFileIn(productRootFolder_);
    RecordFile(versionFile.c_str());
    productVersionKey_ = ReadProductIdentityValue(versionFile, L"ProductVersionKey");
    const ZvString configurable =
        productVersionKey_.empty() ? ZvString() : ReadProductIdentityValue(versionFile, L"IsConfigurable");
    if (configurable.empty()) {
        if (!PathFileExistsW(versionFile.c_str())) {
            return Fail(ReasonOf(Kind::Absent, Place::File, versionFile));
        }
        const wchar_t* const missing = productVersionKey_.empty() ? L"ProductVersionKey" : L"IsConfigurable";
        return Fail(ReasonOf(Kind::Absent, Place::File, versionFile, missing));
    }
    isConfigurable_ = configurable == L"1";
    configurableReason_ = ReasonOf(Kind::Read, Place::File, versionFile, L"IsConfigurable");
    return true;
}

bool CProductInstalledInfo::ReadInstalledProducts()
{
    if (!isConfigurable_) {
        return true;
    }
    ZvString basePath = productVersionKey_;
    basePath.Append(L"\\InstalledProducts");
    std::vector<ZvString> products;
    if (const LSTATUS status = ReadKeyNames(basePath, KeyNames::Subkeys, products); status != ERROR_SUCCESS) {
        return Fail(AbsentOrRefused(status, RegistryKeyName(HKEY_LOCAL_MACHINE, basePath)));
    }
    for (const ZvString& product : products) {
        ZvString productPath = basePath;
        productPath.Append(L'\\').Append(product);
        LanguageList languages;
        if (const LSTATUS status = ReadKeyNames(productPath, KeyNames::Values, languages); status != ERROR_SUCCESS) {
            return Fail(AbsentOrRefused(status, RegistryKeyName(HKEY_LOCAL_MACHINE, productPath)));
        }
        installedProducts_[product] = std::move(languages);
    }
    return true;
}

bool CProductInstalledInfo::ReadLastLaunched()
{
    if (!isConfigurable_) {
        return true;
    }
    const ZvString userKeyName = RegistryKeyName(HKEY_CURRENT_USER, productVersionKey_);
    lastLaunchedProduct_.reason = ReasonOf(Kind::Absent, Place::Registry, userKeyName);
    lastLaunchedLanguage_.reason = lastLaunchedProduct_.reason;
    ZvRegistryAccess userKey;
    if (userKey.Open(HKEY_CURRENT_USER, productVersionKey_.c_str()) != ERROR_SUCCESS) {
        return true;  // nothing remembered for this user
    }
    lastLaunchedProduct_.value = ReadLastLaunchedValue(userKey, L"LastLaunchedProduct", lastLaunchedProduct_.reason);
    lastLaunchedLanguage_.value = ReadLastLaunchedValue(userKey, L"LastLaunchedLanguage", lastLaunchedLanguage_.reason);
    return true;
}

ZvString CProductInstalledInfo::VersionFileIn(const ZvString& rootFolder)
{
    ZvString versionFile = rootFolder;
    return versionFile.Append(L"identityver.ini");
}

bool CProductInstalledInfo::IsLanguageInstalled(const ZvString& product, const ZvString& language) const
{
    const auto entry = installedProducts_.find(product);
    if (entry == installedProducts_.end()) {
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
