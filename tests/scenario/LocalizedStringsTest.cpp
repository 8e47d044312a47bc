// zvudLoadMUIString as a host sees it, reading the string table of the test
// resource module TestStrings.dll (0 "Zero", 101 "Open", 102 empty, 103 three
// hundred digits, 65535 "Last").
#include "TestSupport.h"

namespace userdata::testing {
namespace {

constexpr const wchar_t* kModuleName = L"TestStrings.dll";

class LocalizedStringsTest : public ScenarioTest {
protected:
    LocalizedStringsTest()
    {
        const std::wstring built = TestProgramFolder() + L"\\" + kModuleName;
        EXPECT_TRUE(CopyFileW(built.c_str(), ModulePath().c_str(), FALSE)) << "copying " << Narrow(built);
    }

    // The copy in the installation folder, named by full path.
    std::wstring ModulePath() const { return InstallFolder() + L"\\" + kModuleName; }
    std::wstring Reference(const std::wstring& number) const { return L"@" + ModulePath() + L",-" + number; }

    // Resolves `text` into a guarded buffer; the module must be released again.
    unsigned LoadInto(const std::wstring& text, GuardedBuffer& buffer, unsigned long long capacity)
    {
        const unsigned result = Api().zvudLoadMUIString(text.c_str(), buffer.Data(), capacity);
        EXPECT_EQ(GetModuleHandleW(ModulePath().c_str()), nullptr) << "the module stayed loaded";
        EXPECT_EQ(GetModuleHandleW(kModuleName), nullptr) << "the module stayed loaded";
        return result;
    }
};

TEST_F(LocalizedStringsTest, ReferenceIsResolvedByPathAndByBareName)
{
    // A module with start-up code of its own, planted in the current folder
    // and in a folder on PATH, and copied beside the library.
    const std::wstring planted = TestProgramFolder() + L"\\planted\\PlantedStrings.dll";
    TempFolder current;
    TempFolder onPath;
    ASSERT_TRUE(CopyFileW(planted.c_str(), (current / L"resmod.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(planted.c_str(), (onPath / L"pathmod.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(planted.c_str(), (InstallFolder() + L"\\planted.dll").c_str(), FALSE));
    SetCurrentDirectoryW(current.Path().c_str());
    SetEnvironment(L"PATH", (onPath.Path() + L";" + GetEnvironment(L"PATH").value_or(L"")).c_str());
    const VariableGuard mark(L"USERDATA_PLANTED_MODULE_RAN");
    Load();
    struct Row {
        std::wstring text;
        const wchar_t* expected;
    } rows[] = {
        {Reference(L"101"), L"Open"},
        {std::wstring(L"@") + kModuleName + L",-101", L"Open"},  // beside the host
        {L"@" + InstallFolder() + L"\\planted.dll,-101", L"Open"},
        {L"@pathmod,-101", L"Open"},
        {L"@resmod.dll,-101", L""},  // never from the current folder
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.text));
        SetEnvironment(L"USERDATA_PLANTED_MODULE_RAN", nullptr);
        GuardedBuffer buffer;
        const std::wstring expected = row.expected;
        EXPECT_EQ(LoadInto(row.text, buffer, 64), expected.empty() ? 0u : expected.size() + 1);
        EXPECT_EQ(buffer.Text(), expected);
        EXPECT_TRUE(buffer.Untouched(expected.size() + 1));
        EXPECT_EQ(GetEnvironment(L"USERDATA_PLANTED_MODULE_RAN"), std::nullopt) << "the module's code ran";
    }
    SetCurrentDirectoryW(InstallFolder().c_str());  // so that the planted folder can go
}

TEST_F(LocalizedStringsTest, ResolvedStringFollowsTheCapacityResult)
{
    Load();
    struct Row {
        bool nullBuffer;
        unsigned long long capacity;
        unsigned result;
        const wchar_t* text;  // null: the buffer is untouched
    } rows[] = {
        {true, 64, 5, nullptr},
        {false, 0, 5, nullptr},
        {false, 4, 0, L""},
        {false, 5, 5, L"Open"},
        {false, 6, 5, L"Open"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << (row.nullBuffer ? "null buffer, " : "") << "capacity " << row.capacity);
        GuardedBuffer buffer;
        const std::wstring text = Reference(L"101");
        EXPECT_EQ(Api().zvudLoadMUIString(text.c_str(), row.nullBuffer ? nullptr : buffer.Data(), row.capacity),
                  row.result);
        if (row.text == nullptr) {
            EXPECT_TRUE(buffer.Untouched());
        } else {
            EXPECT_EQ(buffer.Text(), row.text);
            EXPECT_TRUE(buffer.Untouched(std::wstring(row.text).size() + 1));
        }
    }
}

TEST_F(LocalizedStringsTest, MalformedReferencesAreHandedBackAsText)
{
    Load();
    const std::wstring longModule = L"@" + std::wstring(260, L'm') + L",-101";
    const std::wstring longNumber = Reference(std::wstring(257, L'0') + L"101");
    struct Row {
        const char* scenario;
        std::wstring text;
    } rows[] = {
        {"plain text", L"Hello"},
        {"digits followed by a letter", Reference(L"101a")},
        {"no \",-\"", std::wstring(L"@") + kModuleName},
        {"nothing after \",-\"", std::wstring(L"@") + kModuleName + L",-"},
        {"the first \",-\" decides", L"@a,-b.dll,-7"},
        {"a sign in the number", std::wstring(L"@") + kModuleName + L",--101"},
        {"no leading @", std::wstring(kModuleName) + L",-101"},
        {"module name of 260 characters", longModule},
        {"number text of 260 characters", longNumber},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        GuardedBuffer buffer(600);
        EXPECT_EQ(LoadInto(row.text, buffer, 600), row.text.size() + 1);
        EXPECT_EQ(buffer.Text(), row.text);
        EXPECT_TRUE(buffer.Untouched(row.text.size() + 1));
    }
}

TEST_F(LocalizedStringsTest, ReferencesThatResolveToNothingGiveZero)
{
    Load();
    struct Row {
        const char* scenario;
        std::wstring text;
    } rows[] = {
        {"empty text", L""},
        {"empty module name", L"@,-5"},
        {"module that does not exist", L"@" + InstallFolder() + L"\\Missing.dll,-101"},
        {"module name of 259 characters", L"@" + std::wstring(259, L'm') + L",-101"},
        {"string the module lacks", Reference(L"999")},
        {"empty string", Reference(L"102")},
        // The string loader keeps the low 16 bits of a number: these would read 101 and 0.
        {"101 beyond the string numbers", Reference(L"65637")},
        {"65536", Reference(L"65536")},
        {"101 beyond 32 bits", Reference(L"4294967397")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        GuardedBuffer buffer;
        EXPECT_EQ(LoadInto(row.text, buffer, 64), 0u);
        EXPECT_EQ(buffer.Text(), L"") << "emptied first";
        EXPECT_TRUE(buffer.Untouched(1));
    }
    GuardedBuffer buffer;
    EXPECT_EQ(Api().zvudLoadMUIString(nullptr, buffer.Data(), 64), 0u);
    EXPECT_EQ(buffer.Text(), L"");
}

TEST_F(LocalizedStringsTest, NumbersAreDecimalUpToTheLastString)
{
    Load();
    struct Row {
        std::wstring number;
        std::wstring text;
    } rows[] = {
        {L"0", L"Zero"},
        {L"00101", L"Open"},
        {std::wstring(256, L'0') + L"101", L"Open"},  // number text of 259 characters
        {L"65535", L"Last"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.number));
        GuardedBuffer buffer;
        EXPECT_EQ(LoadInto(Reference(row.number), buffer, 64), row.text.size() + 1);
        EXPECT_EQ(buffer.Text(), row.text);
    }
}

TEST_F(LocalizedStringsTest, LongStringIsCutTo259Characters)
{
    Load();
    GuardedBuffer buffer(400);
    EXPECT_EQ(LoadInto(Reference(L"103"), buffer, 400), 260u);
    std::wstring expected;
    for (size_t i = 0; i < 259; ++i) {
        expected += static_cast<wchar_t>(L'0' + i % 10);
    }
    EXPECT_EQ(buffer.Text(), expected);
    EXPECT_TRUE(buffer.Untouched(260));
}

}  // namespace
}  // namespace userdata::testing
