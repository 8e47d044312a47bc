// CProductInstalledInfo - the catalogue of installed products and their UI
// languages, the last launched product and language, and whether the
// installation lets them be chosen at all. Filled once by Load, read-only after.
#pragma once

#include "base/ZvString.h"

#include <map>
#include <vector>

namespace userdata {

class CProductInstalledInfo {
public:
    using LanguageList = std::vector<ZvString>;
    // Ordered by UTF-16 code units (upper case before lower case).
    using ProductMap = std::map<ZvString, LanguageList>;

    CProductInstalledInfo() = default;
    CProductInstalledInfo(const CProductInstalledInfo&) = delete;
    CProductInstalledInfo& operator=(const CProductInstalledInfo&) = delete;
    virtual ~CProductInstalledInfo() = default;

    // Reads "identityver.ini" beside the library, then the installed products
    // and the last launched values from the registry. False at the first step
    // that fails; what was read before it stays.
    virtual bool Load();

    const ZvString& GetProductVersionKey() const noexcept { return ProductVersionKey; }
    const ZvString& GetProductRootFolder() const noexcept { return ProductRootFolder; }
    const ZvString& GetLastLaunchedProduct() const noexcept { return LastLaunchedProduct; }
    const ZvString& GetLastLaunchedLanguage() const noexcept { return LastLaunchedLanguage; }
    bool GetIsConfigurable() const noexcept { return IsConfigurable; }
    const ProductMap& GetInstalledProducts() const noexcept { return InstalledProducts; }

    // True when `product` is listed with `language` (both compared exactly).
    bool IsLanguageInstalled(const ZvString& product, const ZvString& language) const;

private:
    bool ReadInstalledProducts();
    bool ReadLastLaunched();

    ZvString ProductVersionKey;
    ZvString ProductRootFolder;
    ZvString LastLaunchedProduct;
    ZvString LastLaunchedLanguage;
    bool IsConfigurable = true;
    ProductMap InstalledProducts;
};

}  // namespace userdata
