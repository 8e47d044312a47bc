// A host program built the way a Visual Studio developer builds one: clang in
// MSVC mode, linked by lld-link against the package's UserData.lib, without a
// C runtime. It includes only the public headers, calls all 30 exports and
// prints each answer as one UTF-8 line "key<TAB>text", or "key" alone when
// the library gives none; keys named as in zvud show --json, so that the tests
// compare the two. tests/CMakeLists.txt builds it.
#include "UserDataFolders.h"

// kernel32, declared here as the host includes nothing but the public headers.
extern "C" __declspec(dllimport) void* __stdcall GetStdHandle(unsigned long handle);
extern "C" __declspec(dllimport) int __stdcall WriteFile(void* file, const void*, unsigned long, unsigned long*, void*);
extern "C" __declspec(dllimport) int __stdcall WideCharToMultiByte(unsigned codePage, unsigned long, const wchar_t*,
                                                                   int, char*, int capacity, const char*, int*);
extern "C" __declspec(dllimport) void __stdcall ExitProcess(unsigned exitCode);

constexpr unsigned kCapacity = 4096;
constexpr unsigned kNoLanguage = 0xC0000008;

// Static, as a frame beyond 4 KB would call the C runtime's stack probe.
static wchar_t text[kCapacity];
static char utf8[4 * kCapacity];

// One answer "key<TAB>value", or "key" alone when `given` is 0: a length or
// flag result of 0, or an empty text.
static void Answer(const wchar_t* key, unsigned long long given, const wchar_t* value = text)
{
    unsigned long written = 0;
    const wchar_t* const pieces[] = {key, given != 0 ? L"\t" : L"", given != 0 ? value : L"", L"\n"};
    // In UTF-8 (code page 65001) to the standard output (handle -11), without the terminator.
    for (const wchar_t* piece : pieces) {
        const int length = WideCharToMultiByte(65001, 0, piece, -1, utf8, sizeof(utf8), nullptr, nullptr);
        WriteFile(GetStdHandle(static_cast<unsigned long>(-11)), utf8, length > 1 ? length - 1 : 0, &written, nullptr);
    }
}

// The number in decimal, at the end of `text` (at least one digit, for 0).
static void Number(const wchar_t* key, unsigned long long number)
{
    wchar_t* first = text + 23;
    for (*first = L'\0'; first == text + 23 || number != 0; number /= 10) {
        *--first = static_cast<wchar_t>(L'0' + number % 10);
    }
    Answer(key, 1, first);
}

// The library's "no language" exception caught as an MSVC host catches a
// structured exception: the call's result, or 0 (a null pointer) if it raised.
template <typename Call>
static auto Guarded(Call call) -> decltype(call())
{
    __try {
        return call();
    } __except (1) {
        return {};
    }
}

// The answers in zvud show's order, then the exports that zvud show does not
// ask, with results that need no installation.
#define ASK(key, query) Answer(key, query(text, kCapacity))
extern "C" void __cdecl HostMain()
{
    Number(L"zvudInitProductParams", static_cast<unsigned>(zvudInitProductParams(nullptr, nullptr)));
    ASK(L"product", zvudGetCurrentProduct);
    ASK(L"language", zvudGetCurrentLanguage);
    ASK(L"machineRootKey", zvudGetMachineProductRegistryRootKey);
    ASK(L"userRootKey", zvudGetUserProductRegistryRootKey);
    ASK(L"globalRootKey", zvudGetGlobalRegistryRootKey);
    ASK(L"identityFile", GetCurrentProductIdentityIniPath);
    ASK(L"verticalPath", zvudGetVerticalEnvPath);
    ASK(L"programName", GetProgramName);
    ASK(L"productName", GetProductName);
    Answer(L"verticalProductName", GetVerticalProductName(text, sizeof(text)));  // its capacity in bytes
    ASK(L"rootFolder", GetProductRootFolder);
    ASK(L"helpFile", GetHelpFileName);
    ASK(L"contextHelpFile", GetContextFileName);
    const wchar_t* const language = Guarded([] { return zvudGetProductUILanguage(); });
    Answer(L"language", language != nullptr && language[0] != L'\0', language);
    const wchar_t* const ua = language != nullptr ? zvudGetProductUALanguage() : nullptr;
    ua != nullptr ? Answer(L"language", ua[0], ua) : Number(L"exception", kNoLanguage);
    // A folder whose query raises is reported as no answer.
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        Answer(info.name, Guarded([&] { return zvudGetSpecialFolder(info.folder, text, kCapacity); }));
    }
    Answer(L"InstallFolder", zvudGetProductXFoldPath(text, kCapacity, ZvUdSpecialFolder::InstallFolder));
    Answer(L"UserDataCacheFolderLang", GetZOVAUserDataCacheLangPath(text, nullptr, kCapacity));
    Number(L"IsUnicodeBuild", static_cast<unsigned>(IsUnicodeBuild()));
    Answer(L"zvudLoadMUIString", zvudLoadMUIString(L"plain text", text, kCapacity));
    Answer(L"productFile", GetProductSpecificFilePath(L"", text, kCapacity));
    Answer(L"xRootFoldPath", zvudGetXRootFoldPath(L"LocalRootFolder", text, kCapacity));
    Number(L"zvudSetUserProductRegistryRootKey", static_cast<unsigned>(zvudSetUserProductRegistryRootKey(nullptr)));
    Number(L"zvudRegSetString", zvudRegSetString(nullptr, L"Value", nullptr));
    Number(L"AppendEnvironmentPath", static_cast<unsigned>(AppendEnvironmentPath(nullptr)));
    Number(L"CheckCOMServerRelativePaths", CheckCOMServerRelativePaths());
    Number(L"ProcessAutoMigrate", ProcessAutoMigrate());
    Number(L"InstallUserData", InstallUserData());
    SetWorkingDirectory();
    ExitProcess(0);
}
