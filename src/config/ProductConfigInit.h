// CProductConfigInit - the process-wide product configuration: the current
// product identity and the one-time start-up that settles it.
#pragma once

#include "base/ZvString.h"
#include "config/ProductInstalledInfo.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace userdata {

// The base product. Every other product is a vertical product.
inline constexpr wchar_t kBaseProduct[] = L"ZOVA";

// True for the base product in any letter case.
[[nodiscard]] bool IsBaseProduct(const wchar_t* product) noexcept;

// The current product identity. The field order is fixed: the query exports
// read the fields by position. Empty until start-up sets them, unchanged after.
struct ProductParamsRecord {
    ZvString Product;
    ZvString Language;
    ZvString ProductRegistryRootKey;  // subkey path without hive
    ZvString GlobalRegistryRootKey;   // subkey path without hive
    ZvString IdentityIniPath;
    ZvString VerticalEnvPath;  // ';'-separated folders
};

class CProductConfigInit {
public:
    // Creates the catalogue; its Load is run by GetProductConfig.
    CProductConfigInit();
    CProductConfigInit(const CProductConfigInit&) = delete;
    CProductConfigInit& operator=(const CProductConfigInit&) = delete;
    virtual ~CProductConfigInit();

    // Start-up steps that later products may replace, in slot order.
    virtual bool LocateIdentityIni();
    virtual bool AddLanguageFolderToPath();
    virtual bool ApplyVerticalEnvPath();
    virtual bool ReadRegistryRootKeys();

    bool SelectCurrentProduct(const ZvString& requestedProduct);
    bool SelectCurrentLanguage(const ZvString& requestedLanguage);
    bool SaveLastLaunched();
    bool ReadInstalledUILanguage();

    // Runs the start-up sequence once per process; true when every step that
    // ran succeeded, and true without doing anything once it has run.
    bool InitProductParams(const ZvString& requestedProduct, const ZvString& requestedLanguage);

    // The identity, after running start-up with no requests if it has not run.
    const ProductParamsRecord& EnsureProductParams();

    // The identity as it stands, without running start-up.
    const ProductParamsRecord& GetProductParams() const noexcept { return ProductParams; }

    CProductInstalledInfo& GetInstalledInfo() noexcept { return *InstalledInfo; }

private:
    bool RunStartupSequence(const ZvString& requestedProduct, const ZvString& requestedLanguage);

    bool Initialized = false;
    ProductParamsRecord ProductParams;
    std::unique_ptr<CProductInstalledInfo> InstalledInfo;

    // Two threads making the first call at once: the second waits until the
    // sequence has finished, so nobody reads a half-settled identity.
    SRWLOCK startupLock_ = SRWLOCK_INIT;
    std::atomic<bool> startupFinished_{false};
};

// The process-wide configuration, created (and its catalogue loaded) on the
// first call; destroyed when the library is unloaded. Does not run start-up.
CProductConfigInit& GetProductConfig();

}  // namespace userdata
