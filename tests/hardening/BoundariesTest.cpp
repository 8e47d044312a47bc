// Fixed buffers at their limits, through the DLL: one less, equal and one
// more than the buffer, with nothing written beyond what the caller allowed.
#include "Equipped.h"

namespace userdata::testing {
namespace {

class BoundariesTest : public EquippedTest {};

TEST_F(BoundariesTest, FolderValueAroundTheWorkingPath)
{
    InstallEverything();
    struct Row {
        size_t length;
        bool delivered;
    } rows[] = {{2046, true}, {2047, true}, {2048, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "a folder value of " << row.length << " characters");
        const std::wstring folder = L"C:\\" + std::wstring(row.length - 3, L'f');
        SetString(HKEY_CURRENT_USER, Root(), L"GraphicsCacheFolder", folder);
        const auto& api = Load();
        GuardedBuffer buffer(2100);
        const unsigned result = api.zvudGetSpecialFolder(ZvUdSpecialFolder::GraphicsCacheFolder, buffer.Data(), 2100);
        EXPECT_EQ(result, row.delivered ? row.length + 1 : 0u);
        EXPECT_EQ(buffer.Text(), row.delivered ? folder : std::wstring(2100, GuardedBuffer::kSentinel));
        if (row.delivered) {
            EXPECT_TRUE(buffer.Untouched(row.length + 1));
        }
        Unload();
    }
}

TEST_F(BoundariesTest, LanguageAroundItsCopy)
{
    // A non-configurable installation takes its language from the registry,
    // which lets it be this long.
    const std::wstring root = L"Software\\Brevonix\\Suite\\7.0\\ZOVA-7.0";
    WriteVersionFile(kVersionKey, L"0");
    WriteIdentityFile(L"", root, L"Software\\Brevonix\\Global");
    struct Row {
        size_t length;
        bool delivered;
    } rows[] = {{255, true}, {256, false}, {257, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "a language of " << row.length << " characters");
        const std::wstring language(row.length, L'l');
        SetString(HKEY_LOCAL_MACHINE, root + L"\\InstalledUILanguages", nullptr, language);
        const auto& api = Load();
        ASSERT_EQ(AskText(api.zvudGetCurrentLanguage), language);
        GuardedBuffer buffer(1024);
        const unsigned result = api.zvudGetSpecialFolder(ZvUdSpecialFolder::InstallFolderLang, buffer.Data(), 1024);
        const std::wstring expected = RootFolder() + language;
        EXPECT_EQ(result, row.delivered ? expected.size() + 1 : 0u);
        if (row.delivered) {
            EXPECT_EQ(buffer.Text(), expected);
            EXPECT_TRUE(buffer.Untouched(expected.size() + 1));
        } else {
            EXPECT_TRUE(buffer.Untouched());
        }
        Unload();
    }
}

}  // namespace
}  // namespace userdata::testing
