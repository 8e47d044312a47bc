// Start-up as decisions: what the installation holds is read and every value
// start-up settles on is decided, each with its reason (the file, key or value
// it came from, or why it is absent, refused or of the wrong type), without
// writing anything. CProductConfigInit then applies the decisions; a caller
// that only wants to know (a doctor) stops after deciding.
#pragma once

#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "config/ProductInstalledInfo.h"
#include "config/Reason.h"

namespace userdata {

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

struct StartupDecisions {
    bool configurable = true;
    Decision product;
    Decision language;
    Decision identityFile;
    Decision productRootKey;
    Decision globalRootKey;
    Decision verticalPath;    // the value of "VerticalEnvPath"
    Decision languageFolder;  // what goes in front of PATH (quoted when it holds ';')
    // The first step whose decision failed; None when all were made.
    StartupStep failedStep = StartupStep::None;
};

// Where the identity file of `product` in `language` lies below `rootFolder`,
// the library's folder: in the language's folder (below the product's own for
// a vertical product), or beside the library when the installation is not
// configurable.
ZvString IdentityFilePath(const ZvString& rootFolder, bool configurable, const ZvString& product,
                          const ZvString& language);

// The decision of the step that failed; null when none did.
const Decision* FailedDecision(const StartupDecisions& decisions) noexcept;

// Reads and decides, in start-up's order, up to the first step that fails.
// Writes nothing: the last launched values, PATH and ZVVERTICALPATH are
// CProductConfigInit's to apply.
StartupDecisions DecideStartup(const CProductInstalledInfo& catalogue, const ZvString& requestedProduct,
                               const ZvString& requestedLanguage);

}  // namespace userdata
