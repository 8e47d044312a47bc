// Start-up as decisions: what the installation holds is read and every value
// start-up settles on is decided, each with its reason (the file, key or value
// it came from, or why it is absent, refused or of the wrong type), without
// writing anything. CProductConfigInit then applies the decisions; a caller
// that only wants to know (a doctor) stops after deciding.
#pragma once

#include "base/RegistryAccess.h"
#include "base/ZvString.h"
#include "config/ProductInstalledInfo.h"
#include "config/StartupReason.h"

namespace userdata {

// One value start-up settles on, and why.
struct StartupDecision {
    ZvString value;
    StartupReason reason;
};

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
    StartupDecision product;
    StartupDecision language;
    StartupDecision identityFile;
    StartupDecision productRootKey;
    StartupDecision globalRootKey;
    StartupDecision verticalPath;    // the value of "VerticalEnvPath"
    StartupDecision languageFolder;  // what goes in front of PATH (quoted when it holds ';')
    // The first step whose decision failed; None when all were made.
    StartupStep failedStep = StartupStep::None;
};

// Where the identity file of `product` in `language` lies below `rootFolder`,
// the library's folder: in the language's folder (below the product's own for
// a vertical product), or beside the library when the installation is not
// configurable.
ZvString IdentityFilePath(const ZvString& rootFolder, bool configurable, const ZvString& product,
                          const ZvString& language);

// Why the string value `valueName` (null for the default value, then named
// "(default)") of `key`, named `source`, could not be read: missing, not a
// string, or too long.
StartupReason WhyUnread(const ZvRegistryAccess& key, const ZvString& source, const wchar_t* valueName);

// The decision of the step that failed; null when none did.
const StartupDecision* FailedDecision(const StartupDecisions& decisions) noexcept;

// Reads and decides, in start-up's order, up to the first step that fails.
// Writes nothing: the last launched values, PATH and ZVVERTICALPATH are
// CProductConfigInit's to apply.
StartupDecisions DecideStartup(const CProductInstalledInfo& catalogue, const ZvString& requestedProduct,
                               const ZvString& requestedLanguage);

}  // namespace userdata
