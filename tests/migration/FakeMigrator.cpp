// The migration tool as the tests install it ("bxmigrator.exe" beside the
// library): it appends its arguments after its own path, one per line and the
// run ended by an empty line, to "bxmigrator.log" beside itself, signals the
// event named in BXMIGRATOR_RAN_EVENT, and exits with BXMIGRATOR_STATUS (0
// when unset).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

int main()
{
    wchar_t log[MAX_PATH + 16] = {};
    GetModuleFileNameW(nullptr, log, MAX_PATH);
    wcscpy_s(std::wcsrchr(log, L'\\'), 16, L"\\bxmigrator.log");
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    FILE* const file = _wfopen(log, L"a");
    for (int index = 1; index < count; ++index) {
        std::fwprintf(file, L"%ls\n", arguments[index]);
    }
    std::fwprintf(file, L"\n");
    std::fclose(file);
    if (const wchar_t* name = _wgetenv(L"BXMIGRATOR_RAN_EVENT"); name != nullptr) {
        SetEvent(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));  // the handle is closed at exit
    }
    const wchar_t* status = _wgetenv(L"BXMIGRATOR_STATUS");
    return status != nullptr ? _wtoi(status) : 0;
}
