#include "config/ProductConfigInit.h"

#include "base/Holders.h"
#include "base/ProcessWide.h"
#include "base/RegistryAccess.h"

#include <cwchar>
#include <iterator>

namespace userdata {

bool IsBaseProduct(std::wstring_view product) noexcept
{
    const std::size_t baseLength = std::size(kBaseProduct) - 1;
    return product.length() == baseLength && _wcsnicmp(product.data(), kBaseProduct, baseLength) == 0;
}

ProductParamsRecord DecidedParams(const StartupDecisions& decisions)
{
    ProductParamsRecord params;
    const auto take = [](const Decision& decision, ZvString& field) {
        if (!decision.reason.Failed()) {
            field = decision.value;
        }
    };
    take(decisions.product, params.Product);
    take(decisions.language, params.Language);
    take(decisions.identityFile, params.IdentityIniPath);
    if (!decisions.productRootKey.reason.Failed() && !decisions.globalRootKey.reason.Failed()) {
        params.ProductRegistryRootKey = decisions.productRootKey.value;
        params.GlobalRegistryRootKey = decisions.globalRootKey.value;
    }
    take(decisions.verticalPath, params.VerticalEnvPath);
    return params;
}

CProductConfigInit::CProductConfigInit() : installedInfo_(std::make_unique<CProductInstalledInfo>()) {}

CProductConfigInit::~CProductConfigInit() = default;

bool CProductConfigInit::InitProductParams(const ZvString& requestedProduct, const ZvString& requestedLanguage)
{
    const ZvExclusiveLock lock(startupLock_);
    if (initialized_) {
        return true;
    }
    // Set before any step: the sequence runs at most once, whatever its outcome.
    initialized_ = true;
    struct FinishOnExit {
        std::atomic<bool>& finished;
        ~FinishOnExit() { finished.store(true, std::memory_order_release); }
    } finish{startupFinished_};
    return ApplyStartup(DecideStartup(*installedInfo_, requestedProduct, requestedLanguage));
}

// The decisions applied in start-up's order; the first step whose decision
// failed, or whose write fails, ends it.
bool CProductConfigInit::ApplyStartup(const StartupDecisions& decisions)
{
    if (!SelectCurrentProductAndLanguage(decisions) || !SaveLastLaunched() || !LocateIdentityIni(decisions) ||
        !ReadRegistryRootKeys(decisions)) {
        return false;
    }
    if (!decisions.configurable) {
        productParams_.Product = kBaseProduct;
        if (!ReadInstalledUILanguage(decisions)) {
            return false;
        }
    }
    if (!IsBaseProduct(productParams_.Product.c_str()) && !ApplyVerticalEnvPath(decisions)) {
        return false;
    }
    return AddLanguageFolderToPath(decisions);
}

bool CProductConfigInit::SelectCurrentProductAndLanguage(const StartupDecisions& decisions)
{
    if (!decisions.configurable) {
        return true;  // the base product is set later in the sequence
    }
    if (decisions.product.reason.Failed()) {
        return false;
    }
    productParams_.Product = decisions.product.value;
    if (decisions.language.reason.Failed()) {
        return false;
    }
    productParams_.Language = decisions.language.value;
    return true;
}

bool CProductConfigInit::SaveLastLaunched()
{
    if (!installedInfo_->GetIsConfigurable()) {
        return true;
    }
    ZvRegistryAccess userKey;
    // The key is the installation's to create: a user without it keeps no memory.
    if (userKey.OpenExact(HKEY_CURRENT_USER, installedInfo_->GetProductVersionKey().c_str(), KEY_SET_VALUE) !=
        ERROR_SUCCESS) {
        return true;
    }
    return userKey.WriteString(L"LastLaunchedProduct", productParams_.Product) == ERROR_SUCCESS &&
           userKey.WriteString(L"LastLaunchedLanguage", productParams_.Language) == ERROR_SUCCESS;
}

bool CProductConfigInit::LocateIdentityIni(const StartupDecisions& decisions)
{
    if (decisions.identityFile.reason.Failed()) {
        return false;
    }
    productParams_.IdentityIniPath = decisions.identityFile.value;
    return true;
}

bool CProductConfigInit::ReadRegistryRootKeys(const StartupDecisions& decisions)
{
    // Both or neither.
    if (decisions.globalRootKey.reason.Failed() || decisions.productRootKey.reason.Failed()) {
        return false;
    }
    productParams_.ProductRegistryRootKey = decisions.productRootKey.value;
    productParams_.GlobalRegistryRootKey = decisions.globalRootKey.value;
    return true;
}

bool CProductConfigInit::ReadInstalledUILanguage(const StartupDecisions& decisions)
{
    if (decisions.language.reason.Failed()) {
        return false;
    }
    productParams_.Language = decisions.language.value;
    return true;
}

const ProductParamsRecord& CProductConfigInit::EnsureProductParams()
{
    if (!startupFinished_.load(std::memory_order_acquire)) {
        InitProductParams(ZvString(), ZvString());
    }
    return productParams_;
}

namespace {

// The configuration with its catalogue loaded, as one step of creation.
struct LoadedConfig {
    CProductConfigInit config;
    LoadedConfig() { config.GetInstalledInfo().Load(); }
};

}  // namespace

CProductConfigInit& GetProductConfig()
{
    return ZvProcessWide<LoadedConfig>::Get().config;
}

}  // namespace userdata
