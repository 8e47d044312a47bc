// The commands other than show and doctor, and the table of all commands.
#include "CommandLine.h"
#include "Doctor.h"
#include "Output.h"
#include "Queries.h"
#include "Show.h"
#include "Version.h"

#include "base/RegistryAccess.h"

#include <windows.h>

namespace zvud {
namespace {

// An answer alone on its line, for scripts; nothing and exit status 1 when
// the library gives none.
int PrintAnswer(const std::optional<std::wstring>& answer, const std::wstring& missing)
{
    if (!answer) {
        Write(Stream::Err, L"zvud: " + missing + L"\n");
        return kExitNoAnswer;
    }
    Write(Stream::Out, *answer + L"\n");
    return kExitSuccess;
}

std::wstring StatusLine(unsigned long status)
{
    return L"status " + std::to_wstring(status) + L": " + StatusText(status);
}

std::wstring CheckFolder(const std::vector<std::wstring>& operands)
{
    return ParseSpecialFolder(operands[0]) ? L"" : L"'" + operands[0] + L"' is neither a folder name nor a number";
}

int RunFolder(const Invocation& invocation, bool)
{
    const auto folder = static_cast<ZvUdSpecialFolder::Folders>(*ParseSpecialFolder(invocation.operands[0]));
    return PrintAnswer(AskSpecialFolder(folder), L"the library gives no path for " + invocation.operands[0]);
}

int RunString(const Invocation& invocation, bool)
{
    return PrintAnswer(AskLocalizedString(invocation.operands[0]), L"the library gives no string for this text");
}

int RunProductFile(const Invocation& invocation, bool)
{
    return PrintAnswer(AskProductSpecificFile(invocation.operands[0]),
                       L"the library gives no product-specific file path for '" + invocation.operands[0] + L"'");
}

int RunRepair(const Invocation&, bool)
{
    const unsigned status = InstallUserData();
    Write(Stream::Out, L"InstallUserData: " + StatusLine(status) + L"\n");
    return status == 0 ? kExitSuccess : kExitNoAnswer;
}

int RunCheckCom(const Invocation&, bool)
{
    const bool relative = CheckCOMServerRelativePaths();
    Write(Stream::Out, relative ? L"CheckCOMServerRelativePaths: true\n" : L"CheckCOMServerRelativePaths: false\n");
    return relative ? kExitSuccess : kExitNoAnswer;
}

int RunMigrate(const Invocation&, bool)
{
    const bool done = ProcessAutoMigrate();
    Write(Stream::Out, done ? L"ProcessAutoMigrate: true\n" : L"ProcessAutoMigrate: false\n");
    return done ? kExitSuccess : kExitNoAnswer;
}

std::wstring CurrentDirectory()
{
    return AskLength([](wchar_t* buffer, unsigned capacity) {
               return static_cast<unsigned>(GetCurrentDirectoryW(capacity, buffer));
           })
        .value_or(L"");
}

// Why SetWorkingDirectory left the working directory where it was: only the
// "userdatacache" folder beside the host program, here zvud.exe, is left.
std::wstring WhyUnchanged(const std::wstring& folder)
{
    const std::wstring cache = BesideTool(L"userdatacache");
    if (EqualIgnoringCase(folder, cache)) {
        return L"the user's Documents folder could not be made the working directory";
    }
    return L"SetWorkingDirectory leaves only " + cache + L", the userdatacache folder beside zvud.exe";
}

int RunSetWorkingDirectory(const Invocation&, bool)
{
    const std::wstring before = CurrentDirectory();
    SetWorkingDirectory();
    const std::wstring after = CurrentDirectory();
    Write(Stream::Out, L"working directory: " + after +
                           (after == before ? L" (unchanged: " + WhyUnchanged(before) : L" (was " + before) + L")\n");
    return kExitSuccess;
}

struct KeyPath {
    HKEY hive = nullptr;
    std::wstring subkey;
};

// HIVE\KEY with the hive's full or short name in any letter case.
std::optional<KeyPath> ParseKeyPath(const std::wstring& text)
{
    struct Hive {
        const wchar_t* name;
        const wchar_t* shortName;
        HKEY key;
    };
    static const Hive hives[] = {{L"HKEY_CURRENT_USER", L"HKCU", HKEY_CURRENT_USER},
                                 {L"HKEY_LOCAL_MACHINE", L"HKLM", HKEY_LOCAL_MACHINE},
                                 {L"HKEY_CLASSES_ROOT", L"HKCR", HKEY_CLASSES_ROOT},
                                 {L"HKEY_USERS", L"HKU", HKEY_USERS}};
    const size_t separator = text.find(L'\\');
    const std::wstring name = text.substr(0, separator);
    for (const Hive& hive : hives) {
        if (CompareStringOrdinal(name.c_str(), -1, hive.name, -1, TRUE) == CSTR_EQUAL ||
            CompareStringOrdinal(name.c_str(), -1, hive.shortName, -1, TRUE) == CSTR_EQUAL) {
            return KeyPath{hive.key, separator == std::wstring::npos ? L"" : text.substr(separator + 1)};
        }
    }
    return std::nullopt;
}

std::wstring CheckSetString(const std::vector<std::wstring>& operands)
{
    return ParseKeyPath(operands[0]) ? L""
                                     : L"'" + operands[0] + L"' does not start with a hive (HKCU, HKLM, HKCR, HKU)";
}

int RunSetString(const Invocation& invocation, bool)
{
    const KeyPath path = *ParseKeyPath(invocation.operands[0]);
    userdata::ZvRegistryAccess key;
    const LSTATUS opened = key.OpenExact(path.hive, path.subkey.c_str(), KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (opened != ERROR_SUCCESS) {
        Write(Stream::Err, L"zvud: cannot open " + invocation.operands[0] + L": " + StatusLine(opened) + L"\n");
        return kExitNoAnswer;
    }
    const unsigned status = zvudRegSetString(key.Key(), invocation.operands[1].c_str(), invocation.operands[2].c_str());
    Write(Stream::Out, L"zvudRegSetString: " + StatusLine(status) + L"\n");
    return status == 0 ? kExitSuccess : kExitNoAnswer;
}

std::wstring CheckHelp(const std::vector<std::wstring>& operands)
{
    return operands.empty() || FindCommand(operands[0]) != nullptr ? L"" : L"unknown command '" + operands[0] + L"'";
}

int RunHelp(const Invocation& invocation, bool)
{
    Write(Stream::Out, invocation.operands.empty() ? GeneralHelp() : CommandHelp(*FindCommand(invocation.operands[0])));
    return kExitSuccess;
}

const Command kCommands[] = {
    {L"show", L"", 0, 0, Runs::AfterStartUp, kJsonOption,
     L"everything the library reports (the command when none is named)",
     L"The current product and language, the registry root keys, the identity file, the\n"
     L"vertical path, the program, product and vertical product names, the product root\n"
     L"folder, the 17 special folders and the help files. With --json, one JSON object\n"
     L"whose keys stay as they are; what the library does not give is null there.",
     L"start-up failed", nullptr, &RunShow},
    {L"folder", L"NAME|NUMBER", 1, 1, Runs::AfterStartUp, 0, L"one special folder's path alone, for scripts",
     L"NAME is an enumerator of ZvUdSpecialFolder::Folders in any letter case, as show\n"
     L"lists them under \"special folders\"; NUMBER is a decimal number (the library\n"
     L"judges numbers outside 0 to 16).",
     L"the library gives no path", &CheckFolder, &RunFolder},
    {L"string", L"TEXT", 1, 1, Runs::AfterStartUp, 0, L"TEXT as zvudLoadMUIString resolves it",
     L"A reference \"@module,-number\" gives that string resource; other text comes back\n"
     L"unchanged.",
     L"the library gives nothing", nullptr, &RunString},
    {L"product-file", L"NAME", 1, 1, Runs::AfterStartUp, 0,
     L"a product-specific file path (GetProductSpecificFilePath)",
     L"NAME is a value of the product's \"ProductSpecific\" registry key; \"\" asks for the\n"
     L"key's default value.",
     L"the library gives nothing", nullptr, &RunProductFile},
    {L"repair", L"", 0, 0, Runs::AfterStartUp, 0, L"InstallUserData, with its status code and message",
     L"Repairs each installed product's per-user data through the Windows Installer.", L"the status is not 0", nullptr,
     &RunRepair},
    {L"check-com", L"", 0, 0, Runs::AfterStartUp, 0, L"CheckCOMServerRelativePaths",
     L"Whether the suite's COM servers are registered with relative paths.", L"they are not", nullptr, &RunCheckCom},
    {L"migrate", L"", 0, 0, Runs::AfterStartUp, 0, L"ProcessAutoMigrate",
     L"Runs the migration tool beside the library when the registry calls for it.",
     L"ProcessAutoMigrate returned false (this version always returns true)", nullptr, &RunMigrate},
    {L"set-working-directory", L"", 0, 0, Runs::AfterStartUp, 0, L"SetWorkingDirectory, then the working directory",
     L"Leaves the \"userdatacache\" folder beside zvud.exe for the user's Documents folder;\n"
     L"when the working directory stays, says why.",
     nullptr, nullptr, &RunSetWorkingDirectory},
    {L"set-string", L"HIVE\\KEY NAME DATA", 3, 3, Runs::AfterStartUp, 0,
     L"zvudRegSetString on an existing key, with its status",
     L"HIVE is HKEY_CURRENT_USER (HKCU), HKEY_LOCAL_MACHINE (HKLM), HKEY_CLASSES_ROOT\n"
     L"(HKCR) or HKEY_USERS (HKU); the key is opened, never created. NAME \"\" writes\n"
     L"the default value. The library folds the profile folder into %USERPROFILE% only\n"
     L"once InstallUserData has ended well in the same process, which zvud set-string\n"
     L"does not run.",
     L"the key cannot be opened, or the status is not 0", &CheckSetString, &RunSetString},
    // Doctor looks at what start-up reads before it starts the library up itself.
    {L"doctor", L"", 0, 0, Runs::OwnStartUp, kJsonOption | kProblemsOption | kInputsOption,
     L"what is wrong with the installation, and how to fix it",
     L"Checks that UserData.dll is zvud's version (the checks describe that version's\n"
     L"rules); then, in the order start-up uses them: the library's folder,\n"
     L"identityver.ini, the catalogue and the last launched product and language,\n"
     L"start-up itself, identity.ini and its registry roots, the user root key, the\n"
     L"vertical folders, PATH, the 17 special folders, the help profile and\n"
     L"files, the \"UserData\" product list (what InstallUserData would repair, asking the\n"
     L"Windows Installer only what it knows), the COM server registrations and the\n"
     L"migration; every export a host calls, asked through the DLL; and every input the\n"
     L"library read on the way, judged by its kind (key path, folder path, file path,\n"
     L"program, switch, name, language, profile, list). One line per check: ok, info (a\n"
     L"note), or problem with its file, key or value and what would fix it; then a\n"
     L"summary line. --problems shows only the problems; --inputs adds the table of\n"
     L"inputs. With --json, one object: zvudVersion, userDataVersion, the product and\n"
     L"language decided, the counts problems and notes, checks, an array of objects\n"
     L"with the keys check, status, subject, detail and fix, and inputs, an array of\n"
     L"objects with the keys name, kind, type, stored and taken. Doctor changes nothing,\n"
     L"except what the library's own start-up writes: the last launched product and\n"
     L"language of the current user.",
     L"a check found a problem", nullptr, &RunDoctor},
    {L"help", L"[COMMAND]", 0, 1, Runs::WithoutLibrary, 0, L"the list of commands, or a command's own help",
     L"The same as --help, -h or /?, with a command or without one.", nullptr, &CheckHelp, &RunHelp},
};

}  // namespace

std::span<const Command> AllCommands()
{
    return kCommands;
}

}  // namespace zvud
