// The folder, help and string exports through the real DLL, one table per
// family: the special folders, root folder, working directory and
// product-specific paths; the help and context files; the localized strings.
// A row stores registry values, calls one export and names what the host then
// sees. In texts '$' stands for the install folder (with its backslash), '~'
// for the test program's folder and '&' for the user's Documents folder.
#include "TestSupport.h"

#include <cstdint>
#include <optional>

namespace userdata::testing {
namespace {

namespace Z = ZvUdSpecialFolder;

// In the order of their result conventions: capacity, flag, length result.
enum class Call {
    SpecialFolder, CacheLang, String, ProductXFold, XRootFold, RootFolder, ProductSpecific, Help, Context, Directory
};
enum class Start { Settled, Unsettled, Failed };  // by the host, not yet, failing (no catalogue)

constexpr unsigned long long kRoom = 2100;
constexpr unsigned long long kFitsLeft = 1ULL << 40;  // just room for the text left in the buffer
constexpr DWORD kWholeText = ~DWORD{0};
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;
const std::wstring kMine = L"Software\\Mine";
const std::wstring kRoot259 = L"Software\\" + std::wstring(200, L'k') + L"\\" + std::wstring(49, L'k');
const std::wstring kLongName(300, L'V');  // an environment variable that expands to "ab"
const std::wstring kAb = L"%" + kLongName + L"%";
const std::wstring kOpen = L"@$TestStrings.dll,-";  // followed by a string number
const std::wstring kDigits259 =  // string 103 as the string loader cuts it
    [] { std::wstring d; while (d.size() < 259) d += L"0123456789"; return d.substr(0, 259); }();
const std::wstring kLongNumber = kOpen + std::wstring(257, L'0') + L"101";  // a number text of 260 characters

// A registry value; its key is below the product root key when "" or "\...".
struct Value {
    std::wstring key{};
    const wchar_t* name = nullptr;
    std::wstring data{};
    DWORD type = REG_SZ;
    DWORD bytes = kWholeText;  // fewer: cut there (a character beyond, or the registry adds a terminator)
    HKEY hive = kUser;
};

struct Row {
    const char* name;
    std::vector<Value> values{};
    Call call = Call::SpecialFolder;
    int folder = Z::InstallFolder;
    const wchar_t* valueName = nullptr;
    std::optional<std::wstring> text{};  // zvudLoadMUIString's; none: null
    unsigned long long capacity = kRoom;
    bool nullBuffer = false;
    std::optional<std::wstring> answer{};  // the text the result counts; none: the result is 0
    std::optional<std::wstring> left{};    // the buffer's text when not the answer; none: untouched
    Start start = Start::Settled;
    const wchar_t* product = L"ZOVA";
    std::wstring userRoot{};  // the override of the user product registry root key
    std::optional<REGSAM> machineKeyAllows{};  // the only access to the machine's product key
    std::wstring startIn{};  // the working directory before the call
    bool moves = false;    // to the Documents folder
    bool raises = false;   // the no-language exception passes out (and is continued)
};

Value Specific(const wchar_t* name, const std::wstring& data, DWORD type = REG_SZ, HKEY hive = kMachine)
{
    return {.key = L"\\ProductSpecific", .name = name, .data = data, .type = type, .hive = hive};
}

// A help value of the "General" key of the profile P below `root`.
Value Help(const std::wstring& path, const wchar_t* name = L"ZOVAHELP", const std::wstring& root = L"",
           DWORD type = REG_SZ)
{
    return {.key = root + L"\\Profiles\\P\\General", .name = name, .data = path, .type = type};
}

const Value kProfiles = {.key = L"\\Profiles", .name = L"Unrelated"};  // and no current profile
const Value kMachineGuide = {.name = L"DefaultHelpFileName", .data = L"Guide", .hive = kMachine};
const Value kUserMine = {.name = L"DefaultHelpFileName", .data = L"Mine"};
const Value kCurrent = {.key = L"\\Profiles", .data = L"P"};  // the current profile P
const Value kMineCurrent = {.key = kMine + L"\\Profiles", .data = L"P"};
const Call kPS = Call::ProductSpecific;

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

const Row kFolderRows[] = {
    {.name = "the install folder ends with a backslash", .answer = L"$"},
    {.name = "a null buffer asks only for the capacity", .nullBuffer = true, .answer = L"$"},
    {.name = "the language folder: one backslash", .folder = Z::InstallFolderLang, .answer = L"$L1"},
    {.name = "the sample folder", .folder = Z::SampleFolder, .answer = L"$Sample"},
    {.name = "the language's sample folder, a capacity beyond the buffer", .call = Call::ProductXFold,
     .folder = Z::SampleFolderLang, .capacity = 0xFFFFFFFF, .answer = L"$Sample\\L1"},
    {.name = "the language's cache folder", .call = Call::CacheLang, .answer = L"$UserDataCache\\L1"},
    {.name = "only the plain cache folder fits", .call = Call::CacheLang, .capacity = kFitsLeft,
     .left = L"$UserDataCache"},
    {.name = "folder 17", .folder = 17},
    {.name = "folder -1", .folder = -1},
    {.name = "the help folder keeps its backslash", .values = {kCurrent, Help(L"C:\\H\\Help\\x.chm")},
     .folder = Z::HelpFolder, .answer = L"C:\\H\\Help\\"},
    {.name = "the language after a help folder at a drive's root", .values = {kCurrent, Help(L"C:\\x.chm")},
     .folder = Z::HelpFolderLang, .answer = L"C:\\L1"},
    {.name = "a folder value of the user", .values = {{.name = L"LocalRootFolder", .data = L"D:\\Loc"}},
     .folder = Z::LocalRootFolder, .answer = L"D:\\Loc"},
    {.name = "a missing roamable root folder", .folder = Z::RoamableRootFolder, .answer = L"$"},
    {.name = "a missing language's roamable folder", .folder = Z::RoamableRootFolderLang},
    {.name = "an empty value, no fallback", .values = {{.name = L"LocalRootFolder"}}, .folder = Z::LocalRootFolder},
    {.name = "an expandable value, unexpanded",
     .values = {{.name = L"AllUsersFolder", .data = L"%X%\\D", .type = REG_EXPAND_SZ}}, .folder = Z::AllUsersFolder,
     .answer = L"%X%\\D"},
    {.name = "an unterminated expandable value filling the working path",
     .values = {{.name = L"RoamableRootFolder", .data = std::wstring(2049, L'e'), .type = REG_EXPAND_SZ,
                 .bytes = 4096}},
     .folder = Z::RoamableRootFolder, .answer = L"$"},
    {.name = "a value of the machine", .values = {{.name = L"AllUsersFolder", .data = L"D:\\A", .hive = kMachine}},
     .folder = Z::AllUsersFolder},
    {.name = "the override holds the folder values",
     .values = {{.name = L"LocalRootFolder", .data = L"D:\\P"},
                {.key = kMine, .name = L"LocalRootFolder", .data = L"D:\\M"}},
     .folder = Z::LocalRootFolder, .answer = L"D:\\M", .userRoot = kMine},
    {.name = "a user root key of 260 characters is not cut",
     .values = {{.key = kRoot259, .name = L"LocalRootFolder", .data = L"D:\\L"}}, .folder = Z::LocalRootFolder,
     .answer = L"$", .userRoot = kRoot259 + L"k"},
    {.name = "without a language no product folder", .call = Call::ProductXFold, .start = Start::Failed},
    {.name = "without a language the help folder's language raises",
     .values = {kMineCurrent, Help(L"C:\\H\\x", L"HELP", kMine)}, .folder = Z::HelpFolderLang, .answer = L"C:\\H\\",
     .start = Start::Failed, .userRoot = kMine, .raises = true},
    {.name = "the root folder, any capacity", .call = Call::RootFolder, .capacity = 0xFFFFFFFF, .answer = L"$"},
    {.name = "from the host's cache folder, any case, to Documents, created", .call = Call::Directory,
     .startIn = L"~UserDataCache", .moves = true},
    {.name = "below the cache folder", .call = Call::Directory, .startIn = L"~userdatacache\\below"},
    {.name = "the library's cache folder", .call = Call::Directory, .startIn = L"$userdatacache"},
    {.name = "a product-specific path of the machine, not the user",
     .values = {Specific(L"T", L"C:\\M"), Specific(L"T", L"C:\\U", REG_SZ, kUser)}, .call = kPS, .valueName = L"T",
     .answer = L"C:\\M"},
    {.name = "of the user when the machine lacks the key", .values = {Specific(L"T", L"C:\\U", REG_SZ, kUser)},
     .call = kPS, .valueName = L"T", .answer = L"C:\\U"},
    {.name = "not when the machine's key lacks the value",
     .values = {Specific(L"Other", L"x"), Specific(L"T", L"C:\\U", REG_SZ, kUser)}, .call = kPS, .valueName = L"T",
     .answer = L""},
    {.name = "a name below 0x10000 is no pointer", .values = {Specific(nullptr, L"C:\\D")}, .call = kPS,
     .valueName = reinterpret_cast<const wchar_t*>(std::uintptr_t{0x1234}), .answer = L"C:\\D"},
    {.name = "stored longer than the read, expanded it fits", .values = {Specific(L"T", kAb + L"\\w", REG_EXPAND_SZ)},
     .call = kPS, .valueName = L"T", .answer = L"ab\\w"},
    {.name = "expanded to 260 characters", .values = {Specific(L"T", kAb + kRoot259.substr(1), REG_EXPAND_SZ)},
     .call = kPS, .valueName = L"T", .answer = L""},
    {.name = "a path of 260 characters", .values = {Specific(L"T", kRoot259 + L"k")}, .call = kPS, .valueName = L"T",
     .answer = L""},
    {.name = "before start-up", .values = {Specific(L"T", L"C:\\M")}, .call = kPS, .valueName = L"T", .answer = L"",
     .start = Start::Unsettled, .product = L"PRODB"},
    {.name = "the override plays no part",
     .values = {Specific(L"T", L"C:\\M"), {.key = kMine + L"\\ProductSpecific", .name = L"T", .data = L"C:\\O"}},
     .call = kPS, .valueName = L"T", .answer = L"C:\\M", .userRoot = kMine},
};

const Row kHelpRows[] = {
    {.name = "program ZOVA reads ZOVAHELP",
     .values = {kCurrent, Help(L"C:\\Z.chm"), Help(L"C:\\H.chm", L"HELP"), kMachineGuide}, .call = Call::Help,
     .answer = L"C:\\Z.chm"},
    {.name = "another program reads HELP", .values = {kCurrent, Help(L"C:\\Z.chm"), Help(L"C:\\H.chm", L"HELP")},
     .call = Call::Help, .answer = L"C:\\H.chm", .product = L"PRODB"},
    {.name = "program ZOVA without ZOVAHELP", .values = {kCurrent, Help(L"C:\\H.chm", L"HELP")}, .call = Call::Help},
    {.name = "a current profile without its key: not the default", .values = {kCurrent, kMachineGuide},
     .call = Call::Help},
    {.name = "stored longer than the read, expanded it fits",
     .values = {kCurrent, Help(kAb, L"ZOVAHELP", L"", REG_EXPAND_SZ)}, .call = Call::Help, .answer = L"ab"},
    {.name = "no profiles, no help", .values = {kMachineGuide}, .call = Call::Help},
    {.name = "no current profile: the machine's default", .values = {kProfiles, kMachineGuide, kUserMine},
     .call = Call::Help, .answer = L"$Help\\Guide.chm"},
    {.name = "the user's when the machine lacks the key", .values = {kProfiles, kUserMine}, .call = Call::Help,
     .answer = L"$Help\\Mine.chm"},
    {.name = "not when the machine's key lacks the value",
     .values = {kProfiles, {.name = L"Other", .hive = kMachine}, kUserMine}, .call = Call::Help},
    {.name = "a denied machine key is no absence", .values = {kProfiles, kMachineGuide, kUserMine}, .call = Call::Help,
     .answer = L"$Help\\.chm", .machineKeyAllows = 0},
    {.name = "the machine's key opened only to query values", .values = {kProfiles, kMachineGuide}, .call = Call::Help,
     .answer = L"$Help\\Guide.chm", .machineKeyAllows = KEY_QUERY_VALUE},
    {.name = "the override roots the profiles",
     .values = {kCurrent, Help(L"C:\\P.chm"), kMineCurrent, Help(L"C:\\Q.chm", L"ZOVAHELP", kMine)},
     .call = Call::Help, .answer = L"C:\\Q.chm", .userRoot = kMine},
    {.name = "the context file beside the help file", .values = {kCurrent, Help(L"C:\\H\\x.chm")},
     .call = Call::Context, .answer = L"C:\\H\\ZOVACTXT.CHM"},
    {.name = "the context file alone for a bare help name", .values = {kCurrent, Help(L"x.chm")},
     .call = Call::Context, .answer = L"ZOVACTXT.CHM"},
    {.name = "the context file of the program", .values = {kProfiles, kMachineGuide}, .call = Call::Context,
     .answer = L"$Help\\PRODBCTXT.CHM", .product = L"PRODB"},
};

const Call kS = Call::String;
const Row kStringRows[] = {
    {.name = "a reference by full path", .call = kS, .text = kOpen + L"101", .answer = L"Open"},
    {.name = "by bare name, beside the host", .call = kS, .text = L"@TestStrings.dll,-101", .answer = L"Open"},
    {.name = "a planted module's string, not its code", .call = kS, .text = L"@$planted.dll,-101", .answer = L"Open"},
    {.name = "a bare name without extension on PATH", .call = kS, .text = L"@pathmod,-101", .answer = L"Open"},
    {.name = "never from the current folder", .call = kS, .text = L"@resmod.dll,-101", .left = L""},
    {.name = "a null buffer: the capacity", .call = kS, .text = kOpen + L"101", .nullBuffer = true, .answer = L"Open"},
    {.name = "a buffer too small is emptied", .call = kS, .text = kOpen + L"101", .capacity = 4, .left = L""},
    {.name = "plain text", .call = kS, .text = L"Hello", .answer = L"Hello"},
    {.name = "digits and a letter", .call = kS, .text = kOpen + L"101a", .answer = kOpen + L"101a"},
    {.name = "nothing after \",-\"", .call = kS, .text = kOpen, .answer = kOpen},
    {.name = "the first \",-\" decides", .call = kS, .text = L"@a,-b.dll,-7", .answer = L"@a,-b.dll,-7"},
    {.name = "a number text of 260 characters", .call = kS, .text = kLongNumber, .answer = kLongNumber},
    {.name = "no text", .call = kS, .left = L""},
    {.name = "an empty text", .call = kS, .text = L"", .left = L""},
    {.name = "a module that does not exist", .call = kS, .text = L"@$Missing.dll,-101", .left = L""},
    {.name = "a string the module lacks", .call = kS, .text = kOpen + L"999", .left = L""},
    {.name = "an empty string", .call = kS, .text = kOpen + L"102", .left = L""},
    {.name = "101 beyond the string numbers", .call = kS, .text = kOpen + L"65637", .left = L""},
    {.name = "101 beyond 32 bits", .call = kS, .text = kOpen + L"4294967397", .left = L""},
    {.name = "string 0", .call = kS, .text = kOpen + L"0", .answer = L"Zero"},
    {.name = "leading zeros are decimal", .call = kS, .text = kOpen + L"00101", .answer = L"Open"},
    {.name = "the last string number", .call = kS, .text = kOpen + L"65535", .answer = L"Last"},
    {.name = "a long string is cut to 259 characters", .call = kS, .text = kOpen + L"103", .answer = kDigits259},
};

class PathsAndStringsTest : public ScenarioTest, public ::testing::WithParamInterface<Row> {
protected:
    PathsAndStringsTest()
    {
        InstallConfigurable({{L"ZOVA", {L"L1"}}, {L"PRODB", {L"L1"}}});
        SetString(kUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"Personal",
                  documents_, REG_EXPAND_SZ);
        SetEnvironment(kLongName.c_str(), L"ab");
        // The string module beside the library, and one with start-up code planted where modules are looked for.
        const std::wstring built = TestProgramFolder(), planted = built + L"\\planted\\PlantedStrings.dll";
        CopyFileW((built + L"\\TestStrings.dll").c_str(), (RootFolder() + L"TestStrings.dll").c_str(), FALSE);
        CopyFileW(planted.c_str(), (RootFolder() + L"planted.dll").c_str(), FALSE);
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
        const size_t folder = std::wstring(L"$~&").find(text[at == std::wstring::npos ? 0 : at]);
        return at == std::wstring::npos ? text : text.substr(0, at) + folders[folder] + text.substr(at + 1);
    }

    TempFolder profile_;
    const std::wstring documents_ = profile_ / L"Documents";
    TempFolder current_;
    TempFolder onPath_;
    const VariableGuard longName_{kLongName.c_str()};
    const VariableGuard plantedMark_{L"USERDATA_PLANTED_MODULE_RAN"};
};

void Store(const Value& value, const std::wstring& productRoot)
{
    const std::wstring key = value.key.empty() || value.key[0] == L'\\' ? productRoot + value.key : value.key;
    SetRaw(value.hive, key, value.name, value.type, value.data.c_str(),
           value.bytes != kWholeText ? value.bytes : static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t)));
}

unsigned Invoke(const UserDataExports& api, const Row& row, const wchar_t* text, wchar_t* buffer,
                unsigned long long capacity)
{
    const auto folder = static_cast<Z::Folders>(row.folder);
    const auto narrow = static_cast<unsigned int>(capacity);
    switch (row.call) {
    case Call::SpecialFolder: return api.zvudGetSpecialFolder(folder, buffer, capacity);
    case Call::CacheLang: return api.GetZOVAUserDataCacheLangPath(buffer, nullptr, narrow);
    case Call::String: return api.zvudLoadMUIString(text, buffer, capacity);
    case Call::ProductXFold: return api.zvudGetProductXFoldPath(buffer, capacity, folder);
    case Call::XRootFold: return api.zvudGetXRootFoldPath(row.valueName, buffer, capacity);
    case Call::RootFolder: return api.GetProductRootFolder(buffer, narrow);
    case Call::ProductSpecific: return api.GetProductSpecificFilePath(row.valueName, buffer, narrow);
    case Call::Help: return api.GetHelpFileName(buffer, narrow);
    case Call::Context: return api.GetContextFileName(buffer, narrow);
    case Call::Directory: api.SetWorkingDirectory();
    }
    return 0;
}

TEST_P(PathsAndStringsTest, Row)
{
    const Row& row = GetParam();
    SCOPED_TRACE(row.name);
    const std::wstring productRoot = ProductRootOf(row.product, L"L1");
    for (const Value& value : row.values) {
        Store(value, productRoot);
    }
    if (row.start == Start::Failed) {
        DeleteKey(kMachine, std::wstring(kVersionKey) + L"\\InstalledProducts");
    }
    const auto& api = Load();
    ASSERT_TRUE(row.start != Start::Settled || api.zvudInitProductParams(row.product, L"L1") == 1);
    api.zvudSetUserProductRegistryRootKey(row.userRoot.c_str());
    const std::optional<DeniedKey> denied = row.machineKeyAllows ? std::optional<DeniedKey>(
        std::in_place, kMachine, productRoot, *row.machineKeyAllows) : std::optional<DeniedKey>();
    if (!row.startIn.empty()) {
        CreateFolders(Resolve(row.startIn));
        ASSERT_TRUE(SetCurrentDirectoryW(Resolve(row.startIn).c_str()));
    }
    const auto answer = row.answer ? std::optional(Resolve(*row.answer)) : std::nullopt;
    const auto left = row.left ? std::optional(Resolve(*row.left)) : row.nullBuffer ? std::nullopt : answer;
    const unsigned long long capacity = row.capacity == kFitsLeft ? left->size() + 1 : row.capacity;
    const std::wstring text = Resolve(row.text.value_or(L""));
    GuardedBuffer buffer(kRoom + 16);
    unsigned result = 0;
    wchar_t* const data = row.nullBuffer ? nullptr : buffer.Data();
    const auto call = [&] { result = Invoke(api, row, row.text ? text.c_str() : nullptr, data, capacity); };
    EXPECT_EQ(RaisesContinuable(0xC0000008, call), row.raises);
    const size_t length = answer.value_or(L"").size();
    EXPECT_EQ(result, !answer ? 0 : row.call <= Call::String ? length + 1 : row.call <= Call::XRootFold ? 1 : length);
    EXPECT_EQ(buffer.Text(), left.value_or(std::wstring(kRoom + 16, GuardedBuffer::kSentinel)));
    EXPECT_TRUE(buffer.Untouched(left ? left->size() + 1 : 0)) << "written beyond the answer";
    EXPECT_EQ(GetEnvironment(L"USERDATA_PLANTED_MODULE_RAN"), std::nullopt) << "a planted module's code ran";
    if (row.call == Call::Directory) {
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        EXPECT_EQ(_wcsicmp(current, Resolve(row.moves ? L"&" : row.startIn).c_str()), 0) << Narrow(current);
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, PathsAndStringsTest, ::testing::ValuesIn(kFolderRows));
INSTANTIATE_TEST_SUITE_P(Help, PathsAndStringsTest, ::testing::ValuesIn(kHelpRows));
INSTANTIATE_TEST_SUITE_P(Strings, PathsAndStringsTest, ::testing::ValuesIn(kStringRows));

}  // namespace
}  // namespace userdata::testing
