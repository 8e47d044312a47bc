// The start-up exports.
#include "UserData.h"
#include "config/ProcessEnvironment.h"
#include "config/ProductConfigInit.h"

using namespace userdata;

// Settles start-up with the host's requests; afterwards it changes nothing.
extern "C" int zvudInitProductParams(const wchar_t* product, const wchar_t* language)
{
    const ZvString requestedProduct = StringFromArgument(product);
    const ZvString requestedLanguage = StringFromArgument(language);
    return GetProductConfig().InitProductParams(requestedProduct, requestedLanguage) ? 1 : 0;
}

// Settles nothing: PATH is the host's.
extern "C" int AppendEnvironmentPath(const wchar_t* folders)
{
    return PrependToProcessPath(folders) ? 1 : 0;
}
