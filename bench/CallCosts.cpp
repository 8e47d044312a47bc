// What the exports cost a host once start-up has run, each beside the least
// the platform must do for the same answer.
#include "Benchmarks.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>

namespace userdata::bench {
namespace {

using testing::UserDataExports;

constexpr DWORD kCapacity = 2048;
constexpr int kRounds = 3;
constexpr wchar_t kSettingsKey[] = L"Software\\Brevonix\\Suite\\Settings";
constexpr char kOpenQueryClose[] = "RegOpenKeyExW + RegQueryValueExW + RegCloseKey";
constexpr char kStaticCopy[] = "wcslen + copy from a static buffer";

// What the last call of each side delivered.
wchar_t libraryAnswer[kCapacity];
wchar_t baselineAnswer[kCapacity];

// The identity queries' answers, kept where their baseline copies them from.
wchar_t staticAnswers[3][kCapacity];

struct CallCase {
    std::string call;
    std::function<void()> library;
    std::string baseline;
    std::function<void()> baselineCall;
    double goal;
    // Whether both sides gave the same answer; asked once they have run.
    std::function<bool()> agree = [] {
        return libraryAnswer[0] != L'\0' && std::wcscmp(libraryAnswer, baselineAnswer) == 0;
    };
};

std::function<void()> CopyFromStatic(wchar_t (&slot)[kCapacity], const std::wstring& answer)
{
    std::swprintf(slot, kCapacity, L"%ls", answer.c_str());
    const wchar_t* const text = slot;
    return [text] {
        const std::size_t length = std::wcslen(text);
        if (length < kCapacity) {
            std::wmemcpy(baselineAnswer, text, length + 1);
        }
    };
}

// The least the platform does to read a string value: open, query, close.
void ReadValueDirectly(HKEY root, const wchar_t* subkey, const wchar_t* valueName, wchar_t* buffer)
{
    buffer[0] = L'\0';
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD bytes = kCapacity * sizeof(wchar_t);
    if (RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS) {
        buffer[0] = L'\0';
    }
    RegCloseKey(key);
}

std::vector<CallCase> IdentityCases(const UserDataExports& api)
{
    return {
        {"zvudGetCurrentProduct", [api] { api.zvudGetCurrentProduct(libraryAnswer, kCapacity); }, kStaticCopy,
         CopyFromStatic(staticAnswers[0], L"ZOVA"), kIdentityGoal},
        {"zvudGetMachineProductRegistryRootKey",
         [api] { api.zvudGetMachineProductRegistryRootKey(libraryAnswer, kCapacity); }, kStaticCopy,
         CopyFromStatic(staticAnswers[1], BenchInstallation::BaseProductRoot()), kIdentityGoal},
        {"GetProgramName", [api] { api.GetProgramName(libraryAnswer, kCapacity); }, kStaticCopy,
         CopyFromStatic(staticAnswers[2], L"ZOVA"), kIdentityGoal},
    };
}

std::vector<CallCase> FolderCases(const UserDataExports& api)
{
    const std::wstring root = BenchInstallation::BaseProductRoot();
    return {
        {"zvudGetSpecialFolder(LocalRootFolder)",
         [api] { api.zvudGetSpecialFolder(ZvUdSpecialFolder::LocalRootFolder, libraryAnswer, kCapacity); },
         kOpenQueryClose,
         [root] { ReadValueDirectly(HKEY_CURRENT_USER, root.c_str(), L"LocalRootFolder", baselineAnswer); },
         kPlatformPeerGoal},
        {"zvudGetSpecialFolder(RoamableRootFolderLang)",
         [api] { api.zvudGetSpecialFolder(ZvUdSpecialFolder::RoamableRootFolderLang, libraryAnswer, kCapacity); },
         kOpenQueryClose,
         [root] { ReadValueDirectly(HKEY_CURRENT_USER, root.c_str(), L"RoamableRootFolderLang", baselineAnswer); },
         kPlatformPeerGoal},
        {"zvudGetXRootFoldPath(LocalRootFolder)",
         [api] { api.zvudGetXRootFoldPath(L"LocalRootFolder", libraryAnswer, kCapacity); }, kOpenQueryClose,
         [root] { ReadValueDirectly(HKEY_CURRENT_USER, root.c_str(), L"LocalRootFolder", baselineAnswer); },
         kPlatformPeerGoal},
    };
}

// The current profile's help file read by hand: the profile's name, then its help value.
void ReadProfileHelpDirectly(const std::wstring& profiles)
{
    wchar_t profile[kCapacity];
    ReadValueDirectly(HKEY_CURRENT_USER, profiles.c_str(), nullptr, profile);
    wchar_t general[kCapacity];
    std::swprintf(general, kCapacity, L"%ls\\%ls\\General", profiles.c_str(), profile);
    ReadValueDirectly(HKEY_CURRENT_USER, general, L"ZOVAHELP", baselineAnswer);
}

std::vector<CallCase> HelpAndFileCases(const UserDataExports& api)
{
    const std::wstring root = BenchInstallation::BaseProductRoot();
    const std::wstring profiles = root + L"\\Profiles";
    const std::wstring productSpecific = root + L"\\ProductSpecific";
    return {
        {"GetHelpFileName (current profile)", [api] { api.GetHelpFileName(libraryAnswer, kCapacity); },
         "2 x (RegOpenKeyExW + RegQueryValueExW + RegCloseKey)", [profiles] { ReadProfileHelpDirectly(profiles); },
         kPlatformPeerGoal},
        {"GetProductSpecificFilePath",
         [api] { api.GetProductSpecificFilePath(L"Templates", libraryAnswer, kCapacity); }, kOpenQueryClose,
         [productSpecific] {
             ReadValueDirectly(HKEY_LOCAL_MACHINE, productSpecific.c_str(), L"Templates", baselineAnswer);
         },
         kPlatformPeerGoal},
    };
}

std::vector<CallCase> StringCases(const UserDataExports& api)
{
    const std::wstring reference = L"@" + testing::TestProgramFolder() + L"\\TestStrings.dll,-101";
    const std::wstring plain = L"Open the report";
    return {
        {"zvudLoadMUIString(@TestStrings.dll,-101)",
         [api, reference] { api.zvudLoadMUIString(reference.c_str(), libraryAnswer, kCapacity); },
         "SHLoadIndirectString",
         [reference] { SHLoadIndirectString(reference.c_str(), baselineAnswer, kCapacity, nullptr); }, kReferenceGoal},
        {"zvudLoadMUIString(plain text)",
         [api, plain] { api.zvudLoadMUIString(plain.c_str(), libraryAnswer, kCapacity); }, "SHLoadIndirectString",
         [plain] { SHLoadIndirectString(plain.c_str(), baselineAnswer, kCapacity, nullptr); }, kPlainTextGoal},
    };
}

DWORD BytesOf(const wchar_t* text)
{
    return static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
}

void WriteExpandable(HKEY key, const wchar_t* valueName, const wchar_t* text)
{
    RegSetValueExW(key, valueName, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text), BytesOf(text));
}

// Text written as it is keeps the value's present type, which the least
// sequence has to ask as well.
void WriteUnderPresentType(HKEY key, const wchar_t* valueName, const wchar_t* text)
{
    DWORD type = REG_SZ;
    RegQueryValueExW(key, valueName, nullptr, &type, nullptr, nullptr);
    RegSetValueExW(key, valueName, 0, type, reinterpret_cast<const BYTE*>(text), BytesOf(text));
}

std::wstring WrittenText(const wchar_t* valueName)
{
    const std::optional<testing::RegistryValue> value = testing::ReadValue(HKEY_CURRENT_USER, kSettingsKey, valueName);
    return value ? value->Text() : L"";
}

// A path in the user's profile folder, which the library writes folded into
// %USERPROFILE% once InstallUserData has ended well.
std::vector<CallCase> FoldingWriterCases(const UserDataExports& api, HKEY settings)
{
    const std::wstring path =
        testing::GetEnvironment(L"USERPROFILE").value_or(L"C:\\users\\nobody") + L"\\AppData\\Roaming\\Report.txt";
    api.zvudRegSetString(settings, L"Report", path.c_str());
    const std::wstring folded = WrittenText(L"Report");
    const auto writeFolded = [api, settings, path] { api.zvudRegSetString(settings, L"Report", path.c_str()); };
    const auto folds = [folded] { return folded.rfind(L"%USERPROFILE%\\", 0) == 0; };
    const auto unexpand = [settings, path] {
        wchar_t unexpanded[kCapacity];
        if (PathUnExpandEnvStringsW(path.c_str(), unexpanded, kCapacity)) {
            WriteExpandable(settings, L"Report", unexpanded);
        }
    };
    return {
        {"zvudRegSetString (folds %USERPROFILE%)", writeFolded, "RegSetValueExW of the folded text",
         [settings, folded] { WriteExpandable(settings, L"Report", folded.c_str()); }, kPlatformPeerGoal, folds},
        {"zvudRegSetString (folds %USERPROFILE%)", writeFolded, "PathUnExpandEnvStringsW + RegSetValueExW", unexpand,
         kPlatformPeerGoal,
         [folds, path] {
             wchar_t unexpanded[kCapacity];
             return folds() && PathUnExpandEnvStringsW(path.c_str(), unexpanded, kCapacity) && unexpanded[0] == L'%';
         }},
    };
}

std::vector<CallCase> PlainWriterCases(const UserDataExports& api, HKEY settings)
{
    const std::wstring text = L"D:\\Work\\Report.txt";
    return {
        {"zvudRegSetString (nothing to fold)",
         [api, settings, text] { api.zvudRegSetString(settings, L"Plain", text.c_str()); },
         "RegQueryValueExW (type) + RegSetValueExW",
         [settings, text] { WriteUnderPresentType(settings, L"Plain", text.c_str()); }, kPlatformPeerGoal,
         [text] { return WrittenText(L"Plain") == text; }},
    };
}

// The base product in L1 with two folder values, a current profile that
// names the help file, a product-specific file, and an empty per-user data
// list, so that InstallUserData ends well and switches path folding on.
void PrepareInstallation(BenchInstallation& installation)
{
    installation.InstallCatalogue(1);
    const std::wstring root = BenchInstallation::BaseProductRoot();
    testing::SetString(HKEY_CURRENT_USER, root, L"LocalRootFolder", L"C:\\users\\bench\\AppData\\Local\\Suite");
    testing::SetString(HKEY_CURRENT_USER, root, L"RoamableRootFolderLang", L"C:\\users\\bench\\AppData\\Roaming\\L1");
    testing::SetString(HKEY_CURRENT_USER, root + L"\\Profiles", nullptr, L"Standard");
    testing::SetString(HKEY_CURRENT_USER, root + L"\\Profiles\\Standard\\General", L"ZOVAHELP",
                       L"C:\\Suite\\Help\\Suite.chm");
    testing::SetString(HKEY_LOCAL_MACHINE, root + L"\\ProductSpecific", L"Templates", L"C:\\Suite\\Normal.tpl");
    testing::CreateKey(HKEY_CURRENT_USER, root + L"\\UserData");
}

}  // namespace

std::vector<CallComparison> MeasureCallCosts(const MeasureOptions& options)
{
    BenchInstallation installation;
    PrepareInstallation(installation);
    const UserDataExports& api = installation.Load();
    EXPECT_EQ(api.InstallUserData(), 0u) << "start-up and the user data walk, which switches folding on";
    HKEY settings = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &settings, nullptr),
        ERROR_SUCCESS);
    std::vector<CallCase> cases = IdentityCases(api);
    for (auto&& group : {FolderCases(api), HelpAndFileCases(api), StringCases(api), FoldingWriterCases(api, settings),
                         PlainWriterCases(api, settings)}) {
        cases.insert(cases.end(), group.begin(), group.end());
    }
    std::vector<CallComparisonTimer> timers;
    for (const CallCase& entry : cases) {
        Progress("calibrating " + entry.call + " against " + entry.baseline);
        timers.emplace_back(entry.library, entry.baselineCall, options);
    }
    // Every row's pairs in rounds over the whole run, the rows in turn.
    for (int round = 0; round < kRounds; ++round) {
        Progress("timing every call, round " + std::to_string(round + 1) + " of " + std::to_string(kRounds));
        for (std::size_t row = 0; row < cases.size(); ++row) {
            std::swprintf(libraryAnswer, kCapacity, L"(nothing from the library)");
            std::swprintf(baselineAnswer, kCapacity, L"(nothing from the baseline)");
            timers[row].TakePairs((options.pairs + kRounds - 1 - round) / kRounds);
            EXPECT_TRUE(cases[row].agree())
                << cases[row].call << " and its baseline disagree: " << testing::Narrow(libraryAnswer) << " | "
                << testing::Narrow(baselineAnswer);
        }
    }
    std::vector<CallComparison> comparisons;
    for (std::size_t row = 0; row < cases.size(); ++row) {
        comparisons.push_back({cases[row].call, cases[row].baseline, cases[row].goal, timers[row].Timing()});
    }
    RegCloseKey(settings);
    return comparisons;
}

}  // namespace userdata::bench
