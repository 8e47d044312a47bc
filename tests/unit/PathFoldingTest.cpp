// Path folding on tables of the tests' own, and their registration from the
// process environment.
#include "regwrite/PathFolding.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace userdata {
namespace {

using namespace userdata::testing;

constexpr const wchar_t* kProfile = L"C:\\Users\\someone";

std::wstring Std(const ZvString& text)
{
    return std::wstring(text.c_str(), text.length());
}

struct Folding {
    int count;
    std::wstring text;
};

Folding Fold(const wchar_t* text, const PathVariableTable& table)
{
    ZvString folded(text);
    const int count = FoldPathVariables(folded, table);
    return {count, Std(folded)};
}

TEST(PathFolding, ProfileFolderBecomesItsToken)
{
    PathVariableTable table;
    table.Add(ZvString(L"USERPROFILE"), ZvString(kProfile));
    struct Row {
        const wchar_t* text;
        int count;
        const wchar_t* folded;
    } rows[] = {
        {L"C:\\USERS\\SOMEONE\\AppData\\Roaming\\Data", 1, L"%USERPROFILE%\\appdata\\roaming\\data"},
        {L"c:\\users\\someone", 1, L"%USERPROFILE%"},
        {L"C:\\Users\\someone\\a;C:\\USERS\\Someone\\b", 2, L"%USERPROFILE%\\a;%USERPROFILE%\\b"},
        {L"C:\\Users\\someone2\\x", 1, L"%USERPROFILE%2\\x"},
        {L"C:\\Users\\someonC:\\Users\\someone", 1, L"c:\\users\\someon%USERPROFILE%"},
        {L"D:\\Work\\Report", 0, L"d:\\work\\report"},
        {L"C:\\Users\\some", 0, L"c:\\users\\some"},
        {L"", 0, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.text));
        const Folding result = Fold(row.text, table);
        EXPECT_EQ(result.count, row.count);
        EXPECT_EQ(result.text, row.folded);
    }
}

TEST(PathFolding, EmptyTableOnlyLowerCases)
{
    const PathVariableTable table;
    const Folding result = Fold(L"C:\\Users\\Someone\\X", table);
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.text, L"c:\\users\\someone\\x");
    EXPECT_TRUE(ProcessPathVariableTable().Entries().empty()) << "nothing fills the library's table yet";
}

TEST(PathFolding, SubfolderIsReplacedBeforeItsFolder)
{
    const std::wstring documents = std::wstring(kProfile) + L"\\Documents";
    const wchar_t* text = L"C:\\Users\\someone\\Documents\\a;C:\\Users\\someone\\b";
    // Either order of registration: the longer value goes first.
    for (bool folderFirst : {true, false}) {
        SCOPED_TRACE(folderFirst ? "folder registered first" : "subfolder registered first");
        PathVariableTable table;
        if (folderFirst) {
            table.Add(ZvString(L"USERPROFILE"), ZvString(kProfile));
        }
        table.Add(ZvString(L"Docs"), ZvString(documents.c_str()));
        if (!folderFirst) {
            table.Add(ZvString(L"USERPROFILE"), ZvString(kProfile));
        }
        const Folding result = Fold(text, table);
        EXPECT_EQ(result.count, 2);
        EXPECT_EQ(result.text, L"%Docs%\\a;%USERPROFILE%\\b");
    }
}

class PathVariableRegistration : public ::testing::Test {
protected:
    VariableGuard profile_{L"USERPROFILE"};
    VariableGuard other_{L"USERDATA_TEST_FOLDER"};
};

TEST_F(PathVariableRegistration, ValueIsReadOnceInLowerCase)
{
    SetEnvironment(L"USERPROFILE", kProfile);
    PathVariableTable table;
    RegisterUserProfileVariable(table);
    ASSERT_EQ(table.Entries().size(), 1u);
    EXPECT_EQ(Std(table.Entries()[0].Name), L"USERPROFILE");
    EXPECT_EQ(Std(table.Entries()[0].Value), L"c:\\users\\someone");

    SetEnvironment(L"USERPROFILE", L"D:\\Elsewhere");
    RegisterUserProfileVariable(table);
    EXPECT_EQ(table.Entries().size(), 1u) << "registered once per table";
    EXPECT_EQ(Fold(L"C:\\Users\\someone\\x", table).text, L"%USERPROFILE%\\x") << "the value read first stays";
    EXPECT_EQ(Fold(L"D:\\Elsewhere\\x", table).count, 0);
}

TEST_F(PathVariableRegistration, ProfileUnsetAtRegistrationIsNeverAdded)
{
    SetEnvironment(L"USERPROFILE", nullptr);
    PathVariableTable table;
    RegisterUserProfileVariable(table);
    EXPECT_TRUE(table.Entries().empty());

    SetEnvironment(L"USERPROFILE", kProfile);
    RegisterUserProfileVariable(table);
    EXPECT_TRUE(table.Entries().empty()) << "the registration is not retried";
    EXPECT_EQ(Fold(L"C:\\Users\\someone", table).count, 0);
}

TEST_F(PathVariableRegistration, AddingTheSameNameTwiceGivesTwoEntries)
{
    SetEnvironment(L"USERDATA_TEST_FOLDER", L"E:\\Shared");
    PathVariableTable table;
    AddPathVariable(L"USERDATA_TEST_FOLDER", table);
    AddPathVariable(L"USERDATA_TEST_FOLDER", table);
    ASSERT_EQ(table.Entries().size(), 2u);
    EXPECT_EQ(Fold(L"E:\\SHARED\\x", table).text, L"%USERDATA_TEST_FOLDER%\\x");

    AddPathVariable(L"USERDATA_TEST_UNSET", table);
    EXPECT_EQ(table.Entries().size(), 2u) << "a variable that is not set adds nothing";
}

TEST_F(PathVariableRegistration, EmptyValueNeverMatches)
{
    SetEnvironment(L"USERDATA_TEST_FOLDER", L"");
    SetEnvironment(L"USERPROFILE", kProfile);
    PathVariableTable table;
    AddPathVariable(L"USERDATA_TEST_FOLDER", table);
    RegisterUserProfileVariable(table);
    ASSERT_EQ(table.Entries().size(), 2u) << "a variable set to nothing is still added";
    const Folding result = Fold(L"C:\\Users\\someone\\x", table);
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(result.text, L"%USERPROFILE%\\x");
}

}  // namespace
}  // namespace userdata
