// Bounded copies and appends, and the two buffer result conventions.
#include "base/BoundedText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace userdata {
namespace {

using userdata::testing::GuardedBuffer;

constexpr size_t kBufferSize = 16;

TEST(BoundedText, CopyFitsOnlyWithItsTerminator)
{
    struct Row {
        size_t capacity;
        const wchar_t* text;
        bool copied;
    } rows[] = {
        {0, L"", false}, {1, L"", true}, {5, L"abcde", false}, {6, L"abcde", true}, {7, L"abcde", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "capacity " << row.capacity << ", text length " << wcslen(row.text));
        GuardedBuffer buffer(kBufferSize);
        EXPECT_EQ(CopyText(buffer.Data(), row.capacity, row.text), row.copied);
        if (row.copied) {
            EXPECT_EQ(buffer.Text(), row.text);
            EXPECT_TRUE(buffer.Untouched(wcslen(row.text) + 1));
        } else {
            EXPECT_TRUE(buffer.Untouched(0));
        }
    }
}

TEST(BoundedText, AppendIsAllOrNothing)
{
    struct Row {
        const wchar_t* initial;
        size_t capacity;
        const wchar_t* piece;
        const wchar_t* expected;  // null: unchanged
    } rows[] = {
        {L"ab", 6, L"cde", L"abcde"},
        {L"ab", 5, L"cde", nullptr},
        {L"", 1, L"", L""},
        {L"abcd", 4, L"", nullptr},  // no terminator within the capacity
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "append to \"" << row.initial << "\" within " << row.capacity);
        GuardedBuffer buffer(kBufferSize, row.initial);
        EXPECT_EQ(AppendText(buffer.Data(), row.capacity, row.piece), row.expected != nullptr);
        EXPECT_EQ(buffer.Text(), row.expected != nullptr ? row.expected : row.initial);
    }
}

TEST(BoundedText, PathPieceGetsOneSeparator)
{
    struct Row {
        const wchar_t* initial;
        size_t capacity;
        const wchar_t* piece;
        const wchar_t* expected;  // null: unchanged
    } rows[] = {
        {L"C:\\R\\", 16, L"L1", L"C:\\R\\L1"},
        {L"C:\\R", 16, L"L1", L"C:\\R\\L1"},
        {L"C:\\R", 8, L"L1", L"C:\\R\\L1"},   // exactly fits: 7 characters and the terminator
        {L"C:\\R", 7, L"L1", nullptr},        // the separator would fit, the piece not
        {L"C:\\R", 5, L"", nullptr},          // not even the separator
        {L"C:\\R\\", 6, L"", L"C:\\R\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "\"" << row.initial << "\" + \"" << row.piece << "\" within "
                                          << row.capacity);
        GuardedBuffer buffer(kBufferSize, row.initial);
        EXPECT_EQ(AppendPathPiece(buffer.Data(), row.capacity, row.piece), row.expected != nullptr);
        EXPECT_EQ(buffer.Text(), row.expected != nullptr ? row.expected : row.initial);
        EXPECT_TRUE(buffer.Untouched(row.capacity));
    }
}

TEST(BoundedText, LengthResult)
{
    struct Row {
        const wchar_t* text;
        size_t capacity;
        unsigned result;
        bool written;
    } rows[] = {
        {L"abcde", 5, 0, false}, {L"abcde", 6, 5, true}, {L"", 1, 0, true}, {L"", 0, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "\"" << row.text << "\" with capacity " << row.capacity);
        GuardedBuffer buffer(kBufferSize);
        EXPECT_EQ(DeliverLengthResult(row.text, wcslen(row.text), buffer.Data(), row.capacity), row.result);
        if (row.written) {
            EXPECT_EQ(buffer.Text(), row.text);
        } else {
            EXPECT_TRUE(buffer.Untouched(0));
        }
    }
}

TEST(BoundedText, CapacityResult)
{
    struct Row {
        const wchar_t* text;
        bool nullBuffer;
        size_t capacity;
        unsigned result;
        bool written;
    } rows[] = {
        {L"abcd", true, 0, 5, false},  {L"abcd", false, 0, 5, false}, {L"abcd", true, 9, 5, false},
        {L"abcd", false, 4, 0, false}, {L"abcd", false, 5, 5, true},  {L"", false, 5, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "\"" << row.text << "\", " << (row.nullBuffer ? "no buffer" : "buffer")
                                          << ", capacity " << row.capacity);
        GuardedBuffer buffer(kBufferSize);
        wchar_t* const target = row.nullBuffer ? nullptr : buffer.Data();
        EXPECT_EQ(DeliverCapacityResult(row.text, wcslen(row.text), target, row.capacity), row.result);
        if (row.written) {
            EXPECT_EQ(buffer.Text(), row.text);
        } else {
            EXPECT_TRUE(buffer.Untouched(0));
        }
    }
}

}  // namespace
}  // namespace userdata
