// GetProductSpecificFilePath through the real DLL.
#include "TestSupport.h"

#include <cstdint>

namespace userdata::testing {
namespace {

class ProductSpecificFileTest : public ScenarioTest {
protected:
    // The base product in L1, started completely by the first query that settles it.
    ProductSpecificFileTest() { InstallConfigurable({{L"ZOVA", {L"L1"}}}); }

    static std::wstring ProductSpecificKey() { return ProductRootOf(L"ZOVA", L"L1") + L"\\ProductSpecific"; }

    // Settles product and language, which GetProductSpecificFilePath never does.
    void StartUp() const { ASSERT_EQ(Api().zvudInitProductParams(nullptr, nullptr), 1); }
};

TEST_F(ProductSpecificFileTest, MachineFirstThenUser)
{
    SetString(HKEY_CURRENT_USER, ProductSpecificKey(), L"Template", L"C:\\User\\t.dot");
    const auto& api = Load();
    StartUp();
    GuardedBuffer user(MAX_PATH);
    EXPECT_EQ(api.GetProductSpecificFilePath(L"Template", user.Data(), MAX_PATH), 13u) << "absent for the machine";
    EXPECT_EQ(user.Text(), L"C:\\User\\t.dot");

    CreateKey(HKEY_LOCAL_MACHINE, ProductSpecificKey());
    GuardedBuffer machine(MAX_PATH);
    EXPECT_EQ(api.GetProductSpecificFilePath(L"Template", machine.Data(), MAX_PATH), 0u)
        << "the machine's key lacks the value: the user's is not consulted";
    EXPECT_EQ(machine.Text(), L"");

    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), L"Template", L"C:\\Machine\\t.dot");
    GuardedBuffer both(MAX_PATH);
    EXPECT_EQ(api.GetProductSpecificFilePath(L"Template", both.Data(), MAX_PATH), 16u);
    EXPECT_EQ(both.Text(), L"C:\\Machine\\t.dot");
}

TEST_F(ProductSpecificFileTest, ValueNames)
{
    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), nullptr, L"C:\\Default");
    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), L"Named", L"C:\\Named");
    const auto& api = Load();
    StartUp();
    struct Row {
        const char* scenario;
        const wchar_t* name;
        std::wstring expected;
    } rows[] = {
        {"null name", nullptr, L"C:\\Default"},
        {"empty name", L"", L"C:\\Default"},
        {"a name below 0x10000 is not a pointer", reinterpret_cast<const wchar_t*>(std::uintptr_t{0x1234}),
         L"C:\\Default"},
        {"named value", L"Named", L"C:\\Named"},
        {"missing value", L"Missing", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.scenario);
        GuardedBuffer buffer(MAX_PATH);
        EXPECT_EQ(api.GetProductSpecificFilePath(row.name, buffer.Data(), MAX_PATH), row.expected.size());
        EXPECT_EQ(buffer.Text(), row.expected);
        EXPECT_TRUE(buffer.Untouched(row.expected.size() + 1));
    }
}

TEST_F(ProductSpecificFileTest, LengthResultAndReadBuffer)
{
    const std::wstring ten = L"C:\\abc.txt";
    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), L"Ten", ten);
    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), L"Longest", std::wstring(259, L'x'));
    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), L"TooLong", std::wstring(260, L'x'));
    const auto& api = Load();
    StartUp();
    struct Row {
        const wchar_t* name;
        size_t capacity;
        unsigned result;  // 0: buffer untouched, unless the value reads as empty
        std::wstring text;
    } rows[] = {
        {L"Ten", 11, 10, ten},
        {L"Ten", 10, 0, L""},
        {L"Longest", 260, 259, std::wstring(259, L'x')},
        {L"Longest", 259, 0, L""},
        {L"TooLong", 1024, 0, L""},  // too long for the read: absent, so an empty string is delivered
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << Narrow(row.name) << ", capacity " << row.capacity);
        GuardedBuffer buffer(1024);
        EXPECT_EQ(api.GetProductSpecificFilePath(row.name, buffer.Data(), static_cast<unsigned long>(row.capacity)),
                  row.result);
        if (row.result != 0) {
            EXPECT_EQ(buffer.Text(), row.text);
        } else if (row.capacity < 1024) {
            EXPECT_TRUE(buffer.Untouched()) << "a value that does not fit leaves the buffer as it was";
        } else {
            EXPECT_EQ(buffer.Text(), L"");
            EXPECT_TRUE(buffer.Untouched(1));
        }
    }
}

TEST_F(ProductSpecificFileTest, ExpandableValueIsExpanded)
{
    const VariableGuard folder(L"USERDATA_TEST_FOLDER");
    const VariableGuard shortText(L"USERDATA_TEST_SHORT");
    SetEnvironment(L"USERDATA_TEST_FOLDER", L"C:\\Expanded");
    SetEnvironment(L"USERDATA_TEST_SHORT", L"ab");
    std::wstring manyShort;  // 420 characters stored, longer than the 260 of the read; 40 expanded
    std::wstring manyShortExpanded;
    for (int count = 0; count < 20; ++count) {
        manyShort += L"%USERDATA_TEST_SHORT%";
        manyShortExpanded += L"ab";
    }
    struct Row {
        const wchar_t* name;
        std::wstring stored;
        std::wstring expected;
    } rows[] = {
        {L"Dictionary", L"%USERDATA_TEST_FOLDER%\\words.dic", L"C:\\Expanded\\words.dic"},
        {L"LongStored", manyShort, manyShortExpanded},
        {L"LongExpanded", L"%USERDATA_TEST_FOLDER%" + std::wstring(250, L'x'), L""},
    };
    for (const Row& row : rows) {
        SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), row.name, row.stored, REG_EXPAND_SZ);
    }
    const auto& api = Load();
    StartUp();
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.name));
        GuardedBuffer buffer(MAX_PATH);
        EXPECT_EQ(api.GetProductSpecificFilePath(row.name, buffer.Data(), MAX_PATH), row.expected.size());
        EXPECT_EQ(buffer.Text(), row.expected);
    }
}

TEST_F(ProductSpecificFileTest, SettlesNothingAndIgnoresTheOverride)
{
    SetString(HKEY_LOCAL_MACHINE, ProductSpecificKey(), L"Template", L"C:\\Product.dot");
    SetString(HKEY_LOCAL_MACHINE, L"Software\\Elsewhere\\ProductSpecific", L"Template", L"C:\\Override.dot");
    const auto& api = Load();
    api.zvudSetUserProductRegistryRootKey(L"Software\\Elsewhere");

    // Before start-up the root key is empty, the key read is "\ProductSpecific".
    GuardedBuffer before(MAX_PATH);
    EXPECT_EQ(api.GetProductSpecificFilePath(L"Template", before.Data(), MAX_PATH), 0u);
    EXPECT_EQ(before.Text(), L"") << "no product's value before start-up";

    StartUp();
    GuardedBuffer after(MAX_PATH);
    EXPECT_EQ(api.GetProductSpecificFilePath(L"Template", after.Data(), MAX_PATH), 14u);
    EXPECT_EQ(after.Text(), L"C:\\Product.dot") << "the product root key, not the override";
}

}  // namespace
}  // namespace userdata::testing
