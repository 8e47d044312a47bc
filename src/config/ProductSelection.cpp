// Choice of the current product and language, their write-back for the
// current user, and the language of a non-configurable installation.
#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/RegistryAccess.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

namespace userdata {

bool CProductConfigInit::SelectCurrentProduct(const ZvString& requestedProduct)
{
    const CProductInstalledInfo& catalogue = *InstalledInfo;
    if (!catalogue.GetIsConfigurable()) {
        return true;  // the base product is set later in the sequence
    }
    const auto& products = catalogue.GetInstalledProducts();
    ZvString candidate = requestedProduct;
    // With an empty catalogue a request is taken untested.
    if (candidate.empty() || products.find(candidate) == products.end()) {
        if (products.find(catalogue.GetLastLaunchedProduct()) != products.end()) {
            candidate = catalogue.GetLastLaunchedProduct();
        } else if (!products.empty()) {
            candidate = products.begin()->first;
        }
    }
    if (candidate.empty()) {
        return false;
    }
    ProductParams.Product = candidate;
    return true;
}

bool CProductConfigInit::SelectCurrentLanguage(const ZvString& requestedLanguage)
{
    const CProductInstalledInfo& catalogue = *InstalledInfo;
    if (!catalogue.GetIsConfigurable()) {
        return true;
    }
    const ZvString& product = ProductParams.Product;
    ZvString candidate = requestedLanguage;
    if (candidate.empty() || !catalogue.IsLanguageInstalled(product, candidate)) {
        // The last language counts whenever this product lists it, whichever
        // product it was launched with.
        if (catalogue.IsLanguageInstalled(product, catalogue.GetLastLaunchedLanguage())) {
            candidate = catalogue.GetLastLaunchedLanguage();
        } else {
            const auto entry = catalogue.GetInstalledProducts().find(product);
            if (entry == catalogue.GetInstalledProducts().end() || entry->second.empty()) {
                return false;
            }
            candidate = entry->second.front();
        }
    }
    if (candidate.empty()) {
        return false;
    }
    ProductParams.Language = candidate;
    return true;
}

bool CProductConfigInit::SaveLastLaunched()
{
    if (!InstalledInfo->GetIsConfigurable()) {
        return true;
    }
    ZvRegistryAccess userKey;
    // The key is the installation's to create: a user without it keeps no memory.
    if (userKey.OpenExact(HKEY_CURRENT_USER, InstalledInfo->GetProductVersionKey().c_str(), KEY_SET_VALUE) !=
        ERROR_SUCCESS) {
        return true;
    }
    return userKey.WriteString(L"LastLaunchedProduct", ProductParams.Product) == ERROR_SUCCESS &&
           userKey.WriteString(L"LastLaunchedLanguage", ProductParams.Language) == ERROR_SUCCESS;
}

bool CProductConfigInit::ReadInstalledUILanguage()
{
    if (ProductParams.ProductRegistryRootKey.empty()) {
        return false;
    }
    ZvRegistryAccess languagesKey;
    wchar_t language[kNameCapacity] = {};
    if (languagesKey.OpenBelow(HKEY_LOCAL_MACHINE, ProductParams.ProductRegistryRootKey, L"InstalledUILanguages") !=
            ERROR_SUCCESS ||
        !languagesKey.ReadRawString(nullptr, language)) {
        return false;
    }
    ProductParams.Language = ZvString(language, BoundedLength(language));
    return !ProductParams.Language.empty();
}

}  // namespace userdata
