// zvud.exe as a user runs it: one command line per row, as its own process, on
// a fresh copy of the sample installation that the build lays out beside the
// test programs: sample/ (with the library, zvud and the MSVC hosts) in a
// folder named beyond ASCII inside the data folder that sample.reg names, and
// sample-data/ (the user's folders and help files) as that data folder, which
// each row deletes afterwards; the registry imported with regedit into the
// prefix's real hives.
#include "TestSupport.h"

#include <regex>

namespace userdata::testing {
namespace {

const std::wstring kVersionKey = L"Software\\Brevonix\\Suite\\7.0";
const std::wstring kZova = kVersionKey + L"\\ZOVA-7.0";
const std::wstring kPlanner = kVersionKey + L"\\Planner-7.0";
const std::wstring kComServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}";
const std::wstring kUserData = L"C:\\BrevonixData\\";  // what sample.reg names, as the products' packages make it
// The installation folder, as the library names it.
const std::wstring kRoot = kUserData + L"Suite \u00dcbung \u03a9 \U0001D11E\\";

// Runs `program` with `commandLine` to its end, started in the userdatacache
// folder beside zvud as shortcuts start the products: its exit status, and
// what it wrote to stdout and to stderr (read back from the files' start;
// UTF-8 is expected).
std::tuple<DWORD, std::string, std::string> Start(const std::wstring& program, std::wstring commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = CreateFileW((kUserData + L"out").c_str(), GENERIC_ALL, 0, &inherit, CREATE_ALWAYS, 0, 0);
    startup.hStdError = CreateFileW((kUserData + L"err").c_str(), GENERIC_ALL, 0, &inherit, CREATE_ALWAYS, 0, 0);
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               (kRoot + L"userdatacache").c_str(), &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    std::tuple<DWORD, std::string, std::string> output;
    GetExitCodeProcess(process.hProcess, &std::get<0>(output));
    for (auto [file, text] :
         {std::pair{startup.hStdOutput, &std::get<1>(output)}, std::pair{startup.hStdError, &std::get<2>(output)}}) {
        text->assign(GetFileSize(file, nullptr), '\0');
        OVERLAPPED start = {};
        ReadFile(file, text->data(), static_cast<DWORD>(text->size()), nullptr, &start);
    }
    for (HANDLE handle : {startup.hStdOutput, startup.hStdError, process.hProcess, process.hThread}) {
        CloseHandle(handle);
    }
    return output;
}

// A command line (a program of the installation, then its arguments as typed
// in a prompt; it names the row) and what it must give: exit status; texts of
// its output (a leading "\n" starts a line; none: no output) followed by the
// line "LastLaunchedProduct: " with what start-up remembers; how its one line
// on stderr starts (none: stderr is empty); what is done to the sample before
// it; a text its output must not hold. An MSVC host's answers are compared
// with zvud show --json as well.
struct Row {
    std::wstring command;
    DWORD exit = 0;
    std::vector<std::wstring> texts = {};
    std::wstring err = L"";
    void (*setUp)() = [] {};
    std::string absent = "";
};

void NoIdentityFile()
{
    DeleteFileW((kRoot + L"de-DE\\identity.ini").c_str());
}
// The installation's UserData.dll stamped as version 1.0.7, as an older DLL left beside a newer zvud.
void OlderLibrary()
{
    const std::wstring path = kRoot + L"UserData.dll";
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    const BYTE* start = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    std::vector<BYTE> resource(start, start + SizeofResource(module, found));
    FreeLibrary(module);
    const DWORD signature = VS_FFI_SIGNATURE;
    auto fixed = std::search(resource.begin(), resource.end(), reinterpret_cast<const BYTE*>(&signature),
                             reinterpret_cast<const BYTE*>(&signature + 1));
    ASSERT_NE(fixed, resource.end());
    auto* info = reinterpret_cast<VS_FIXEDFILEINFO*>(&*fixed);
    info->dwFileVersionMS = MAKELONG(0, 1);
    info->dwFileVersionLS = MAKELONG(0, 7);
    const HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
    EXPECT_TRUE(UpdateResourceW(update, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), resource.data(),
                                static_cast<DWORD>(resource.size())));
    EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
}
void ComServerAtADrive()
{
    SetString(HKEY_CLASSES_ROOT, kComServer + L"\\InProcServer32", nullptr, L"C:\\z.dll");
}
void PlannersVerticalPathOfWrongType()
{
    SetString(HKEY_LOCAL_MACHINE, kPlanner + L"\\VerticalEnvPath", nullptr, L"C:\\Brevonix", REG_MULTI_SZ);
}
// The roamable root folder, also named as the local one, held open while zvud runs, shared for reading
// only: it opens for reading but not for writing.
HANDLE heldFolder = INVALID_HANDLE_VALUE;
void HoldEverythingBroken()
{
    SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", L"fr");
    SetString(HKEY_CURRENT_USER, kZova, L"LocalRootFolder", kUserData + L"Roaming\\ZOVA-7.0");
    SetString(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{C0DE}", kZova);
    ComServerAtADrive();
    DeleteFileW((kUserData + L"Help\\zova-standard.chm").c_str());
    heldFolder = CreateFileW((kUserData + L"Roaming\\ZOVA-7.0").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

const Row kRows[] = {
    {.command = L"zvud show --language en-US",
     .texts = {L"   succeeded\nlibrary version:            " USERDATA_FILE_VERSION ", commit ",
               L"\nlanguage:                   en-US\n"}},
    {.command = L"zvud --product=PLANNER",
     .texts = {L"Planner;C:\\BrevonixData\\Shared\n", L"\nLastLaunchedProduct: PLANNER\n"}},
    {.command = L"zvud --user-root \"K\\\"\t\x01\\\U0001D11E\" --json",
     .exit = 1,
     .texts = {LR"("startUpSucceeded": false)", L"\"userRootKey\": \"K\\\"\\t\\u0001\\\\\U0001D11E\"",
               LR"("specialFolders": {)", LR"("SandboxCrashSaveFolder": null)", LR"("contextHelpFile": )"},
     .err = L"zvud: start-up failed (the file " + kRoot + L"de-DE\\identity.ini",
     .setUp = NoIdentityFile},
    // start-up's reason, as the core decides it: the value of the wrong type
    {.command = L"zvud --product=PLANNER show",
     .exit = 1,
     .texts = {L"start-up:                   failed\n"},
     .err = L"zvud: start-up failed (HKLM\\" + kPlanner + L"\\VerticalEnvPath\\(default) is REG_MULTI_SZ",
     .setUp = PlannersVerticalPathOfWrongType},
    {.command = L"zvud folder userdatacachefolder", .texts = {L"\n" + kRoot + L"UserDataCache\n"}},  // any letter case
    {.command = L"zvud product-file Templates", .texts = {L"\nC:\\Brevonix\\Zova\\Templates\\standard.zvt\n"}},
    {.command = L"zvud string \"@" + TestProgramFolder() + L"\\TestStrings.dll,-101\"", .texts = {L"\nOpen\n"}},
    {.command = L"zvud string \"@" + TestProgramFolder() + L"\\TestStrings.dll,-104\"",
     .exit = 1,
     .err = L"zvud: the library gives no"},
    {.command = L"zvud repair", .texts = {L"\nInstallUserData: status 0: "}},
    {.command = L"zvud migrate", .texts = {L"\nProcessAutoMigrate: true\n"}},
    // set-string (the hive in any letter case) writes over what start-up remembered
    {.command = L"zvud set-string hkcu\\" + kVersionKey + L" LastLaunchedProduct \u03a9",
     .texts = {L"\nLastLaunchedProduct: \u03a9\n"}},
    {.command = L"zvud set-working-directory", .texts = {L" (was " + kRoot + L"userdatacache)\n"}},
    // a copy beside which the working directory is no userdatacache folder (and no installation)
    {.command = L"Help\\zvud set-working-directory",
     .texts = {L" (unchanged: SetWorkingDirectory leaves only " + kRoot + L"Help\\userdatacache, "},
     .err = L"zvud: start-up failed (the file " + kRoot + L"Help\\identityver.ini is missing)",
     .setUp =
         [] {
             for (const wchar_t* file : {L"zvud.exe", L"UserData.dll"}) {
                 CopyFileW((kRoot + file).c_str(), (kRoot + L"Help\\" + file).c_str(), TRUE);
             }
         }},
    // help, --help and --version start nothing up: the product given is not remembered
    {.command = L"zvud --product PLANNER /?",
     .texts = {L"\n  set-string HIVE\\KEY NAME DATA ", L"\nLastLaunchedProduct: ZOVA\n"}},
    // a command's help: its own options and exit statuses
    {.command = L"zvud help show",
     .texts = {L"\nUsage: zvud [OPTIONS] show\n", L"\n  --json ", L"\n  1  start-up failed, or UserData.dll cannot"},
     .absent = "--problems"},
    // what is asked for but not installed: start-up's choice instead, and why, as the core decided it before
    // start-up wrote its choice back as the last launched one
    {.command = L"zvud --product NOPE --language xx-XX folder InstallFolderLang",
     .texts = {L"\n" + kRoot + L"en-US\n", L"\nLastLaunchedProduct: PLANNER\n"},
     .err = L"zvud: warning: the product NOPE asked for is not installed: start-up took PLANNER, the first listed "
            L"under HKLM\\" +
            kVersionKey +
            L"\\InstalledProducts; the language xx-XX asked for is not installed "
            L"for PLANNER: start-up took en-US, the first listed under HKLM\\" +
            kVersionKey + L"\\InstalledProducts\\PLANNER\n",
     .setUp = [] { SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct", L"GONE"); }},
    {.command = L"zvud --json --product=A --product B", .exit = 2, .err = L"zvud: --product is given twice"},
    {.command = L"zvud --version --product=P",
     .texts = {L"\nzvud.exe " USERDATA_FILE_VERSION ", commit ", L"\nUserData.dll " USERDATA_FILE_VERSION ", commit ",
               L" (" + kRoot + L"UserData.dll)\n"}},
    {.command = L"zvud folder 0",
     .exit = 1,
     .err = L"zvud: cannot load " + kRoot + L"UserData.dll (status 126: ",
     .setUp = [] { DeleteFileW((kRoot + L"UserData.dll").c_str()); }},
    // a command line that cannot be taken: exit status 2 before anything is loaded
    {.command = L"zvud --product=PLANNER folder Nowhere", .exit = 2, .err = L"zvud: 'Nowhere' is neither"},
    // --problems: the problems and the summary, nothing that is in order; a listed product's repair step by step
    {.command = L"zvud doctor --problems",
     .exit = 1,
     .texts = {L"\nproblem help-file         C:\\BrevonixData\\Help\\ZOVACTXT.CHM: does not exist",
               L"\\UserData\\{C0DE}: LocalRootFolder C:\\BrevonixData\\Local\\Planner-7.0\\ (HKCU\\" + kPlanner +
                   L") does not exist: InstallUserData would reinstall UserData (REINSTALLMODE=p), then if the folder "
                   L"still does not open for reading and writing, delete HKCU\\" +
                   kPlanner +
                   L" and reinstall UserData (REINSTALLMODE=u). Fix: create C:\\BrevonixData\\Local\\Planner-7.0\\",
               L"\nsummary: 2 problems, 8 notes\n"},
     .setUp =
         [] {
             DeleteFileW((kUserData + L"Help\\ZOVACTXT.CHM").c_str());
             SetString(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{C0DE}", kPlanner);
             DeleteTree(kUserData + L"Local\\Planner-7.0");
         },
     .absent = "ok "},
    // a problem for each check that start-up leaves working, every key of its objects
    {.command = L"zvud doctor --json",
     .exit = 1,
     .texts =
         {L"\n{\n  \"zvudVersion\": \"" USERDATA_FILE_VERSION ", commit ",
          L"\n  \"userDataVersion\": \"" USERDATA_FILE_VERSION ", commit ",
          L"\n  \"product\": \"ZOVA\",\n  \"language\": \"de-DE\",\n  \"problems\": 6,\n  \"notes\": 8,\n",
          L"\n  \"checks\": [\n    {\"check\": \"library-version\", \"status\": \"ok\"", L"}\n  ]\n}\n",
          LR"("last-launched", "status": "problem")", LR"("special-folder", "status": "problem")",
          LR"(ZOVA-7.0\\ cannot be opened for writing)",
          LR"((REINSTALL=ALL REINSTALLMODE=m), then delete HKCU\\Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0 and reinstall UserData (REINSTALLMODE=u))",
          LR"({"check": "com-server", "status": "problem", "subject": "HKCR\\CLSID\\{3F6B0D18-)",
          LR"(InProcServer32", "detail": "registered with the absolute path C:\\z.dll", "fix": "register the server)",
          LR"("help-file", "status": "problem")"},
     .setUp = HoldEverythingBroken},
    {.command = L"zvud check-com",
     .exit = 1,
     .texts = {L"\nCheckCOMServerRelativePaths: false\n"},
     .setUp = ComServerAtADrive},
#ifdef USERDATA_MSVC_HOSTS
    {.command = L"MsvcHostGd",
     .texts = {L"\nzvudLoadMUIString\tplain text\n", L"\nzvudRegSetString\t87\n", L"\nInstallUserData\t0\n"}},
    {.command = L"MsvcHostGv",
     .texts = {L"\nzvudInitProductParams\t0\n", L"\nexception\t3221225480\n"},
     .setUp = [] { DeleteKey(HKEY_LOCAL_MACHINE, kVersionKey + L"\\InstalledProducts"); }},
#endif
};

// A fresh copy of the sample: its folders, and its registry in the real hives.
void LayOutSample()
{
    CopyTree(TestProgramFolder() + L"\\sample-data", kUserData);
    CopyTree(TestProgramFolder() + L"\\sample", kRoot);
    EXPECT_EQ(std::get<0>(Start(L"C:\\windows\\regedit.exe", L"regedit /S \"" + kRoot + L"sample.reg\"")), 0u);
}

void ClearSample()
{
    CloseHandle(std::exchange(heldFolder, INVALID_HANDLE_VALUE));
    RemoveFromRealHives({L"Software\\Brevonix", (L"Software\\Classes\\" + kComServer).c_str()});
    DeleteTree(kUserData);
}

// The lines of an MSVC host's output: "key<TAB>text", or "key" for none.
const std::regex kAnswer("\n(?!exception)(\\w+)(?:\t(.*))?");

TEST(ZvudTest, CommandsOnTheSampleInstallation)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(Narrow(row.command));
        LayOutSample();
        row.setUp();
        auto [exit, out, err] = Start(kRoot + row.command.substr(0, row.command.find(' ')) + L".exe", row.command);
        EXPECT_EQ(exit, row.exit) << out << err;
        const std::wstring last = ReadValue(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct").value().Text();
        const std::string transcript = "\n" + out + "\nLastLaunchedProduct: " + Narrow(last) + "\n";
        for (const std::wstring& text : row.texts) {
            EXPECT_NE(transcript.find(Narrow(text)), std::string::npos) << Narrow(text) << "\n" << transcript;
        }
        if (!row.absent.empty()) {
            EXPECT_EQ(transcript.find(row.absent), std::string::npos) << row.absent << "\n" << transcript;
        }
        // stderr: the expected line, or nothing
        EXPECT_EQ(err.find('\n') + 1, err.starts_with(Narrow(row.err)) ? (row.err.empty() ? 0 : err.size()) : 1) << err;
        // An MSVC host's answers, from its start-up's to IsUnicodeBuild's, are those of zvud show --json (read
        // with none as "" and a backslash once), bar the exception it caught.
        if (row.command.starts_with(L"MsvcHost")) {
            std::string show = std::get<1>(Start(kRoot + L"zvud.exe", L"zvud --json"));
            show = std::regex_replace(std::regex_replace(show, std::regex(": null"), ": \"\""), std::regex(R"(\\\\)"),
                                      "\\");
            const std::string answers = out.substr(0, out.find("\nIsUnicodeBuild"));
            for (std::sregex_iterator it(answers.begin(), answers.end(), kAnswer), end; it != end; ++it) {
                EXPECT_NE(show.find(it->format("\"$1\": \"$2\"")), std::string::npos) << it->str() << " in\n" << show;
            }
        }
        ClearSample();
    }
}

// zvud doctor on the sample broken in one way: the line it must give (its
// status, check and subject, the file, key or value that causes it), words its
// fix must hold, its exit status, and a check that must find no problem (one
// downstream of the cause).
struct DoctorRow {
    const char* name;
    void (*breakIt)() = [] {};
    std::wstring options = L"";
    std::wstring status = L"problem";
    std::wstring check;
    std::wstring subject;
    std::vector<std::wstring> fixWords = {};
    DWORD exit = 1;
    std::wstring quiet = L"";
};

const std::wstring kUserVersionKey = L"HKCU\\" + kVersionKey;
const std::wstring kUserZova = kUserVersionKey + L"\\ZOVA-7.0";

const DoctorRow kDoctorRows[] = {
    {.name = "intact sample, PLANNER asked for",
     .options = L"--product PLANNER",
     .status = L"ok",
     .check = L"help-file",
     .subject = kRoot + L"Help\\PlannerCTXT.CHM",
     .exit = 0},
    {.name = "an older UserData.dll",
     .breakIt = OlderLibrary,
     .check = L"library-version",
     .subject = kRoot + L"UserData.dll",
     .fixWords = {L"UserData.dll of version " USERDATA_FILE_VERSION " beside zvud.exe"}},
    {.name = "identity.ini missing",
     .breakIt = NoIdentityFile,
     .check = L"identity-file",
     .subject = kRoot + L"de-DE\\identity.ini",
     .fixWords = {L"restore identity.ini for ZOVA in de-DE"}},
    {.name = "LastLaunchedLanguage as REG_DWORD",
     .breakIt = [] { SetDword(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", 7); },
     .check = L"last-launched",
     .subject = kUserVersionKey + L"\\LastLaunchedLanguage",
     .fixWords = {L"(de-DE, en-US)", L"as REG_SZ"}},
    {.name = "the product list key deleted",
     .breakIt = [] { DeleteKey(HKEY_LOCAL_MACHINE, kZova + L"\\UserData"); },
     .check = L"product-list",
     .subject = L"HKLM\\" + kZova + L"\\UserData",
     .fixWords = {L"reinstall the product"}},
    {.name = "the required COM server not registered",
     .breakIt = [] { DeleteKey(HKEY_CLASSES_ROOT, kComServer + L"\\InProcServer32"); },
     .check = L"com-server",
     .subject = L"HKCR\\" + kComServer + L"\\InProcServer32",
     .fixWords = {L"register the server"}},
    {.name = "PLANNER's VerticalEnvPath as REG_MULTI_SZ",
     .breakIt = PlannersVerticalPathOfWrongType,
     .options = L"--product PLANNER",
     .check = L"vertical-path",
     .subject = L"HKLM\\" + kPlanner + L"\\VerticalEnvPath",
     .fixWords = {L"as REG_SZ"}},
    {.name = "identityver.ini with IsConfigurable=yes",
     .breakIt =
         [] {
             WritePrivateProfileStringW(L"ProductIdentity", L"IsConfigurable", L"yes",
                                        (kRoot + L"identityver.ini").c_str());
         },
     .check = L"version-file",
     .subject = kRoot + L"identityver.ini IsConfigurable",
     .fixWords = {L"IsConfigurable=1"}},
    {.name = "LastLaunchedProduct as REG_MULTI_SZ",
     .breakIt = [] { SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedProduct", L"ZOVA", REG_MULTI_SZ); },
     .check = L"last-launched",
     .subject = kUserVersionKey + L"\\LastLaunchedProduct",
     .fixWords = {L"REG_SZ"}},
    {.name = "the catalogue's ZOVA key with a default value, LastLaunchedLanguage empty",
     .breakIt =
         [] {
             SetString(HKEY_LOCAL_MACHINE, kVersionKey + L"\\InstalledProducts\\ZOVA", nullptr, L"");
             SetString(HKEY_CURRENT_USER, kVersionKey, L"LastLaunchedLanguage", L"");
         },
     .check = L"catalogue",
     .subject = L"HKLM\\" + kVersionKey + L"\\InstalledProducts\\ZOVA\\(default)",
     .fixWords = {L"delete the default value"}},
    {.name = "a help value naming an undefined variable",
     .breakIt =
         [] {
             SetString(HKEY_CURRENT_USER, kZova + L"\\Profiles\\Standard\\General", L"ZOVAHELP",
                       L"%NOSUCHVAR%\\zova-standard.chm", REG_EXPAND_SZ);
         },
     .check = L"help-file",
     .subject = kUserZova + L"\\Profiles\\Standard\\General\\ZOVAHELP",
     .fixWords = {L"NOSUCHVAR"}},
    {.name = "the user root override naming a missing key",
     .options = L"--user-root Software\\Brevonix\\Nowhere",
     .check = L"user-root",
     .subject = L"HKCU\\Software\\Brevonix\\Nowhere",
     .fixWords = {L"--user-root"}},
    {.name = "the machine's product root key deleted",
     .breakIt = [] { DeleteKey(HKEY_LOCAL_MACHINE, kZova); },
     .check = L"registry-root",
     .subject = L"HKLM\\" + kZova,
     .fixWords = {L"reinstall"},
     .quiet = L"product-list"},
    {.name = "the current profile naming a profile without a key",
     .breakIt = [] { SetString(HKEY_CURRENT_USER, kZova + L"\\Profiles", nullptr, L"Nobody"); },
     .check = L"help-file",
     .subject = kUserZova + L"\\Profiles\\(default)",
     .fixWords = {L"(Standard)", L"Profiles\\Nobody\\General"}},
    {.name = "LocalRootFolder as REG_DWORD",
     .breakIt = [] { SetDword(HKEY_CURRENT_USER, kZova, L"LocalRootFolder", 5); },
     .check = L"special-folder",
     .subject = kUserZova + L"\\LocalRootFolder",
     .fixWords = {L"replace the REG_DWORD value"}},
    {.name = "RoamableRootFolder naming an undefined variable",
     .breakIt = [] { SetString(HKEY_CURRENT_USER, kZova, L"RoamableRootFolder", L"%NOSUCHVAR%\\R", REG_EXPAND_SZ); },
     .check = L"special-folder",
     .subject = kUserZova + L"\\RoamableRootFolder",
     .fixWords = {L"variable NOSUCHVAR"}},
    // An entry of an odd size read after a longer one: the terminator that the registry writes behind the odd byte
    // leaves the next character's high byte as the longer entry's U+03A9 left it, unless the walk clears it.
    {.name = "a product list entry of an odd size after a longer one",
     .breakIt =
         [] {
             SetString(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{A}", kVersionKey + L"\\ZOVA-7.0\u03A9");
             const std::wstring zova = kVersionKey + L"\\ZOVA-7.0";
             SetRaw(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{B}", REG_SZ, zova.c_str(),
                    DWORD(zova.size()) * 2 - 1);
         },
     .status = L"ok",
     .check = L"product-list",
     .subject = L"HKLM\\" + kZova + L"\\UserData\\{B}"},
    // the switch is under the product's root key, not under the user root override
    {.name = "AutoMigrate 0 for the product, 1 under the override",
     .breakIt =
         [] {
             SetDword(HKEY_LOCAL_MACHINE, kZova, L"AutoMigrate", 0);
             SetDword(HKEY_LOCAL_MACHINE, kPlanner, L"AutoMigrate", 1);
         },
     .options = L"--user-root " + kPlanner,
     .status = L"ok",
     .check = L"migration-switch",
     .subject = L"HKLM\\" + kZova + L"\\AutoMigrate"},
};

TEST(ZvudTest, DoctorNamesTheCause)
{
    for (const DoctorRow& row : kDoctorRows) {
        SCOPED_TRACE(row.name);
        LayOutSample();
        row.breakIt();
        auto [exit, out, err] = Start(kRoot + L"zvud.exe", L"zvud " + row.options + L" doctor");
        EXPECT_EQ(exit, row.exit) << out;
        const std::string line = Narrow(L"\n" + row.status + std::wstring(8 - row.status.size(), L' ') + row.check +
                                        std::wstring(18 - row.check.size(), L' ') + row.subject + L": ");
        const std::string report = "\n" + out;
        const size_t start = report.find(line);
        EXPECT_NE(start, std::string::npos) << line << "\n" << out;
        const std::string found =
            start == std::string::npos ? "" : report.substr(start + 1, report.find('\n', start + 1) - start);
        // no "ok" for what is broken
        const std::wstring ok = L"\nok      " + row.check + std::wstring(18 - row.check.size(), L' ') + row.subject;
        EXPECT_TRUE(row.status == L"ok" || report.find(Narrow(ok + L":")) == std::string::npos) << out;
        EXPECT_TRUE(row.quiet.empty() || report.find(Narrow(L"\nproblem " + row.quiet)) == std::string::npos) << out;
        for (const std::wstring& word : row.fixWords) {
            EXPECT_NE(found.find(Narrow(word), found.find(". Fix: ")), std::string::npos) << Narrow(word) << "\n"
                                                                                          << found;
        }
        ClearSample();
    }
}

}  // namespace
}  // namespace userdata::testing
