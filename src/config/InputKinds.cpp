#include "config/InputKinds.h"

#include "UserDataFolders.h"

#include <cwchar>
#include <iterator>

namespace userdata {
namespace {

using Place = RecordedInput::Place;

struct NamedRule {
    const wchar_t* name;
    InputRule rule;
};

// The INI keys and the registry values the library reads by a fixed name.
constexpr NamedRule kNamedRules[] = {
    {L"ProductVersionKey", {InputKind::KeyPath, true}},      {L"ProductRegistryRootKey", {InputKind::KeyPath, true}},
    {L"GlobalRegistryRootKey", {InputKind::KeyPath, true}},  {L"IsConfigurable", {InputKind::Switch, true}},
    {L"LastLaunchedProduct", {InputKind::Name, false}},      {L"LastLaunchedLanguage", {InputKind::Language, false}},
    {L"InstalledUILanguages", {InputKind::Language, false}}, {L"ProductName", {InputKind::Name, true}},
    {L"DefaultHelpFileName", {InputKind::Name, false}},      {L"AutoMigrate", {InputKind::Switch, false}},
};

// The files the library reads or runs, by name.
constexpr NamedRule kFileRules[] = {
    {L"identityver.ini", {InputKind::FilePath, true}},
    {L"identity.ini", {InputKind::FilePath, true}},
    {L"bxmigrator.exe", {InputKind::Program, false}},
};

bool EndsWith(const ZvString& text, const wchar_t* end)
{
    const std::size_t length = std::wcslen(end);
    return text.length() >= length && _wcsicmp(text.c_str() + text.length() - length, end) == 0;
}

bool IsFolderValue(const ZvString& name)
{
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        if (info.valueName != nullptr && _wcsicmp(info.valueName, name.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// A value of a product's key in the catalogue: its name is a language the
// product is installed in, whatever it holds.
bool IsCatalogueEntry(const ZvString& key)
{
    const wchar_t* const product = std::wcsrchr(key.c_str(), L'\\');
    return product != nullptr && EndsWith(ZvString(key.c_str(), product - key.c_str()), L"\\InstalledProducts");
}

// A value found by the key it lies in rather than by its own name.
InputRule RuleOfValueIn(const ZvString& key, const ZvString& name)
{
    if (EndsWith(key, L"\\VerticalEnvPath") && name.empty()) {
        return {InputKind::List, true};
    }
    if (EndsWith(key, L"\\Profiles") && name.empty()) {
        return {InputKind::Profile, false};
    }
    if (EndsWith(key, L"\\General") && EndsWith(name, L"HELP")) {
        return {InputKind::FilePath, false};
    }
    if (EndsWith(key, L"\\ProductSpecific")) {
        return {InputKind::NamedPath, false};
    }
    if (EndsWith(key, L"\\UserData")) {
        return {InputKind::KeyPath, false};
    }
    return {};
}

InputRule RuleByName(const NamedRule* begin, const NamedRule* end, const ZvString& name)
{
    for (const NamedRule* rule = begin; rule != end; ++rule) {
        if (EndsWith(name, rule->name) && (name.length() == std::wcslen(rule->name) ||
                                           name.c_str()[name.length() - std::wcslen(rule->name) - 1] == L'\\')) {
            return rule->rule;
        }
    }
    return {};
}

}  // namespace

InputRule RuleOfInput(const RecordedInput& input)
{
    switch (input.place) {
    case Place::IniKey:
        return RuleByName(std::begin(kNamedRules), std::end(kNamedRules), input.item);
    case Place::File:
        return RuleByName(std::begin(kFileRules), std::end(kFileRules), input.where);
    case Place::Value:
        if (IsCatalogueEntry(input.where)) {
            return {InputKind::ListedLanguage, false};
        }
        if (IsFolderValue(input.item)) {
            return {InputKind::FolderPath, false};
        }
        if (const InputRule named = RuleByName(std::begin(kNamedRules), std::end(kNamedRules), input.item);
            named.kind != InputKind::Other) {
            return named;
        }
        return RuleOfValueIn(input.where, input.item);
    case Place::Key:
    case Place::Variable:  // the host's environment, which start-up extends
        break;
    }
    return {};
}

const wchar_t* InputKindName(InputKind kind)
{
    constexpr const wchar_t* kNames[] = {L"key path", L"folder path", L"file path",  L"program",
                                         L"switch",   L"name",        L"language",   L"listed language",
                                         L"profile",  L"list",        L"named path", L"other"};
    return kNames[static_cast<int>(kind)];
}

}  // namespace userdata
