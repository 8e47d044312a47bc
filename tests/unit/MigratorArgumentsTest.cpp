// The migration tool's command line, read back by the platform's own parser.
#include "migration/MigratorArguments.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace userdata {
namespace {

std::vector<std::wstring> ParsedBack(const wchar_t* commandLine)
{
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(commandLine, &count);
    std::vector<std::wstring> parsed(arguments, arguments + count);
    LocalFree(arguments);
    return parsed;
}

TEST(MigratorArguments, EveryArgumentArrivesWhole)
{
    const std::wstring tool = L"C:\\Program Files (x86)\\My Suite 7\\bxmigrator.exe";
    const std::wstring longest(259, L'p');
    const std::wstring tooLong(260, L'p');
    const std::wstring quotes(259, L'"');
    const std::wstring backslashes(259, L'\\');
    struct Row {
        const char* scenario;
        MigratorRequest request;
        std::vector<std::wstring> expected;  // after the tool's path
    } rows[] = {
        {"everything", {true, L"ZOVA", L"L1", true}, {L"/a", L"/product", L"ZOVA", L"/language", L"L1", L"/dap"}},
        {"no marker", {true, L"ZOVA", L"L1", false}, {L"/a", L"/product", L"ZOVA", L"/language", L"L1"}},
        {"empty product", {true, L"", L"L1", false}, {L"/a", L"/language", L"L1"}},
        {"the marker step alone", {false, L"ZOVA", L"L1", true}, {L"/dap"}},
        {"product of 259 characters", {true, longest.c_str(), L"", false}, {L"/a", L"/product", longest}},
        {"product of 260 characters is left out", {true, tooLong.c_str(), L"L1", false},
         {L"/a", L"/language", L"L1"}},
        {"quotes and blanks stay inside", {true, L"P\" /evil \"x", L"L1\\", true},
         {L"/a", L"/product", L"P\" /evil \"x", L"/language", L"L1\\", L"/dap"}},
        {"backslashes before quotes", {true, L"a\\\"b\\\\\"c", L"\\\\server\\share\\", false},
         {L"/a", L"/product", L"a\\\"b\\\\\"c", L"/language", L"\\\\server\\share\\"}},
        {"the longest escapes fit", {true, quotes.c_str(), backslashes.c_str(), true},
         {L"/a", L"/product", quotes, L"/language", backslashes, L"/dap"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        wchar_t commandLine[kMigratorCommandLineCapacity];
        std::fill(std::begin(commandLine), std::end(commandLine), L'#');
        ASSERT_TRUE(BuildMigratorCommandLine(tool.c_str(), row.request, commandLine));
        std::vector<std::wstring> expected = row.expected;
        expected.insert(expected.begin(), tool);
        EXPECT_EQ(ParsedBack(commandLine), expected);
    }
}

}  // namespace
}  // namespace userdata
