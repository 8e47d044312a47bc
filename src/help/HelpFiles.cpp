// GetHelpFileName and GetContextFileName: the help file that the user's current
// profile names, else the product's default help file in the library's "Help"
// folder, and the context help file beside it. Heap-free after start-up: the
// special folders build on them.
#include "UserData.h"
#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"
#include "config/ProductConfigInit.h"
#include "config/UserProductRegistryRootKey.h"
#include "help/HelpFiles.h"
#include "queries/IdentityQueries.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace userdata {
namespace {

constexpr std::size_t kProfileNameLength = 260;  // the most of a profile name that is used
constexpr std::size_t kContextPathCapacity = kPathCapacity + kNameCapacity;

// Which help value the current profile's "General" key holds for this program.
const wchar_t* ProfileHelpValueName()
{
    wchar_t program[kNameCapacity] = {};
    DeliverProgramName(program, kNameCapacity);
    // The base product's own program keeps its help apart from the others'.
    return IsBaseProduct(program) ? L"ZOVAHELP" : L"HELP";
}

bool FindProfileHelpFile(const wchar_t* profilesPath, wchar_t (&profile)[kLongTextCapacity],
                         wchar_t (&helpPath)[kPathCapacity])
{
    profile[kProfileNameLength] = L'\0';
    wchar_t generalPath[kLongTextCapacity];
    ZvUniqueKey general;
    if (!CopyText(generalPath, profilesPath) || !AppendText(generalPath, L"\\") || !AppendText(generalPath, profile) ||
        !AppendText(generalPath, L"\\General") ||
        OpenKey(HKEY_CURRENT_USER, generalPath, KEY_QUERY_VALUE, general) != ERROR_SUCCESS) {
        return false;
    }
    return ReadExpandedCharacters(general.Get(), ProfileHelpValueName(), helpPath);
}

bool FindDefaultHelpFile(const wchar_t* rootKey, wchar_t (&helpPath)[kPathCapacity])
{
    wchar_t helpName[kPathCapacity] = {};
    ZvUniqueKey productKey;
    // A product key that exists but cannot be opened leaves the name empty,
    // and the path then names a file ".chm".
    if (OpenMachineThenUser(HKEY_LOCAL_MACHINE, rootKey, KEY_QUERY_VALUE, productKey) == ERROR_SUCCESS &&
        !ReadExpandedCharacters(productKey.Get(), L"DefaultHelpFileName", helpName)) {
        return false;
    }
    productKey.Reset();
    wchar_t modulePath[kPathCapacity];
    ModulePathParts parts;
    if (!GetLibraryModuleFileName(modulePath) || !SplitModulePath(modulePath, parts) ||
        !AppendText(parts.directory, L"Help")) {
        return false;
    }
    return _wmakepath_s(helpPath, kPathCapacity, parts.drive, parts.directory, helpName, L".chm") == 0;
}

// The help file below `rootKey`: the current profile's, or without a current
// profile the product's default. False when there is none.
bool FindHelpFile(const wchar_t* rootKey, wchar_t (&helpPath)[kPathCapacity])
{
    wchar_t profilesPath[kLongTextCapacity];
    ZvUniqueKey profiles;
    if (!CopyText(profilesPath, rootKey) || !AppendText(profilesPath, L"\\Profiles") ||
        OpenKey(HKEY_CURRENT_USER, profilesPath, KEY_QUERY_VALUE, profiles) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t profile[kLongTextCapacity];
    if (ReadExpandedCharacters(profiles.Get(), nullptr, profile)) {
        // Once a current profile exists, its help value is the only answer.
        return FindProfileHelpFile(profilesPath, profile, helpPath);
    }
    profiles.Reset();
    return FindDefaultHelpFile(rootKey, helpPath);
}

}  // namespace

unsigned DeliverHelpFileName(wchar_t* buffer, std::size_t capacity)
{
    // A root key too long for the key path counts as missing.
    wchar_t rootKey[kLongTextCapacity];
    if (!CopyUserProductRegistryRootKey(rootKey) || rootKey[0] == L'\0') {
        return 0;
    }
    wchar_t helpPath[kPathCapacity] = {};
    if (!FindHelpFile(rootKey, helpPath) || helpPath[0] == L'\0') {
        return 0;
    }
    return DeliverLengthResult(helpPath, BoundedLength(helpPath), buffer, capacity);
}

}  // namespace userdata

using namespace userdata;

unsigned int GetHelpFileName(wchar_t* buffer, unsigned long capacity)
{
    return DeliverHelpFileName(buffer, capacity);
}

unsigned int GetContextFileName(wchar_t* buffer, unsigned long capacity)
{
    wchar_t helpPath[kPathCapacity] = {};
    wchar_t contextName[kNameCapacity] = {};
    if (DeliverHelpFileName(helpPath, kPathCapacity) == 0 || DeliverProgramName(contextName, kNameCapacity) == 0 ||
        !AppendText(contextName, L"CTXT.CHM")) {
        return 0;
    }
    // The folder keeps its backslash; a help path that is a bare file name
    // (a profile may hold one) gives the context file name alone.
    wchar_t* const lastBackslash = std::wcsrchr(helpPath, L'\\');
    *(lastBackslash != nullptr ? lastBackslash + 1 : helpPath) = L'\0';
    wchar_t contextPath[kContextPathCapacity];
    if (!CopyText(contextPath, helpPath) || !AppendText(contextPath, contextName)) {
        return 0;
    }
    return DeliverLengthResult(contextPath, BoundedLength(contextPath), buffer, capacity);
}
