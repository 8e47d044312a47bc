#include "migration/MigratorArguments.h"

#include "base/BoundedText.h"

#include <cwchar>

namespace userdata {
namespace {

// Writes into the command line one character at a time; the capacity holds
// every line that BuildMigratorCommandLine accepts, so `full` stays false
// unless that sum is wrong.
class CommandLineWriter {
public:
    explicit CommandLineWriter(wchar_t (&line)[kMigratorCommandLineCapacity]) noexcept : line_(line) {}

    void Put(wchar_t character, std::size_t count = 1) noexcept
    {
        for (; count != 0; --count) {
            if (used_ + 1 >= kMigratorCommandLineCapacity) {
                full_ = true;
                return;
            }
            line_[used_++] = character;
        }
        line_[used_] = L'\0';
    }

    void Put(const wchar_t* text) noexcept
    {
        for (; *text != L'\0'; ++text) {
            Put(*text);
        }
    }

    // One argument in quotes. A run of backslashes is doubled where a quote
    // follows it (the closing one included), and a quote inside gets one
    // backslash of its own: the parser then gives back the text unchanged.
    void PutQuoted(const wchar_t* argument) noexcept
    {
        Put(L'"');
        std::size_t backslashes = 0;
        for (; *argument != L'\0'; ++argument) {
            if (*argument == L'\\') {
                ++backslashes;
                continue;
            }
            Put(L'\\', *argument == L'"' ? backslashes * 2 + 1 : backslashes);
            Put(*argument);
            backslashes = 0;
        }
        Put(L'\\', backslashes * 2);
        Put(L'"');
    }

    [[nodiscard]] bool Full() const noexcept { return full_; }

private:
    wchar_t (&line_)[kMigratorCommandLineCapacity];
    std::size_t used_ = 0;
    bool full_ = false;
};

bool UsableName(const wchar_t* value) noexcept
{
    const std::size_t length = BoundedLength(value, kMigratorNameCapacity);
    return length != 0 && length < kMigratorNameCapacity;
}

void PutOption(CommandLineWriter& writer, const wchar_t* option, const wchar_t* value) noexcept
{
    if (UsableName(value)) {
        writer.Put(option);
        writer.PutQuoted(value);
    }
}

}  // namespace

bool BuildMigratorCommandLine(const wchar_t* tool, const MigratorRequest& request,
                              wchar_t (&commandLine)[kMigratorCommandLineCapacity]) noexcept
{
    commandLine[0] = L'\0';
    // The program name is read up to the next quote, without escapes.
    if (!UsableName(tool) || std::wcschr(tool, L'"') != nullptr) {
        return false;
    }
    CommandLineWriter writer(commandLine);
    writer.Put(L'"');
    writer.Put(tool);
    writer.Put(L'"');
    if (request.fullRun) {
        writer.Put(L" /a");
        PutOption(writer, L" /product ", request.product);
        PutOption(writer, L" /language ", request.language);
    }
    if (request.dapMarkerCreated) {
        writer.Put(L" /dap");
    }
    if (writer.Full()) {
        commandLine[0] = L'\0';
        return false;
    }
    return true;
}

}  // namespace userdata
