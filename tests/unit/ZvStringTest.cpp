// The library's wide string: building, ordering, folding helpers, and the
// structured exception that a string failure raises.
#include "base/ZvString.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace userdata {
namespace {

std::wstring Std(const ZvString& text)
{
    return std::wstring(text.c_str(), text.length());
}

TEST(ZvString, BuildsAndCopies)
{
    ZvString text(L"Soft");
    text.Append(L"ware").Append(L'\\').Append(ZvString(L"Brevonix"));
    EXPECT_EQ(Std(text), L"Software\\Brevonix");
    EXPECT_EQ(text.length(), 17u);

    ZvString copy = text;
    text.Append(L"\\Suite");
    EXPECT_EQ(Std(copy), L"Software\\Brevonix");
    ZvString moved = std::move(text);
    EXPECT_EQ(Std(moved), L"Software\\Brevonix\\Suite");
    EXPECT_TRUE(text.empty());
    EXPECT_STREQ(text.c_str(), L"");

    moved.Append(moved);  // appending itself must not read freed memory
    EXPECT_EQ(Std(moved), L"Software\\Brevonix\\SuiteSoftware\\Brevonix\\Suite");

    EXPECT_TRUE(ZvString(nullptr).empty());
    EXPECT_EQ(Std(ZvString(L"abc\0def", 7)), std::wstring(L"abc\0def", 7));
}

TEST(ZvString, OrdersByUnsignedCodeUnits)
{
    EXPECT_LT(ZvString(L"PRODB"), ZvString(L"ZOVA"));
    EXPECT_LT(ZvString(L"Zova"), ZvString(L"aova"));   // upper case first
    EXPECT_LT(ZvString(L"ZOVA"), ZvString(L"ZOVA2"));  // a prefix first
    EXPECT_LT(ZvString(L"z"), ZvString(L"\xE000"));    // no sign extension
    EXPECT_FALSE(ZvString(L"ZOVA") < ZvString(L"ZOVA"));
    EXPECT_TRUE(ZvString(L"ZOVA") == L"ZOVA");
    EXPECT_FALSE(ZvString(L"ZOVA") == L"zova");
}

TEST(ZvString, LowerCasesAsTheRuntimeDoes)
{
    ZvString text(L"C:\\USERS\\Someone\\\x00C4pfel");
    text.ToLower();
    EXPECT_EQ(Std(text), L"c:\\users\\someone\\\x00C4pfel");  // the default locale maps A to Z only
}

TEST(ZvString, ReplacesWithoutOverlap)
{
    struct Row {
        const wchar_t* text;
        const wchar_t* from;
        const wchar_t* to;
        int count;
        const wchar_t* expected;
    } rows[] = {
        {L"aaaa", L"aa", L"b", 2, L"bb"},
        {L"aaa", L"aa", L"b", 1, L"ba"},
        {L"c:\\u\\x;c:\\u\\y", L"c:\\u", L"%P%", 2, L"%P%\\x;%P%\\y"},
        {L"abc", L"", L"x", 0, L"abc"},
        {L"ab", L"abc", L"x", 0, L"ab"},
        {L"abcd", L"x", L"y", 0, L"abcd"},
        {L"a-b-c", L"-", L"", 2, L"abc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "\"" << row.text << "\" replacing \"" << row.from << "\"");
        ZvString text(row.text);
        EXPECT_EQ(text.ReplaceAll(ZvString(row.from), ZvString(row.to)), row.count);
        EXPECT_EQ(Std(text), row.expected);
    }
}

TEST(ZvString, ArgumentsBelowTheFirstPageAreNotText)
{
    EXPECT_TRUE(StringFromArgument(nullptr).empty());
    EXPECT_TRUE(StringFromArgument(reinterpret_cast<const wchar_t*>(std::uintptr_t{0xFFFF})).empty());
    EXPECT_EQ(Std(StringFromArgument(L"ZOVA")), L"ZOVA");
}

// A string failure is a non-continuable structured exception carrying the
// HRESULT; in these child processes nothing handles it, so the process ends
// with the code.
LONG WINAPI ExitWithExceptionCode(EXCEPTION_POINTERS* exception)
{
    ExitProcess(exception->ExceptionRecord->ExceptionCode);
}

TEST(ZvStringDeathTest, InvalidLengthRaisesInvalidArgument)
{
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(&ExitWithExceptionCode);
            ZvString text(L"x", ZvString::kMaxLength + 1);
        },
        ::testing::ExitedWithCode(static_cast<int>(0x80070057u)), "");
}

TEST(ZvStringDeathTest, FailedBoundedCopyRaisesFail)
{
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(&ExitWithExceptionCode);
            wchar_t small[2];
            ZvCopyChars(small, 2, L"abc", 3);
        },
        ::testing::ExitedWithCode(static_cast<int>(0x80004005u)), "");
}

}  // namespace
}  // namespace userdata
