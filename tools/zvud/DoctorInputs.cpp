// zvud doctor's judgement of every input the library's core read while the
// doctor decided: each by the rules of its kind, as the core labels it, and
// the inputs that must agree with each other.
#include "DoctorSupport.h"

#include "CoreText.h"
#include "Output.h"

#include "base/FolderList.h"
#include "config/InputKinds.h"
#include "config/Reason.h"
#include "config/RegistryKeyNames.h"

#include <algorithm>

namespace zvud::doctor {
namespace {

using userdata::InputKind;
using userdata::RecordedInput;
using Place = RecordedInput::Place;

struct Fault {
    std::wstring detail;
    std::wstring fix;
};
using Verdict = std::optional<Fault>;

// Each input once, as it was first read, with the rule of its kind: copies,
// since judging reads (and records) more.
std::vector<std::pair<RecordedInput, userdata::InputRule>> Inventory()
{
    std::vector<std::pair<RecordedInput, userdata::InputRule>> inventory;
    std::vector<std::wstring> names;
    for (const RecordedInput& input : userdata::RecordedInputs()) {
        std::wstring name = InputName(input);
        if (std::none_of(names.begin(), names.end(),
                         [&name](const auto& seen) { return EqualIgnoringCase(seen, name); })) {
            names.push_back(std::move(name));
            inventory.emplace_back(input, userdata::RuleOfInput(input));
        }
    }
    return inventory;
}

bool IsBlank(wchar_t character)
{
    return character == L' ' || character == L'\t';
}

// The first %NAME% in `text` that is undefined or empty, with why; "" when
// every reference gives a text.
std::wstring FaultyVariable(const std::wstring& text)
{
    for (size_t start = text.find(L'%'); start != std::wstring::npos; start = text.find(L'%', start + 1)) {
        const size_t end = text.find(L'%', start + 1);
        if (end == std::wstring::npos) {
            break;
        }
        const std::wstring name = text.substr(start + 1, end - start - 1);
        const DWORD size = name.empty() ? 0 : GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        if (size <= 1) {
            return L"%" + name + L"%, which is " + (size == 0 ? L"not defined" : L"empty");
        }
        start = end;
    }
    return L"";
}

// The rules for the text itself, whatever it names.
Verdict JudgeText(const std::wstring& text, InputKind kind)
{
    if (text.empty()) {
        return Fault{L"is empty", L"give it its value (reinstall the product)"};
    }
    if (IsBlank(text.front()) || IsBlank(text.back())) {
        return Fault{L"begins or ends with a blank, which the library keeps", L"remove the blanks"};
    }
    if (text.back() == L'.' && kind != InputKind::Switch) {
        return Fault{L"ends with a dot, which Windows drops from a name", L"remove the dot"};
    }
    if (text.back() == L'\\' && kind != InputKind::FolderPath && kind != InputKind::List) {
        return Fault{L"ends with a backslash", L"remove the backslash"};
    }
    if (text.front() == L'\\' && kind == InputKind::KeyPath) {
        return Fault{L"begins with a backslash", L"name the key from below the hive, without the backslash"};
    }
    const bool plainName = kind == InputKind::Language || kind == InputKind::Profile;
    if (plainName && text.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos) {
        return Fault{L"holds a character that no folder or key name may hold", L"correct the name"};
    }
    return std::nullopt;
}

// How the library's rule expands the stored text: REG_EXPAND_SZ only.
Verdict JudgeExpansion(const RecordedInput& input)
{
    const std::wstring stored = Text(input.stored);
    if (input.type == REG_SZ && stored.find(L'%') != std::wstring::npos) {
        return Fault{L"holds % but is REG_SZ: the library expands nothing in it",
                     L"store it as REG_EXPAND_SZ, or write the path out"};
    }
    if (input.type == REG_EXPAND_SZ) {
        if (const std::wstring variable = FaultyVariable(stored); !variable.empty()) {
            return Fault{L"names " + variable, L"define the variable, or write the path out"};
        }
    }
    return std::nullopt;
}

// A drive letter that names no drive, or "".
std::wstring MissingDrive(const std::wstring& path)
{
    if (path.size() < 2 || path[1] != L':') {
        return L"";
    }
    const std::wstring root = path.substr(0, 2) + L"\\";
    return GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR ? path.substr(0, 2) : L"";
}

bool IsProgram(const std::wstring& path)
{
    char header[2] = {};
    DWORD read = 0;
    const userdata::ZvUniqueFile file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file && ReadFile(file.Get(), header, 2, &read, nullptr) && read == 2 && header[0] == 'M' && header[1] == 'Z';
}

// The rules for what a path names, the path as the library took it.
Verdict JudgePath(const std::wstring& path, InputKind kind, bool perUser)
{
    const bool absolute = (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.starts_with(L"\\\\");
    if (!absolute) {
        return Fault{L"is the relative path " + path + L": what it names depends on the working directory",
                     L"write the full path"};
    }
    if (const std::wstring drive = MissingDrive(path); !drive.empty()) {
        return Fault{L"names the drive " + drive + L", which does not exist",
                     L"name a path on an existing drive (" + drive + L" does not exist: nothing can be created there)"};
    }
    if (kind == InputKind::NamedPath) {  // the library hands it on as stored, whether the file exists or not
        return IsFolder(path) ? Verdict{Fault{path + L" is a folder, not a file", L"name a file"}} : std::nullopt;
    }
    const bool folderWanted = kind == InputKind::FolderPath || kind == InputKind::List;
    if (!(folderWanted ? IsFolder(path) : IsFile(path))) {
        const bool other = folderWanted ? IsFile(path) : IsFolder(path);
        return Fault{path + (other ? (folderWanted ? L" is a file, not a folder" : L" is a folder, not a file")
                                   : L" does not exist"),
                     folderWanted && !other ? L"create " + path + L", or name an existing folder"
                                            : L"name an existing " + std::wstring(folderWanted ? L"folder" : L"file")};
    }
    if (kind == InputKind::Program && !IsProgram(path)) {
        return Fault{path + L" is not a program", L"restore the program (reinstall the suite)"};
    }
    if (const DWORD denied = perUser ? MayCreateFilesIn(path) : ERROR_SUCCESS; denied != ERROR_SUCCESS) {
        return Fault{L"the user cannot create files in " + path + L" (" + ErrorText(denied) + L")",
                     L"give the user the right to create files in " + path};
    }
    return std::nullopt;
}

Verdict JudgeSwitch(const RecordedInput& input)
{
    if (input.place == Place::IniKey && input.stored != L"0" && input.stored != L"1") {
        return Fault{(input.stored.empty() ? std::wstring(L"is empty") : L"is '" + Text(input.stored) + L"'") +
                         L": only 1 is configurable, and only 0 is meant as not",
                     L"set it to 1 (or 0 for an installation of the base product alone)"};
    }
    if (input.place == Place::Value && input.type != REG_DWORD) {
        return Fault{L"is " + Text(userdata::RegistryTypeName(input.type)) + L" '" + Text(input.stored) +
                         L"', not REG_DWORD: the library reads " +
                         (input.usable ? L"the number " + Text(input.taken) + L" from it" : L"nothing from it"),
                     L"store it as REG_DWORD 1 (on) or 0 (off)"};
    }
    return std::nullopt;
}

// A value the library reads as a string: of a string type, and taken.
Verdict JudgeStringType(const RecordedInput& input)
{
    if (input.place != Place::Value || input.type == REG_SZ || input.type == REG_EXPAND_SZ) {
        return input.usable ? std::nullopt
                            : Verdict(Fault{L"does not fit what the library reads it into", L"shorten it"});
    }
    return Fault{L"is " + Text(userdata::RegistryTypeName(input.type)) + L", not a string: the library takes " +
                     (input.usable ? L"'" + Text(input.taken) + L"' from it" : L"nothing from it"),
                 L"store it as REG_SZ"};
}

Verdict JudgeFile(const RecordedInput& input, const userdata::InputRule& rule)
{
    if (input.status != ERROR_SUCCESS) {
        return rule.required ? Verdict(Fault{L"does not exist", L"restore it (reinstall the product)"}) : std::nullopt;
    }
    if (input.folder) {
        return Fault{L"is a folder, not a file", L"put the file in its place (reinstall the product)"};
    }
    if (input.size == 0 && (rule.required || rule.kind == InputKind::Program)) {
        return Fault{L"is empty: the library reads nothing from it", L"restore it (reinstall the product)"};
    }
    return rule.kind == InputKind::Program ? JudgePath(Text(input.where), rule.kind, false) : std::nullopt;
}

Verdict JudgeKeyPath(const std::wstring& path, bool required)
{
    ZvRegistryAccess key;
    if (required && !OpenMachineThenUser(key, path)) {
        return Fault{L"names " + KeyName(HKEY_LOCAL_MACHINE, path) + L", which does not exist under HKLM or HKCU",
                     L"name the product's key (reinstall the product)"};
    }
    return std::nullopt;
}

Verdict JudgeList(const std::wstring& list, bool perUser)
{
    for (const userdata::ZvString& entry : userdata::SplitFolderList(list.c_str())) {
        if (Verdict fault = JudgePath(Expanded(Text(entry)), InputKind::FolderPath, perUser)) {
            return fault;
        }
    }
    return std::nullopt;
}

// What the text names, by its kind.
Verdict JudgeNamed(const RecordedInput& input, const userdata::InputRule& rule)
{
    // A host expands what the library gives unexpanded.
    const std::wstring taken = input.type == REG_EXPAND_SZ ? Expanded(Text(input.taken)) : Text(input.taken);
    switch (rule.kind) {
    case InputKind::FolderPath:
    case InputKind::FilePath:
    case InputKind::Program:
    case InputKind::NamedPath:
        return JudgePath(taken, rule.kind, Text(input.where).starts_with(L"HKCU\\"));  // the user's own folders
    case InputKind::KeyPath:
        return JudgeKeyPath(taken, rule.required);
    case InputKind::List:
        return input.place == Place::Value ? JudgeList(taken, false) : std::nullopt;
    default:
        return std::nullopt;
    }
}

Verdict Judge(const RecordedInput& input, const userdata::InputRule& rule)
{
    if (rule.kind == InputKind::Other || rule.kind == InputKind::ListedLanguage || input.place == Place::Key) {
        return std::nullopt;  // a listed language is judged with the folders beside the library
    }
    if (input.place == Place::File) {
        return JudgeFile(input, rule);
    }
    if (input.status != ERROR_SUCCESS) {
        const bool fileMissing = input.place == Place::IniKey;  // the file's own verdict tells it
        return rule.required && !fileMissing ? Verdict(Fault{L"is missing", L"restore it (reinstall the product)"})
                                             : std::nullopt;
    }
    if (rule.kind == InputKind::Switch) {
        return JudgeSwitch(input);
    }
    if (input.stored.empty() && !rule.required && input.place != Place::IniKey) {
        return std::nullopt;  // an optional value left empty counts as none
    }
    Verdict fault = JudgeStringType(input);
    if (!fault) {
        fault = JudgeText(Text(input.stored), rule.kind);
    }
    if (!fault && input.place == Place::Value) {
        fault = JudgeExpansion(input);
    }
    return fault ? fault : JudgeNamed(input, rule);
}

// The identity file's product root key names the product chosen and lies
// below the suite version that identityver.ini names.
void CheckIdentityAgrees(const Installation& installation, Report& report)
{
    const std::wstring root = installation.productRootKey;
    const auto program = userdata::ProgramNameIn(root);
    if (root.empty() || !program) {
        return;
    }
    const std::wstring subject =
        Text(installation.startup->GetProductParams().IdentityIniPath) + L" ProductRegistryRootKey";
    if (!EqualIgnoringCase(std::wstring(*program), installation.product)) {
        report.Problem(L"identity-file", subject,
                       L"names " + root + L", whose program name is " + std::wstring(*program) + L", not " +
                           installation.product + L": every answer is another product's",
                       L"restore the identity.ini of " + installation.product + L" (reinstall the product)");
    } else if (!root.starts_with(installation.versionKey + L"\\")) {
        report.Problem(L"identity-file", subject,
                       L"names " + root + L", which is not below the suite version " + installation.versionKey +
                           L" that identityver.ini names",
                       L"restore the identity.ini of this version (reinstall the product)");
    }
}

}  // namespace

std::wstring InputName(const RecordedInput& input)
{
    switch (input.place) {
    case Place::Value:
        return Text(input.where) + L"\\" + (input.item.empty() ? L"(default)" : Text(input.item));
    case Place::IniKey:
        return Text(input.where) + L" " + Text(input.item);
    case Place::Variable:
        return Text(input.item);
    case Place::Key:
    case Place::File:
        break;
    }
    return Text(input.where);
}

const RecordedInput* FailedInput(const wchar_t* reader)
{
    for (const RecordedInput& input : userdata::RecordedInputs()) {
        if (input.reader == reader && input.place != Place::Key && (input.status != ERROR_SUCCESS || !input.usable)) {
            return &input;
        }
    }
    return nullptr;
}

void CheckInputs(const Installation& installation, Report& report)
{
    for (const auto& [input, rule] : Inventory()) {
        const std::wstring name = InputName(input);
        const bool told = report.HasProblem(name);
        if ((!told && report.Mentions(name)) || (told && input.status != ERROR_SUCCESS)) {
            continue;  // told already as the cause of another problem, or missing with what it makes fail
        }
        // The rule of its kind says what is wrong with the input itself, more
        // exactly than a check that met its consequence.
        if (const Verdict fault = Judge(input, rule)) {
            std::wstring check = userdata::InputKindName(rule.kind);
            std::replace(check.begin(), check.end(), L' ', L'-');
            report.Replace(check, name, fault->detail, fault->fix);
        }
    }
    CheckIdentityAgrees(installation, report);
}

std::wstring RenderInputs()
{
    std::wstring table = L"\ninputs the library read:\n";
    for (const auto& [input, rule] : Inventory()) {
        const std::wstring type = input.place == Place::Value && input.status == ERROR_SUCCESS
                                      ? Text(userdata::RegistryTypeName(input.type))
                                      : L"";
        const std::wstring read =
            input.status != ERROR_SUCCESS            ? L"missing"
            : input.place == Place::Key              ? L"present"
            : rule.kind == InputKind::ListedLanguage ? L"listed"
            : input.place == Place::File
                ? std::to_wstring(input.size) + L" bytes"
                : L"'" + Text(input.stored) + L"'" +
                      (input.usable ? (input.taken == input.stored ? L"" : L" taken as '" + Text(input.taken) + L"'")
                                    : L", not taken");
        table +=
            Padded(userdata::InputKindName(rule.kind), 17) + Padded(type, 14) + InputName(input) + L": " + read + L"\n";
    }
    return table;
}

void WriteInputs(JsonWriter& json)
{
    json.BeginArray(L"inputs");
    for (const auto& [input, rule] : Inventory()) {
        const bool present = input.status == ERROR_SUCCESS;
        json.LineObject({{L"name", InputName(input)},
                         {L"kind", userdata::InputKindName(rule.kind)},
                         {L"type", input.place == Place::Value && present
                                       ? std::optional(Text(userdata::RegistryTypeName(input.type)))
                                       : std::nullopt},
                         {L"stored", present ? std::optional(Text(input.stored)) : std::nullopt},
                         {L"taken", present && input.usable ? std::optional(Text(input.taken)) : std::nullopt}});
    }
    json.EndArray();
}

}  // namespace zvud::doctor
