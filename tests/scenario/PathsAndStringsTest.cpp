// The folder, help and string exports through the real DLL, in one table:
// the special folders, root folder, working directory and product-specific
// paths; the help and context files; the localized strings. A row stores
// registry values, calls one export and names what the host then sees. In
// texts '$' stands for the install folder (with its backslash), '~' for the
// test program's folder (the host's, where the test string modules are built)
// and '&' for the user's Documents folder.
#include "TestSupport.h"

#include <cctype>
#include <variant>

namespace userdata::testing {
namespace {

using namespace ZvUdSpecialFolder;

// In the order of their result conventions: capacity, flag, length result.
enum class Call { Folder, CacheLang, String, XFold, XRoot, Root, Specific, Help, Context, Directory };
const char* const kCallNames[] = {
    "zvudGetSpecialFolder", "GetZOVAUserDataCacheLangPath", "zvudLoadMUIString",          "zvudGetProductXFoldPath",
    "zvudGetXRootFoldPath", "GetProductRootFolder",         "GetProductSpecificFilePath", "GetHelpFileName",
    "GetContextFileName",   "SetWorkingDirectory"};
enum class Start { Settled, Unsettled, Failed };  // by the host, not yet, failing (no catalogue)

constexpr unsigned long long kRoom = 2100;
constexpr unsigned long long kFitsLeft = 1ULL << 40;  // just room for the text left in the buffer
const HKEY kMachine = HKEY_LOCAL_MACHINE, kUser = HKEY_CURRENT_USER;
const std::wstring kMine = L"Software\\Mine";
const std::wstring kRoot259 = L"Software\\" + std::wstring(200, L'k') + L"\\" + std::wstring(49, L'k');
const std::wstring kLongName(300, L'V');
const std::wstring kAb = L"%" + kLongName + L"%";  // a variable that expands to "ab"
const std::wstring kAb10 = kAb + kAb + kAb + kAb + kAb + kAb + kAb + kAb + kAb + kAb;

// A registry value, expandable when its data holds a '%'.
struct Value {
    const wchar_t* name;
    std::wstring data = L"";
    std::wstring key = L"";  // below the product root key when "" or "\..."
    HKEY hive = kUser;
};
Value Specific(const wchar_t* name, const std::wstring& data, HKEY hive = kMachine)
{
    return {name, data, L"\\ProductSpecific", hive};
}
// A help value of the "General" key of the current profile P below `root`.
Value Help(const std::wstring& path, const wchar_t* name = L"ZOVAHELP", const std::wstring& root = L"")
{
    return {name, path, root + L"\\Profiles\\P\\General"};
}

struct Host {
    Start start = Start::Settled;
    const wchar_t* product = L"ZOVA";
    std::wstring userRoot{};                // the override of the user product registry root key
    std::optional<REGSAM> machineAllows{};  // the only access to the machine's product key
};

struct Row {
    const char* name;
    Call call;
    std::variant<int, const wchar_t*> arg{};  // the folder, the value name or text, the working directory before
    std::vector<Value> values{};
    std::optional<std::wstring> answer{};  // the text the result counts (none: 0); a string fails to ""
    Host host{};
    unsigned long long capacity = kRoom;
    std::optional<std::wstring> left{};  // the buffer's text when not the answer; none: untouched
};

const Value kProfiles = {L"Unrelated", L"", L"\\Profiles"};  // and no current profile
const Value kCurrent = {nullptr, L"P", L"\\Profiles"};       // the current profile P
const Value kMineCurrent = {nullptr, L"P", kMine + L"\\Profiles"};
const Value kGuide = {L"DefaultHelpFileName", L"Guide", L"", kMachine};
const Value kUserMine = {L"DefaultHelpFileName", L"Mine"};
constexpr Call F = Call::Folder, PS = Call::Specific, H = Call::Help, C = Call::Context, S = Call::String;
const wchar_t *const kT = L"T", *const kLR = L"LocalRootFolder";
const Host kMineRoot = {.userRoot = kMine}, kProductB = {.product = L"PRODB"};

const Row kRows[] = {
    // The special folders, the root folder, the working directory.
    {"the install folder ends with a backslash", F, {}, {}, L"$"},
    {"the sample folder", F, SampleFolder, {}, L"$Sample"},
    {"the language's sample folder, any capacity", Call::XFold, SampleFolderLang, {}, L"$Sample\\L1", {}, 0xFFFFFFFF},
    {"the language's cache folder", Call::CacheLang, {}, {}, L"$UserDataCache\\L1"},
    {"only the plain cache folder fits", Call::CacheLang, {}, {}, {}, {}, kFitsLeft, L"$UserDataCache"},
    {"folder 17", F, 17},
    {"folder -1", F, -1},
    {"the help folder keeps its backslash", F, HelpFolder, {kCurrent, Help(L"C:\\H\\x.chm")}, L"C:\\H\\"},
    {"the language after a help folder at a drive's root", F, HelpFolderLang, {kCurrent, Help(L"C:\\x")}, L"C:\\L1"},
    {"a folder value of the machine", F, AllUsersFolder, {{L"AllUsersFolder", L"D:\\A", L"", kMachine}}},
    {"a missing roamable root folder", F, RoamableRootFolder, {}, L"$"},
    {"a missing language's roamable folder", F, RoamableRootFolderLang},
    {"an empty value, no fallback", F, LocalRootFolder, {{kLR}}},
    {"a value of the user, expandable, unexpanded", F, AllUsersFolder, {{L"AllUsersFolder", L"%X%\\D"}}, L"%X%\\D"},
    {"the override's value fits", Call::XRoot, kLR, {{kLR, L"P:"}, {kLR, L"M:", kMine}}, L"M:", kMineRoot, kFitsLeft},
    {"a user root key of 260 characters is not cut",
     F,
     LocalRootFolder,
     {{kLR, L"D:", kRoot259}},
     L"$",
     {.userRoot = kRoot259 + L"k"}},
    {"without a language no product folder", Call::XFold, {}, {}, {}, {.start = Start::Failed}},
    {"without a language the help folder's language raises",
     F,
     HelpFolderLang,
     {kMineCurrent, Help(L"C:\\H\\x", L"HELP", kMine)},
     L"C:\\H\\",
     {Start::Failed, L"ZOVA", kMine}},
    {"the root folder, any capacity", Call::Root, {}, {}, L"$", {}, 0xFFFFFFFF},
    {"from the host's cache folder, any case, to Documents, created", Call::Directory, L"~UserDataCache", {}, L"&"},
    {"below the cache folder", Call::Directory, L"~userdatacache\\below", {}, L"~userdatacache\\below"},
    {"the library's cache folder", Call::Directory, L"$userdatacache", {}, L"$userdatacache"},
    // The product-specific paths.
    {"the machine's path, not the user's", PS, kT, {Specific(kT, L"C:\\M"), Specific(kT, L"C:\\U", kUser)}, L"C:\\M"},
    {"the user's when the machine lacks the key", PS, kT, {Specific(kT, L"C:\\U", kUser)}, L"C:\\U"},
    {"not when its key lacks the value", PS, kT, {Specific(L"Other", L"x"), Specific(kT, L"C:\\U", kUser)}, L""},
    {"a name below 0x10000 is no pointer", PS, MAKEINTRESOURCEW(0x1234), {Specific(nullptr, L"C:\\D")}, L"C:\\D"},
    {"stored longer than the read, expanded it fits", PS, kT, {Specific(kT, kAb + L"\\w")}, L"ab\\w"},
    {"stored 3022 characters, expanded it fits", PS, kT, {Specific(kT, kAb10 + L"\\w")}, L"abababababababababab\\w"},
    {"expanded to 260 characters", PS, kT, {Specific(kT, kAb + kRoot259.substr(1))}, L""},
    {"before start-up", PS, kT, {Specific(kT, L"C:\\M")}, L"", {.start = Start::Unsettled, .product = L"PRODB"}},
    {"the override plays no part",
     PS,
     kT,
     {Specific(kT, L"C:\\M"), {kT, L"C:\\O", kMine + L"\\ProductSpecific"}},
     L"C:\\M",
     kMineRoot},
    // The help and context files.
    {"program ZOVA reads ZOVAHELP", H, {}, {kCurrent, Help(L"C:\\Z"), Help(L"C:\\H", L"HELP"), kGuide}, L"C:\\Z"},
    {"another program reads HELP", H, {}, {kCurrent, Help(L"C:\\Z"), Help(L"C:\\H", L"HELP")}, L"C:\\H", kProductB},
    {"program ZOVA without ZOVAHELP", H, {}, {kCurrent, Help(L"C:\\H.chm", L"HELP")}},
    {"a current profile without its key: not the default", H, {}, {kCurrent, kGuide}},
    {"no profiles, no help", H, {}, {kGuide}},
    {"no current profile: the machine's default", H, {}, {kProfiles, kGuide, kUserMine}, L"$Help\\Guide.chm"},
    {"a denied machine key is no absence", H, {}, {kProfiles, kGuide, kUserMine}, L"$Help\\.chm", {.machineAllows = 0}},
    {"the machine's key opened only to query",
     H,
     {},
     {kProfiles, kGuide},
     L"$Help\\Guide.chm",
     {.machineAllows = KEY_QUERY_VALUE}},
    {"the context file beside the help file", C, {}, {kCurrent, Help(L"C:\\H\\x.chm")}, L"C:\\H\\ZOVACTXT.CHM"},
    {"the context file alone for a bare help name", C, {}, {kCurrent, Help(L"x.chm")}, L"ZOVACTXT.CHM"},
    {"the context file of the program", C, {}, {kProfiles, kGuide}, L"$Help\\PRODBCTXT.CHM", kProductB},
    // The localized strings.
    {"plain text comes back whole", S, L"Plain text", {}, L"Plain text"},
    {"by bare name, beside the host", S, L"@TestStrings.dll,-101", {}, L"Open"},
    {"a planted module's string, not its code", S, L"@~planted\\PlantedStrings.dll,-101", {}, L"Open"},
    {"a bare name without extension on PATH", S, L"@pathmod,-101", {}, L"Open"},
    {"never from the current folder", S, L"@resmod.dll,-101"},
    {"digits and a letter", S, L"@~TestStrings.dll,-101a", {}, L"@~TestStrings.dll,-101a"},
    {"nothing after \",-\"", S, L"@~TestStrings.dll,-", {}, L"@~TestStrings.dll,-"},
    {"the first \",-\" decides", S, L"@a,-b.dll,-7", {}, L"@a,-b.dll,-7"},
    {"no text", S, nullptr},
    {"a module that does not exist", S, L"@$Missing.dll,-101"},
    {"a string the module lacks", S, L"@~TestStrings.dll,-999"},
    {"101 beyond the string numbers", S, L"@~TestStrings.dll,-65637"},
    {"101 beyond 32 bits", S, L"@~TestStrings.dll,-4294967397"},
    {"string 0", S, L"@~TestStrings.dll,-0", {}, L"Zero"},
    {"leading zeros are decimal", S, L"@~TestStrings.dll,-00101", {}, L"Open"},
    {"the last string number", S, L"@~TestStrings.dll,-65535", {}, L"Last"},
};

class PathsAndStringsTest : public ScenarioTest, public ::testing::WithParamInterface<Row> {
protected:
    PathsAndStringsTest()
    {
        InstallConfigurable({{L"ZOVA", {L"L1"}}, {L"PRODB", {L"L1"}}});
        SetString(kUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"Personal",
                  documents_, REG_EXPAND_SZ);
        SetEnvironment(kLongName.c_str(), L"ab");
        // A module with start-up code planted where modules are looked for.
        const std::wstring planted = TestProgramFolder() + L"\\planted\\PlantedStrings.dll";
        CopyFileW(planted.c_str(), (current_ / L"resmod.dll").c_str(), FALSE);
        CopyFileW(planted.c_str(), (onPath_ / L"pathmod.dll").c_str(), FALSE);
        SetEnvironment(L"PATH", (onPath_.Path() + L";" + GetEnvironment(L"PATH").value_or(L"")).c_str());
        SetCurrentDirectoryW(current_.Path().c_str());
    }

    ~PathsAndStringsTest() override
    {
        SetCurrentDirectoryW(InstallFolder().c_str());  // out of the folders about to go
        DeleteTree(TestProgramFolder() + L"\\userdatacache");
    }

    std::wstring Resolve(const std::wstring& text) const
    {
        const size_t at = text.find_first_of(L"$~&");
        const std::wstring folders[] = {RootFolder(), TestProgramFolder() + L"\\", documents_};
        return at == std::wstring::npos
                   ? text
                   : text.substr(0, at) + folders[std::wstring(L"$~&").find(text[at])] + text.substr(at + 1);
    }

    TempFolder current_;
    TempFolder onPath_;
    const std::wstring documents_ = onPath_ / L"Documents";
    const VariableGuard longName_{kLongName.c_str()};
    const VariableGuard plantedMark_{L"USERDATA_PLANTED_MODULE_RAN"};
};

// The export's result; SetWorkingDirectory's is the working directory afterwards, left in the buffer.
unsigned Invoke(const UserDataExports& api, const Row& row, const wchar_t* arg, wchar_t* buffer,
                unsigned long long capacity)
{
    const auto folder = static_cast<Folders>(row.arg.index() == 0 ? std::get<0>(row.arg) : 0);
    const auto narrow = static_cast<unsigned int>(capacity);
    switch (row.call) {
    case Call::Folder:
        return api.zvudGetSpecialFolder(folder, buffer, capacity);
    case Call::CacheLang:
        return api.GetZOVAUserDataCacheLangPath(buffer, nullptr, narrow);
    case Call::String:
        return api.zvudLoadMUIString(arg, buffer, capacity);
    case Call::XFold:
        return api.zvudGetProductXFoldPath(buffer, capacity, folder);
    case Call::XRoot:
        return api.zvudGetXRootFoldPath(arg, buffer, capacity);
    case Call::Root:
        return api.GetProductRootFolder(buffer, narrow);
    case Call::Specific:
        return api.GetProductSpecificFilePath(arg, buffer, narrow);
    case Call::Help:
        return api.GetHelpFileName(buffer, narrow);
    case Call::Context:
        return api.GetContextFileName(buffer, narrow);
    case Call::Directory:
        CreateFolders(arg);
        SetCurrentDirectoryW(arg);
        api.SetWorkingDirectory();
    }
    return GetCurrentDirectoryW(narrow, buffer);
}

TEST_P(PathsAndStringsTest, Call)
{
    const Row& row = GetParam();
    const std::wstring productRoot = ProductRootOf(row.host.product, L"L1");
    for (const Value& value : row.values) {
        SetString(value.hive, value.key.empty() || value.key[0] == L'\\' ? productRoot + value.key : value.key,
                  value.name, value.data, value.data.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ);
    }
    if (row.host.start == Start::Failed) {
        DeleteKey(kMachine, std::wstring(kVersionKey) + L"\\InstalledProducts");
    }
    const auto& api = Load();
    ASSERT_TRUE(row.host.start != Start::Settled || api.zvudInitProductParams(row.host.product, L"L1") == 1);
    api.zvudSetUserProductRegistryRootKey(row.host.userRoot.c_str());
    const std::optional<DeniedKey> denied =
        row.host.machineAllows ? std::optional<DeniedKey>(std::in_place, kMachine, productRoot, *row.host.machineAllows)
                               : std::nullopt;
    const wchar_t* arg = row.arg.index() == 1 ? std::get<1>(row.arg) : nullptr;
    const std::wstring text = IS_INTRESOURCE(arg) ? L"" : Resolve(arg);
    const auto answer = row.answer ? std::optional(Resolve(*row.answer)) : std::nullopt;
    const auto left = row.left ? std::optional(Resolve(*row.left)) : !answer && row.call == S ? std::wstring() : answer;
    const unsigned long long room = row.capacity == kFitsLeft ? left->size() + 1 : row.capacity;
    const std::string argument = row.arg.index() == 0  ? std::to_string(std::get<0>(row.arg))
                                 : IS_INTRESOURCE(arg) ? std::to_string(reinterpret_cast<uintptr_t>(arg))
                                                       : "\"" + Narrow(text) + "\"";
    SCOPED_TRACE(std::string(row.name) + ": " + kCallNames[static_cast<int>(row.call)] + "(" + argument +
                 ", capacity " + std::to_string(room) + ")");
    GuardedBuffer buffer(kRoom + 16);
    unsigned result = 0;
    const auto call = [&] { result = Invoke(api, row, IS_INTRESOURCE(arg) ? arg : text.c_str(), buffer.Data(), room); };
    // Without a language a special folder that needs it raises the no-language exception (continued here).
    EXPECT_EQ(RaisesContinuable(0xC0000008, call), row.host.start == Start::Failed && row.call == F);
    EXPECT_EQ(result, !answer ? 0 : row.call <= S ? answer->size() + 1 : row.call <= Call::XRoot ? 1 : answer->size());
    EXPECT_EQ(buffer.Text(), left.value_or(std::wstring(kRoom + 16, GuardedBuffer::kSentinel)));
    EXPECT_TRUE(buffer.Untouched(left ? left->size() + 1 : 0)) << "written beyond the answer";
    EXPECT_EQ(GetEnvironment(L"USERDATA_PLANTED_MODULE_RAN"), std::nullopt) << "a planted module's code ran";
}

// Each row runs under its name, its blanks and signs made underscores.
std::string RowName(const ::testing::TestParamInfo<Row>& info)
{
    std::string name = info.param.name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Exports, PathsAndStringsTest, ::testing::ValuesIn(kRows), RowName);

}  // namespace
}  // namespace userdata::testing
