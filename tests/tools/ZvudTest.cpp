// zvud.exe as a newcomer runs it: on the sample installation, as its own
// process, its output read from a pipe.
#include "JsonReader.h"
#include "SampleInstallation.h"
#include "UserDataFolders.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace userdata::testing {
namespace {

const std::wstring kZovaRoot = L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0";
const std::wstring kPlannerRoot = L"Software\\Brevonix\\Suite\\7.0\\Planner-7.0";

// A member of zvud's report and the text it must hold (nothing for null).
struct Expected {
    std::wstring key;
    std::optional<std::wstring> text;
};

void ExpectMembers(const JsonValue& object, const std::vector<Expected>& expected)
{
    for (const Expected& row : expected) {
        SCOPED_TRACE(Narrow(row.key));
        const JsonValue* member = object.Member(row.key);
        ASSERT_NE(member, nullptr);
        if (row.text) {
            EXPECT_EQ(member->kind, JsonValue::Kind::String);
            EXPECT_EQ(member->text, *row.text);
        } else {
            EXPECT_EQ(member->kind, JsonValue::Kind::Null) << "holds " << Narrow(member->text);
        }
    }
}

std::wstring LastLaunchedProduct()
{
    const auto last = ReadValue(HKEY_CURRENT_USER, L"Software\\Brevonix\\Suite\\7.0", L"LastLaunchedProduct");
    return last ? last->Text() : L"<missing>";
}

bool IsOneLine(const std::string& text)
{
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

// Each answer of the hosts built the MSVC way (lines "key<TAB>text", or "key"
// for none) must be that of zvud's report under the same key; `own` lists
// answers that the report does not hold.
void ExpectMsvcHostsAgree(const SampleInstallation& sample, const JsonValue& report, const std::vector<Expected>& own)
{
#ifdef USERDATA_MSVC_HOSTS
    const JsonValue* folders = report.Member(L"specialFolders");
    ASSERT_NE(folders, nullptr);
    for (const wchar_t* host : {L"MsvcHostDefault.exe", L"MsvcHostVectorcall.exe"}) {
        SCOPED_TRACE(Narrow(host));
        const ZvudRun run = sample.Run({}, L"", host);
        ASSERT_EQ(run.exitCode, 0u) << run.out;
        JsonValue answers;
        std::wstringstream lines(run.Out());
        for (std::wstring line; std::getline(lines, line);) {
            const size_t tab = line.find(L'\t');
            const std::wstring key = line.substr(0, tab);
            const std::optional<std::wstring> text =
                tab == std::wstring::npos ? std::nullopt : std::optional(line.substr(tab + 1));
            const JsonValue* member = report.Member(key) != nullptr ? report.Member(key) : folders->Member(key);
            if (member != nullptr) {
                EXPECT_EQ(text, member->kind == JsonValue::Kind::String ? std::optional(member->text) : std::nullopt)
                    << Narrow(key);
            }
            JsonValue answer;
            answer.kind = text ? JsonValue::Kind::String : JsonValue::Kind::Null;
            answer.text = text.value_or(L"");
            answers.members.emplace_back(key, answer);
        }
        EXPECT_EQ(answers.members.size(), 45u) << run.out;
        ExpectMembers(answers, own);
    }
#endif
}

class ZvudTest : public ::testing::Test {
protected:
    // The installation folder as the library names it, with a trailing backslash.
    std::wstring Root() const { return sample_.Folder() + L"\\"; }

    // zvud's report for `arguments`, read as JSON; an empty object (and a
    // test failure) when it is not JSON.
    JsonValue Report(const ZvudRun& run) const
    {
        std::string error;
        const auto report = ReadJson(run.Out(), error);
        EXPECT_TRUE(report.has_value()) << "not JSON (" << error << "):\n" << run.out;
        EXPECT_TRUE(report && report->kind == JsonValue::Kind::Object);
        if (!report) {
            JsonValue empty;
            empty.kind = JsonValue::Kind::Object;
            return empty;
        }
        return *report;
    }

    // The 17 special folders, from install folder to crash folder, derived
    // from `language` and the installation folder where the library derives them.
    std::vector<Expected> DerivedFolders(const std::wstring& language) const
    {
        return {{L"InstallFolder", Root()},
                {L"InstallFolderLang", Root() + language},
                {L"SampleFolder", Root() + L"Sample"},
                {L"SampleFolderLang", Root() + L"Sample\\" + language},
                {L"UserDataCacheFolder", Root() + L"UserDataCache"},
                {L"UserDataCacheFolderLang", Root() + L"UserDataCache\\" + language}};
    }

    SampleInstallation sample_;
};

TEST_F(ZvudTest, ShowJsonGivesTheSampleAsItsUserLastRanIt)
{
    const ZvudRun run = sample_.Run({L"show", L"--json"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.err, "");
    const JsonValue report = Report(run);
    const std::vector<std::wstring> keys = {
        L"startUpSucceeded", L"product",     L"language",    L"machineRootKey",      L"userRootKey",
        L"globalRootKey",    L"identityFile", L"verticalPath", L"programName",        L"productName",
        L"verticalProductName", L"rootFolder", L"specialFolders", L"helpFile",        L"contextHelpFile"};
    EXPECT_EQ(report.Keys(), keys);
    ASSERT_NE(report.Member(L"startUpSucceeded"), nullptr);
    EXPECT_TRUE(report.Member(L"startUpSucceeded")->boolean);
    ExpectMembers(report, {{L"product", L"ZOVA"},
                           {L"language", L"de-DE"},
                           {L"machineRootKey", kZovaRoot},
                           {L"userRootKey", kZovaRoot},
                           {L"globalRootKey", L"Software\\Brevonix\\Global"},
                           {L"identityFile", Root() + L"de-DE\\identity.ini"},
                           {L"verticalPath", std::nullopt},
                           {L"programName", L"ZOVA"},
                           {L"productName", L"Suite"},
                           {L"verticalProductName", L"Brevonix Zova"},
                           {L"rootFolder", Root()},
                           {L"helpFile", L"C:\\BrevonixData\\Help\\zova-standard.chm"},
                           {L"contextHelpFile", L"C:\\BrevonixData\\Help\\ZOVACTXT.CHM"}});

    const JsonValue* folders = report.Member(L"specialFolders");
    ASSERT_NE(folders, nullptr);
    EXPECT_EQ(folders->members.size(), static_cast<std::size_t>(ZvUdSpecialFolder::FolderCount));
    ExpectMembers(*folders, DerivedFolders(L"de-DE"));
    ExpectMembers(*folders, {{L"HelpFolder", L"C:\\BrevonixData\\Help\\"},
                             {L"HelpFolderLang", L"C:\\BrevonixData\\Help\\de-DE"},
                             {L"RoamableRootFolder", L"C:\\BrevonixData\\Roaming\\ZOVA-7.0\\"},
                             {L"RoamableRootFolderLang", std::nullopt},
                             {L"LocalRootFolder", L"C:\\BrevonixData\\Local\\ZOVA-7.0\\"},
                             {L"LocalRootFolderLang", std::nullopt},
                             {L"BrevonixSharedFolder", L"C:\\BrevonixData\\Shared\\"},
                             {L"BrevonixSharedFolderLang", std::nullopt},
                             {L"AllUsersFolder", L"C:\\BrevonixData\\AllUsers\\"},
                             {L"GraphicsCacheFolder", L"C:\\BrevonixData\\Local\\ZOVA-7.0\\GraphicsCache\\"},
                             {L"SandboxCrashSaveFolder", std::nullopt}});
    ExpectMsvcHostsAgree(sample_, report,
                         {{L"zvudInitProductParams", L"1"},
                          {L"IsUnicodeBuild", L"1"},
                          {L"zvudLoadMUIString", L"plain text"},
                          {L"productFile", L"C:\\Brevonix\\Zova\\zova.cfg"},
                          {L"zvudRegSetString", L"87"},
                          {L"InstallUserData", L"0"}});
}

TEST_F(ZvudTest, ProductAndLanguageChooseTheVerticalProduct)
{
    const std::initializer_list<std::wstring> spellings[] = {
        {L"--product", L"PLANNER", L"--language", L"en-US", L"show", L"--json"},
        {L"show", L"--json", L"--language=en-US", L"--product=PLANNER"},
    };
    for (const auto& arguments : spellings) {
        SCOPED_TRACE(Narrow(*arguments.begin()));
        const ZvudRun run = sample_.Run(arguments);
        EXPECT_EQ(run.exitCode, 0u);
        const JsonValue report = Report(run);
        ExpectMembers(report, {{L"product", L"PLANNER"},
                               {L"language", L"en-US"},
                               {L"machineRootKey", kPlannerRoot},
                               {L"identityFile", Root() + L"PLANNER\\en-US\\identity.ini"},
                               {L"verticalPath", L"C:\\Brevonix\\Planner;C:\\Brevonix\\Shared"},
                               {L"programName", L"Planner"},
                               {L"verticalProductName", L"Brevonix Planner"},
                               {L"helpFile", Root() + L"Help\\planner.chm"},
                               {L"contextHelpFile", Root() + L"Help\\PlannerCTXT.CHM"}});
        const JsonValue* folders = report.Member(L"specialFolders");
        ASSERT_NE(folders, nullptr);
        ExpectMembers(*folders, DerivedFolders(L"en-US"));
        // PLANNER's user has no roamable folder: the library gives the installation folder.
        ExpectMembers(*folders, {{L"RoamableRootFolder", Root()},
                                 {L"LocalRootFolder", L"C:\\BrevonixData\\Local\\Planner-7.0\\"},
                                 {L"GraphicsCacheFolder", std::nullopt}});
    }
}

TEST_F(ZvudTest, AFailedStartUpIsToldAndTheAnswersFollow)
{
    ASSERT_TRUE(DeleteFileW((sample_.Folder() + L"\\de-DE\\identity.ini").c_str()));
    const ZvudRun run = sample_.Run({L"show", L"--json"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(IsOneLine(run.err)) << run.err;
    EXPECT_NE(FromUtf8(run.err).find(L"start-up failed (the file " + Root() + L"de-DE\\identity.ini is missing)"),
              std::wstring::npos)
        << run.err;
    const JsonValue report = Report(run);
    ASSERT_NE(report.Member(L"startUpSucceeded"), nullptr);
    EXPECT_EQ(report.Member(L"startUpSucceeded")->kind, JsonValue::Kind::Bool);
    EXPECT_FALSE(report.Member(L"startUpSucceeded")->boolean);
    ExpectMembers(report, {{L"product", L"ZOVA"},
                           {L"language", L"de-DE"},
                           {L"identityFile", std::nullopt},
                           {L"machineRootKey", std::nullopt},
                           {L"rootFolder", Root()}});

    // From a folder that is no installation, the missing catalogue file is named.
    ASSERT_TRUE(DeleteFileW((Root() + L"identityver.ini").c_str()));
    const ZvudRun outside = sample_.Run({L"show"});
    EXPECT_EQ(outside.exitCode, 1u);
    EXPECT_NE(FromUtf8(outside.err).find(L"(the file " + Root() + L"identityver.ini is missing)"), std::wstring::npos)
        << outside.err;
}

TEST_F(ZvudTest, WithoutALanguageTheLanguageHelpFolderIsNotAvailable)
{
    // No catalogue, so no product and no language; the help profile is
    // reached through the user root key given on the command line.
    DeleteKey(HKEY_LOCAL_MACHINE, L"Software\\Brevonix\\Suite\\7.0\\InstalledProducts");
    const ZvudRun run = sample_.Run({L"--user-root", kZovaRoot, L"show", L"--json"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.err.find("(the registry key Software\\Brevonix\\Suite\\7.0\\InstalledProducts is missing"),
              std::string::npos)
        << run.err;
    const JsonValue report = Report(run);
    ExpectMembers(report, {{L"language", std::nullopt},
                           {L"userRootKey", kZovaRoot},
                           {L"helpFile", L"C:\\BrevonixData\\Help\\suite-standard.chm"}});
    const JsonValue* folders = report.Member(L"specialFolders");
    ASSERT_NE(folders, nullptr);
    // The library raises its "no language" exception for HelpFolderLang; zvud
    // continues it and reports no folder rather than a folder without language.
    ExpectMembers(*folders, {{L"HelpFolder", L"C:\\BrevonixData\\Help\\"}, {L"HelpFolderLang", std::nullopt}});
    // A host built the MSVC way catches that exception with __try/__except.
    ExpectMsvcHostsAgree(sample_, Report(sample_.Run({L"show", L"--json"})),
                         {{L"zvudInitProductParams", L"0"}, {L"exception", std::to_wstring(0xC0000008u)}});
}

TEST_F(ZvudTest, FolderPrintsOnePathAndTellsByItsExitStatus)
{
    struct Row {
        const wchar_t* folder;
        DWORD exitCode;
        std::wstring out;
    } rows[] = {
        {L"InstallFolder", 0, Root() + L"\n"},
        {L"0", 0, Root() + L"\n"},
        {L"localrootfolder", 0, L"C:\\BrevonixData\\Local\\ZOVA-7.0\\\n"},
        {L"15", 0, Root() + L"UserDataCache\\de-DE\n"},
        {L"SandboxCrashSaveFolder", 1, L""},
        {L"7", 1, L""},
        {L"17", 1, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.folder));
        const ZvudRun run = sample_.Run({L"folder", row.folder});
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.Out(), row.out);
        EXPECT_EQ(IsOneLine(run.err), row.exitCode != 0) << run.err;
    }
}

TEST_F(ZvudTest, BadArgumentsExitWithTwoBeforeStartUp)
{
    const std::initializer_list<std::wstring> rows[] = {
        {L"frobnicate"},
        {L"--frobnicate"},
        {L"--json=yes"},
        {L"--product"},
        {L"show", L"extra"},
        {L"--json", L"folder", L"1"},
        {L"folder"},
        {L"folder", L"1", L"2"},
        {L"--product", L"PLANNER", L"folder", L"Nowhere"},
        {L"folder", L"-1"},
        {L"doctor", L"extra"},
        {L"set-string", L"HKXX\\Software", L"Name", L"Data"},
    };
    for (const auto& arguments : rows) {
        SCOPED_TRACE(Narrow(*arguments.begin()) + " ... (" + std::to_string(arguments.size()) + " arguments)");
        const ZvudRun run = sample_.Run(arguments);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(IsOneLine(run.err)) << run.err;
        EXPECT_EQ(run.err.rfind("zvud: ", 0), 0u) << run.err;
    }
    // Nothing started up: the product asked for was not remembered as the last launched one.
    EXPECT_EQ(LastLaunchedProduct(), L"ZOVA");
}

TEST_F(ZvudTest, TextBeyondAsciiAndJsonEscapesComeThroughIntact)
{
    const std::wstring key = L"Software\\\"Zitat\"\t\u00dcbung \u03a9 \U0001D11E";
    const ZvudRun json = sample_.Run({L"--user-root", key, L"show", L"--json"});
    EXPECT_EQ(json.exitCode, 0u);
    ExpectMembers(Report(json), {{L"userRootKey", key}, {L"rootFolder", Root()}});
    EXPECT_NE(json.out.find(R"("Software\\\"Zitat\"\t)"), std::string::npos) << json.out;

    const ZvudRun text = sample_.Run({L"--user-root", key, L"show"});
    EXPECT_EQ(text.exitCode, 0u);
    EXPECT_NE(text.Out().find(L"user root key:              " + key + L"\n"), std::wstring::npos) << text.out;
    EXPECT_NE(text.Out().find(L"root folder:                " + Root() + L"\n"), std::wstring::npos) << text.out;
}

TEST_F(ZvudTest, ProductFileAndStringAnswerForScripts)
{
    const std::wstring strings = TestProgramFolder() + L"\\TestStrings.dll";
    struct Row {
        std::initializer_list<std::wstring> arguments;
        DWORD exitCode;
        std::wstring out;
    } rows[] = {
        {{L"product-file", L"Templates"}, 0, L"C:\\Brevonix\\Zova\\Templates\\standard.zvt\n"},
        {{L"product-file", L""}, 0, L"C:\\Brevonix\\Zova\\zova.cfg\n"},
        {{L"product-file", L"Missing"}, 1, L""},
        {{L"string", L"plain text"}, 0, L"plain text\n"},
        {{L"string", L"@" + strings + L",-101"}, 0, L"Open\n"},
        {{L"string", L"@" + strings + L",-104"}, 1, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(*row.arguments.begin()) + " " + Narrow(*(row.arguments.begin() + 1)));
        const ZvudRun run = sample_.Run(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_EQ(run.Out(), row.out);
    }
}

TEST_F(ZvudTest, HousekeepingCommandsReportWhatTheLibraryDid)
{
    // The sample's lists of installation packages are empty: nothing to repair.
    const ZvudRun repair = sample_.Run({L"repair"});
    EXPECT_EQ(repair.exitCode, 0u);
    EXPECT_EQ(repair.out.rfind("InstallUserData: status 0: ", 0), 0u) << repair.out;

    const std::wstring key = L"HKCU\\" + kZovaRoot;
    const ZvudRun written = sample_.Run({L"set-string", key, L"Notes", L"C:\\Notes \u03a9"});
    EXPECT_EQ(written.exitCode, 0u);
    EXPECT_EQ(written.out.rfind("zvudRegSetString: status 0: ", 0), 0u) << written.out;
    const auto value = ReadValue(HKEY_CURRENT_USER, kZovaRoot, L"Notes");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->Text(), L"C:\\Notes \u03a9");

    const ZvudRun missing = sample_.Run({L"set-string", key + L"\\Missing", L"Notes", L"C:\\Notes"});
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_TRUE(IsOneLine(missing.err)) << missing.err;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kZovaRoot + L"\\Missing"));

    // Started in the "userdatacache" folder beside zvud.exe, it leaves it.
    const std::wstring cache = sample_.Folder() + L"\\userdatacache";
    CreateFolders(cache);
    const ZvudRun moved = sample_.Run({L"set-working-directory"}, cache);
    EXPECT_EQ(moved.exitCode, 0u);
    EXPECT_NE(moved.Out().find(L" (was " + cache + L")\n"), std::wstring::npos) << moved.out;
}

TEST_F(ZvudTest, HelpAndVersionsNeedNoStartUp)
{
    const ZvudRun help = sample_.Run({L"--product", L"PLANNER", L"--help"});
    EXPECT_EQ(help.exitCode, 0u);
    for (const char* command : {"show", "folder NAME|NUMBER", "string TEXT", "product-file NAME", "repair", "check-com",
                                "migrate", "set-working-directory", "set-string HIVE\\KEY NAME DATA", "doctor"}) {
        EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
    }
    const ZvudRun folderHelp = sample_.Run({L"folder", L"--help"});
    EXPECT_EQ(folderHelp.exitCode, 0u);
    EXPECT_EQ(folderHelp.out.rfind("Usage: zvud [OPTIONS] folder NAME|NUMBER\n", 0), 0u) << folderHelp.out;
    EXPECT_EQ(folderHelp.out.find("--json"), std::string::npos) << folderHelp.out;
    EXPECT_NE(sample_.Run({L"show", L"--help"}).out.find("\n  --json "), std::string::npos);

    const ZvudRun versions = sample_.Run({L"--product", L"PLANNER", L"--version"});
    EXPECT_EQ(versions.exitCode, 0u);
    const std::wstring version = L"" USERDATA_FILE_VERSION;
    EXPECT_EQ(versions.Out(), L"zvud.exe " + version + L" (" + sample_.Folder() + L"\\zvud.exe)\n" +
                                  L"UserData.dll " + version + L" (" + sample_.Folder() + L"\\UserData.dll)\n");
    EXPECT_EQ(LastLaunchedProduct(), L"ZOVA");

    // Without the DLL, help and versions still answer; a command says where it looked.
    ASSERT_TRUE(DeleteFileW((Root() + L"UserData.dll").c_str()));
    EXPECT_EQ(sample_.Run({L"--help"}).exitCode, 0u);
    const std::wstring lookedFor = L"cannot load " + Root() + L"UserData.dll (status 126: ";
    const ZvudRun alone = sample_.Run({L"--version"});
    EXPECT_EQ(alone.exitCode, 0u);
    EXPECT_NE(alone.Out().find(L"\nUserData.dll " + lookedFor), std::wstring::npos) << alone.out;
    const ZvudRun command = sample_.Run({L"folder", L"0"});
    EXPECT_EQ(command.exitCode, 1u);
    EXPECT_TRUE(IsOneLine(command.err)) << command.err;
    EXPECT_EQ(FromUtf8(command.err).rfind(L"zvud: " + lookedFor, 0), 0u) << command.err;
}

// The lines of a text report that tell a problem.
std::vector<std::wstring> ProblemLines(const std::wstring& report)
{
    std::vector<std::wstring> problems;
    std::wistringstream lines(report);
    for (std::wstring line; std::getline(lines, line);) {
        if (line.rfind(L"problem ", 0) == 0) {
            problems.push_back(line);
        }
    }
    return problems;
}

TEST(ZvudDoctorTest, FindsEachProblemMadeOneAtATimeAndNamesItsSubject)
{
    const std::wstring comServer = L"CLSID\\{3F6B0D18-C2E4-4A97-8B1D-5E2F7A09C6D4}\\InProcServer32";
    const std::wstring unknownProduct = L"{0BAD0000-0000-4000-8000-000000000019}";
    const std::wstring helpFile = L"C:\\BrevonixData\\Help\\zova-standard.chm";
    struct Row {
        const char* problem;
        std::function<void(const std::wstring& folder)> make;
        std::wstring subject;  // what a problem line names; empty for none
        std::string json;      // a piece of the --json report, when it is checked
    } rows[] = {
        {"none", [](const std::wstring&) {}, L"", ""},
        {"identity.ini missing",
         [](const std::wstring& folder) { DeleteFileW((folder + L"\\de-DE\\identity.ini").c_str()); },
         L"de-DE\\identity.ini: not found", ""},
        {"last launched language no longer installed",
         [](const std::wstring&) {
             SetString(HKEY_CURRENT_USER, L"Software\\Brevonix\\Suite\\7.0", L"LastLaunchedLanguage", L"fr-FR");
         },
         L"7.0\\LastLaunchedLanguage: 'fr-FR'", ""},
        {"folder value naming a missing folder",
         [](const std::wstring&) { SetString(HKEY_CURRENT_USER, kZovaRoot, L"LocalRootFolder", L"C:\\Gone"); },
         L"ZOVA-7.0\\LocalRootFolder: names C:\\Gone", ""},
        {"unknown product code in the product list",
         [&](const std::wstring&) {
             SetString(HKEY_LOCAL_MACHINE, kZovaRoot + L"\\UserData", unknownProduct.c_str(), kZovaRoot);
         },
         L"UserData\\" + unknownProduct + L": the Windows Installer does not know", ""},
        {"broken COM registration",
         [&](const std::wstring&) { SetString(HKEY_CLASSES_ROOT, comServer, nullptr, L"C:\\Suite\\zvserver.dll"); },
         L"HKCR\\" + comServer + L": registered with the absolute path", ""},
        {"help file missing", [&](const std::wstring&) { DeleteFileW(helpFile.c_str()); },
         helpFile + L": does not exist",
         R"({"check": "help-file", "status": "problem", "subject": "C:\\BrevonixData\\Help\\zova-standard.chm", )"
         R"("detail": "does not exist", "fix": ")"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.problem);
        SampleInstallation sample;
        row.make(sample.Folder());
        const ZvudRun run = sample.Run({L"doctor"});
        EXPECT_EQ(run.exitCode, row.subject.empty() ? 0u : 1u);
        const auto problems = ProblemLines(run.Out());
        const auto names = [&row](const std::wstring& line) { return line.find(row.subject) != std::wstring::npos; };
        EXPECT_EQ(problems.empty(), row.subject.empty()) << run.out;
        EXPECT_TRUE(row.subject.empty() || std::any_of(problems.begin(), problems.end(), names)) << run.out;
        if (!row.json.empty()) {
            EXPECT_NE(sample.Run({L"doctor", L"--json"}).out.find(row.json), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace userdata::testing
