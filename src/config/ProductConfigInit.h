// CProductConfigInit - the product configuration: the current product
// identity and the one-time start-up that settles it. The process has one
// (GetProductConfig); a doctor makes its own, whose start-up withholds its
// effects (DecideStartup).
#pragma once

#include "base/ProcessWide.h"
#include "base/Toolchain.h"
#include "base/ZvString.h"
#include "config/ProductInstalledInfo.h"
#include "config/Reason.h"
#include "config/StartupDecisions.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>

namespace userdata {

// The current product identity, its fields in their fixed order. Empty until
// start-up sets them, unchanged after.
struct ProductParamsRecord {
    ZvString Product;
    ZvString Language;
    ZvString ProductRegistryRootKey;  // subkey path without hive
    ZvString GlobalRegistryRootKey;   // subkey path without hive
    ZvString IdentityIniPath;
    ZvString VerticalEnvPath;  // ';'-separated folders
    // The program and product names cut from ProductRegistryRootKey as
    // start-up settles it (ProgramNameIn, ProductNameIn): nothing when the
    // key lacks the separators a name needs, or is kLongTextCapacity
    // characters long or longer.
    std::optional<ZvString> ProgramName;
    std::optional<ZvString> ProductName;
};

class CProductConfigInit {
public:
    // Creates the catalogue; its Load is run by GetProductConfig (or
    // DecideStartup). Withheld, start-up writes nothing: neither the last
    // launched values, nor ZVVERTICALPATH, nor PATH.
    explicit CProductConfigInit(Effects effects = Effects::Apply);
    CProductConfigInit(const CProductConfigInit&) = delete;
    CProductConfigInit& operator=(const CProductConfigInit&) = delete;
    virtual ~CProductConfigInit();

    // Runs start-up once: its steps in their order up to the first that
    // fails. True when every step that ran succeeded, and true without doing
    // anything once it has run.
    bool InitProductParams(const ZvString& requestedProduct, const ZvString& requestedLanguage);

    // The identity, after running start-up with no requests if it has not
    // run. Inline: the identity queries that hosts make often are little more.
    const ProductParamsRecord& EnsureProductParams()
    {
        if (!startupFinished_.load(std::memory_order_acquire)) {
            RunStartupWithoutRequests();
        }
        return productParams_;
    }

    // The identity as it stands, without running start-up.
    const ProductParamsRecord& GetProductParams() const noexcept { return productParams_; }

    // Every decision start-up's steps made, each with its reason.
    const StartupDecisions& GetDecisions() const noexcept { return decisions_; }

    CProductInstalledInfo& GetInstalledInfo() noexcept { return *installedInfo_; }
    const CProductInstalledInfo& GetInstalledInfo() const noexcept { return *installedInfo_; }

protected:
    // Start-up's steps, in slot order; later products may replace them. Each
    // asks its decision (StartupDecisions.h), records it, takes its value
    // into the identity and applies its effect; false when the decision found
    // no value or the effect failed.
    virtual bool LocateIdentityIni();
    virtual bool AddLanguageFolderToPath();
    virtual bool ApplyVerticalEnvPath();
    virtual bool ReadRegistryRootKeys();

private:
    ZV_RARELY_CALLED void RunStartupWithoutRequests();
    bool RunStartup(const ZvString& requestedProduct, const ZvString& requestedLanguage);
    // The steps of a configurable installation.
    bool SelectCurrentProduct(const ZvString& requestedProduct);
    bool SelectCurrentLanguage(const ZvString& requestedLanguage);
    bool SaveLastLaunched();
    // The steps of an installation that is not configurable.
    void TakeBaseProduct();
    bool ReadInstalledUILanguage();

    // Records `decision` as `step`'s in `recorded`; true when it holds a
    // value, which then goes to `field`.
    bool Record(StartupStep step, Decision& recorded, Decision decision, ZvString* field = nullptr);
    [[nodiscard]] bool Applies() const noexcept { return effects_ == Effects::Apply; }

    Effects effects_;
    bool initialized_ = false;
    ProductParamsRecord productParams_;
    StartupDecisions decisions_;
    std::unique_ptr<CProductInstalledInfo> installedInfo_;

    // Two threads making the first call at once: the second waits until the
    // sequence has finished, so nobody reads a half-settled identity.
    SRWLOCK startupLock_ = SRWLOCK_INIT;
    std::atomic<bool> startupFinished_{false};
};

// The configuration with its catalogue loaded, as one step of creation.
struct LoadedConfig {
    LoadedConfig();
    CProductConfigInit config;
};

// The process-wide configuration, created (and its catalogue loaded) on the
// first call; destroyed when the library is unloaded. Does not run start-up.
// Inline, as EnsureProductParams is.
inline CProductConfigInit& GetProductConfig()
{
    return ZvProcessWide<LoadedConfig>::Get().config;
}

// Start-up decided for these requests by a configuration of the caller's
// own, its catalogue loaded afresh and its effects withheld: what start-up
// would settle on, and why, with nothing written and the process's
// configuration untouched.
std::unique_ptr<CProductConfigInit> DecideStartup(const ZvString& requestedProduct, const ZvString& requestedLanguage);

}  // namespace userdata
