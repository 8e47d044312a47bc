// zvud.exe as a user runs it: one command line per row, as its own process, on
// a fresh copy of the sample installation of sample/ (in a folder named beyond
// ASCII, its registry imported with regedit into the prefix's real hives).
#include "TestSupport.h"

namespace userdata::testing {
namespace {

const std::wstring kVersionKey = L"Software\\Brevonix\\Suite\\7.0";
const std::wstring kZova = kVersionKey + L"\\ZOVA-7.0";
const std::wstring kComServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}";
const std::wstring kUserData = L"C:\\BrevonixData\\";  // what sample.reg names, as the products' packages make it

template <typename Text>
Text Replaced(Text text, const std::type_identity_t<Text>& what, const std::type_identity_t<Text>& with)
{
    for (size_t at = text.find(what); at != Text::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

struct Sample {
    Sample()
    {
        CopyTree(TestProgramFolder() + L"\\sample", root);
        CreateFolders(root + L"userdatacache");  // where commands start: set-working-directory leaves it
        for (const wchar_t* file : {L"UserData.dll", L"zvud.exe", L"MsvcHostDefault.exe", L"MsvcHostVectorcall.exe"}) {
            CopyFileW((TestProgramFolder() + L"\\" + file).c_str(), (root + file).c_str(), FALSE);
        }
        RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\Global"});
        for (const wchar_t* path : {L"Help\\", L"Help\\zova-standard.chm", L"Help\\ZOVACTXT.CHM", L"Shared\\",
                                    L"Roaming\\ZOVA-7.0\\", L"Local\\ZOVA-7.0\\GraphicsCache\\", L"AllUsers\\"}) {
            path[wcslen(path) - 1] == L'\\' ? CreateFolders(kUserData + path) : WriteTextFile(kUserData + path, "");
        }
        EXPECT_EQ(Start(L"regedit.exe", L"/S \"" + root + L"sample.reg\""), 0u);
    }
    ~Sample()
    {
        RemoveFromRealHives({L"Software\\Brevonix\\Suite", L"Software\\Brevonix\\Global"});
        DeleteKey(HKEY_CLASSES_ROOT, kComServer);
        DeleteTree(kUserData);
    }

    // Runs `program` to its end: its exit status, with what it wrote in `out` and `err`.
    DWORD Start(const std::wstring& program, const std::wstring& arguments)
    {
        std::wstring line = L"\"" + program + L"\" " + arguments;
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = CreateFileW((temp / L"out").c_str(), GENERIC_ALL, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
        startup.hStdError = CreateFileW((temp / L"err").c_str(), GENERIC_ALL, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   (root + L"userdatacache").c_str(), &startup, &process));
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD exit = ~0u;
        GetExitCodeProcess(process.hProcess, &exit);
        const auto readBack = [](HANDLE file) {  // from the start, as the program wrote it (UTF-8 is expected)
            std::string bytes(GetFileSize(file, nullptr), '\0');
            OVERLAPPED start = {};
            ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &start);
            return bytes;
        };
        out = readBack(startup.hStdOutput);
        err = readBack(startup.hStdError);
        for (HANDLE handle : {process.hProcess, process.hThread, startup.hStdOutput, startup.hStdError}) {
            CloseHandle(handle);
        }
        return exit;
    }

    TempFolder temp;
    const std::wstring root = temp / L"Suite \u00dcbung \u03a9 \U0001D11E\\";  // as the library names it
    std::string out, err;
};

// A command line and what it must give: exit status; texts of its output (a
// leading "\n" starts a line; <root> is the installation folder, escaped in
// JSON; none: no output), where a text starting with "zvud: " starts the one
// line on stderr, which is empty otherwise; what is done to the sample before
// it; the product that start-up remembers (LastLaunchedProduct) after it.
struct Row {
    const char* name;
    std::wstring arguments;  // as typed in a command prompt
    DWORD exit;
    std::vector<std::wstring> texts;
    void (*setUp)(const std::wstring& root) = [](const std::wstring&) {};
    const wchar_t* lastLaunched = L"ZOVA";
    const wchar_t* program = L"zvud.exe";  // or a host built the MSVC way, which must answer as zvud show --json
};

void Nothing(const std::wstring&) {}
void NoIdentityFile(const std::wstring& root) { DeleteFileW((root + L"de-DE\\identity.ini").c_str()); }
void NoCatalogue(const std::wstring&) { DeleteKey(HKEY_LOCAL_MACHINE, kVersionKey + L"\\InstalledProducts"); }
void NoLibrary(const std::wstring& root) { DeleteFileW((root + L"UserData.dll").c_str()); }
const std::wstring kStrings = L"@" + TestProgramFolder() + L"\\TestStrings.dll,-10";

const Row kRows[] = {
    {"show --json", L"show --json", 0,
     {LR"("startUpSucceeded": true)", LR"("language": "de-DE")", LR"("identityFile": "<root>de-DE\\identity.ini")",
      LR"("helpFile": "C:\\BrevonixData\\Help\\zova-standard.chm")", LR"("verticalPath": null)",
      LR"("GraphicsCacheFolder": "C:\\BrevonixData\\Local\\ZOVA-7.0\\GraphicsCache\\")", LR"("rootFolder": "<root>")"}},
    {"show --json, vertical", L"--product PLANNER --language en-US --json", 0,
     {LR"("verticalPath": "C:\\Brevonix\\Planner;C:\\Brevonix\\Shared")", LR"("helpFile": "<root>Help\\planner.chm")",
      LR"("RoamableRootFolder": "<root>")"}, Nothing, L"PLANNER"},
    {"start-up, no identity.ini", L"--user-root \"K\\\"Q\\\"\t\\\U0001D11E\" --json", 1,
     {LR"("startUpSucceeded": false)", LR"("identityFile": null)", L"\"userRootKey\": \"K\\\"Q\\\"\\t\\\\\U0001D11E\"",
      L"zvud: start-up failed (the file <root>de-DE\\identity.ini is missing)"}, NoIdentityFile},
    {"start-up, no version key", L"show", 1, {L"\nstart-up:                   failed\n",
     L"\nroot folder:                <root>\n", L"\n  SandboxCrashSaveFolder:   (not available)\n",
     L"zvud: start-up failed (the key ProductVersionKey of [ProductIdentity] is missing from <root>identityver.ini)"},
     [](auto& root) { WriteTextFile(root + L"identityver.ini", ""); }},
    {"start-up, no catalogue", L"--user-root " + kZova + L" --json", 1,
     {LR"("HelpFolderLang": null)", LR"("helpFile": "C:\\BrevonixData\\Help\\suite-standard.chm")",
      L"zvud: start-up failed (the registry key " + kVersionKey + L"\\InstalledProducts is missing"}, NoCatalogue},
    {"folder number", L"folder 15", 0, {L"\n<root>UserDataCache\\de-DE\n"}},
    {"folder, any case", L"--product=PLANNER folder localrootfolder", 0, {L"\nC:\\BrevonixData\\Local\\Planner-7.0\\"},
     Nothing, L"PLANNER"},
    {"product-file", L"product-file Templates", 0, {L"\nC:\\Brevonix\\Zova\\Templates\\standard.zvt\n"}},
    {"string", L"string \"" + kStrings + L"1\"", 0, {L"\nOpen\n"}},
    {"string none", L"string \"" + kStrings + L"4\"", 1, {L"zvud: the library gives no string"}},
    {"repair", L"repair", 0, {L"\nInstallUserData: status 0: "}},
    // set-string writes over what start-up remembered; it must not create a missing key
    {"set-string", L"set-string HKCU\\" + kVersionKey + L" LastLaunchedProduct \"C:\\N \u03a9\"", 0,
     {L"\nzvudRegSetString: status 0: "}, Nothing, L"C:\\N \u03a9"},
    {"set-string, no key", L"set-string HKCU\\" + kVersionKey + L"\\New N N", 1, {L"zvud: cannot open HKCU\\"}},
    {"set-working-directory", L"set-working-directory", 0, {L" (was <root>userdatacache)\n"}},
    {"--help", L"--product PLANNER --help", 0, {L"\n  set-string HIVE\\KEY NAME DATA "}},
    {"version", L"--version --product=PLANNER", 0, {L"\nUserData.dll " USERDATA_FILE_VERSION " (<root>UserData.dll)"}},
    {"--version, no DLL", L"--version", 0, {L"\nUserData.dll cannot load <root>UserData.dll (status 126: "}, NoLibrary},
    {"command, no DLL", L"folder 0", 1, {L"zvud: cannot load <root>UserData.dll (status 126: "}, NoLibrary},
    {"bad command", L"--product PLANNER frobnicate", 2, {L"zvud: unknown command 'frobnicate'"}},
    {"bad option", L"--frobnicate", 2, {L"zvud: unknown option"}}, {"no value", L"--product", 2, {L"zvud: --product"}},
    {"no such folder", L"--product=PLANNER folder Nowhere", 2, {L"zvud: 'Nowhere' is neither"}},
    {"doctor", L"doctor", 0, {L"\nok      start-up          zvudInitProductParams: succeeded with product 'ZOVA'"}},
    {"doctor, no identity.ini", L"doctor", 1, {L"\nproblem identity-file     <root>de-DE\\identity"}, NoIdentityFile},
    {"doctor, last language", L"doctor", 1, {L"\nproblem last-launched     HKCU\\" + kVersionKey + L"\\LastLaunched"},
     [](auto&) { SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", L"fr"); }},
    {"doctor, folder value", L"doctor", 1, {L"\nproblem special-folder    HKCU\\" + kZova + L"\\LocalRootFolder: "},
     [](auto&) { SetString(HKEY_CURRENT_USER, kZova, L"LocalRootFolder", L"C:\\Gone"); }},
    {"doctor, product code", L"doctor", 1, {L"\nproblem product-list      HKLM\\" + kZova + L"\\UserData\\{0BAD"},
     [](auto&) {
         SetString(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{0BAD0000-0000-4000-8000-000000000019}", L"");
     }},
    {"doctor, COM server", L"doctor", 1, {L"\nproblem com-server        HKCR\\" + kComServer + L"\\InProcServer32: "},
     [](auto&) { SetString(HKEY_CLASSES_ROOT, kComServer + L"\\InProcServer32", nullptr, L"C:\\z.dll"); }},
    {"doctor --json, help file", L"doctor --json", 1,
     {LR"({"check": "help-file", "status": "problem", "subject": "C:\\BrevonixData\\Help\\zova-standard.chm", )"},
     [](auto&) { DeleteFileW((kUserData + L"Help\\zova-standard.chm").c_str()); }},
#ifdef USERDATA_MSVC_HOSTS
    {"MSVC host", L"", 0, {L"\nzvudInitProductParams\t1\n", L"\nzvudRegSetString\t87\n", L"\nInstallUserData\t0\n",
     L"\nIsUnicodeBuild\t1\nzvudLoadMUIString\tplain text\nproductFile\tC:\\Brevonix\\Zova\\zova.cfg\n"},
     Nothing, L"ZOVA", L"MsvcHostDefault.exe"},
    {"MSVC host /Gv, no language", L"", 0, {L"\nzvudInitProductParams\t0\n", L"\nexception\t3221225480\n"}, NoCatalogue,
     L"ZOVA", L"MsvcHostVectorcall.exe"},
#endif
};

TEST(ZvudTest, CommandsOnTheSampleInstallation)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        Sample sample;
        row.setUp(sample.root);
        EXPECT_EQ(sample.Start(sample.root + row.program, row.arguments), row.exit) << sample.out << sample.err;
        const bool json = row.arguments.find(L"--json") != std::wstring::npos;
        size_t errTexts = 0;
        for (const std::wstring& text : row.texts) {
            const bool onErr = text.rfind(L"zvud: ", 0) == 0;
            const std::wstring root = json && !onErr ? Replaced(sample.root, L"\\", L"\\\\") : sample.root;
            const std::string expected = Narrow(Replaced(text, L"<root>", root));
            const size_t at = (onErr ? sample.err : "\n" + sample.out).find(expected);
            EXPECT_TRUE(onErr ? at == 0 : at != std::string::npos)
                << expected << " not in\n" << sample.out << sample.err;
            errTexts += onErr ? 1 : 0;
        }
        EXPECT_TRUE(row.texts.size() > errTexts || sample.out.empty()) << sample.out;
        EXPECT_EQ(sample.err.find('\n') + 1, errTexts == 0 ? 0 : sample.err.size()) << sample.err;  // one line or none
        const auto lastLaunched = ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct");
        EXPECT_EQ(lastLaunched.value_or(RegistryValue{}).Text(), row.lastLaunched);
        if (row.program != std::wstring(L"zvud.exe")) {  // each answer (line "key<TAB>text", or "key" for none)
            const std::string answers = sample.out;      // that zvud show --json gives too must be the same there
            sample.Start(sample.root + L"zvud.exe", L"--json");
            const std::string lines = Replaced(answers, "\\", "\\\\");
            for (size_t start = 0, end = 0; (end = lines.find('\n', start)) != std::string::npos; start = end + 1) {
                const std::string line = lines.substr(start, end - start);
                const size_t tab = line.find('\t');
                const std::string key = "\"" + line.substr(0, tab) + "\": ";
                const std::string text = tab == std::string::npos ? "null" : "\"" + line.substr(tab + 1) + "\"";
                const bool zvudAgrees = sample.out.find(key + text) != std::string::npos;
                EXPECT_TRUE(zvudAgrees || sample.out.find(key) == std::string::npos) << line << "\n" << sample.out;
            }
        }
    }
}

}  // namespace
}  // namespace userdata::testing
