// A host program built the way a Visual Studio developer builds one: clang in
// MSVC mode, linked by lld-link against the package's UserData.lib, without a
// C runtime. It includes only the public headers, calls all 30 exports and
// prints each answer as one UTF-8 line "key<TAB>text", or "key" alone when
// the library gives none; keys named as in zvud show --json, so that the tests
// compare the two. tests/CMakeLists.txt builds it.
#include "UserDataFolders.h"

extern "C" {
// kernel32, declared here as the host includes nothing but the public headers.
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long handle);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long, unsigned long*, void*);
__declspec(dllimport) int __stdcall WideCharToMultiByte(unsigned codePage, unsigned long, const wchar_t* text, int,
                                                        char* bytes, int capacity, const char*, int*);
__declspec(dllimport) void __stdcall ExitProcess(unsigned exitCode);
}

namespace {

constexpr unsigned long kStandardOutput = static_cast<unsigned long>(-11);
constexpr unsigned kUtf8 = 65001;
constexpr unsigned kCapacity = 4096;
constexpr unsigned kNoLanguage = 0xC0000008;

// Static, as a frame beyond 4 KB would call the C runtime's stack probe.
wchar_t text[kCapacity];
char utf8[4 * kCapacity];

// One answer "key<TAB>value", or "key" alone when `given` is 0: a length or
// flag result of 0, or an empty text.
void Answer(const wchar_t* key, unsigned long long given, const wchar_t* value = text)
{
    unsigned long written = 0;
    const wchar_t* const pieces[] = {key, given != 0 ? L"\t" : L"", given != 0 ? value : L"", L"\n"};
    for (const wchar_t* piece : pieces) {
        const int length = WideCharToMultiByte(kUtf8, 0, piece, -1, utf8, sizeof(utf8), nullptr, nullptr);
        WriteFile(GetStdHandle(kStandardOutput), utf8, length > 1 ? length - 1 : 0, &written, nullptr);
    }
}

void Number(const wchar_t* key, unsigned long long number)
{
    wchar_t digits[24];
    wchar_t* first = digits + 23;
    // At least one digit, for 0.
    for (*first = L'\0'; first == digits + 23 || number != 0; number /= 10) {
        *--first = static_cast<wchar_t>(L'0' + number % 10);
    }
    Answer(key, 1, first);
}

// The library's "no language" exception caught as an MSVC host catches a
// structured exception: `raised` set and `none` given back.
template <typename Call, typename Result>
Result Guarded(Call call, Result none, bool& raised)
{
    __try {
        return call();
    } __except (1) {
        raised = true;
        return none;
    }
}

// The answers that zvud show gives too.
void ShowAnswers()
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
    const wchar_t* language = Guarded([] { return zvudGetProductUILanguage(); }, L"", raised);
    Answer(L"language", language[0], language);
    if (raised) {
        Number(L"exception", kNoLanguage);
    } else {
        Answer(L"language", zvudGetProductUALanguage()[0], zvudGetProductUALanguage());
    }
    // A folder whose query raises is reported as no answer.
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        Answer(info.name, Guarded([&] { return zvudGetSpecialFolder(info.folder, text, kCapacity); }, 0u, raised));
    }
    Answer(L"InstallFolder", zvudGetProductXFoldPath(text, kCapacity, ZvUdSpecialFolder::InstallFolder));
    Answer(L"UserDataCacheFolderLang", GetZOVAUserDataCacheLangPath(text, nullptr, kCapacity));
}

}  // namespace

// Then the exports that zvud show does not ask, with results that need no installation.
extern "C" void __cdecl HostMain()
{
    Number(L"zvudInitProductParams", static_cast<unsigned>(zvudInitProductParams(nullptr, nullptr)));
    ShowAnswers();
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
    ExitProcess(0);
}
