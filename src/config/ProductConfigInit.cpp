#include "config/ProductConfigInit.h"

#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/RegistryAccess.h"
#include "config/RegistryKeyNames.h"

#include <utility>

namespace userdata {
namespace {

using NameFinder = std::optional<std::wstring_view> (*)(std::wstring_view) noexcept;

// The name that `nameIn` cuts from the product registry root key, kept as
// start-up settles the key: hosts ask for the program name often.
std::optional<ZvString> NameOf(NameFinder nameIn, const ZvString& productRootKey)
{
    if (productRootKey.length() >= kLongTextCapacity) {
        return std::nullopt;
    }
    const std::optional<std::wstring_view> name = nameIn({productRootKey.c_str(), productRootKey.length()});
    return name ? std::optional<ZvString>(std::in_place, name->data(), name->length()) : std::nullopt;
}

}  // namespace

CProductConfigInit::CProductConfigInit(Effects effects)
    : effects_(effects), installedInfo_(std::make_unique<CProductInstalledInfo>())
{
}

CProductConfigInit::~CProductConfigInit() = default;

void CProductConfigInit::RunStartupWithoutRequests()
{
    InitProductParams(ZvString(), ZvString());
}

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
    return RunStartup(requestedProduct, requestedLanguage);
}

// The one sequence of start-up; the first step that fails ends it.
bool CProductConfigInit::RunStartup(const ZvString& requestedProduct, const ZvString& requestedLanguage)
{
    // Only a configurable installation lets the product and language be
    // chosen, and remembers them; the others find their identity file
    // beside the library and take the base product.
    const bool configurable = installedInfo_->GetIsConfigurable();
    if (configurable &&
        (!SelectCurrentProduct(requestedProduct) || !SelectCurrentLanguage(requestedLanguage) || !SaveLastLaunched())) {
        return false;
    }
    if (!LocateIdentityIni() || !ReadRegistryRootKeys()) {
        return false;
    }
    if (!configurable) {
        TakeBaseProduct();
        if (!ReadInstalledUILanguage()) {
            return false;
        }
    }
    // The base product has no vertical folders.
    if (!IsBaseProduct(productParams_.Product.c_str()) && !ApplyVerticalEnvPath()) {
        return false;
    }
    return AddLanguageFolderToPath();
}

bool CProductConfigInit::Record(StartupStep step, Decision& recorded, Decision decision, ZvString* field)
{
    recorded = std::move(decision);
    if (recorded.reason.Failed()) {
        decisions_.failedStep = step;
        return false;
    }
    if (field != nullptr) {
        *field = recorded.value;
    }
    return true;
}

bool CProductConfigInit::SelectCurrentProduct(const ZvString& requestedProduct)
{
    return Record(StartupStep::Product, decisions_.product, DecideProduct(*installedInfo_, requestedProduct),
                  &productParams_.Product);
}

bool CProductConfigInit::SelectCurrentLanguage(const ZvString& requestedLanguage)
{
    return Record(StartupStep::Language, decisions_.language,
                  DecideLanguage(*installedInfo_, productParams_.Product, requestedLanguage), &productParams_.Language);
}

bool CProductConfigInit::SaveLastLaunched()
{
    if (!Applies()) {
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

bool CProductConfigInit::LocateIdentityIni()
{
    return Record(StartupStep::IdentityFile, decisions_.identityFile,
                  DecideIdentityFile(*installedInfo_, productParams_.Product, productParams_.Language),
                  &productParams_.IdentityIniPath);
}

bool CProductConfigInit::ReadRegistryRootKeys()
{
    // Both are read, so that each tells its own reason; the identity takes
    // both or neither.
    const ZvString& file = productParams_.IdentityIniPath;
    const bool global =
        Record(StartupStep::RootKeys, decisions_.globalRootKey, DecideIdentityValue(file, L"GlobalRegistryRootKey"));
    const bool product =
        Record(StartupStep::RootKeys, decisions_.productRootKey, DecideIdentityValue(file, L"ProductRegistryRootKey"));
    if (!global || !product) {
        return false;
    }
    productParams_.GlobalRegistryRootKey = decisions_.globalRootKey.value;
    productParams_.ProductRegistryRootKey = decisions_.productRootKey.value;
    productParams_.ProgramName = NameOf(&ProgramNameIn, productParams_.ProductRegistryRootKey);
    productParams_.ProductName = NameOf(&ProductNameIn, productParams_.ProductRegistryRootKey);
    return true;
}

void CProductConfigInit::TakeBaseProduct()
{
    Record(StartupStep::Product, decisions_.product, DecideBaseProduct(*installedInfo_), &productParams_.Product);
}

bool CProductConfigInit::ReadInstalledUILanguage()
{
    return Record(StartupStep::InstalledLanguage, decisions_.language,
                  DecideInstalledLanguage(productParams_.ProductRegistryRootKey), &productParams_.Language);
}

LoadedConfig::LoadedConfig()
{
    config.GetInstalledInfo().Load();
}

std::unique_ptr<CProductConfigInit> DecideStartup(const ZvString& requestedProduct, const ZvString& requestedLanguage)
{
    auto config = std::make_unique<CProductConfigInit>(Effects::Withhold);
    config->GetInstalledInfo().Load();
    config->InitProductParams(requestedProduct, requestedLanguage);
    return config;
}

}  // namespace userdata
