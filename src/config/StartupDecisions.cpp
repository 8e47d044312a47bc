#include "config/StartupDecisions.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/FolderList.h"
#include "base/IdentityIniFile.h"
#include "base/InputRecorder.h"
#include "base/RegistryAccess.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <iterator>

namespace userdata {
namespace {

using Kind = Reason::Kind;
using Place = Reason::Place;

// Made when needed: nothing of the library runs when it is loaded.
Reason Requested()
{
    return ReasonOf(Kind::Requested, Place::Host, ZvString(L"zvudInitProductParams"));
}

ZvString CatalogueKey(const CProductInstalledInfo& catalogue, HKEY hive, const wchar_t* below)
{
    ZvString path = catalogue.GetProductVersionKey();
    path.Append(below);
    return RegistryKeyName(hive, path);
}

// The default string value of `productRootKey`\`subkey` (machine first, then
// the user's) as stored, read into N characters.
template <std::size_t N>
Decision DecideDefaultString(const ZvString& productRootKey, const wchar_t* subkey)
{
    ZvString path = productRootKey;
    path.Append(L'\\').Append(subkey);
    ZvRegistryAccess key;
    const LSTATUS opened = key.Open(HKEY_LOCAL_MACHINE, path.c_str());
    if (opened != ERROR_SUCCESS) {
        return {ZvString(), AbsentOrRefused(opened, RegistryKeyName(HKEY_LOCAL_MACHINE, path))};
    }
    const ZvString source = RegistryKeyName(key.Hive(), path);
    wchar_t value[N] = {};
    if (!key.ReadRawString(nullptr, value)) {
        return {ZvString(), WhyUnread(key, source, nullptr)};
    }
    // A REG_EXPAND_SZ value may fill the buffer without a terminator: it ends
    // at the end of the buffer.
    return {ZvString(value, BoundedLength(value)), ReasonOf(Kind::Read, Place::Registry, source)};
}

}  // namespace

bool IsBaseProduct(std::wstring_view product) noexcept
{
    const std::size_t baseLength = std::size(kBaseProduct) - 1;
    return product.length() == baseLength && _wcsnicmp(product.data(), kBaseProduct, baseLength) == 0;
}

Decision DecideProduct(const CProductInstalledInfo& catalogue, const ZvString& requested)
{
    const auto& products = catalogue.GetInstalledProducts();
    // With an empty catalogue a request is taken untested.
    if (!requested.empty() && (products.empty() || products.find(requested) != products.end())) {
        return {requested, Requested()};
    }
    const ZvString& last = catalogue.GetLastLaunchedProduct();
    if (products.find(last) != products.end()) {
        return {last, ReasonOf(Kind::LastLaunched, Place::Registry, CatalogueKey(catalogue, HKEY_CURRENT_USER, L""),
                               L"LastLaunchedProduct")};
    }
    const ZvString listing = CatalogueKey(catalogue, HKEY_LOCAL_MACHINE, L"\\InstalledProducts");
    if (products.empty()) {
        return {ZvString(), ReasonOf(Kind::NoneListed, Place::Registry, listing)};
    }
    return {products.begin()->first, ReasonOf(Kind::FirstListed, Place::Registry, listing)};
}

Decision DecideBaseProduct(const CProductInstalledInfo& catalogue)
{
    Decision product = {ZvString(kBaseProduct), catalogue.GetConfigurableReason()};
    product.reason.kind = Kind::Fixed;
    return product;
}

Decision DecideLanguage(const CProductInstalledInfo& catalogue, const ZvString& product, const ZvString& requested)
{
    if (!requested.empty() && catalogue.IsLanguageInstalled(product, requested)) {
        return {requested, Requested()};
    }
    // The last language counts whenever this product lists it, whichever
    // product it was launched with.
    const ZvString& last = catalogue.GetLastLaunchedLanguage();
    if (catalogue.IsLanguageInstalled(product, last)) {
        // A default value listed as a language names none.
        const Kind kind = last.empty() ? Kind::Absent : Kind::LastLaunched;
        return {last, ReasonOf(kind, Place::Registry, CatalogueKey(catalogue, HKEY_CURRENT_USER, L""),
                               L"LastLaunchedLanguage")};
    }
    ZvString below(L"\\InstalledProducts\\");
    below.Append(product);
    const ZvString listing = CatalogueKey(catalogue, HKEY_LOCAL_MACHINE, below.c_str());
    const auto entry = catalogue.GetInstalledProducts().find(product);
    if (entry == catalogue.GetInstalledProducts().end() || entry->second.empty() || entry->second.front().empty()) {
        return {ZvString(), ReasonOf(Kind::NoneListed, Place::Registry, listing)};
    }
    return {entry->second.front(), ReasonOf(Kind::FirstListed, Place::Registry, listing)};
}

Decision DecideIdentityFile(const CProductInstalledInfo& catalogue, const ZvString& product, const ZvString& language)
{
    if (catalogue.GetProductRootFolder().empty()) {
        return {ZvString(), ReasonOf(Kind::Absent, Place::Folder, ZvString(L"the library's own folder"))};
    }
    const ZvString path =
        IdentityFilePath(catalogue.GetProductRootFolder(), catalogue.GetIsConfigurable(), product, language);
    RecordFile(path.c_str());
    if (!PathFileExistsW(path.c_str())) {
        return {ZvString(), ReasonOf(Kind::Absent, Place::File, path)};
    }
    return {path, ReasonOf(Kind::Read, Place::File, path)};
}

Decision DecideIdentityValue(const ZvString& identityFile, const wchar_t* key)
{
    ZvString value = ReadProductIdentityValue(identityFile, key);
    const Kind kind = value.empty() ? Kind::Absent : Kind::Read;
    return {std::move(value), ReasonOf(kind, Place::File, identityFile, key)};
}

Decision DecideInstalledLanguage(const ZvString& productRootKey)
{
    Decision language = DecideDefaultString<kNameCapacity>(productRootKey, L"InstalledUILanguages");
    if (language.reason.kind == Kind::Read && language.value.empty()) {
        language.reason.kind = Kind::Absent;
    }
    return language;
}

Decision DecideVerticalPath(const ZvString& productRootKey)
{
    return DecideDefaultString<kVerticalValueCapacity>(productRootKey, L"VerticalEnvPath");
}

Decision DecideLanguageFolder(const CProductInstalledInfo& catalogue, const ZvString& language)
{
    const ZvString& rootFolder = catalogue.GetProductRootFolder();
    if (rootFolder.empty()) {
        return {ZvString(), ReasonOf(Kind::Absent, Place::Folder, ZvString(L"the library's own folder"))};
    }
    ZvString folder = rootFolder;  // ends in a backslash
    folder.Append(language);
    // An installation folder may hold ';'.
    return {FolderListEntry(folder), ReasonOf(Kind::Read, Place::Folder, rootFolder)};
}

// Plain concatenation: a non-configurable installation gets two backslashes in
// a row, and hosts are handed the path exactly so.
ZvString IdentityFilePath(const ZvString& rootFolder, bool configurable, const ZvString& product,
                          const ZvString& language)
{
    ZvString path = rootFolder;
    if (configurable) {
        if (!IsBaseProduct(product.c_str())) {
            path.Append(product).Append(L'\\');
        }
        path.Append(language);
    }
    return path.Append(L"\\identity.ini");
}

const Decision* FailedDecision(const StartupDecisions& decisions) noexcept
{
    switch (decisions.failedStep) {
    case StartupStep::Product:
        return &decisions.product;
    case StartupStep::Language:
    case StartupStep::InstalledLanguage:
        return &decisions.language;
    case StartupStep::IdentityFile:
        return &decisions.identityFile;
    case StartupStep::RootKeys:
        return decisions.globalRootKey.reason.Failed() ? &decisions.globalRootKey : &decisions.productRootKey;
    case StartupStep::VerticalPath:
        return &decisions.verticalPath;
    case StartupStep::LanguageFolder:
        return &decisions.languageFolder;
    case StartupStep::None:
        break;
    }
    return nullptr;
}

}  // namespace userdata
