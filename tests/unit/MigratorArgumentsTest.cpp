// The migration tool's argument string.
#include "migration/MigratorArguments.h"

#include <gtest/gtest.h>

#include <string>

namespace userdata {
namespace {

TEST(MigratorArguments, PartsByProductLanguageAndMarker)
{
    const std::wstring longest(259, L'p');
    const std::wstring tooLong(260, L'p');
    struct Row {
        const char* scenario;
        std::wstring product;
        std::wstring language;
        bool dap;
        std::wstring expected;
    } rows[] = {
        {"everything", L"ZOVA", L"L1", true, L"/a /product \"ZOVA\" /language \"L1\" /dap "},
        {"no marker", L"ZOVA", L"L1", false, L"/a /product \"ZOVA\" /language \"L1\""},
        {"empty product", L"", L"L1", false, L"/a /language \"L1\""},
        {"nothing known", L"", L"", true, L"/a /dap "},
        {"product of 259 characters", longest, L"", false, L"/a /product \"" + longest + L"\""},
        {"product of 260 characters is left out", tooLong, L"L1", false, L"/a /language \"L1\""},
        // 2 + 11 + 259 + 1 = 273 characters; the language part would end at 545.
        {"language that no longer fits is left out", longest, longest, true,
         L"/a /product \"" + longest + L"\" /dap "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        wchar_t arguments[kMigratorArgumentsCapacity];
        std::fill(std::begin(arguments), std::end(arguments), L'#');
        BuildMigratorArguments(row.product.c_str(), row.language.c_str(), row.dap, arguments);
        EXPECT_EQ(std::wstring(arguments), row.expected);
    }
}

}  // namespace
}  // namespace userdata
