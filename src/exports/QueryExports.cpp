// The identity query exports and GetProductSpecificFilePath: each settles
// start-up (or says why it does not), calls one core function and delivers its
// answer with the length result.
#include "UserData.h"
#include "base/BoundedText.h"
#include "config/CurrentIdentity.h"
#include "config/UserProductRegistryRootKey.h"
#include "queries/IdentityQueries.h"
#include "queries/ProductFilePaths.h"
#include "queries/VerticalProductName.h"

#include <cwchar>

namespace userdata {
namespace {

unsigned DeliverText(const ZvString& text, wchar_t* buffer, std::size_t capacity)
{
    return DeliverLengthResult(text.c_str(), text.length(), buffer, capacity);
}

unsigned DeliverName(const std::optional<ZvString>& name, wchar_t* buffer, std::size_t capacity)
{
    return name ? DeliverText(*name, buffer, capacity) : 0;
}

}  // namespace
}  // namespace userdata

using namespace userdata;

unsigned int zvudGetCurrentProduct(wchar_t* buffer, unsigned long capacity)
{
    return DeliverText(CurrentIdentity().EnsureProductParams().Product, buffer, capacity);
}

unsigned int zvudGetCurrentLanguage(wchar_t* buffer, unsigned long capacity)
{
    return DeliverText(CurrentIdentity().EnsureProductParams().Language, buffer, capacity);
}

extern "C" unsigned int zvudGetMachineProductRegistryRootKey(wchar_t* buffer, unsigned int capacity)
{
    return DeliverText(CurrentIdentity().EnsureProductParams().ProductRegistryRootKey, buffer, capacity);
}

extern "C" unsigned int zvudGetGlobalRegistryRootKey(wchar_t* buffer, unsigned int capacity)
{
    return DeliverText(CurrentIdentity().EnsureProductParams().GlobalRegistryRootKey, buffer, capacity);
}

extern "C" unsigned int GetCurrentProductIdentityIniPath(wchar_t* buffer, unsigned int capacity)
{
    return DeliverText(CurrentIdentity().EnsureProductParams().IdentityIniPath, buffer, capacity);
}

extern "C" unsigned int zvudGetVerticalEnvPath(wchar_t* buffer, unsigned int capacity)
{
    return DeliverText(CurrentIdentity().EnsureProductParams().VerticalEnvPath, buffer, capacity);
}

// Settles start-up only when no override is set.
extern "C" unsigned int zvudGetUserProductRegistryRootKey(wchar_t* buffer, unsigned int capacity)
{
    CurrentIdentity identity;
    const wchar_t* const key = identity.UserRootKey();
    return DeliverLengthResult(key, std::wcslen(key), buffer, capacity);
}

// Settles nothing: the override is the host's own.
extern "C" int zvudSetUserProductRegistryRootKey(const wchar_t* key)
{
    SetUserProductRegistryRootKeyOverride(key);
    return 0;
}

unsigned int GetProgramName(wchar_t* buffer, unsigned long capacity)
{
    return DeliverName(CurrentIdentity().EnsureProductParams().ProgramName, buffer, capacity);
}

unsigned int GetProductName(wchar_t* buffer, unsigned long capacity)
{
    return DeliverName(CurrentIdentity().EnsureProductParams().ProductName, buffer, capacity);
}

// The capacity counts bytes, as the header states: it is compared with the
// name's size in bytes.
unsigned int GetVerticalProductName(wchar_t* buffer, unsigned long capacity)
{
    const VerticalProductName name =
        ReadVerticalProductName(CurrentIdentity().EnsureProductParams().ProductRegistryRootKey);
    if (name.bytes == 0 || name.bytes > capacity) {
        return 0;
    }
    // The buffer holds `capacity` bytes: an odd byte at its end takes no character.
    return CopyText(buffer, capacity / sizeof(wchar_t), name.text) ? name.bytes : 0;
}

extern "C" const wchar_t* zvudGetProductUILanguage(void)
{
    return LanguageOrRaise(CurrentIdentity().EnsureProductParams().Language);
}

int IsUnicodeBuild(void)
{
    return 1;
}

// Settles nothing: before another export has run start-up the root key is
// empty and no product's values are read.
unsigned int GetProductSpecificFilePath(const wchar_t* name, wchar_t* buffer, unsigned long capacity)
{
    CurrentIdentity identity;
    const ZvString value =
        ReadProductSpecificValue(identity.GetProductParams().ProductRegistryRootKey, StringFromArgument(name));
    return DeliverText(value, buffer, capacity);
}
