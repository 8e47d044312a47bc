// CProductInstalledInfo - the catalogue of installed products and their UI
// languages, the last launched product and language, and whether the
// installation lets them be chosen at all. Filled once by Load, read-only
// after. Each value keeps its reason (see Reason), for start-up's
// decisions and for a doctor.
#pragma once

#include "base/ZvString.h"
#include "config/Reason.h"

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
    ~CProductInstalledInfo() = default;

    // Reads "identityver.ini" beside the library, then the installed products
    // and the last launched values from the registry. False at the first step
    // that fails, whose reason GetLoadFailure gives; what was read before it
    // stays.
    bool Load();

    const ZvString& GetProductVersionKey() const noexcept { return productVersionKey_; }
    const ZvString& GetProductRootFolder() const noexcept { return productRootFolder_; }
    const ZvString& GetLastLaunchedProduct() const noexcept { return lastLaunchedProduct_.value; }
    const ZvString& GetLastLaunchedLanguage() const noexcept { return lastLaunchedLanguage_.value; }
    bool GetIsConfigurable() const noexcept { return isConfigurable_; }
    const ProductMap& GetInstalledProducts() const noexcept { return installedProducts_; }

    // Where "IsConfigurable" was read.
    const Reason& GetConfigurableReason() const noexcept { return configurableReason_; }
    // Where the last launched values were read, or why they are empty (a
    // number or a cut name never names a product).
    const Reason& GetLastLaunchedProductReason() const noexcept { return lastLaunchedProduct_.reason; }
    const Reason& GetLastLaunchedLanguageReason() const noexcept { return lastLaunchedLanguage_.reason; }
    // Why Load stopped; NotDecided when it did not.
    const Reason& GetLoadFailure() const noexcept { return loadFailure_; }

    // "identityver.ini" in `rootFolder`, the library's folder.
    static ZvString VersionFileIn(const ZvString& rootFolder);

    // True when `product` is listed with `language` (both compared exactly).
    bool IsLanguageInstalled(const ZvString& product, const ZvString& language) const;

private:
    struct ReadValue {
        ZvString value;
        Reason reason;
    };

    bool ReadVersionFile();
    bool ReadInstalledProducts();
    bool ReadLastLaunched();
    bool Fail(Reason reason);

    ZvString productVersionKey_;
    ZvString productRootFolder_;
    ReadValue lastLaunchedProduct_;
    ReadValue lastLaunchedLanguage_;
    bool isConfigurable_ = true;
    ProductMap installedProducts_;
    Reason configurableReason_;
    Reason loadFailure_;
};

}  // namespace userdata
