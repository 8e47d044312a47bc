// The folder, help and string exports through the real DLL, in one table:
// the special folders, root folder, working directory and product-specific
// paths; the help and context files; the localized strings. A row stores
// registry values, calls one export and names what the host then sees. In
// texts '$' stands for the install folder (with its backslash), '~' for the
// test program's folder (the host's, where the test string modules are built)
// and '&' for the user's Documents folder.
#include "TestSupport.h"

#include <variant>

namespace userdata::testing {
namespace {

using namespace ZvUdSpecialFolder;

// In the order of what their results count when they answer: the answer with its terminator (up to String), 1 (up
// to XRoot), or the answer's characters.
enum class Call { Folder, CacheLang, String, XFold, XRoot, Root, Specific, Help, Context, Directory };
enum Start { Settled, Unsettled, Failed };  // by the host, not yet, failing (no catalogue)

constexpr unsigned long long kRoom = 2100;
constexpr unsigned long long kAny = 0xFFFFFFFF;
constexpr unsigned long long kFitsLeft = 1ULL << 40;  // just room for the text left in the buffer
const std::wstring kMine = L"Software\\Mine";
const std::wstring kRoot259 = L"Software\\" + std::wstring(200, L'k') + L"\\" + std::wstring(49, L'k');
const std::wstring kLongName(300, L'V');

// A registry value, expandable when its data holds a '%'.
struct Value {
    const wchar_t* name = nullptr;
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

// The call and its argument (a folder; a value name, by default "T"; a text; the working directory before), the values
// set before, the text it gives (none: nothing; a string gives ""), in a buffer of `room`; the buffer's text when not
// that answer (none: untouched); how start-up went for which product, the override of the user product registry root
// key, and the only access the machine's product key allows.
struct Row {
    const char* name = "";
    Call call = Call::Folder;
    std::variant<int, const wchar_t*> arg{};
    std::vector<Value> set{};
    std::optional<std::wstring> gives{};
    unsigned long long room = kRoom;
    std::optional<std::wstring> left{};
    Start start = Settled;
    const wchar_t* product = L"ZOVA";
    std::wstring userRoot{};
    std::optional<REGSAM> allow{};
};

constexpr auto kLanguageCache = UserDataCacheFolderLang;
constexpr Call XF = Call::XFold, CL = Call::CacheLang, WD = Call::Directory, PS = Call::Specific, H = Call::Help,
               C = Call::Context, S = Call::String, XR = Call::XRoot;
const wchar_t *const kT = L"T", *const kLR = L"LocalRootFolder";
const Value kCurrent = {nullptr, L"P", L"\\Profiles"};  // the current profile P
const Value kGuide = {L"DefaultHelpFileName", L"Guide", L"", kMachine};
const Value kHelpZ = Help(L"C:\\Z"), kHelpH = Help(L"C:\\H", L"HELP"), kAtRoot = Help(L"C:\\x");
const std::vector<Value> kHelpX = {kCurrent, Help(L"C:\\H\\x.chm")}, kBareHelp = {kCurrent, Help(L"x.chm")};
const std::vector<Value> kBoth = {kCurrent, kHelpZ, kHelpH};
// Profiles, none of them current; the machine's default help file, and the user's.
const std::vector<Value> kDefaults = {{L"Unrelated", L"", L"\\Profiles"}, kGuide, {L"DefaultHelpFileName", L"Mine"}};
const Value kMachineFolder = {L"AllUsersFolder", L"D:\\A", L"", kMachine}, kUserFolder = {L"AllUsersFolder", L"%X%\\D"};
const Value kDeep = {kLR, L"D:", kRoot259}, kLocal = {kLR, L"D:"};
const std::wstring kRoot260 = kRoot259 + L"k";
const std::vector<Value> kOverridden = {{kLR, L"P:"}, {kLR, L"M:", kMine}};
const Value kMachineT = Specific(kT, L"C:\\M"), kUserT = Specific(kT, L"C:\\U", kUser), kOther = Specific(L"V", L"x");
const Value kDefaultValue = Specific(nullptr, L"C:\\D"), kOverrideT = {kT, L"C:\\O", kMine + L"\\ProductSpecific"};
const std::wstring kA = L"%" + kLongName + L"%";  // a variable that expands to "a"
const Value kLongStored = Specific(kT, kA + kA + kA + kA + kA + kA + kA + kA + kA + kA + L"\\w");  // 3022 characters
const wchar_t* const kOrdinal = MAKEINTRESOURCEW(0x1234);

const Row kRows[] = {
    // The special folders, the root folder, the working directory.
    {.name = "the install folder ends with a backslash", .gives = L"$"},
    {.name = "the sample folder", .arg = SampleFolder, .gives = L"$Sample"},
    {.name = "the sample language folder", .call = XF, .arg = SampleFolderLang, .gives = L"$Sample\\L1", .room = kAny},
    {.name = "the language's cache folder", .call = CL, .gives = L"$UserDataCache\\L1"},
    {.name = "the language's cache folder of the product",
     .call = XF,
     .arg = kLanguageCache,
     .gives = L"$UserDataCache\\L1"},
    {.name = "no product folder of the help folder", .call = XF, .arg = HelpFolder},
    {.name = "none of the roamable root folder, a per-user value", .call = XF, .arg = RoamableRootFolder},
    {.name = "no product folder 17", .call = XF, .arg = 17},
    {.name = "only the plain cache folder fits", .call = CL, .room = kFitsLeft, .left = L"$UserDataCache"},
    {.name = "folder 17", .arg = 17},
    {.name = "folder -1", .arg = -1},
    {.name = "the help folder keeps its backslash", .arg = HelpFolder, .set = kHelpX, .gives = L"C:\\H\\"},
    {.name = "help at a root, its language", .arg = HelpFolderLang, .set = {kCurrent, kAtRoot}, .gives = L"C:\\L1"},
    {.name = "a machine's folder value", .arg = AllUsersFolder, .set = {kMachineFolder}},
    {.name = "a missing roamable root folder", .arg = RoamableRootFolder, .gives = L"$"},
    {.name = "a missing language's roamable folder", .arg = RoamableRootFolderLang},
    {.name = "an empty value, no fallback", .arg = LocalRootFolder, .set = {{kLR}}},
    {.name = "a user's value, unexpanded", .arg = AllUsersFolder, .set = {kUserFolder}, .gives = L"%X%\\D"},
    {.name = "the override's value", .call = XR, .arg = kLR, .set = kOverridden, .gives = L"M:", .userRoot = kMine},
    {.name = "a 260-character override", .arg = LocalRootFolder, .set = {kDeep}, .gives = L"$", .userRoot = kRoot260},
    // Capacities beyond a 32-bit byte count: the value and its terminator, nothing beyond.
    {.name = "capacity 2^32", .call = XR, .arg = kLR, .set = {kLocal}, .gives = L"D:", .room = 1ULL << 32},
    {.name = "capacity 2^63", .call = XR, .arg = kLR, .set = {kLocal}, .gives = L"D:", .room = 1ULL << 63},
    {.name = "capacity 2^64 - 1", .call = XR, .arg = kLR, .set = {kLocal}, .gives = L"D:", .room = ~0ULL},
    {.name = "without a language no product folder", .call = XF, .start = Failed},
    {.name = "without a language the help folder's language raises",
     .arg = HelpFolderLang,
     .set = {{nullptr, L"P", kMine + L"\\Profiles"}, Help(L"C:\\H\\x", L"HELP", kMine)},
     .gives = L"C:\\H\\",
     .start = Failed,
     .userRoot = kMine},
    {.name = "the root folder, any capacity", .call = Call::Root, .gives = L"$", .room = kAny},
    {.name = "the host's cache folder, any case, to Documents", .call = WD, .arg = L"~UserDataCache", .gives = L"&"},
    {.name = "below the cache folder", .call = WD, .arg = L"~userdatacache\\below", .gives = L"~userdatacache\\below"},
    {.name = "the library's cache folder", .call = WD, .arg = L"$userdatacache", .gives = L"$userdatacache"},
    // The product-specific paths.
    {.name = "the machine's, not the user's", .call = PS, .set = {kMachineT, kUserT}, .gives = L"C:\\M"},
    {.name = "the user's when the machine lacks the key", .call = PS, .set = {kUserT}, .gives = L"C:\\U"},
    {.name = "not when its key lacks the value", .call = PS, .set = {kOther, kUserT}, .gives = L""},
    {.name = "a name below 0x10000", .call = PS, .arg = kOrdinal, .set = {kDefaultValue}, .gives = L"C:\\D"},
    {.name = "3022 characters expand to 12", .call = PS, .set = {kLongStored}, .gives = L"aaaaaaaaaa\\w"},
    {.name = "expanded to 260 characters", .call = PS, .set = {Specific(kT, kA + kRoot259)}, .gives = L""},
    {.name = "before start-up", .call = PS, .set = {kMachineT}, .gives = L"", .start = Unsettled, .product = L"PRODB"},
    {.name = "the override plays no part", .call = PS, .set = {kOverrideT}, .gives = L"", .userRoot = kMine},
    // The help and context files.
    {.name = "program ZOVA reads ZOVAHELP", .call = H, .set = kBoth, .gives = L"C:\\Z"},
    {.name = "another program reads HELP", .call = H, .set = kBoth, .gives = L"C:\\H", .product = L"PRODB"},
    {.name = "program ZOVA without ZOVAHELP", .call = H, .set = {kCurrent, kHelpH}},
    {.name = "a current profile without its key: not the default", .call = H, .set = {kCurrent, kGuide}},
    {.name = "no profiles, no help", .call = H, .set = {kGuide}},
    {.name = "no current profile: the machine's default", .call = H, .set = kDefaults, .gives = L"$Help\\Guide.chm"},
    {.name = "a denied machine key is no absence", .call = H, .set = kDefaults, .gives = L"$Help\\.chm", .allow = 0},
    {.name = "a query-only key", .call = H, .set = kDefaults, .gives = L"$Help\\Guide.chm", .allow = KEY_QUERY_VALUE},
    {.name = "the context file beside the help file", .call = C, .set = kHelpX, .gives = L"C:\\H\\ZOVACTXT.CHM"},
    {.name = "the context file alone for a bare help name", .call = C, .set = kBareHelp, .gives = L"ZOVACTXT.CHM"},
    {.name = "PRODB's context", .call = C, .set = kDefaults, .gives = L"$Help\\PRODBCTXT.CHM", .product = L"PRODB"},
    // The localized strings.
    {.name = "plain text comes back whole", .call = S, .arg = L"Plain text", .gives = L"Plain text"},
    {.name = "a planted module's string", .call = S, .arg = L"@~planted\\PlantedStrings.dll,-101", .gives = L"Open"},
    {.name = "no reference: as given", .call = S, .arg = L"@x,-1a", .gives = L"@x,-1a"},
    {.name = "no text", .call = S, .arg = nullptr},
    {.name = "a string the module lacks", .call = S, .arg = L"@~TestStrings.dll,-999"},
    {.name = "101 beyond the string numbers", .call = S, .arg = L"@~TestStrings.dll,-65637"},
    {.name = "101 beyond 32 bits", .call = S, .arg = L"@~TestStrings.dll,-4294967397"},
    {.name = "string 0", .call = S, .arg = L"@~TestStrings.dll,-0", .gives = L"Zero"},
    {.name = "the last string number", .call = S, .arg = L"@~TestStrings.dll,-65535", .gives = L"Last"},
};

class PathsAndStringsTest : public ScenarioTest, public ::testing::WithParamInterface<Row> {
protected:
    PathsAndStringsTest()
    {
        InstallConfigurable({{L"ZOVA", {L"L1"}}, {L"PRODB", {L"L1"}}});
        SetString(kUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", L"Personal",
                  documents_, REG_EXPAND_SZ);
        SetEnvironment(kLongName.c_str(), L"a");
    }

    ~PathsAndStringsTest() override
    {
        SetCurrentDirectoryW(InstallFolder().c_str());  // out of the folders about to go
        DeleteTree(TestProgramFolder() + L"\\userdatacache");
    }

    std::wstring Resolve(const std::wstring& text) const
    {
        const size_t at = text.find_first_of(L"$~&");
        if (at == std::wstring::npos) {
            return text;
        }
        const std::wstring folders[] = {RootFolder(), TestProgramFolder() + L"\\", documents_};
        return text.substr(0, at) + folders[std::wstring(L"$~&").find(text[at])] + text.substr(at + 1);
    }

    void Store(const Row& row)
    {
        const std::wstring productRoot = ProductRootOf(row.product, L"L1");
        for (const Value& value : row.set) {
            const bool below = value.key.empty() || value.key[0] == L'\\';
            const DWORD type = value.data.find(L'%') != std::wstring::npos ? REG_EXPAND_SZ : REG_SZ;
            SetString(value.hive, below ? productRoot + value.key : value.key, value.name, value.data, type);
        }
        if (row.start == Failed) {
            DeleteKey(kMachine, std::wstring(kVersionKey) + L"\\InstalledProducts");
        }
    }

    TempFolder home_;
    const std::wstring documents_ = home_ / L"Documents";
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

// The result an export gives for the answer `gives` (none: it fails).
unsigned Result(Call call, const std::optional<std::wstring>& gives)
{
    const auto length = static_cast<unsigned>(gives.value_or(L"").size());
    return !gives ? 0 : call <= Call::String ? length + 1 : call <= Call::XRoot ? 1 : length;
}

// What the host sees, in one line: the result, the buffer's text, and what went wrong besides.
std::wstring Seen(unsigned result, const std::optional<std::wstring>& text, bool writtenBeyond, bool raised)
{
    return L"result " + std::to_wstring(result) + L", buffer " + (text ? L"\"" + *text + L"\"" : L"untouched") +
           (writtenBeyond ? L", written beyond" : L"") + (raised ? L", the no-language exception raised" : L"");
}

TEST_P(PathsAndStringsTest, Call)
{
    const Row& row = GetParam();
    Store(row);
    const auto& api = Load();
    ASSERT_TRUE(row.start != Settled || api.zvudInitProductParams(row.product, L"L1") == 1);
    api.zvudSetUserProductRegistryRootKey(row.userRoot.c_str());
    std::optional<DeniedKey> denied;
    if (row.allow) {
        denied.emplace(kMachine, ProductRootOf(row.product, L"L1"), *row.allow);
    }
    const wchar_t* given = row.arg.index() == 1 ? std::get<1>(row.arg) : row.call == PS ? kT : nullptr;
    const std::wstring text = IS_INTRESOURCE(given) ? L"" : Resolve(given);
    const wchar_t* arg = IS_INTRESOURCE(given) ? given : text.c_str();
    const auto gives = row.gives ? std::optional(Resolve(*row.gives)) : std::nullopt;
    const auto left = row.left ? std::optional(Resolve(*row.left)) : !gives && row.call == S ? std::wstring() : gives;
    const unsigned long long room = row.room == kFitsLeft ? left->size() + 1 : row.room;

    GuardedBuffer buffer(kRoom + 16);
    unsigned result = 0;
    const bool raised = RaisesContinuable(0xC0000008, [&] { result = Invoke(api, row, arg, buffer.Data(), room); });
    const std::wstring seen = Seen(result, buffer.Untouched() ? std::nullopt : std::optional(buffer.Text()),
                                   left && !buffer.Untouched(left->size() + 1), raised);
    // Without a language a special folder that needs it raises the no-language exception (continued here).
    const std::wstring expected =
        Seen(Result(row.call, gives), left, false, row.start == Failed && row.call == Call::Folder);
    EXPECT_EQ(Narrow(expected), Narrow(seen)) << row.name << ", capacity " << room;
    EXPECT_EQ(GetEnvironment(L"USERDATA_PLANTED_MODULE_RAN"), std::nullopt) << "a planted module's code ran";
}

// A row prints as its name, beside its number in the test's name.
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

INSTANTIATE_TEST_SUITE_P(Exports, PathsAndStringsTest, ::testing::ValuesIn(kRows));

}  // namespace
}  // namespace userdata::testing
