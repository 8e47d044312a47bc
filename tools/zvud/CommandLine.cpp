#include "CommandLine.h"

#include "Output.h"

#include <algorithm>

namespace zvud {
namespace {

// Which commands take an option.
enum class Applies {
    StartUp,   // those that load the library
    Json,      // those with kJsonOption
    Problems,  // those with kProblemsOption
    Inputs,    // those with kInputsOption
    Always,    // every command
    Alone,     // none: it replaces the command
};

struct Option {
    const wchar_t* spellings[3];     // the first names it
    const wchar_t* value = nullptr;  // the value's name; null for a flag
    Applies applies;
    const wchar_t* help;
    std::optional<std::wstring> Invocation::*text = nullptr;  // where a value goes
    bool Invocation::*flag = nullptr;                         // where a flag goes
};

const Option kOptions[] = {
    {.spellings = {L"--product"},
     .value = L"P",
     .applies = Applies::StartUp,
     .help = L"the product asked for at start-up (zvudInitProductParams)",
     .text = &Invocation::product},
    {.spellings = {L"--language"},
     .value = L"L",
     .applies = Applies::StartUp,
     .help = L"the language asked for at start-up (zvudInitProductParams)",
     .text = &Invocation::language},
    {.spellings = {L"--user-root"},
     .value = L"KEY",
     .applies = Applies::StartUp,
     .help = L"the user product registry root key (zvudSetUserProductRegistryRootKey)",
     .text = &Invocation::userRoot},
    {.spellings = {L"--json"}, .applies = Applies::Json, .help = L"one JSON object", .flag = &Invocation::json},
    {.spellings = {L"--problems"},
     .applies = Applies::Problems,
     .help = L"only the checks that found a problem, and the summary",
     .flag = &Invocation::problemsOnly},
    {.spellings = {L"--inputs"},
     .applies = Applies::Inputs,
     .help = L"also every input the library read: where, type, data, how it was taken",
     .flag = &Invocation::inputs},
    {.spellings = {L"--help", L"-h", L"/?"},
     .applies = Applies::Always,
     .help = L"this text; with a command, that command's own (as zvud help COMMAND)",
     .flag = &Invocation::help},
    {.spellings = {L"--version"},
     .applies = Applies::Alone,
     .help = L"the versions and commits of zvud and of the UserData.dll it runs with",
     .flag = &Invocation::version},
};

constexpr size_t kOptionColumn = 19;
constexpr size_t kCommandColumn = 33;

const wchar_t kStartUpHelp[] =
    L"Every command but help loads UserData.dll from zvud.exe's folder and starts it\n"
    L"up as a program of the suite does, with zvudInitProductParams, which records the\n"
    L"product and language as the user's last launched ones (HKEY_CURRENT_USER).\n"
    L"When start-up fails, or takes another product or language than asked for, zvud\n"
    L"says why on stderr. The DLL answers only from inside an installation: beside\n"
    L"identityver.ini, with the installation's keys.\n";

bool Takes(const Command& command, const Option& option)
{
    switch (option.applies) {
    case Applies::StartUp:
        return command.runs != Runs::WithoutLibrary;
    case Applies::Json:
        return (command.options & kJsonOption) != 0;
    case Applies::Problems:
        return (command.options & kProblemsOption) != 0;
    case Applies::Inputs:
        return (command.options & kInputsOption) != 0;
    case Applies::Always:
        return true;
    case Applies::Alone:
        break;
    }
    return false;
}

const Option* FindOption(const std::wstring& spelling)
{
    for (const Option& option : kOptions) {
        for (const wchar_t* name : option.spellings) {
            if (name != nullptr && spelling == name) {
                return &option;
            }
        }
    }
    return nullptr;
}

bool IsOption(const std::wstring& argument)
{
    return argument == L"/?" || (argument.size() >= 2 && argument[0] == L'-');
}

// An option of the form --name VALUE or --name=VALUE, or a flag; each at most once.
bool TakeOption(const std::wstring& argument, int argc, const wchar_t* const* argv, int& index, Invocation& invocation,
                std::vector<const Option*>& given, std::wstring& error)
{
    const size_t equals = argument.find(L'=');
    const Option* const option = FindOption(argument.substr(0, equals));
    if (option == nullptr || (option->value == nullptr && equals != std::wstring::npos)) {
        error = L"unknown option '" + argument + L"'";
        return false;
    }
    if (std::find(given.begin(), given.end(), option) != given.end()) {
        error = std::wstring(option->spellings[0]) + L" is given twice";
        return false;
    }
    given.push_back(option);
    if (option->value == nullptr) {
        invocation.*option->flag = true;
        return true;
    }
    if (equals == std::wstring::npos && index + 1 >= argc) {
        error = std::wstring(option->spellings[0]) + L" needs a value";
        return false;
    }
    invocation.*option->text = equals != std::wstring::npos ? argument.substr(equals + 1) : argv[++index];
    return true;
}

std::wstring UsageLine(const Command& command)
{
    const std::wstring usage = L"zvud [OPTIONS] " + std::wstring(command.name);
    return command.operands[0] == L'\0' ? usage : usage + L" " + command.operands;
}

// The operands and options, checked against what the command takes.
std::wstring Fault(const Invocation& invocation, const std::vector<const Option*>& given)
{
    const Command& command = invocation.CommandToRun();
    if (invocation.operands.size() < command.minOperands || invocation.operands.size() > command.maxOperands) {
        return L"wrong number of arguments; usage: " + UsageLine(command);
    }
    for (const Option* option : given) {
        if (!Takes(command, *option)) {
            return std::wstring(option->spellings[0]) + L" does not go with " + command.name;
        }
    }
    return command.check != nullptr ? command.check(invocation.operands) : L"";
}

bool TakeCommand(std::vector<std::wstring> positional, Invocation& invocation, const std::vector<const Option*>& given,
                 std::wstring& error)
{
    if (!positional.empty()) {
        invocation.command = FindCommand(positional.front());
        if (invocation.command == nullptr) {
            error = L"unknown command '" + positional.front() + L"'";
            return false;
        }
        positional.erase(positional.begin());
    }
    if (invocation.help) {
        // The rest of the command line only chooses whose help it is.
        invocation.operands.clear();
        if (invocation.command != nullptr) {
            invocation.operands.push_back(invocation.command->name);
        }
        invocation.command = FindCommand(L"help");
        return true;
    }
    invocation.operands = std::move(positional);
    if (invocation.version) {
        return true;
    }
    error = Fault(invocation, given);
    return error.empty();
}

// "--name VALUE" or "--help, -h, /?", then its help in a column.
std::wstring OptionLine(const Option& option, const std::wstring& help)
{
    std::wstring names;
    for (const wchar_t* spelling : option.spellings) {
        if (spelling != nullptr) {
            names += (names.empty() ? L"  " : L", ") + std::wstring(spelling);
        }
    }
    if (option.value != nullptr) {
        names += L" " + std::wstring(option.value);
    }
    return Padded(names, kOptionColumn) + help + L"\n";
}

// The exit statuses, 1 when `failure` (none when it is empty).
std::wstring ExitStatusHelp(const std::wstring& failure)
{
    return L"\nExit status:\n  0  done\n" + (failure.empty() ? L"" : L"  1  " + failure + L"\n") +
           L"  2  a command line that cannot be taken\n";
}

// "show and doctor: " for an option that only some commands take.
std::wstring TakenBy(const Option& option)
{
    if (option.applies != Applies::Json && option.applies != Applies::Problems) {
        return L"";
    }
    std::wstring names;
    for (const Command& command : AllCommands()) {
        if (Takes(command, option)) {
            names += (names.empty() ? L"" : L" and ") + std::wstring(command.name);
        }
    }
    return names + L": ";
}

}  // namespace

const Command* FindCommand(const std::wstring& name)
{
    const auto commands = AllCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&name](const Command& command) { return name == command.name; });
    return found != commands.end() ? &*found : nullptr;
}

bool ParseCommandLine(int argc, const wchar_t* const* argv, Invocation& invocation, std::wstring& error)
{
    std::vector<std::wstring> positional;
    std::vector<const Option*> given;
    bool optionsEnded = false;
    for (int index = 1; index < argc; ++index) {
        const std::wstring argument = argv[index];
        if (optionsEnded || !IsOption(argument)) {
            positional.push_back(argument);
        } else if (argument == L"--") {
            optionsEnded = true;
        } else if (!TakeOption(argument, argc, argv, index, invocation, given, error)) {
            return false;
        }
    }
    return TakeCommand(std::move(positional), invocation, given, error);
}

std::wstring GeneralHelp()
{
    std::wstring help =
        L"Usage: zvud [OPTIONS] [COMMAND [ARGUMENTS]]\n\n"
        L"Asks UserData.dll what a program of the suite would ask, prints the answers,\n"
        L"and runs its housekeeping steps.\n\nCommands:\n";
    for (const Command& command : AllCommands()) {
        help += Padded(L"  " + std::wstring(command.name) + L" " + command.operands, kCommandColumn) + command.summary +
                L"\n";
    }
    help += L"\nOptions (they act before the library is asked anything):\n";
    for (const Option& option : kOptions) {
        help += OptionLine(option, TakenBy(option) + option.help);
    }
    return help + L"\n" + kStartUpHelp +
           ExitStatusHelp(L"the library gave no answer or reported a failure, or UserData.dll cannot be loaded");
}

std::wstring CommandHelp(const Command& command)
{
    std::wstring help =
        L"Usage: " + UsageLine(command) + L"\n\n" + command.summary + L".\n" + command.details + L"\n\nOptions:\n";
    for (const Option& option : kOptions) {
        if (Takes(command, option)) {
            help += OptionLine(option, option.help);
        }
    }
    const bool loads = command.runs != Runs::WithoutLibrary;
    std::wstring failure = command.failure != nullptr ? command.failure : L"";
    if (loads) {
        failure += (failure.empty() ? L"" : L", or ") + std::wstring(L"UserData.dll cannot be loaded");
    }
    return help + (loads ? L"\n" + std::wstring(kStartUpHelp) : L"") + ExitStatusHelp(failure);
}

}  // namespace zvud
