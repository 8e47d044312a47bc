// The four folder exports (zvudGetSpecialFolder, zvudGetProductXFoldPath,
// zvudGetXRootFoldPath, GetZOVAUserDataCacheLangPath) allocate nothing on the
// heap once start-up has run, for every folder, whether its value is stored or
// missing. The allocations are counted in the DLL's own import address table.
#include "ImportCallCounter.h"
#include "TestSupport.h"

namespace userdata::testing {
namespace {

using ZvUdSpecialFolder::Folders;

constexpr size_t kPathCapacity = 2048;

struct PerUserFolder {
    Folders folder;
    const wchar_t* valueName;
};

constexpr PerUserFolder kPerUserFolders[] = {
    {ZvUdSpecialFolder::RoamableRootFolder, L"RoamableRootFolder"},
    {ZvUdSpecialFolder::RoamableRootFolderLang, L"RoamableRootFolderLang"},
    {ZvUdSpecialFolder::LocalRootFolder, L"LocalRootFolder"},
    {ZvUdSpecialFolder::LocalRootFolderLang, L"LocalRootFolderLang"},
    {ZvUdSpecialFolder::BrevonixSharedFolder, L"BrevonixSharedFolder"},
    {ZvUdSpecialFolder::BrevonixSharedFolderLang, L"BrevonixSharedFolderLang"},
    {ZvUdSpecialFolder::AllUsersFolder, L"AllUsersFolder"},
    {ZvUdSpecialFolder::GraphicsCacheFolder, L"GraphicsCacheFolder"},
    {ZvUdSpecialFolder::SandboxCrashSaveFolder, L"SandboxCrashSaveFolder"},
};

// The registry value name of a per-user folder; null for the others.
const wchar_t* ValueNameOf(int folder)
{
    for (const PerUserFolder& row : kPerUserFolders) {
        if (row.folder == folder) {
            return row.valueName;
        }
    }
    return nullptr;
}

// Whether zvudGetSpecialFolder delivers `folder`: every folder when the values
// are stored; without them only those built from the install folder and the
// two root folders, which fall back to it.
bool Delivered(int folder, bool valuesStored)
{
    if (folder < ZvUdSpecialFolder::InstallFolder || folder > ZvUdSpecialFolder::SandboxCrashSaveFolder) {
        return false;
    }
    return ValueNameOf(folder) == nullptr || valuesStored || folder == ZvUdSpecialFolder::RoamableRootFolder ||
           folder == ZvUdSpecialFolder::LocalRootFolder;
}

class FolderHeapUseTest : public ScenarioTest {
protected:
    FolderHeapUseTest()
    {
        InstallConfigurable({{L"ZOVA", {L"L1"}}});
        SetString(HKEY_LOCAL_MACHINE, UserRoot(), L"DefaultHelpFileName", L"Guide");
    }

    static std::wstring UserRoot() { return ProductRootOf(L"ZOVA", L"L1"); }

    // Every folder value stored, and a current profile that names the help file.
    static void StoreFolderValues()
    {
        for (const PerUserFolder& row : kPerUserFolders) {
            SetString(HKEY_CURRENT_USER, UserRoot(), row.valueName, std::wstring(L"C:\\Folders\\") + row.valueName);
        }
        SetString(HKEY_CURRENT_USER, UserRoot() + L"\\Profiles", nullptr, L"P");
        SetString(HKEY_CURRENT_USER, UserRoot() + L"\\Profiles\\P\\General", L"ZOVAHELP", L"C:\\H\\Help\\x.chm");
    }

    // No folder value and no current profile: the help file is the default one.
    static void RemoveFolderValues()
    {
        DeleteKey(HKEY_CURRENT_USER, UserRoot());
        CreateKey(HKEY_CURRENT_USER, UserRoot() + L"\\Profiles");
    }

    HMODULE LoadedLibrary() const { return GetModuleHandleW((InstallFolder() + L"\\UserData.dll").c_str()); }
};

TEST_F(FolderHeapUseTest, FolderExportsAllocateNothingAfterStartUp)
{
    const auto& api = Load();
    const ImportCallCounter counter(LoadedLibrary(), HeapAllocationFunctions());
    ASSERT_TRUE(counter.Counts("HeapAlloc") && counter.Counts("malloc"))
        << "the library's heap imports were not found, so nothing would be counted";
    wchar_t path[kPathCapacity] = {};
    // The counter sees what the library allocates: start-up keeps the identity
    // in heap strings, and so does a query that builds a string afterwards.
    EXPECT_GT(counter.During([&] { api.zvudGetSpecialFolder(ZvUdSpecialFolder::InstallFolder, path, kPathCapacity); }),
              0) << "start-up";
    EXPECT_GT(counter.During([&] { api.GetProductSpecificFilePath(L"Templates", path, kPathCapacity); }), 0)
        << "GetProductSpecificFilePath";

    struct Situation {
        const char* name;
        void (*prepare)();
        bool valuesStored;
    } situations[] = {
        {"folder values stored, a current profile", &StoreFolderValues, true},
        {"no folder values, no current profile", &RemoveFolderValues, false},
    };
    for (const Situation& situation : situations) {
        SCOPED_TRACE(situation.name);
        situation.prepare();
        for (int folder = -1; folder <= 17; ++folder) {
            SCOPED_TRACE(::testing::Message() << "folder " << folder);
            const auto value = static_cast<Folders>(folder);
            unsigned delivered = 0;
            EXPECT_EQ(counter.During([&] { delivered = api.zvudGetSpecialFolder(value, path, kPathCapacity); }), 0);
            EXPECT_EQ(delivered != 0, Delivered(folder, situation.valuesStored));
            EXPECT_EQ(counter.During([&] { api.zvudGetSpecialFolder(value, nullptr, 0); }), 0) << "size query";
            EXPECT_EQ(counter.During([&] { api.zvudGetProductXFoldPath(path, kPathCapacity, value); }), 0);
            if (const wchar_t* const valueName = ValueNameOf(folder)) {
                EXPECT_EQ(counter.During([&] {
                    api.zvudGetXRootFoldPath(valueName, path, kPathCapacity);
                    api.zvudGetXRootFoldPath(valueName, nullptr, 0);
                }), 0) << "zvudGetXRootFoldPath";
            }
        }
        // A capacity for the plain cache folder only takes the partial path too.
        const unsigned cacheOnly = static_cast<unsigned>(RootFolder().size() + 14);
        unsigned whole = 0;
        unsigned partial = 1;
        EXPECT_EQ(counter.During([&] {
            whole = api.GetZOVAUserDataCacheLangPath(path, nullptr, kPathCapacity);
            partial = api.GetZOVAUserDataCacheLangPath(path, nullptr, cacheOnly);
            api.GetZOVAUserDataCacheLangPath(nullptr, nullptr, 0);
        }), 0) << "GetZOVAUserDataCacheLangPath";
        EXPECT_NE(whole, 0u);
        EXPECT_EQ(partial, 0u);
    }
}

}  // namespace
}  // namespace userdata::testing
