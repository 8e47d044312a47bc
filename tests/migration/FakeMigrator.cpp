// The migration tool as the tests install it ("bxmigrator.exe" beside the
// library): it appends its arguments as its own parser gives them, one per
// line and each run ended by an empty line, to "bxmigrator.log" next to it,
// signals the event named in BXMIGRATOR_RAN_EVENT when there is one, and
// exits with the status written in "bxmigrator.status" next to it (0 when
// there is none).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring file = path;
    return file.substr(0, file.rfind(L'\\') + 1);
}

void AppendText(const std::wstring& path, const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr,
                        nullptr);
    HANDLE log = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(log, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        CloseHandle(log);
    }
}

int ChosenStatus(const std::wstring& path)
{
    FILE* file = _wfopen(path.c_str(), L"r");
    int status = 0;
    if (file != nullptr) {
        if (std::fscanf(file, "%d", &status) != 1) {
            status = 0;
        }
        std::fclose(file);
    }
    return status;
}

}  // namespace

int main()
{
    const std::wstring folder = OwnFolder();
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring run;
    for (int index = 0; index < count; ++index) {
        run += std::wstring(arguments[index]) + L"\n";
    }
    LocalFree(arguments);
    AppendText(folder + L"bxmigrator.log", run + L"\n");
    wchar_t eventName[MAX_PATH] = {};
    const DWORD nameLength = GetEnvironmentVariableW(L"BXMIGRATOR_RAN_EVENT", eventName, MAX_PATH);
    if (nameLength != 0 && nameLength < MAX_PATH) {
        HANDLE ran = OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName);
        SetEvent(ran);
        CloseHandle(ran);
    }
    return ChosenStatus(folder + L"bxmigrator.status");
}
