// zvud.exe as a user runs it: one command line per row, as its own process, on a fresh copy of the sample
// installation that the build lays out beside the test programs: sample/ (with the library, zvud and the MSVC
// hosts) in a folder named beyond ASCII inside the data folder that sample.reg names, and sample-data/ (the user's
// folders and help files) as that data folder, which each row deletes afterwards; the registry imported with
// regedit into the prefix's real hives.
#include "TestSupport.h"

#include <sddl.h>

#include <regex>
#include <sstream>

namespace userdata::testing {
namespace {

const std::wstring kVersionKey = L"Software\\Brevonix\\Suite\\7.0";
const std::wstring kZova = kVersionKey + L"\\ZOVA-7.0";
const std::wstring kPlanner = kVersionKey + L"\\Planner-7.0";
const std::wstring kComServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}";
const std::wstring kUserData = L"C:\\BrevonixData\\";  // what sample.reg names, as the products' packages make it
// The installation folder, as the library names it.
const std::wstring kRoot = kUserData + L"Suite \u00dcbung \u03a9 \U0001D11E\\";
const std::wstring kVersionFile = kRoot + L"identityver.ini";
const std::wstring kIdentityFile = kRoot + L"de-DE\\identity.ini";
const std::wstring kUserZova = L"HKCU\\" + kZova + L"\\";

// Runs `program` with `commandLine` to its end, started in the userdatacache folder beside zvud as shortcuts
// start the products: its exit status, and what it wrote to stdout and stderr (UTF-8 is expected).
std::tuple<DWORD, std::string, std::string> Start(const std::wstring& program, std::wstring commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const std::wstring out = kUserData + L"out", err = kUserData + L"err";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = CreateFileW(out.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    startup.hStdError = CreateFileW(err.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               (kRoot + L"userdatacache").c_str(), &startup, &process))
        << GetLastError();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit = 0;
    GetExitCodeProcess(process.hProcess, &exit);
    for (HANDLE handle : {startup.hStdOutput, startup.hStdError, process.hProcess, process.hThread}) {
        CloseHandle(handle);
    }
    return {exit, ReadTextFile(out), ReadTextFile(err)};
}

// A command line (a program of the installation, then its arguments as typed in a prompt; it names the row) and
// what it must give: exit status; texts of its output (a leading "\n" starts a line; none: no output) followed by
// the line "LastLaunchedProduct: " with what start-up remembers; how its one line on stderr starts (none: stderr
// is empty); what is done to the sample before it. An MSVC host's answers are compared with zvud show --json.
struct Row {
    std::wstring command;
    DWORD exit = 0;
    std::vector<std::wstring> texts = {};
    std::wstring err = L"";
    void (*setUp)() = [] {};
};

// The installation's UserData.dll stamped as version 1.0.7 in its fixed version information, as an older DLL
// left beside a newer zvud.
void OlderLibrary()
{
    std::string image = ReadTextFile(kRoot + L"UserData.dll");
    const DWORD fixed[] = {VS_FFI_SIGNATURE, VS_FFI_STRUCVERSION, MAKELONG(0, 1), MAKELONG(0, 7)};
    const size_t at = image.find(std::string(reinterpret_cast<const char*>(fixed), 8));
    ASSERT_NE(at, std::string::npos);
    std::copy_n(reinterpret_cast<const char*>(fixed), sizeof(fixed), image.begin() + std::ptrdiff_t(at));
    WriteTextFile(kRoot + L"UserData.dll", image);
}
// The key `key` of the identity files' section set to `value`, or removed.
void SetIniValue(const std::wstring& path, const std::wstring& key, const std::optional<std::wstring>& value)
{
    EXPECT_TRUE(
        WritePrivateProfileStringW(L"ProductIdentity", key.c_str(), value ? value->c_str() : nullptr, path.c_str()));
}

// A DLL that is no UserData.dll in its place.
void ForeignLibrary()
{
    CopyFileW((TestProgramFolder() + L"\\TestStrings.dll").c_str(), (kRoot + L"UserData.dll").c_str(), FALSE);
}
void ComServerAtADrive()
{
    SetString(HKEY_CLASSES_ROOT, kComServer + L"\\InProcServer32", nullptr, L"C:\\z.dll");
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
     .setUp = [] { DeleteFileW((kRoot + L"de-DE\\identity.ini").c_str()); }},
    // start-up's reason, as the core decides it: the value of the wrong type
    {.command = L"zvud --product=PLANNER show",
     .exit = 1,
     .texts = {L"start-up:                   failed\n"},
     .err = L"zvud: start-up failed (HKLM\\" + kPlanner + L"\\VerticalEnvPath\\(default) is REG_MULTI_SZ",
     .setUp = [] { SetString(HKEY_LOCAL_MACHINE, kPlanner + L"\\VerticalEnvPath", nullptr, L"C:\\x", REG_MULTI_SZ); }},
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
     .texts = {L"\nUsage: zvud [OPTIONS] show\n", L"\n  --json ", L"\n  1  start-up failed, or UserData.dll cannot"}},
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
    // a listed product's repair step by step
    {.command = L"zvud doctor --problems",
     .exit = 1,
     .texts = {L"{C0DE}: HKCU\\" + kPlanner +
               L"\\LocalRootFolder names C:\\BrevonixData\\Local\\Planner-7.0\\, which "
               L"does not exist: InstallUserData would reinstall UserData (REINSTALLMODE=p), then if the folder still "
               L"does not open for reading and writing, delete HKCU\\" +
               kPlanner +
               L" and reinstall UserData "
               L"(REINSTALLMODE=u). Fix: create C:\\BrevonixData\\Local\\Planner-7.0\\, or install {C0DE} (or "},
     .setUp =
         [] {
             SetString(HKEY_LOCAL_MACHINE, kZova + L"\\UserData", L"{C0DE}", kPlanner);
             DeleteTree(kUserData + L"Local\\Planner-7.0");
         }},
    // every key of the report's objects, and of its inputs'
    {.command = L"zvud doctor --json --inputs",
     .exit = 1,
     .texts =
         {L"\n{\n  \"zvudVersion\": \"" USERDATA_FILE_VERSION ", commit ",
          L"\n  \"userDataVersion\": \"" USERDATA_FILE_VERSION ", commit ",
          L"\n  \"product\": \"ZOVA\",\n  \"language\": \"de-DE\",\n  \"problems\": 1,\n  \"notes\": 8,\n",
          L"\n  \"checks\": [\n    {\"check\": \"library-version\", \"status\": \"ok\"",
          LR"j(    {"check": "com-server", "status": "problem", "subject": "HKCR\\CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32", "detail": "registered with the absolute path C:\\z.dll", "fix": "register the server with a path without drive (zvud repair has the listed products rewrite it)"},)j",
          LR"(    {"name": "HKLM\\Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0\\ProductName", "kind": "name", "type": "REG_SZ", "stored": "Brevonix Zova", "taken": "Brevonix Zova"},)",
          L"}\n  ]\n}\n"},
     .setUp = ComServerAtADrive},
    // a DLL without the exports, as a foreign UserData.dll: one line, never a crash
    {.command = L"zvud show",
     .exit = 1,
     .err = L"zvud: " + kRoot + L"UserData.dll lacks exports that zvud calls (?CheckCOMServerRelativePaths@@YA_NXZ, ",
     .setUp = ForeignLibrary},
    {.command = L"zvud doctor",
     .exit = 1,
     .texts = {L"\nproblem library-version   " + kRoot + L"UserData.dll: lacks exports that zvud calls (",
               L", and nothing more is checked. Fix: put the UserData.dll of version " USERDATA_FILE_VERSION
               " beside zvud.exe (reinstall the suite)\nsummary: 1 problem, no notes\n\nLastLaunchedProduct: ZOVA\n"},
     .setUp = ForeignLibrary},
    // IsConfigurable is 1 or not configurable, as the library reads it: start-up looks beside the library
    {.command = L"zvud show",
     .exit = 1,
     .texts = {L"start-up:                   failed\n"},
     .err = L"zvud: start-up failed (the file " + kRoot + L"\\identity.ini is missing)",
     .setUp = [] { SetIniValue(kRoot + L"identityver.ini", L"IsConfigurable", L"yes"); }},
    // zvud doctor where breaking one input does not reach, or on unusual but valid installations: no problem
    {.command = L"zvud doctor",
     .texts = {L"\nok      export            zvudGetSpecialFolder(LocalRootFolder): answers " + kUserData +
                   L"Local\\ZOVA-7.0\\\n",
               L"\nok      export            zvudLoadMUIString: answers Brevonix Zova\n",
               L"\nsummary: everything is in order ("}},
    {.command = L"zvud --product PLANNER doctor", .texts = {L"\nsummary: everything is in order ("}},
    // nothing remembered yet, a folder value that expands, a language folder named in other letters than listed
    {.command = L"zvud --product ZOVA doctor",
     .texts = {L"\nok      special-folder    " + kUserZova + L"LocalRootFolder: C:\\BrevonixData\\ exists, writable\n",
               L"\nsummary: everything is in order ("},
     .setUp =
         [] {
             RegDeleteKeyValueW(HKEY_CURRENT_USER, kVersionKey.c_str(), L"LastLaunchedProduct");
             // by way of another name, as Wine takes a change of letter case alone for no change
             EXPECT_TRUE(MoveFileW((kRoot + L"en-US").c_str(), (kRoot + L"en-US~").c_str()) &&
                         MoveFileW((kRoot + L"en-US~").c_str(), (kRoot + L"EN-us").c_str()));
             SetString(HKEY_CURRENT_USER, kZova, L"LocalRootFolder", L"%SystemDrive%\\BrevonixData\\", 2);
         }},
    {.command = L"zvud doctor",
     .exit = 1,
     .texts = {L"\nproblem library-version   " + kRoot + L"UserData.dll: is version 1.0.7, zvud is version ",
               L"\nproblem folder-path       " + kUserZova + L"LocalRootFolder: names " + kUserData +
                   L"Local\\ZOVA-7.0\\, which HKCU\\" + kPlanner + L"\\LocalRootFolder names too: "},
     .setUp =
         [] {
             SetString(HKEY_CURRENT_USER, kPlanner, L"LocalRootFolder", kUserData + L"Local\\ZOVA-7.0\\");
             OlderLibrary();
         }},
    {.command = L"zvud doctor",
     .exit = 1,
     .texts = {L"\nproblem identity-file     " + kIdentityFile + L" ProductRegistryRootKey: names " + kPlanner +
               L", whose program name is Planner, not ZOVA: every answer is another product's. Fix: "},
     .setUp = [] { SetIniValue(kIdentityFile, L"ProductRegistryRootKey", kPlanner); }},
    // the version file names another suite's version, whose catalogue lists nothing installed here
    {.command = L"zvud doctor",
     .exit = 1,
     .texts = {L"\nproblem version-file      " + kVersionFile +
                   L" ProductVersionKey: names Software\\Brevonix\\Suite\\6.0, "
                   L"whose catalogue lists only what is not installed here (ZOVA in fr-FR: no identity file beside ",
               L"\nsummary: 5 problems, "},  // and nothing about the entries of a catalogue that is not this one's
     .err = L"zvud: start-up failed (the file " + kRoot + L"fr-FR\\identity.ini is missing)",
     .setUp =
         [] {
             SetString(HKEY_LOCAL_MACHINE, L"Software\\Brevonix\\Suite\\6.0\\InstalledProducts\\ZOVA", L"fr-FR", L"");
             SetIniValue(kVersionFile, L"ProductVersionKey", L"Software\\Brevonix\\Suite\\6.0");
         }},
    // the user may not create files in it: its access control list lets everyone only read it
    {.command = L"zvud doctor --problems",
     .exit = 1,
     .texts = {L"\nproblem folder-path       " + kUserZova +
               L"BrevonixSharedFolder: the user cannot create files in "
               L"C:\\BrevonixData\\Shared\\ (error 5: Access denied.). Fix: give the user the right to create files in "
               L"C:\\BrevonixData\\Shared\\\nsummary: 1 problem, 8 notes\n\nLastLaunchedProduct: ZOVA\n"},
     .setUp =
         [] {
             PSECURITY_DESCRIPTOR security = nullptr;
             ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FRFX;;;WD)", SDDL_REVISION_1,
                                                                              &security, nullptr));
             EXPECT_TRUE(SetFileSecurityW((kUserData + L"Shared").c_str(), DACL_SECURITY_INFORMATION, security));
             LocalFree(security);
         }},
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

// What zvud doctor reads on the sample for ZOVA in de-DE (--inputs), with the kind that says how each may break;
// `required`: emptying or deleting it breaks the installation. Written out: a read added, dropped or relabelled fails.
struct Input {
    std::wstring name;
    std::wstring kind;
    bool required = false;
};

const Input kInventory[] = {
    {kVersionFile, L"file path", true},
    {kVersionFile + L" ProductVersionKey", L"key path", true},
    {kVersionFile + L" IsConfigurable", L"switch", true},
    {L"HKLM\\" + kVersionKey + L"\\InstalledProducts\\PLANNER\\en-US", L"listed language"},
    {L"HKLM\\" + kVersionKey + L"\\InstalledProducts\\ZOVA\\de-DE", L"listed language"},
    {L"HKLM\\" + kVersionKey + L"\\InstalledProducts\\ZOVA\\en-US", L"listed language"},
    {L"HKCU\\" + kVersionKey + L"\\LastLaunchedProduct", L"name"},
    {L"HKCU\\" + kVersionKey + L"\\LastLaunchedLanguage", L"language"},
    {kIdentityFile, L"file path", true},
    {kIdentityFile + L" GlobalRegistryRootKey", L"key path", true},
    {kIdentityFile + L" ProductRegistryRootKey", L"key path", true},
    {kUserZova + L"Profiles\\(default)", L"profile"},
    {kUserZova + L"Profiles\\Standard\\General\\ZOVAHELP", L"file path"},
    {kUserZova + L"RoamableRootFolder", L"folder path"},
    {kUserZova + L"RoamableRootFolderLang", L"folder path"},
    {kUserZova + L"LocalRootFolder", L"folder path"},
    {kUserZova + L"LocalRootFolderLang", L"folder path"},
    {kUserZova + L"BrevonixSharedFolder", L"folder path"},
    {kUserZova + L"BrevonixSharedFolderLang", L"folder path"},
    {kUserZova + L"AllUsersFolder", L"folder path"},
    {kUserZova + L"GraphicsCacheFolder", L"folder path"},
    {kUserZova + L"SandboxCrashSaveFolder", L"folder path"},
    {L"HKLM\\" + kZova + L"\\AutoMigrate", L"switch"},
    {kRoot + L"PLANNER\\en-US\\identity.ini ProductRegistryRootKey", L"key path", true},
    {L"HKCU\\" + kPlanner + L"\\RoamableRootFolder", L"folder path"},
    {L"HKCU\\" + kPlanner + L"\\LocalRootFolder", L"folder path"},
    {L"HKLM\\" + kZova + L"\\ProductName", L"name", true},
    {L"HKLM\\" + kZova + L"\\ProductSpecific\\(default)", L"named path"},
    {L"HKLM\\" + kZova + L"\\ProductSpecific\\Templates", L"named path"},
};

// One way to break an input: the data put in its place, as a registry value of `type` (REG_NONE deletes it,
// REG_DWORD stores 7), as an INI value, or as a file's content; and what the problem's line must say. `folder`: a
// language folder whose identity file goes instead, the input left as it is.
struct Breakage {
    const char* says;
    std::wstring data = L"";
    DWORD type = REG_SZ;
    std::wstring folder = L"";
};

std::vector<Breakage> WaysToBreak(const Input& input, bool registry)
{
    if (input.kind == L"listed language") {  // the entry deleted, or the identity file of the language it lists
        const std::wstring listed = input.name.substr(input.name.find(L"Products\\") + 9);  // "<product>\<language>"
        return {{"is not listed", L"", REG_NONE},
                {"does not exist", L"", REG_NONE, kRoot + listed.substr(listed.starts_with(L"ZOVA") ? 5 : 0)}};
    }
    std::vector<Breakage> ways = {{"blank", L" x"}, {"dot", L"x."}, {"character", L"de\\DE"}};
    if (input.kind == L"switch") {  // a number of another type is read as a number
        ways = registry ? std::vector<Breakage>{{"the number 48", L"0"}} : std::vector<Breakage>{{"'yes'", L"yes"}};
    } else if (input.kind.ends_with(L"path") && registry) {
        ways = {{"C:\\Nowhere\\x does not exist", L"C:\\Nowhere\\x"},
                {"relative", L"Help\\x"},
                {"blank", L" C:\\BrevonixData\\"},
                {"%NOSUCHVAR%, which is not defined", L"%NOSUCHVAR%\\x", REG_EXPAND_SZ},
                {"REG_SZ", L"%SystemDrive%\\x"},
                {"the drive Q:", L"Q:\\x"},
                {input.kind == L"folder path" ? "a file, not a folder" : "a folder, not a file",
                 input.kind == L"folder path" ? kRoot + L"zvud.exe" : kUserData + L"Help"}};
        if (input.kind == L"named path") {  // handed to the host as stored: it need not exist yet
            ways.erase(ways.begin());
        }
    } else if (input.kind == L"key path") {  // INI values are read without the blanks around them
        ways = {{"backslash", L"Software\\Brevonix\\Global\\"}, {"does not exist", L"Software\\Nowhere"}};
    } else if (input.kind == L"file path") {
        ways = {};
    } else if (input.kind == L"name") {
        ways.pop_back();
    }
    if (registry && input.kind != L"switch") {
        ways.push_back({"REG_DWORD", L"", REG_DWORD});
    }
    if (input.required) {
        ways.insert(ways.end(), {{"empty", L""}, {registry ? "missing" : "", L"", REG_NONE}});
    }
    return ways;
}

// Breaks the input named `name`: a registry value "HKCU\<key>\<value>", an INI value "<file> <key>" or a file.
void Break(const std::wstring& name, const Breakage& breakage)
{
    const bool registry = name.starts_with(L"HK");
    const size_t split = registry ? name.rfind(L'\\') : std::min(name.find(L".ini "), name.size() - 4) + 4;
    const std::wstring path = registry ? name.substr(5, split - 5) : name.substr(0, split);
    const std::wstring item = split < name.size() && !name.ends_with(L"(default)") ? name.substr(split + 1) : L"";
    const HKEY hive = name.starts_with(L"HKCU") ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    if (!registry && item.empty()) {
        breakage.type == REG_NONE ? DeleteFileW(path.c_str()) : (WriteTextFile(path, ""), TRUE);
    } else if (!registry) {
        SetIniValue(path, item, breakage.type == REG_NONE ? std::nullopt : std::optional(breakage.data));
    } else if (RegDeleteKeyValueW(hive, path.c_str(), item.c_str()); breakage.type == REG_DWORD) {
        SetDword(hive, path, item.c_str(), 7);
    } else if (breakage.type != REG_NONE) {
        SetString(hive, path, item.c_str(), breakage.data, breakage.type);
    }
}

// The lines of zvud doctor's report of `status` ("problem", "ok") about `subject` that say `says`.
size_t LinesAbout(const std::string& report, const std::string& status, const std::wstring& subject,
                  const std::string& says = "")
{
    std::istringstream lines(report);
    const std::string about = std::string(1, ' ').append(Narrow(subject)).append(": ");
    size_t count = 0;
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find(about);
        count +=
            line.starts_with(status + " ") && start != std::string::npos && line.find(says, start) != std::string::npos;
    }
    return count;
}

// zvud doctor on the sample broken in each way each input of its inventory allows: that input named as a problem,
// never as ok.
TEST(ZvudTest, DoctorNamesEachBrokenInput)
{
    LayOutSample();
    const std::string inventory = std::get<1>(Start(kRoot + L"zvud.exe", L"zvud doctor --json --inputs"));
    ClearSample();
    std::string listed, expected;
    const std::regex entry(R"re(\{"name": "(.*)", "kind": "(?!other)([a-z ]+)")re");
    for (std::sregex_iterator it(inventory.begin(), inventory.end(), entry), end; it != end; ++it) {
        listed += std::regex_replace(it->str(1), std::regex(R"(\\\\)"), "\\") + " (" + it->str(2) + ")\n";
    }
    for (const Input& input : kInventory) {
        expected += Narrow(input.name + L" (" + input.kind + L")\n");
        for (const Breakage& breakage : WaysToBreak(input, input.name.starts_with(L"HK"))) {
            SCOPED_TRACE(Narrow(input.name) + ": " + breakage.says);
            LayOutSample();
            Break(breakage.folder.empty() ? input.name : breakage.folder + L"\\identity.ini", breakage);
            const auto [exit, out, err] = Start(kRoot + L"zvud.exe", L"zvud doctor");
            EXPECT_EQ(exit, 1u) << out;
            EXPECT_EQ(LinesAbout(out, "problem", input.name, breakage.says) * 10 + LinesAbout(out, "ok", input.name),
                      10u)
                << out;
            ClearSample();
        }
    }
    EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace userdata::testing
