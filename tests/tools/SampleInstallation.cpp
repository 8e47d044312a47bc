#include "SampleInstallation.h"

namespace userdata::testing {
namespace {

// Every key that the sample's registry file writes.
void RemoveSampleRegistry()
{
    RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\Global",
                         L"Software\\Classes\\CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}"});
}

// What the products' packages would have made for the sample's user: the
// folders and help files that sample.reg names (scripts/demo makes them too).
const wchar_t kUserData[] = L"C:\\BrevonixData";

void LayOutUserData()
{
    for (const wchar_t* folder : {L"\\Roaming\\ZOVA-7.0", L"\\Local\\ZOVA-7.0\\GraphicsCache",
                                  L"\\Local\\Planner-7.0", L"\\Shared", L"\\AllUsers", L"\\Help"}) {
        CreateFolders(kUserData + std::wstring(folder));
    }
    for (const wchar_t* file : {L"zova-standard.chm", L"suite-standard.chm", L"ZOVACTXT.CHM"}) {
        WriteTextFile(kUserData + std::wstring(L"\\Help\\") + file, "");
    }
}

// A command line argument as CommandLineToArgvW and the C runtime read it.
std::wstring Quoted(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(2 * backslashes, L'\\') + L"\"";
}

// An inheritable handle of a new, empty file.
HANDLE CreateOutputFile(const std::wstring& path)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ReadAll(HANDLE handle)
{
    std::string content;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(handle, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        content.append(chunk, read);
    }
    return content;
}

std::string ReadFileContent(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "reading " << Narrow(path);
    const std::string content = file != INVALID_HANDLE_VALUE ? ReadAll(file) : std::string();
    CloseHandle(file);
    return content;
}

constexpr DWORD kNotRun = ~0u;

// The started process's handle, or null (a test failure) when it cannot start.
HANDLE Start(std::wstring commandLine, const std::wstring& workingFolder, STARTUPINFOW& startup)
{
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, workingFolder.c_str(),
                        &startup, &process)) {
        ADD_FAILURE() << "starting " << Narrow(commandLine) << ", error " << GetLastError();
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD WaitForExit(HANDLE process)
{
    if (process == nullptr) {
        return kNotRun;
    }
    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = kNotRun;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    return exitCode;
}

}  // namespace

std::wstring FromUtf8(const std::string& utf8)
{
    if (utf8.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    EXPECT_GT(length, 0) << "not UTF-8: " << utf8;
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, text.data(), length);
    return text;
}

std::wstring ZvudRun::Out() const
{
    return FromUtf8(out);
}

SampleInstallation::SampleInstallation() : folder_(temp_ / L"Suite \u00dcbung \u03a9 \U0001D11E")
{
    CopyTree(TestProgramFolder() + L"\\sample", folder_);
#ifdef USERDATA_MSVC_HOSTS
    const auto files = {L"UserData.dll", L"zvud.exe", L"MsvcHostDefault.exe", L"MsvcHostVectorcall.exe"};
#else
    const auto files = {L"UserData.dll", L"zvud.exe"};
#endif
    for (const wchar_t* file : files) {
        EXPECT_TRUE(CopyFileW((TestProgramFolder() + L"\\" + file).c_str(), (folder_ + L"\\" + file).c_str(), FALSE))
            << "copying " << Narrow(file) << ", error " << GetLastError();
    }
    RemoveSampleRegistry();
    LayOutUserData();
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    EXPECT_EQ(WaitForExit(Start(L"regedit.exe /S " + Quoted(folder_ + L"\\sample.reg"), folder_, startup)), 0u);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Brevonix\\Suite\\7.0\\InstalledProducts\\ZOVA"))
        << "regedit imported nothing";
}

SampleInstallation::~SampleInstallation()
{
    RemoveSampleRegistry();
    DeleteTree(kUserData);
}

ZvudRun SampleInstallation::Run(std::initializer_list<std::wstring> arguments, const std::wstring& workingFolder,
                                const std::wstring& program) const
{
    std::wstring commandLine = Quoted(folder_ + L"\\" + program);
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + Quoted(argument);
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &inheritable, 0));
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    const std::wstring errPath = temp_ / L"stderr.txt";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = CreateOutputFile(errPath);
    const HANDLE process = Start(commandLine, workingFolder.empty() ? folder_ : workingFolder, startup);
    // With our copies of its writing ends closed, the pipe ends where the child's output does.
    CloseHandle(outWrite);
    CloseHandle(startup.hStdError);
    ZvudRun run;
    run.out = ReadAll(outRead);
    run.exitCode = WaitForExit(process);
    CloseHandle(outRead);
    run.err = ReadFileContent(errPath);
    return run;
}

}  // namespace userdata::testing
