// zvud's command line: options, one command and the command's operands; the
// help that the table of commands and the table of options give.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zvud {

constexpr int kExitSuccess = 0;
constexpr int kExitNoAnswer = 1;  // the library gave no answer or reported a failure
constexpr int kExitUsage = 2;     // the command line cannot be taken

struct Invocation;

// What is done before a command runs.
enum class Runs {
    WithoutLibrary,  // nothing: UserData.dll is not loaded
    AfterStartUp,    // UserData.dll loaded and started up, as a program of the suite starts
    OwnStartUp,      // UserData.dll loaded; the command starts it up itself, having looked at what start-up reads
};

// The options that only some commands take, as bits of Command::options;
// every command that loads the library also takes the start-up options.
enum CommandOption : unsigned {
    kJsonOption = 1,
    kProblemsOption = 2,
    kInputsOption = 4,
};

struct Command {
    const wchar_t* name;
    const wchar_t* operands;  // as the usage line names them
    size_t minOperands;
    size_t maxOperands;
    Runs runs;
    unsigned options;        // CommandOption bits
    const wchar_t* summary;  // one line in the list of commands
    const wchar_t* details;  // the rest of the command's own help
    const wchar_t* failure;  // what exit status 1 means, besides a library that cannot be loaded; null: never
    // The operands' fault in one line, or "" when they can be taken; null
    // when any operands of the right count can be taken.
    std::wstring (*check)(const std::vector<std::wstring>& operands);
    int (*run)(const Invocation& invocation, bool startedUp);
};

// Every command; the first, show, runs when none is named.
std::span<const Command> AllCommands();
// The command of that name; null when there is none.
const Command* FindCommand(const std::wstring& name);

struct Invocation {
    const Command* command = nullptr;  // null when none is named; --help names help
    std::vector<std::wstring> operands;
    std::optional<std::wstring> product;
    std::optional<std::wstring> language;
    std::optional<std::wstring> userRoot;
    bool json = false;
    bool problemsOnly = false;  // doctor: only the checks that found a problem
    bool inputs = false;        // doctor: the table of the inputs the library read
    bool help = false;
    bool version = false;

    const Command& CommandToRun() const { return command != nullptr ? *command : AllCommands().front(); }
};

// Fills `invocation` from the arguments; false, with the fault in one line in
// `error`, when they cannot be taken. --help, -h and /? run the command help,
// with the command named (if any) as its operand.
bool ParseCommandLine(int argc, const wchar_t* const* argv, Invocation& invocation, std::wstring& error);

std::wstring GeneralHelp();
std::wstring CommandHelp(const Command& command);

}  // namespace zvud
