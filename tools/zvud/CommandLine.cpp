#include "CommandLine.h"

#include <algorithm>

namespace zvud {
namespace {

struct ValueOption {
    const wchar_t* name;
    std::optional<std::wstring> Invocation::*field;
};

struct FlagOption {
    const wchar_t* name;
    bool Invocation::*field;
};

const ValueOption kValueOptions[] = {
    {L"--product", &Invocation::product},
    {L"--language", &Invocation::language},
    {L"--user-root", &Invocation::userRoot},
};

const FlagOption kFlagOptions[] = {
    {L"--json", &Invocation::json}, {L"--problems", &Invocation::problemsOnly}, {L"--help", &Invocation::help},
    {L"-h", &Invocation::help},     {L"--version", &Invocation::version},
};

const wchar_t kJsonHelp[] =
    L"  --json           show and doctor: one JSON object\n"
    L"  --problems       doctor: only the checks that found a problem, and the summary\n";

bool IsDoctor(const Command& command)
{
    return command.name == std::wstring(L"doctor");
}

bool TakesJson(const Command& command)
{
    return &command == &AllCommands().front() || IsDoctor(command);
}

// The options' help; --json and --problems only where they apply.
std::wstring OptionsHelp(bool withJson)
{
    const std::wstring options =
        L"Options (they act before the library is asked anything):\n"
        L"  --product P      the product asked for at start-up (zvudInitProductParams)\n"
        L"  --language L     the language asked for at start-up (zvudInitProductParams)\n"
        L"  --user-root KEY  the user product registry root key (zvudSetUserProductRegistryRootKey)\n";
    return options + (withJson ? kJsonHelp : L"") +
           L"  --help, -h       this text; with a command, that command's help\n"
           L"  --version        the versions and commits of zvud and of the UserData.dll it runs with\n"
           L"\n"
           L"Every command loads UserData.dll from zvud.exe's folder and starts as a program\n"
           L"of the suite does, with zvudInitProductParams, which records the product and\n"
           L"language as the user's last launched ones (HKEY_CURRENT_USER); zvud says so on\n"
           L"stderr, naming what is missing, when start-up fails. The DLL answers only from\n"
           L"inside an installation: beside identityver.ini, with the installation's keys.\n"
           L"Exit status: 0 done, 1 the library gave no answer, reported a failure or could\n"
           L"not be loaded, 2 a command line that cannot be taken.\n";
}

// An option of the form --name VALUE or --name=VALUE, or a flag.
bool TakeOption(const std::wstring& argument, int argc, const wchar_t* const* argv, int& index, Invocation& invocation,
                std::wstring& error)
{
    const size_t equals = argument.find(L'=');
    const std::wstring name = argument.substr(0, equals);
    for (const FlagOption& flag : kFlagOptions) {
        if (argument == flag.name) {
            invocation.*flag.field = true;
            return true;
        }
    }
    for (const ValueOption& option : kValueOptions) {
        if (name != option.name) {
            continue;
        }
        if (equals == std::wstring::npos && index + 1 >= argc) {
            error = name + L" needs a value";
            return false;
        }
        invocation.*option.field = equals != std::wstring::npos ? argument.substr(equals + 1) : argv[++index];
        return true;
    }
    error = L"unknown option '" + argument + L"'";
    return false;
}

const Command* FindCommand(const std::wstring& name)
{
    const auto commands = AllCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&name](const Command& command) { return name == command.name; });
    return found != commands.end() ? &*found : nullptr;
}

std::wstring UsageLine(const Command& command)
{
    std::wstring usage = L"zvud [OPTIONS] " + std::wstring(command.name);
    return command.operandCount == 0 ? usage : usage + L" " + command.operands;
}

bool TakeCommand(std::vector<std::wstring> positional, Invocation& invocation, std::wstring& error)
{
    if (!positional.empty()) {
        invocation.command = FindCommand(positional.front());
        if (invocation.command == nullptr) {
            error = L"unknown command '" + positional.front() + L"'";
            return false;
        }
        positional.erase(positional.begin());
    }
    invocation.operands = std::move(positional);
    if (invocation.help || invocation.version) {
        return true;
    }
    const Command& command = invocation.CommandToRun();
    if (invocation.operands.size() != command.operandCount) {
        error = L"wrong number of arguments; usage: " + UsageLine(command);
    } else if (invocation.json && !TakesJson(command)) {
        error = L"--json goes with show and doctor only";
    } else if (invocation.problemsOnly && !IsDoctor(command)) {
        error = L"--problems goes with doctor only";
    } else if (command.check != nullptr) {
        error = command.check(invocation.operands);
    }
    return error.empty();
}

}  // namespace

bool ParseCommandLine(int argc, const wchar_t* const* argv, Invocation& invocation, std::wstring& error)
{
    std::vector<std::wstring> positional;
    bool optionsEnded = false;
    for (int index = 1; index < argc; ++index) {
        const std::wstring argument = argv[index];
        if (optionsEnded || argument.size() < 2 || argument[0] != L'-') {
            positional.push_back(argument);
        } else if (argument == L"--") {
            optionsEnded = true;
        } else if (!TakeOption(argument, argc, argv, index, invocation, error)) {
            return false;
        }
    }
    return TakeCommand(std::move(positional), invocation, error);
}

std::wstring GeneralHelp()
{
    std::wstring help =
        L"Usage: zvud [OPTIONS] [COMMAND [ARGUMENTS]]\n\n"
        L"Asks UserData.dll what a program of the suite would ask, prints the answers,\n"
        L"and runs its housekeeping steps.\n\nCommands:\n";
    for (const Command& command : AllCommands()) {
        std::wstring line = L"  " + std::wstring(command.name) + L" " + command.operands;
        line.resize(std::max<size_t>(line.size() + 1, 33), L' ');
        help += line + command.summary + L"\n";
    }
    return help + L"\n" + OptionsHelp(true);
}

std::wstring CommandHelp(const Command& command)
{
    return L"Usage: " + UsageLine(command) + L"\n\n" + command.summary + L".\n" + command.details + L"\n\n" +
           OptionsHelp(TakesJson(command));
}

}  // namespace zvud
