// The library in a host that trusts nothing around it: resource modules that
// may be planted relative to the current folder, a damaged string table, a
// byte-counted buffer of odd size.
#include "TestSupport.h"

namespace userdata::testing {
namespace {

constexpr unsigned kRoomy = 4096;

// Where a reference finds its string. The test program's folder holds planted\PlantedStrings.dll; "*" stands for
// the test's folder, which holds x.dll (both copies of the test string table, with string 101 "Open") and
// damaged.dll (DamagedStrings.dll), and x.dll again in its subfolders cur (the current folder), cur\rel and "a;b".
// In damaged.dll, string 96 claims 65535 characters, far beyond the end of its block; 112 is "Ok"; 113 claims 3
// characters where its block ends after 2.
// References at the limits of the 260-character working buffers: module names and paths too long for them, and
// string 101 of the table beside the test program by a number that just fits and one too long; what is too long
// names nothing.
const std::wstring kModule260 = L"@" + std::wstring(260, L'm') + L",-101";
const std::wstring kLongPath = L"@C:\\" + std::wstring(300, L'p') + L"\\m.dll,-101";
const std::wstring kLongPrefixedPath = L"@\\\\?\\C:\\" + std::wstring(300, L'p') + L"\\m.dll,-101";
const std::wstring kDigits259 = L"@TestStrings.dll,-" + std::wstring(256, L'0') + L"101";
const std::wstring kDigits260 = L"@TestStrings.dll,-" + std::wstring(257, L'0') + L"101";

struct StringRow {
    const char* name;
    const wchar_t* reference;
    const wchar_t* inFrontOfPath = L"";
    const wchar_t* expected = L"";
};

const StringRow kStringRows[] = {
    {.name = "a folder below the current one", .reference = L"@rel\\x.dll,-101"},
    {.name = "a relative path from the host's folder", .reference = L"@planted\\PlantedStrings.dll,-101"},
    {.name = "a relative path from the host's folder, by slash", .reference = L"@planted/PlantedStrings.dll,-101"},
    {.name = "the current folder of drive C", .reference = L"@C:x.dll,-101"},
    {.name = "a bare name, PATH holding \".\"", .reference = L"@x.dll,-101", .inFrontOfPath = L"."},
    {.name = "a bare name, PATH holding an empty entry", .reference = L"@x.dll,-101", .inFrontOfPath = L";"},
    {.name = "a bare name, PATH quoting a folder with ';'",
     .reference = L"@x,-101",
     .inFrontOfPath = L"\"*\\a;b\"",
     .expected = L"Open"},
    {.name = "a full path", .reference = L"@*\\x.dll,-101", .expected = L"Open"},
    {.name = "a module name of 260 characters", .reference = kModule260.c_str()},
    {.name = "a module path of 309 characters", .reference = kLongPath.c_str()},
    {.name = "a module path of 313 characters with \\\\?\\", .reference = kLongPrefixedPath.c_str()},
    {.name = "a number of 259 digits", .reference = kDigits259.c_str(), .expected = L"Open"},
    {.name = "a number of 260 digits", .reference = kDigits260.c_str()},
    {.name = "a string behind one that runs past its block", .reference = L"@*\\damaged.dll,-101"},
    {.name = "the string that runs past its block", .reference = L"@*\\damaged.dll,-96"},
    {.name = "a sound string before a damaged one", .reference = L"@*\\damaged.dll,-112", .expected = L"Ok"},
    {.name = "a string whose own length runs one character past its block", .reference = L"@*\\damaged.dll,-113"},
    {.name = "a string behind that", .reference = L"@*\\damaged.dll,-114"},
};

// "ProductName" stored with a byte count of its own, read into a buffer of
// `capacity` bytes. A failure writes nothing.
struct ByteRow {
    const char* name;
    DWORD storedBytes;
    unsigned capacity;
    unsigned expectedResult;
    const wchar_t* expectedText = nullptr;
    const wchar_t* stored = L"Oddxyz";  // no NUL follows the stored bytes
};

// Names that fill the 4096 bytes they are read into, with their terminators.
const std::wstring kName2046(2046, L'n');
const std::wstring kName2047(2047, L'n');

// The stored text is "Odd" followed by 'x': 7 bytes end in the middle of 'x'.
const ByteRow kByteRows[] = {
    {.name = "7 bytes into 7", .storedBytes = 7, .capacity = 7, .expectedResult = 0},
    {.name = "7 bytes into 9, odd", .storedBytes = 7, .capacity = 9, .expectedResult = 7, .expectedText = L"Odd"},
    {.name = "8 bytes into 9", .storedBytes = 8, .capacity = 9, .expectedResult = 0},
    {.name = "8 bytes into 10", .storedBytes = 8, .capacity = 10, .expectedResult = 8, .expectedText = L"Oddx"},
    {.name = "5 bytes into 6", .storedBytes = 5, .capacity = 6, .expectedResult = 5, .expectedText = L"Od"},
    {.name = "4094 bytes into 8192",
     .storedBytes = 4094,
     .capacity = 8192,
     .expectedResult = 4094,
     .expectedText = kName2046.c_str(),
     .stored = kName2046.c_str()},
    {.name = "4096 bytes, no room for a terminator",
     .storedBytes = 4096,
     .capacity = 8192,
     .expectedResult = 0,
     .stored = kName2047.c_str()},
};

class SafeInAnyHostTest : public ScenarioTest {
protected:
    ~SafeInAnyHostTest() override { SetCurrentDirectoryW(InstallFolder().c_str()); }  // out of folders_

    // Copies of the test string tables in the test's folder and below it.
    void PlaceStringModules()
    {
        const std::wstring strings = TestProgramFolder() + L"\\TestStrings.dll";
        for (const wchar_t* folder : {L"", L"\\cur", L"\\cur\\rel", L"\\a;b"}) {
            CreateFolders(folders_.Path() + folder);
            EXPECT_TRUE(CopyFileW(strings.c_str(), (folders_.Path() + folder + L"\\x.dll").c_str(), FALSE));
        }
        EXPECT_TRUE(CopyFileW((TestProgramFolder() + L"\\DamagedStrings.dll").c_str(),
                              (folders_ / L"damaged.dll").c_str(), FALSE));
    }

    std::wstring WithFolder(const std::wstring& text) const
    {
        const size_t at = text.find(L'*');
        return at == std::wstring::npos ? text : text.substr(0, at) + folders_.Path() + text.substr(at + 1);
    }

    TempFolder folders_;
};

// Modules are looked for only in absolute folders, and a damaged string table reads as missing.
TEST_F(SafeInAnyHostTest, StringsComeOnlyFromAbsoluteFoldersAndWithinTheirBlocks)
{
    PlaceStringModules();
    SetCurrentDirectoryW((folders_ / L"cur").c_str());
    Load();
    const std::wstring path = GetEnvironment(L"PATH").value_or(L"");
    for (const StringRow& row : kStringRows) {
        const std::wstring reference = WithFolder(row.reference);
        const std::wstring inFront = WithFolder(row.inFrontOfPath);
        SetEnvironment(L"PATH", (inFront + L";" + path).c_str());
        GuardedBuffer buffer(kRoomy);
        const unsigned result = Api().zvudLoadMUIString(reference.c_str(), buffer.Data(), kRoomy);
        const std::wstring expected = row.expected;
        const std::string call = "zvudLoadMUIString(" + Narrow(reference) + ") with PATH " + Narrow(inFront) + ";...";
        EXPECT_EQ(buffer.Text(), expected) << row.name << ": " << call;
        EXPECT_EQ(result, expected.empty() ? 0 : expected.size() + 1) << row.name << ": " << call;
    }
}

// An installation folder whose name holds ';' is put into PATH quoted, so
// that it stays one absolute folder, and a module in its language folder is
// found through PATH.
TEST_F(SafeInAnyHostTest, AnInstallationFolderWithASemicolonIsQuotedInPath)
{
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    const std::wstring installation = folders_ / L"in;stall";
    CopyTree(InstallFolder(), installation);
    const std::wstring strings = TestProgramFolder() + L"\\TestStrings.dll";
    EXPECT_TRUE(CopyFileW(strings.c_str(), (installation + L"\\L1\\langmod.dll").c_str(), FALSE));
    UserDataLibrary library(installation + L"\\UserData.dll");
    ASSERT_EQ(library.Exports().zvudInitProductParams(nullptr, nullptr), 1);
    const std::wstring path = GetEnvironment(L"PATH").value_or(L"");
    EXPECT_EQ(path.substr(0, path.find(L"\";") + 2), L"\"" + installation + L"\\L1\";") << Narrow(path);
    GuardedBuffer buffer(kRoomy);
    EXPECT_EQ(library.Exports().zvudLoadMUIString(L"@langmod.dll,-101", buffer.Data(), kRoomy), 5u);
    EXPECT_EQ(buffer.Text(), L"Open");
}

// Win32 path handling drops the dot or blank that ends a folder's name ("Suite.\L1" names "Suite\L1"), and Wine's
// GetModuleFileNameW drops the "\\?\" that kept it. Loaded from "Suite." or "Suite " beside an installation in
// "Suite", the library refuses its folder rather than take its neighbour's identity.
TEST_F(SafeInAnyHostTest, AFolderNameEndingInADotOrBlankIsNotTakenForItsNeighbour)
{
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    CopyTree(InstallFolder(), folders_ / L"Suite");
    for (const wchar_t* folder : {L"Suite.", L"Suite "}) {
        const std::wstring odd = L"\\\\?\\" + (folders_ / folder);
        const std::wstring library = odd + L"\\UserData.dll";
        ASSERT_TRUE(CreateDirectoryW(odd.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW((InstallFolder() + L"\\UserData.dll").c_str(), library.c_str(), FALSE));
        {
            const UserDataLibrary loaded(library);
            const UserDataExports& api = loaded.Exports();
            EXPECT_EQ(api.zvudInitProductParams(nullptr, nullptr), 0) << Narrow(library);
            EXPECT_EQ(AskText(api.zvudGetMachineProductRegistryRootKey), L"") << Narrow(library);
            EXPECT_EQ(AskText(api.GetProductRootFolder), L"") << Narrow(library);
        }
        EXPECT_TRUE(DeleteFileW(library.c_str()) && RemoveDirectoryW(odd.c_str()));  // not through "Suite"
    }
}

TEST_F(SafeInAnyHostTest, ByteCapacitiesEndAtTheirLastByte)
{
    InstallConfigurable({{L"ZOVA", {L"L1"}}});
    Load();
    const std::wstring root = ProductRootOf(L"ZOVA", L"L1");
    for (const ByteRow& row : kByteRows) {
        SetRaw(HKEY_LOCAL_MACHINE, root, L"ProductName", REG_SZ, row.stored, row.storedBytes);
        const GuardedBuffer buffer(GuardedBuffer::Bytes{row.capacity});
        const unsigned result = Api().GetVerticalProductName(buffer.Data(), row.capacity);
        EXPECT_EQ(result, row.expectedResult) << row.name << ": GetVerticalProductName(buffer, " << row.capacity << ")";
        if (row.expectedText == nullptr) {
            EXPECT_TRUE(buffer.Untouched()) << row.name << ": a failure wrote into the buffer";
        } else {
            EXPECT_EQ(buffer.Text(), row.expectedText) << row.name;
        }
    }
}

}  // namespace
}  // namespace userdata::testing
