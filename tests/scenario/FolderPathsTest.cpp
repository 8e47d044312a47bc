// The special folders through the real DLL: zvudGetSpecialFolder,
// zvudGetProductXFoldPath, zvudGetXRootFoldPath, GetZOVAUserDataCacheLangPath.
#include "TestSupport.h"
#include "UserDataFolders.h"

namespace userdata::testing {
namespace {

using ZvUdSpecialFolder::Folders;

constexpr size_t kLarge = 4096;

class SpecialFoldersTest : public ScenarioTest {
protected:
    // The base product in L1: the folder values live under its root in HKEY_CURRENT_USER.
    SpecialFoldersTest() { InstallConfigurable({{L"ZOVA", {L"L1"}}}); }

    static std::wstring UserRoot() { return ProductRootOf(L"ZOVA", L"L1"); }

    // The folder as zvudGetSpecialFolder gives it, "(none)" for the result 0;
    // checks the capacity result on the way.
    static std::wstring Folder(const UserDataExports& api, int folder)
    {
        GuardedBuffer buffer(kLarge);
        const unsigned result = api.zvudGetSpecialFolder(static_cast<Folders>(folder), buffer.Data(), kLarge);
        if (result == 0) {
            EXPECT_TRUE(buffer.Untouched()) << "nothing is written on failure";
            return L"(none)";
        }
        EXPECT_EQ(result, buffer.Text().size() + 1) << Narrow(buffer.Text());
        EXPECT_TRUE(buffer.Untouched(result));
        return buffer.Text();
    }

    // The help file of the current profile P, for every program.
    static void SetProfileHelp(const std::wstring& root, const std::wstring& helpPath)
    {
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles", nullptr, L"P");
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\P\\General", L"ZOVAHELP", helpPath);
        SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\P\\General", L"HELP", helpPath);
    }
};

TEST_F(SpecialFoldersTest, InstallFolderFollowsTheCapacityResult)
{
    const auto& api = Load();
    const std::wstring root = RootFolder();
    const unsigned needed = static_cast<unsigned>(root.size() + 1);
    EXPECT_EQ(api.zvudGetSpecialFolder(ZvUdSpecialFolder::InstallFolder, nullptr, 0), needed);
    EXPECT_EQ(api.zvudGetSpecialFolder(ZvUdSpecialFolder::InstallFolder, nullptr, kLarge), needed);
    struct Row {
        size_t capacity;
        unsigned result;
        bool written;
    } rows[] = {{0, needed, false}, {needed, needed, true}, {needed - 1, 0, false}, {kLarge, needed, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "capacity " << row.capacity);
        GuardedBuffer buffer(kLarge);
        EXPECT_EQ(api.zvudGetSpecialFolder(ZvUdSpecialFolder::InstallFolder, buffer.Data(), row.capacity), row.result);
        if (row.written) {
            EXPECT_EQ(buffer.Text(), root);
            EXPECT_TRUE(buffer.Untouched(needed));
        } else {
            EXPECT_TRUE(buffer.Untouched());
        }
    }
}

TEST_F(SpecialFoldersTest, FoldersBuiltFromTheInstallFolderAndTheLanguage)
{
    const auto& api = Load();
    const std::wstring root = RootFolder();
    struct Row {
        Folders folder;
        std::wstring expected;
    } rows[] = {
        {ZvUdSpecialFolder::InstallFolder, root},
        {ZvUdSpecialFolder::InstallFolderLang, root + L"L1"},
        {ZvUdSpecialFolder::SampleFolder, root + L"Sample"},
        {ZvUdSpecialFolder::SampleFolderLang, root + L"Sample\\L1"},
        {ZvUdSpecialFolder::UserDataCacheFolder, root + L"UserDataCache"},
        {ZvUdSpecialFolder::UserDataCacheFolderLang, root + L"UserDataCache\\L1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "folder " << row.folder);
        EXPECT_EQ(Folder(api, row.folder), row.expected);
        GuardedBuffer buffer(kLarge);
        EXPECT_EQ(api.zvudGetProductXFoldPath(buffer.Data(), kLarge, row.folder), 1u);
        EXPECT_EQ(buffer.Text(), row.expected);
    }
}

TEST_F(SpecialFoldersTest, ProductFolderIsWrittenOnlyWhenItFits)
{
    const auto& api = Load();
    // Shorter than the library's file path, which is no scratch space.
    const std::wstring language = RootFolder() + L"L1";
    struct Row {
        unsigned long long capacity;
        unsigned result;
        std::wstring text;  // "" for an untouched buffer
    } rows[] = {
        {language.size(), 0, L""},
        {language.size() + 1, 1, language},
        {0xFFFFFFFF, 1, language},  // a stated capacity beyond the buffer: only the answer is written
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "capacity " << row.capacity);
        GuardedBuffer buffer(kLarge);
        EXPECT_EQ(api.zvudGetProductXFoldPath(buffer.Data(), row.capacity, ZvUdSpecialFolder::InstallFolderLang),
                  row.result);
        EXPECT_EQ(buffer.Text(), row.text.empty() ? std::wstring(kLarge, GuardedBuffer::kSentinel) : row.text);
        EXPECT_TRUE(buffer.Untouched(row.text.empty() ? 0 : row.text.size() + 1));
    }
}

TEST_F(SpecialFoldersTest, HelpFoldersFromTheHelpPath)
{
    const auto& api = Load();
    struct Row {
        const char* scenario;
        const wchar_t* help;  // null: no current profile, the product default
        std::wstring folder;
        std::wstring folderLang;
    } rows[] = {
        {"profile help", L"C:\\H\\Help\\x.chm", L"C:\\H\\Help\\", L"C:\\H\\Help\\L1"},
        {"help at a drive's root", L"C:\\x.chm", L"C:\\", L"C:\\L1"},
        {"a bare help file name", L"x.chm", L"(none)", L"(none)"},
        {"default help", nullptr, RootFolder() + L"Help\\", RootFolder() + L"Help\\L1"},
    };
    SetString(HKEY_LOCAL_MACHINE, UserRoot(), L"DefaultHelpFileName", L"Guide");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        DeleteKey(HKEY_CURRENT_USER, UserRoot() + L"\\Profiles");
        if (row.help != nullptr) {
            SetProfileHelp(UserRoot(), row.help);
        } else {
            CreateKey(HKEY_CURRENT_USER, UserRoot() + L"\\Profiles");
        }
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::HelpFolder), row.folder);
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::HelpFolderLang), row.folderLang);
    }
    DeleteKey(HKEY_CURRENT_USER, UserRoot() + L"\\Profiles");
    EXPECT_EQ(Folder(api, ZvUdSpecialFolder::HelpFolder), L"(none)") << "no help file";
}

TEST_F(SpecialFoldersTest, FolderValuesFromTheRegistry)
{
    enum class Stored { Missing, Plain, Empty, ZeroBytes, Expandable, Multi, Unterminated, Number, TooLong };
    struct State {
        const char* scenario;
        Stored stored;
        const wchar_t* expected;  // null: missing (the install folder, or nothing)
    } states[] = {
        {"REG_SZ", Stored::Plain, L"D:\\Data\\"},
        {"missing", Stored::Missing, nullptr},
        {"empty", Stored::Empty, L"(none)"},  // an answer, so no fallback either
        {"REG_SZ of 0 bytes", Stored::ZeroBytes, L"(none)"},
        {"REG_EXPAND_SZ, unexpanded", Stored::Expandable, L"%USERPROFILE%\\Data"},
        {"REG_MULTI_SZ", Stored::Multi, nullptr},
        {"REG_SZ without terminator", Stored::Unterminated, nullptr},
        {"REG_DWORD", Stored::Number, nullptr},
        {"2048 characters", Stored::TooLong, nullptr},
    };
    const auto& api = Load();
    for (const ZvUdSpecialFolder::FolderInfo& folder : ZvUdSpecialFolder::FolderTable) {
        if (folder.valueName == nullptr) {
            continue;
        }
        for (const State& state : states) {
            SCOPED_TRACE(::testing::Message() << Narrow(folder.valueName) << ", " << state.scenario);
            const wchar_t* const name = folder.valueName;
            switch (state.stored) {
            case Stored::Missing: break;
            case Stored::Plain: SetString(HKEY_CURRENT_USER, UserRoot(), name, L"D:\\Data\\"); break;
            case Stored::Empty: SetString(HKEY_CURRENT_USER, UserRoot(), name, L""); break;
            case Stored::ZeroBytes: SetRaw(HKEY_CURRENT_USER, UserRoot(), name, REG_SZ, L"", 0); break;
            case Stored::Expandable:
                SetString(HKEY_CURRENT_USER, UserRoot(), name, L"%USERPROFILE%\\Data", REG_EXPAND_SZ);
                break;
            case Stored::Multi:
                SetRaw(HKEY_CURRENT_USER, UserRoot(), name, REG_MULTI_SZ, L"D:\\A\0D:\\B\0", 22);
                break;
            case Stored::Unterminated: SetUnterminatedString(HKEY_CURRENT_USER, UserRoot(), name, L"D:\\Data"); break;
            case Stored::Number: SetDword(HKEY_CURRENT_USER, UserRoot(), name, 1); break;
            case Stored::TooLong: SetString(HKEY_CURRENT_USER, UserRoot(), name, std::wstring(2048, L'd')); break;
            }
            const bool fallsBack = folder.source == ZvUdSpecialFolder::Source::UserValueOrInstallFolder;
            const std::wstring missing = fallsBack ? RootFolder() : L"(none)";
            EXPECT_EQ(Folder(api, folder.folder), state.expected != nullptr ? state.expected : missing);
            RegDeleteKeyValueW(HKEY_CURRENT_USER, UserRoot().c_str(), name);
        }
    }
}

TEST_F(SpecialFoldersTest, FolderNumbersOutOfRange)
{
    const auto& api = Load();
    for (int folder : {17, -1, 100}) {
        SCOPED_TRACE(::testing::Message() << "folder " << folder);
        EXPECT_EQ(Folder(api, folder), L"(none)");
        EXPECT_EQ(api.zvudGetSpecialFolder(static_cast<Folders>(folder), nullptr, 0), 0u);
    }
}

TEST_F(SpecialFoldersTest, RootFolderValueReadsOnlyTheUserKey)
{
    const auto& api = Load();
    // With a buffer: the flag result and the caller's capacity.
    SetString(HKEY_CURRENT_USER, UserRoot(), L"LocalRootFolder", L"D:\\Loc");  // 6 characters
    SetString(HKEY_LOCAL_MACHINE, UserRoot(), L"AllUsersFolder", L"D:\\All");
    struct Row {
        const wchar_t* name;
        size_t capacity;
        unsigned result;
    } rows[] = {{L"LocalRootFolder", 7, 1}, {L"LocalRootFolder", 6, 0}, {L"AllUsersFolder", 64, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << Narrow(row.name) << ", capacity " << row.capacity);
        GuardedBuffer buffer(64);
        EXPECT_EQ(api.zvudGetXRootFoldPath(row.name, buffer.Data(), row.capacity), row.result);
        EXPECT_TRUE(buffer.Untouched(row.capacity)) << "written beyond the capacity";
        if (row.result != 0) {
            EXPECT_EQ(buffer.Text(), L"D:\\Loc");
        }
    }
}

TEST_F(SpecialFoldersTest, RootFolderValueExistenceTest)
{
    SetString(HKEY_CURRENT_USER, UserRoot(), L"Plain", L"D:\\x");
    SetString(HKEY_CURRENT_USER, UserRoot(), L"Expandable", L"%x%", REG_EXPAND_SZ);
    SetUnterminatedString(HKEY_CURRENT_USER, UserRoot(), L"Unterminated", L"D:\\x");
    SetRaw(HKEY_CURRENT_USER, UserRoot(), L"Multi", REG_MULTI_SZ, L"a\0\0", 6);
    SetDword(HKEY_CURRENT_USER, UserRoot(), L"Number", 1);
    const auto& api = Load();
    struct Row {
        const wchar_t* name;
        unsigned exists;
    } rows[] = {{L"Plain", 1}, {L"Expandable", 1}, {L"Unterminated", 1}, {L"Multi", 0}, {L"Number", 0},
                {L"Missing", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.name));
        EXPECT_EQ(api.zvudGetXRootFoldPath(row.name, nullptr, 0), row.exists);
        EXPECT_EQ(api.zvudGetXRootFoldPath(row.name, nullptr, kLarge), row.exists);
    }
    SetRaw(HKEY_CURRENT_USER, UserRoot(), L"ZeroBytes", REG_SZ, L"", 0);
    GuardedBuffer empty(64);
    EXPECT_EQ(api.zvudGetXRootFoldPath(L"ZeroBytes", empty.Data(), 64), 1u) << "a REG_SZ of 0 bytes reads as \"\"";
    EXPECT_EQ(empty.Text(), L"");
}

TEST_F(SpecialFoldersTest, UnterminatedExpandableValue)
{
    SetRaw(HKEY_CURRENT_USER, UserRoot(), L"GraphicsCacheFolder", REG_EXPAND_SZ, L"%G%\\Cache#", 18);  // 9 characters
    const auto& api = Load();
    GuardedBuffer room(64);
    EXPECT_EQ(api.zvudGetXRootFoldPath(L"GraphicsCacheFolder", room.Data(), 10), 1u);
    EXPECT_EQ(room.Text(), L"%G%\\Cache") << "ended right after its data";
    EXPECT_TRUE(room.Untouched(10));
    GuardedBuffer full(64);
    EXPECT_EQ(api.zvudGetXRootFoldPath(L"GraphicsCacheFolder", full.Data(), 9), 0u) << "it would be cut";
    EXPECT_TRUE(full.Untouched(9));
    EXPECT_EQ(Folder(api, ZvUdSpecialFolder::GraphicsCacheFolder), L"%G%\\Cache");

    const std::wstring filling(2048, L'e');
    SetRaw(HKEY_CURRENT_USER, UserRoot(), L"LocalRootFolder", REG_EXPAND_SZ, (filling + L"#").c_str(), 4096);
    EXPECT_EQ(Folder(api, ZvUdSpecialFolder::LocalRootFolder), RootFolder()) << "filling the working path";
}

TEST_F(SpecialFoldersTest, OverrideIsTheUserKey)
{
    const std::wstring mine = L"Software\\Mine";
    SetString(HKEY_CURRENT_USER, UserRoot(), L"LocalRootFolder", L"D:\\Product");
    SetString(HKEY_CURRENT_USER, UserRoot(), L"AllUsersFolder", L"D:\\ProductAll");
    SetString(HKEY_CURRENT_USER, mine, L"LocalRootFolder", L"D:\\Mine");
    const auto& api = Load();
    api.zvudSetUserProductRegistryRootKey(mine.c_str());
    EXPECT_EQ(Folder(api, ZvUdSpecialFolder::LocalRootFolder), L"D:\\Mine");
    EXPECT_EQ(Folder(api, ZvUdSpecialFolder::AllUsersFolder), L"(none)") << "the product's own key is not read";
    EXPECT_EQ(api.zvudGetXRootFoldPath(L"AllUsersFolder", nullptr, 0), 0u);
}

TEST_F(SpecialFoldersTest, UserRootKeyTooLongForTheKeyPath)
{
    const auto& api = Load();
    // Components of at most 255 characters, to a total of 259 and 260.
    const std::wstring longest = L"Software\\" + std::wstring(200, L'k') + L"\\" + std::wstring(49, L'k');
    struct Row {
        std::wstring key;
        bool read;
    } rows[] = {{longest, true}, {longest + L"k", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.key.size() << " characters");
        SetString(HKEY_CURRENT_USER, row.key, L"LocalRootFolder", L"D:\\Long");
        SetString(HKEY_CURRENT_USER, row.key, L"AllUsersFolder", L"D:\\All");
        api.zvudSetUserProductRegistryRootKey(row.key.c_str());
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::LocalRootFolder), row.read ? L"D:\\Long" : RootFolder());
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::AllUsersFolder), row.read ? L"D:\\All" : L"(none)");
    }
}

TEST_F(SpecialFoldersTest, CacheLanguagePathLeavesThePlainOneWhenOnlyThatFits)
{
    const auto& api = Load();
    const std::wstring plain = RootFolder() + L"UserDataCache";
    const std::wstring perLanguage = plain + L"\\L1";
    const unsigned needed = static_cast<unsigned>(perLanguage.size() + 1);
    EXPECT_EQ(api.GetZOVAUserDataCacheLangPath(nullptr, nullptr, 0), needed);
    struct Row {
        const char* scenario;
        size_t capacity;
        unsigned result;
        const std::wstring* text;  // null: untouched
    } rows[] = {
        {"both fit", needed, needed, &perLanguage},
        {"only the plain path fits", needed - 1, 0, &plain},
        {"the plain path just fits", plain.size() + 1, 0, &plain},
        {"neither fits", plain.size(), 0, nullptr},
        {"no capacity", 0, needed, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        GuardedBuffer buffer(kLarge);
        EXPECT_EQ(api.GetZOVAUserDataCacheLangPath(buffer.Data(), nullptr, static_cast<unsigned>(row.capacity)),
                  row.result);
        if (row.text != nullptr) {
            EXPECT_EQ(buffer.Text(), *row.text);
            EXPECT_TRUE(buffer.Untouched(row.text->size() + 1));
        } else {
            EXPECT_TRUE(buffer.Untouched());
        }
    }
}

TEST_F(SpecialFoldersTest, LanguageAgainstTheSubFolderBuffer)
{
    // "Sample\" leaves room for 56 characters of language, "UserDataCache\" for 49.
    const std::wstring l49(49, L'a'), l50(50, L'b'), l56(56, L'c'), l57(57, L'd');
    InstallConfigurable({{L"ZOVA", {l49, l50, l56, l57}}});
    struct Row {
        const std::wstring* language;
        bool sample;
        bool cache;
    } rows[] = {{&l49, true, true}, {&l50, true, false}, {&l56, true, false}, {&l57, false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.language->size() << " characters");
        const auto& api = Load();
        ASSERT_EQ(api.zvudInitProductParams(L"ZOVA", row.language->c_str()), 1);
        const std::wstring root = RootFolder();
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::InstallFolderLang), root + *row.language);
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::SampleFolderLang),
                  row.sample ? root + L"Sample\\" + *row.language : L"(none)");
        EXPECT_EQ(Folder(api, ZvUdSpecialFolder::UserDataCacheFolderLang),
                  row.cache ? root + L"UserDataCache\\" + *row.language : L"(none)");
        Unload();
    }
}

TEST_F(SpecialFoldersTest, WithoutALanguage)
{
    DeleteKey(HKEY_LOCAL_MACHINE, std::wstring(kVersionKey) + L"\\InstalledProducts");  // start-up fails at once
    const std::wstring mine = L"Software\\Mine";
    SetProfileHelp(mine, L"C:\\H\\Help\\x.chm");
    const auto& api = Load();
    api.zvudSetUserProductRegistryRootKey(mine.c_str());  // the help file is found all the same

    for (Folders folder : {ZvUdSpecialFolder::InstallFolder, ZvUdSpecialFolder::InstallFolderLang,
                           ZvUdSpecialFolder::SampleFolder, ZvUdSpecialFolder::UserDataCacheFolderLang,
                           ZvUdSpecialFolder::RoamableRootFolder}) {
        SCOPED_TRACE(::testing::Message() << "folder " << folder);
        EXPECT_EQ(Folder(api, folder), L"(none)");
    }
    GuardedBuffer product(kLarge);
    EXPECT_EQ(api.zvudGetProductXFoldPath(product.Data(), kLarge, ZvUdSpecialFolder::InstallFolder), 0u);
    EXPECT_TRUE(product.Untouched()) << "nothing is written";
    EXPECT_EQ(api.GetZOVAUserDataCacheLangPath(nullptr, nullptr, 0), 0u);

    std::wstring help;
    EXPECT_FALSE(RaisesContinuable(0xC0000008, [&] { help = Folder(api, ZvUdSpecialFolder::HelpFolder); }));
    EXPECT_EQ(help, L"C:\\H\\Help\\");
    // The language's exception passes out; continued, the empty language adds nothing.
    std::wstring helpLang;
    EXPECT_TRUE(RaisesContinuable(0xC0000008, [&] { helpLang = Folder(api, ZvUdSpecialFolder::HelpFolderLang); }));
    EXPECT_EQ(helpLang, L"C:\\H\\Help\\");
}

}  // namespace
}  // namespace userdata::testing
