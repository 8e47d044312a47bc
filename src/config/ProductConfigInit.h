// CProductConfigInit - the process-wide product configuration: the current
// product identity and the one-time start-up that settles it.
#pragma once

#include "base/ZvString.h"
#include "config/ProductInstalledInfo.h"
#include "config/StartupDecisions.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string_view>

namespace userdata {

// The base product. Every other product is a vertical product.
inline constexpr wchar_t kBaseProduct[] = L"ZOVA";

// True for the base product in any letter case.
[[nodiscard]] bool IsBaseProduct(std::wstring_view product) noexcept;

// The current product identity, its fields in their fixed order. Empty until
// start-up sets them, unchanged after.
struct ProductParamsRecord {
    ZvString Product;
    ZvString Language;
    ZvString ProductRegistryRootKey;  // subkey path without hive
    ZvString GlobalRegistryRootKey;   // subkey path without hive
    ZvString IdentityIniPath;
    ZvString VerticalEnvPath;  // ';'-separated folders
};

// The identity that start-up settles on from `decisions`, field by field up to
// the step that failed, without writing anything.
ProductParamsRecord DecidedParams(const StartupDecisions& decisions);

class CProductConfigInit {
public:
    // Creates the catalogue; its Load is run by GetProductConfig.
    CProductConfigInit();
    CProductConfigInit(const CProductConfigInit&) = delete;
    CProductConfigInit& operator=(const CProductConfigInit&) = delete;
    virtual ~CProductConfigInit();

    // Runs start-up once per process: decides (DecideStartup), then applies
    // the decisions in the same order. True when every step that ran
    // succeeded, and true without doing anything once it has run.
    bool InitProductParams(const ZvString& requestedProduct, const ZvString& requestedLanguage);

    // The identity, after running start-up with no requests if it has not run.
    const ProductParamsRecord& EnsureProductParams();

    // The identity as it stands, without running start-up.
    const ProductParamsRecord& GetProductParams() const noexcept { return productParams_; }

    CProductInstalledInfo& GetInstalledInfo() noexcept { return *installedInfo_; }

protected:
    // The steps that apply the decisions, in slot order; later products may
    // replace them.
    virtual bool LocateIdentityIni(const StartupDecisions& decisions);
    virtual bool AddLanguageFolderToPath(const StartupDecisions& decisions);
    virtual bool ApplyVerticalEnvPath(const StartupDecisions& decisions);
    virtual bool ReadRegistryRootKeys(const StartupDecisions& decisions);

private:
    bool ApplyStartup(const StartupDecisions& decisions);
    bool SelectCurrentProductAndLanguage(const StartupDecisions& decisions);
    bool SaveLastLaunched();
    bool ReadInstalledUILanguage(const StartupDecisions& decisions);

    bool initialized_ = false;
    ProductParamsRecord productParams_;
    std::unique_ptr<CProductInstalledInfo> installedInfo_;

    // Two threads making the first call at once: the second waits until the
    // sequence has finished, so nobody reads a half-settled identity.
    SRWLOCK startupLock_ = SRWLOCK_INIT;
    std::atomic<bool> startupFinished_{false};
};

// The process-wide configuration, created (and its catalogue loaded) on the
// first call; destroyed when the library is unloaded. Does not run start-up.
CProductConfigInit& GetProductConfig();

}  // namespace userdata
