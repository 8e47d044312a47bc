// zvud.exe as a user runs it: one command line per row, as its own process, on
// a fresh copy of the sample installation of sample/ (in a folder named beyond
// ASCII, inside the data folder that sample.reg names, which each row deletes
// afterwards; the registry imported with regedit into the prefix's real hives).
#include "TestSupport.h"

namespace userdata::testing {
namespace {

const std::wstring kVersionKey = L"Software\\Brevonix\\Suite\\7.0";
const std::wstring kZova = kVersionKey + L"\\ZOVA-7.0";
const std::wstring kComServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}";
const std::wstring kUserData = L"C:\\BrevonixData\\";  // what sample.reg names, as the products' packages make it
// The installation folder, as the library names it.
const std::wstring kRoot = kUserData + L"Suite \u00dcbung \u03a9 \U0001D11E\\";

struct Sample {
    Sample()
    {
        CopyTree(TestProgramFolder() + L"\\sample", kRoot);
        for (const wchar_t* file : {L"UserData.dll", L"zvud.exe", L"MsvcHostGd.exe", L"MsvcHostGv.exe"}) {
            CopyFileW((TestProgramFolder() + L"\\" + file).c_str(), (kRoot + file).c_str(), FALSE);
        }
        for (const wchar_t* path : {L"Help\\", L"Help\\zova-standard.chm", L"Help\\ZOVACTXT.CHM", L"Shared\\",
                                    L"Roaming\\ZOVA-7.0\\", L"Local\\ZOVA-7.0\\GraphicsCache\\", L"AllUsers\\"}) {
            path[wcslen(path) - 1] == L'\\' ? CreateFolders(kUserData + path) : WriteTextFile(kUserData + path, "");
        }
        CreateFolders(kRoot + L"userdatacache");  // where commands start: set-working-directory leaves it
        EXPECT_EQ(Start(L"regedit.exe", L"/S \"" + kRoot + L"sample.reg\""), 0u);
    }
    ~Sample()
    {
        RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\Global"});
        DeleteKey(HKEY_CLASSES_ROOT, kComServer);
        DeleteTree(kUserData);
    }

    // Runs `program` to its end: its exit status, with what it wrote in `out` and `err` (UTF-8 is expected).
    DWORD Start(const std::wstring& program, const std::wstring& arguments)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = CreateFileW((kUserData + L"out").c_str(), GENERIC_ALL, 0, &inherit, CREATE_ALWAYS, 0, 0);
        startup.hStdError = CreateFileW((kUserData + L"err").c_str(), GENERIC_ALL, 0, &inherit, CREATE_ALWAYS, 0, 0);
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CreateProcessW(nullptr, (L"\"" + program + L"\" " + arguments).data(), nullptr, nullptr, TRUE, 0,
                                   nullptr, (kRoot + L"userdatacache").c_str(), &startup, &process));
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exit = ~0u;
        GetExitCodeProcess(process.hProcess, &exit);
        for (auto [file, text] : {std::pair{startup.hStdOutput, &out}, std::pair{startup.hStdError, &err}}) {
            text->assign(GetFileSize(file, nullptr), '\0');  // read back from the start, as the program wrote it
            OVERLAPPED start = {};
            ReadFile(file, text->data(), static_cast<DWORD>(text->size()), nullptr, &start);
            CloseHandle(file);
        }
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        return exit;
    }

    std::string out, err;
};

// A command line and what it must give: exit status; texts of its output (a
// leading "\n" starts a line; none: no output), where a text starting with
// "zvud: " starts the one line on stderr, which is empty otherwise; the
// product that start-up remembers (LastLaunchedProduct) after it; what is done
// to the sample before it.
struct Row {
    const char* name;
    std::wstring arguments;  // as typed in a command prompt
    DWORD exit;
    std::vector<std::wstring> texts;
    const wchar_t* lastLaunched = L"ZOVA";
    void (*setUp)() = [] {};
    const wchar_t* program = L"zvud.exe";  // or a host built the MSVC way: its answers are compared with zvud's
};

// clang-format off
void NoIdentityFile() { DeleteFileW((kRoot + L"de-DE\\identity.ini").c_str()); }

// What the MSVC hosts answer that zvud show --json does not; every other answer must be there, the same.
const std::string kHostOnly = " zvudInitProductParams exception IsUnicodeBuild zvudLoadMUIString productFile "
                              "xRootFoldPath zvudSetUserProductRegistryRootKey zvudRegSetString AppendEnvironmentPath "
                              "CheckCOMServerRelativePaths ProcessAutoMigrate InstallUserData ";

const Row kRows[] = {
    {"show", L"show --language en-US", 0, {L"   succeeded\n", L"\nlanguage:                   en-US\n"}},
    {"show --json, vertical", L"--product=PLANNER --language en-US --json", 0,
        {LR"("verticalPath": "C:\\Brevonix\\Planner;C:\\Brevonix\\Shared")", LR"("language": "en-US")"}, L"PLANNER"},
    {"start-up, no identity.ini", L"--user-root \"K\\\"\t\\\U0001D11E\" --json", 1,
        {L"zvud: start-up failed (the file " + kRoot + L"de-DE\\identity.ini", LR"("startUpSucceeded": false)",
        L"\"userRootKey\": \"K\\\"\\t\\\\\U0001D11E\""}, L"ZOVA", NoIdentityFile},
    {"folder, any case", L"folder localrootfolder", 0, {L"\nC:\\BrevonixData\\Local\\ZOVA-7.0\\\n"}},
    {"product-file", L"product-file Templates", 0, {L"\nC:\\Brevonix\\Zova\\Templates\\standard.zvt\n"}},
    {"string", L"string \"@" + TestProgramFolder() + L"\\TestStrings.dll,-101\"", 0, {L"\nOpen\n"}},
    {"string none", L"string \"@" + TestProgramFolder() + L"\\TestStrings.dll,-104\"", 1, {L"zvud: the library gives"}},
    {"repair", L"repair", 0, {L"\nInstallUserData: status 0: "}},
    {"check-com", L"check-com", 0, {L"\nCheckCOMServerRelativePaths: true\n"}},
    {"migrate", L"migrate", 0, {L"\nProcessAutoMigrate: true\n"}},
    // set-string (the hive in any letter case) writes over what start-up remembered
    {"set-string", L"set-string hkcu\\" + kVersionKey + L" LastLaunchedProduct \u03a9", 0, {L": status 0"}, L"\u03a9"},
    {"set-working-directory", L"set-working-directory", 0, {L" (was " + kRoot + L"userdatacache)\n"}},
    // --help and --version start nothing up: the product given is not remembered
    {"--help", L"--product PLANNER --help", 0, {L"\n  set-string HIVE\\KEY NAME DATA "}},
    {"version", L"--version --product=P", 0, {L"\nUserData.dll " USERDATA_FILE_VERSION " (" + kRoot + L"UserData"}},
    {"no DLL", L"folder 0", 1, {L"zvud: cannot load " + kRoot + L"UserData.dll (status 126: "}, L"ZOVA",
        [] { DeleteFileW((kRoot + L"UserData.dll").c_str()); }},
    // a command line that cannot be taken: exit status 2 before anything is loaded
    {"no such folder", L"--product=PLANNER folder Nowhere", 2, {L"zvud: 'Nowhere' is neither"}},
    {"doctor", L"doctor", 0, {L"\nok      start-up          zvudInitProductParams: succeeded with product 'ZOVA'"}},
    {"doctor, no identity.ini", L"doctor", 1, {L"\nproblem identity-file     " + kRoot}, L"ZOVA", NoIdentityFile},
    {"doctor, last language", L"doctor", 1, {L"\nproblem last-launched     HKCU\\"}, L"ZOVA",
        [] { SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", L"fr"); }},
    {"doctor, folder value", L"doctor", 1, {L"\nproblem special-folder    HKCU\\" + kZova}, L"ZOVA",
        [] { SetString(HKEY_CURRENT_USER, kZova, L"LocalRootFolder", L"C:\\Gone"); }},
    {"doctor, product code", L"doctor", 1, {L"\nproblem product-list      HKLM\\" + kZova}, L"ZOVA",
        [] { SetString(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{0BAD0000-0000-4000-8000-000000000019}", L""); }},
    {"doctor, COM server", L"doctor", 1, {L"\nproblem com-server        HKCR\\" + kComServer}, L"ZOVA",
        [] { SetString(HKEY_CLASSES_ROOT, kComServer + L"\\InProcServer32", nullptr, L"C:\\z.dll"); }},
    {"doctor --json, help file", L"doctor --json", 1, {LR"({"check": "help-file", "status": "problem", "subject": )"},
        L"ZOVA", [] { DeleteFileW((kUserData + L"Help\\zova-standard.chm").c_str()); }},
#ifdef USERDATA_MSVC_HOSTS
    {"MSVC host", L"", 0, {L"\nzvudInitProductParams\t1\n", L"\nIsUnicodeBuild\t1\nzvudLoadMUIString\tplain text\n",
        L"\nzvudRegSetString\t87\n", L"\nInstallUserData\t0\n"}, L"ZOVA", [] {}, L"MsvcHostGd.exe"},
    {"MSVC host /Gv, no language", L"", 0, {L"\nzvudInitProductParams\t0\n", L"\nexception\t3221225480\n"}, L"ZOVA",
        [] { DeleteKey(HKEY_LOCAL_MACHINE, kVersionKey + L"\\InstalledProducts"); }, L"MsvcHostGv.exe"},
#endif
};
// clang-format on

TEST(ZvudTest, CommandsOnTheSampleInstallation)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        Sample sample;
        row.setUp();
        EXPECT_EQ(sample.Start(kRoot + row.program, row.arguments), row.exit) << sample.out << sample.err;
        size_t errTexts = 0;
        for (const std::wstring& text : row.texts) {
            const bool onErr = text.rfind(L"zvud: ", 0) == 0;
            const size_t at = (onErr ? sample.err : "\n" + sample.out).find(Narrow(text));
            EXPECT_TRUE(onErr ? at == 0 : at != std::string::npos) << Narrow(text) << "\n" << sample.out << sample.err;
            errTexts += onErr ? 1 : 0;
        }
        EXPECT_EQ(sample.err.find('\n') + 1, errTexts == 0 ? 0 : sample.err.size()) << sample.err;  // one line or none
        EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct").value().Text(), row.lastLaunched);
        if (row.program != std::wstring(L"zvud.exe")) {  // each answer: a line "key<TAB>text", or "key" for none
            const std::string answers = sample.out;
            sample.Start(kRoot + L"zvud.exe", L"--json");
            for (size_t start = 0, end = 0; (end = answers.find('\n', start)) != std::string::npos; start = end + 1) {
                const std::string line = answers.substr(start, end - start), key = line.substr(0, line.find('\t'));
                auto json = '"' + key + "\": " + (key == line ? "null" : '"' + line.substr(key.size() + 1) + '"');
                for (size_t at = json.find('\\'); at != std::string::npos; at = json.find('\\', at + 2)) {
                    json.insert(at, 1, '\\');  // as JSON writes a backslash
                }
                const bool hostOnly = kHostOnly.find(" " + key + " ") != std::string::npos;
                EXPECT_TRUE(hostOnly || sample.out.find(json) != std::string::npos) << json << " in\n" << sample.out;
            }
        }
    }
}

}  // namespace
}  // namespace userdata::testing
