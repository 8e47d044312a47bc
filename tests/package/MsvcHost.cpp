// A host program built the way a Visual Studio developer builds one: clang in
// MSVC mode, linked by lld-link against the package's UserData.lib, without a
// C runtime. It includes only the public header, calls all 30 exports and
// prints each answer as one UTF-8 line "key<TAB>text", or "key" alone when
// the library gives none; keys named as in zvud show --json, so that the tests
// compare the two.
#include "UserData.h"

extern "C" {
// kernel32, declared here as the host includes nothing but UserData.h.
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long handle);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) int __stdcall WideCharToMultiByte(unsigned codePage, unsigned long flags, const wchar_t* text,
                                                        int length, char* bytes, int capacity, const char* fallback,
                                                        int* fallbackUsed);
__declspec(dllimport) void __stdcall ExitProcess(unsigned exitCode);
}

namespace {

constexpr unsigned long kStandardOutput = static_cast<unsigned long>(-11);
constexpr unsigned kUtf8 = 65001;
constexpr unsigned kCapacity = 4096;
constexpr unsigned kNoLanguage = 0xC0000008;
constexpr int kFolderCount = 17;

// Static, as a frame beyond 4 KB would call the C runtime's stack probe.
wchar_t text[kCapacity];
char utf8[4 * kCapacity];

void WriteBytes(const char* bytes, unsigned long count)
{
    unsigned long written = 0;
    WriteFile(GetStdHandle(kStandardOutput), bytes, count, &written, nullptr);
}

void WriteText(const wchar_t* value)
{
    const int length = WideCharToMultiByte(kUtf8, 0, value, -1, utf8, sizeof(utf8), nullptr, nullptr);
    if (length > 1) {
        WriteBytes(utf8, static_cast<unsigned long>(length - 1));
    }
}

// One answer; null for none.
void Line(const wchar_t* key, const wchar_t* value)
{
    WriteText(key);
    if (value != nullptr) {
        WriteBytes("\t", 1);
        WriteText(value);
    }
    WriteBytes("\n", 1);
}

void Number(const wchar_t* key, unsigned long long number)
{
    wchar_t digits[24];
    int at = 23;
    digits[at] = L'\0';
    do {
        digits[--at] = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    Line(key, digits + at);
}

// A length-result or flag-result export: the text when the result is not 0.
void Answer(const wchar_t* key, unsigned long long result)
{
    Line(key, result != 0 ? text : nullptr);
}

// zvudGetSpecialFolder, with the library's "no language" exception caught as
// an MSVC host catches a structured exception; reported as no answer.
unsigned SpecialFolder(int folder)
{
    __try {
        return zvudGetSpecialFolder(static_cast<ZvUdSpecialFolder::Folders>(folder), text, kCapacity);
    } __except (1) {
        return 0;
    }
}

// zvudGetProductUILanguage; null when it raises "no language".
const wchar_t* UILanguage(bool& raised)
{
    __try {
        return zvudGetProductUILanguage();
    } __except (1) {
        raised = true;
        return nullptr;
    }
}

void Identity()
{
    Answer(L"product", zvudGetCurrentProduct(text, kCapacity));
    Answer(L"language", zvudGetCurrentLanguage(text, kCapacity));
    Answer(L"machineRootKey", zvudGetMachineProductRegistryRootKey(text, kCapacity));
    Answer(L"userRootKey", zvudGetUserProductRegistryRootKey(text, kCapacity));
    Answer(L"globalRootKey", zvudGetGlobalRegistryRootKey(text, kCapacity));
    Answer(L"identityFile", GetCurrentProductIdentityIniPath(text, kCapacity));
    Answer(L"verticalPath", zvudGetVerticalEnvPath(text, kCapacity));
    Answer(L"programName", GetProgramName(text, kCapacity));
    Answer(L"productName", GetProductName(text, kCapacity));
    Answer(L"verticalProductName", GetVerticalProductName(text, sizeof(text)));
    Answer(L"rootFolder", GetProductRootFolder(text, kCapacity));
    Answer(L"helpFile", GetHelpFileName(text, kCapacity));
    Answer(L"contextHelpFile", GetContextFileName(text, kCapacity));
    bool raised = false;
    const wchar_t* language = UILanguage(raised);
    Line(L"language", language != nullptr && language[0] != L'\0' ? language : nullptr);
    if (raised) {
        Number(L"exception", kNoLanguage);
    } else {
        Line(L"language", zvudGetProductUALanguage()[0] != L'\0' ? zvudGetProductUALanguage() : nullptr);
    }
}

void Folders()
{
    static const wchar_t* const names[kFolderCount] = {
        L"InstallFolder",        L"InstallFolderLang",        L"HelpFolder",          L"HelpFolderLang",
        L"SampleFolder",         L"SampleFolderLang",         L"RoamableRootFolder",  L"RoamableRootFolderLang",
        L"LocalRootFolder",      L"LocalRootFolderLang",      L"BrevonixSharedFolder", L"BrevonixSharedFolderLang",
        L"AllUsersFolder",       L"GraphicsCacheFolder",      L"UserDataCacheFolder", L"UserDataCacheFolderLang",
        L"SandboxCrashSaveFolder"};
    for (int folder = 0; folder < kFolderCount; ++folder) {
        Answer(names[folder], SpecialFolder(folder));
    }
    Answer(L"InstallFolder", zvudGetProductXFoldPath(text, kCapacity, ZvUdSpecialFolder::InstallFolder));
    Answer(L"UserDataCacheFolderLang", GetZOVAUserDataCacheLangPath(text, nullptr, kCapacity));
}

// The exports that zvud show does not ask, with results that need no installation.
void Others()
{
    Number(L"IsUnicodeBuild", static_cast<unsigned>(IsUnicodeBuild()));
    Answer(L"zvudLoadMUIString", zvudLoadMUIString(L"plain text", text, kCapacity));
    Answer(L"productFile", GetProductSpecificFilePath(L"", text, kCapacity));
    Answer(L"xRootFoldPath", zvudGetXRootFoldPath(L"LocalRootFolder", text, kCapacity));
    Number(L"zvudSetUserProductRegistryRootKey", static_cast<unsigned>(zvudSetUserProductRegistryRootKey(nullptr)));
    Number(L"zvudRegSetString", zvudRegSetString(nullptr, L"Value", nullptr));
    Number(L"AppendEnvironmentPath", static_cast<unsigned>(AppendEnvironmentPath(nullptr)));
    Number(L"CheckCOMServerRelativePaths", CheckCOMServerRelativePaths() ? 1 : 0);
    Number(L"ProcessAutoMigrate", ProcessAutoMigrate() ? 1 : 0);
    Number(L"InstallUserData", InstallUserData());
    SetWorkingDirectory();
}

}  // namespace

extern "C" void __cdecl HostMain()
{
    Number(L"zvudInitProductParams", static_cast<unsigned>(zvudInitProductParams(nullptr, nullptr)));
    Identity();
    Folders();
    Others();
    ExitProcess(0);
}
