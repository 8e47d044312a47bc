// The start-up export. AppendEnvironmentPath is in EnvironmentPaths.cpp.
#include "UserData.h"
#include "config/ProductConfigInit.h"

using namespace userdata;

// Settles start-up with the host's requests; afterwards it changes nothing.
extern "C" int zvudInitProductParams(const wchar_t* product, const wchar_t* language)
{
    const ZvString requestedProduct = StringFromArgument(product);
    const ZvString requestedLanguage = StringFromArgument(language);
    return GetProductConfig().InitProductParams(requestedProduct, requestedLanguage) ? 1 : 0;
}
