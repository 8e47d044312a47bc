// Start-up's decisions: each value that start-up settles on, decided from
// what the installation holds, with its reason (the file, key or value it
// came from, or why it is absent, refused or of the wrong type), without
// writing anything. Each step of CProductConfigInit asks its decision here,
// records it and applies its effect.
#pragma once

#include "base/ZvString.h"
#include "config/ProductInstalledInfo.h"
#include "config/Reason.h"

#include <string_view>

namespace userdata {

// The base product. Every other product is a vertical product.
inline constexpr wchar_t kBaseProduct[] = L"ZOVA";

// True for the base product in any letter case.
[[nodiscard]] bool IsBaseProduct(std::wstring_view product) noexcept;

// The steps in the order start-up takes them; the first that fails ends it.
enum class StartupStep {
    Product,
    Language,
    IdentityFile,
    RootKeys,
    InstalledLanguage,  // only when the installation is not configurable
    VerticalPath,       // only for a vertical product
    LanguageFolder,
    None,
};

// The decisions as start-up's steps recorded them; a step that did not run
// leaves its decision NotDecided.
struct StartupDecisions {
    Decision product;
    Decision language;
    Decision identityFile;
    Decision productRootKey;
    Decision globalRootKey;
    Decision verticalPath;    // the value of "VerticalEnvPath"
    Decision languageFolder;  // what goes in front of PATH (quoted when it holds ';')
    // The first step whose decision failed; None when all that ran were made.
    StartupStep failedStep = StartupStep::None;
};

// The decision of the step that failed; null when none did.
const Decision* FailedDecision(const StartupDecisions& decisions) noexcept;

// A configurable installation's product and language: the request when the
// catalogue lists it (a product request is taken untested when the catalogue
// is empty), else the last launched one when listed, else the first listed.
Decision DecideProduct(const CProductInstalledInfo& catalogue, const ZvString& requested);
Decision DecideLanguage(const CProductInstalledInfo& catalogue, const ZvString& product, const ZvString& requested);

// The base product, which an installation that is not configurable always has.
Decision DecideBaseProduct(const CProductInstalledInfo& catalogue);

// The identity file of `product` in `language` (IdentityFilePath), when it exists.
Decision DecideIdentityFile(const CProductInstalledInfo& catalogue, const ZvString& product, const ZvString& language);

// The value `key` of the identity file's "ProductIdentity" section; missing or
// empty fails.
Decision DecideIdentityValue(const ZvString& identityFile, const wchar_t* key);

// The default values of "InstalledUILanguages" (the language of an
// installation that is not configurable) and "VerticalEnvPath" (a vertical
// product's folders) below the product registry root key, machine first, as
// stored.
Decision DecideInstalledLanguage(const ZvString& productRootKey);
Decision DecideVerticalPath(const ZvString& productRootKey);

// The language folder as it goes in front of PATH: the library's folder and
// the language.
Decision DecideLanguageFolder(const CProductInstalledInfo& catalogue, const ZvString& language);

// Where the identity file of `product` in `language` lies below `rootFolder`,
// the library's folder: in the language's folder (below the product's own for
// a vertical product), or beside the library when the installation is not
// configurable.
ZvString IdentityFilePath(const ZvString& rootFolder, bool configurable, const ZvString& product,
                          const ZvString& language);

}  // namespace userdata
