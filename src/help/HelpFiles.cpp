// The help file that the user's current profile names, else the product's
// default help file in the library's "Help" folder, and the context help file
// beside it. Heap-free after start-up (see base/Capacities.h): the special
// folders build on them.
#include "help/HelpFiles.h"

#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/LibraryModule.h"
#include "base/RegistryAccess.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string_view>

namespace userdata {
namespace {

// The program name cut from the product registry root key, when it is
// shorter than kNameCapacity characters.
std::optional<std::wstring_view> ProgramName(CurrentIdentity& identity)
{
    const std::optional<ZvString>& program = identity.EnsureProductParams().ProgramName;
    if (!program || program->empty() || program->length() >= kNameCapacity) {
        return std::nullopt;
    }
    return std::wstring_view(program->c_str(), program->length());
}

// Notes the key the lookup reached and the value it reads there.
void Trace(HelpTrace* trace, const ZvRegistryAccess& key, HKEY hive, const wchar_t* keyPath, const wchar_t* value)
{
    if (trace == nullptr) {
        return;
    }
    trace->hive = key.IsOpen() ? key.Hive() : hive;
    trace->opened = key.IsOpen();
    trace->value = value;
    if (!CopyText(trace->key, keyPath)) {
        trace->key[0] = L'\0';
    }
}

bool FindProfileHelpFile(CurrentIdentity& identity, const wchar_t* profilesPath, wchar_t (&profile)[kLongTextCapacity],
                         wchar_t (&helpPath)[kPathCapacity], HelpTrace* trace)
{
    profile[kProfileNameLength] = L'\0';
    if (trace != nullptr) {
        std::copy_n(profile, kProfileNameLength + 1, trace->profile);
    }
    wchar_t generalPath[kLongTextCapacity];
    ZvRegistryAccess general;
    if (!CopyText(generalPath, profilesPath) || !AppendText(generalPath, L"\\") || !AppendText(generalPath, profile) ||
        !AppendText(generalPath, L"\\General")) {
        return false;
    }
    const wchar_t* const valueName = ProfileHelpValueName(identity);
    const bool opened = general.OpenExact(HKEY_CURRENT_USER, generalPath, KEY_QUERY_VALUE) == ERROR_SUCCESS;
    Trace(trace, general, HKEY_CURRENT_USER, generalPath, valueName);
    return opened && general.ReadExpandedCharacters(valueName, helpPath);
}

bool FindDefaultHelpFile(const wchar_t* rootKey, wchar_t (&helpPath)[kPathCapacity], HelpTrace* trace)
{
    wchar_t helpName[kPathCapacity] = {};
    ZvRegistryAccess productKey;
    // A product key that exists but cannot be opened leaves the name empty,
    // and the path then names a file ".chm".
    const LSTATUS opened = productKey.Open(HKEY_LOCAL_MACHINE, rootKey, KEY_QUERY_VALUE);
    Trace(trace, productKey, HKEY_LOCAL_MACHINE, rootKey, L"DefaultHelpFileName");
    if (opened == ERROR_SUCCESS && !productKey.ReadExpandedCharacters(L"DefaultHelpFileName", helpName)) {
        return false;
    }
    productKey.Close();
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
bool FindHelpFileBelow(CurrentIdentity& identity, const wchar_t* rootKey, wchar_t (&helpPath)[kPathCapacity],
                       HelpTrace* trace)
{
    wchar_t profilesPath[kLongTextCapacity];
    ZvRegistryAccess profiles;
    if (!CopyText(profilesPath, rootKey) || !AppendText(profilesPath, L"\\Profiles")) {
        return false;
    }
    const bool opened = profiles.OpenExact(HKEY_CURRENT_USER, profilesPath, KEY_QUERY_VALUE) == ERROR_SUCCESS;
    Trace(trace, profiles, HKEY_CURRENT_USER, profilesPath, nullptr);
    if (!opened) {
        return false;
    }
    wchar_t profile[kLongTextCapacity];
    if (profiles.ReadExpandedCharacters(nullptr, profile)) {
        // Once a current profile exists, its help value is the only answer.
        return FindProfileHelpFile(identity, profilesPath, profile, helpPath, trace);
    }
    profiles.Close();
    return FindDefaultHelpFile(rootKey, helpPath, trace);
}

}  // namespace

const wchar_t* ProfileHelpValueName(CurrentIdentity& identity)
{
    const std::optional<std::wstring_view> program = ProgramName(identity);
    // The base product's own program keeps its help apart from the others'.
    return program && IsBaseProduct(*program) ? L"ZOVAHELP" : L"HELP";
}

bool FindHelpFile(CurrentIdentity& identity, wchar_t (&helpPath)[kPathCapacity], HelpTrace* trace)
{
    // A root key too long for the key path counts as missing.
    wchar_t rootKey[kLongTextCapacity];
    if (!CopyText(rootKey, identity.UserRootKey()) || rootKey[0] == L'\0') {
        return false;
    }
    wchar_t found[kPathCapacity] = {};
    if (!FindHelpFileBelow(identity, rootKey, found, trace) || found[0] == L'\0') {
        return false;
    }
    return CopyText(helpPath, found);
}

bool FindContextFile(CurrentIdentity& identity, wchar_t (&contextPath)[kContextPathCapacity])
{
    wchar_t helpPath[kPathCapacity] = {};
    wchar_t contextName[kNameCapacity] = {};
    if (!FindHelpFile(identity, helpPath)) {
        return false;
    }
    const std::optional<std::wstring_view> program = ProgramName(identity);
    if (!program || !CopyText(contextName, kNameCapacity, program->data(), program->length()) ||
        !AppendText(contextName, L"CTXT.CHM")) {
        return false;
    }
    // The folder keeps its backslash; a help path that is a bare file name
    // (a profile may hold one) gives the context file name alone.
    wchar_t* const lastBackslash = std::wcsrchr(helpPath, L'\\');
    *(lastBackslash != nullptr ? lastBackslash + 1 : helpPath) = L'\0';
    wchar_t context[kContextPathCapacity];
    if (!CopyText(context, helpPath) || !AppendText(context, contextName)) {
        return false;
    }
    return CopyText(contextPath, context);
}

}  // namespace userdata
