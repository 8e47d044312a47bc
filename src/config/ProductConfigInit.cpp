#include "config/ProductConfigInit.h"

#include "base/Holders.h"
#include "base/ProcessWide.h"

#include <cwchar>

namespace userdata {

bool IsBaseProduct(const wchar_t* product) noexcept
{
    return _wcsicmp(product, kBaseProduct) == 0;
}

CProductConfigInit::CProductConfigInit() : InstalledInfo(std::make_unique<CProductInstalledInfo>()) {}

CProductConfigInit::~CProductConfigInit() = default;

bool CProductConfigInit::InitProductParams(const ZvString& requestedProduct, const ZvString& requestedLanguage)
{
    const ZvExclusiveLock lock(startupLock_);
    if (Initialized) {
        return true;
    }
    // Set before any step: the sequence runs at most once, whatever its outcome.
    Initialized = true;
    struct FinishOnExit {
        std::atomic<bool>& finished;
        ~FinishOnExit() { finished.store(true, std::memory_order_release); }
    } finish{startupFinished_};
    return RunStartupSequence(requestedProduct, requestedLanguage);
}

bool CProductConfigInit::RunStartupSequence(const ZvString& requestedProduct, const ZvString& requestedLanguage)
{
    if (!SelectCurrentProduct(requestedProduct) || !SelectCurrentLanguage(requestedLanguage) || !SaveLastLaunched() ||
        !LocateIdentityIni() || !ReadRegistryRootKeys()) {
        return false;
    }
    if (!InstalledInfo->GetIsConfigurable()) {
        ProductParams.Product = kBaseProduct;
        if (!ReadInstalledUILanguage()) {
            return false;
        }
    }
    if (!IsBaseProduct(ProductParams.Product.c_str()) && !ApplyVerticalEnvPath()) {
        return false;
    }
    return AddLanguageFolderToPath();
}

const ProductParamsRecord& CProductConfigInit::EnsureProductParams()
{
    if (!startupFinished_.load(std::memory_order_acquire)) {
        InitProductParams(ZvString(), ZvString());
    }
    return ProductParams;
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
