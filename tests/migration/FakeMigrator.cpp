// The migration tool as the tests install it ("bxmigrator.exe" beside the
// library): it appends its arguments after its own path, one per line and the
// run ended by an empty line, to "bxmigrator.log" beside itself, and exits
// with status 3 when a file "fails" lies beside it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main()
{
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring tool = arguments[0];  // its full path, as the library starts it
    const std::wstring folder = tool.substr(0, tool.rfind(L'\\') + 1);
    FILE* const file = _wfopen((folder + L"bxmigrator.log").c_str(), L"ab");  // each line ended by "\n" alone
    for (int index = 1; index < count; ++index) {
        std::fprintf(file, "%ls\n", arguments[index]);
    }
    std::fprintf(file, "\n");
    std::fclose(file);
    return GetFileAttributesW((folder + L"fails").c_str()) != INVALID_FILE_ATTRIBUTES ? 3 : 0;
}
