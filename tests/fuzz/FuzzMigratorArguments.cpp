// The migration tool's command line stays within its buffer, and the
// documented argument rules of the platform's parser give back exactly the
// arguments asked for, whatever the product and language hold.
#include "migration/MigratorArguments.h"

#include "FuzzInput.h"

#include <cwchar>
#include <vector>

namespace {

// The rules of CommandLineToArgvW for arguments after the program name: 2n
// backslashes before a quote give n and the quote opens or closes quoting,
// 2n+1 give n and a literal quote, other backslashes are literal.
std::vector<std::wstring> Parse(const wchar_t* line)
{
    std::vector<std::wstring> arguments;
    const wchar_t* end = std::wcschr(line + 1, L'"');  // the program name, quoted
    arguments.emplace_back(line + 1, end);
    for (const wchar_t* at = end + 1; *at != L'\0';) {
        if (*at == L' ') {
            ++at;
            continue;
        }
        std::wstring argument;
        for (bool quoted = false; *at != L'\0' && (quoted || *at != L' ');) {
            std::size_t backslashes = 0;
            for (; *at == L'\\'; ++at) {
                ++backslashes;
            }
            if (*at != L'"') {
                argument.append(backslashes, L'\\');
                if (*at != L'\0' && (quoted || *at != L' ')) {
                    argument.push_back(*at++);
                }
                continue;
            }
            argument.append(backslashes / 2, L'\\');
            if (backslashes % 2 == 1) {
                argument.push_back(L'"');
            } else {
                quoted = !quoted;
            }
            ++at;
        }
        arguments.push_back(argument);
    }
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace userdata;
    FuzzInput input(data, size);
    const std::wstring product = input.Text(300, L"pP\"\\ ");
    const std::wstring language = input.Text(300, L"lL\"\\ ");
    const std::uint8_t flags = input.Byte();
    const MigratorRequest request{(flags & 1) != 0, product.c_str(), language.c_str(), (flags & 2) != 0};
    const std::wstring tool = L"C:\\Program Files (x86)\\My Suite 7\\bxmigrator.exe";

    wchar_t line[kMigratorCommandLineCapacity + 16];
    std::wmemset(line, L'\x7F', kMigratorCommandLineCapacity + 16);
    auto& bounded = *reinterpret_cast<wchar_t(*)[kMigratorCommandLineCapacity]>(line);
    Check(BuildMigratorCommandLine(tool.c_str(), request, bounded));
    for (std::size_t index = kMigratorCommandLineCapacity; index < kMigratorCommandLineCapacity + 16; ++index) {
        Check(line[index] == L'\x7F');
    }
    Check(std::wmemchr(line, L'\0', kMigratorCommandLineCapacity) != nullptr);

    std::vector<std::wstring> expected{tool};
    if (request.fullRun) {
        expected.emplace_back(L"/a");
        for (const auto& [option, value] : {std::pair{L"/product", product}, std::pair{L"/language", language}}) {
            if (!value.empty() && value.size() < kMigratorNameCapacity) {
                expected.emplace_back(option);
                expected.push_back(value);
            }
        }
    }
    if (request.dapMarkerCreated) {
        expected.emplace_back(L"/dap");
    }
    Check(Parse(line) == expected);
    return 0;
}
