// zvud doctor asks every export that a host calls for a text, through the
// DLL as a host does. One that answers nothing where an intact installation
// answers is a problem, named by the input whose reading made it fail: the
// doctor's core read that input for the same answer, recorded under the
// export's name.
#include "DoctorSupport.h"

#include "CoreText.h"
#include "Queries.h"

#include "config/CurrentIdentity.h"
#include "config/Reason.h"
#include "config/StartupDecisions.h"
#include "folders/FolderDecisions.h"
#include "help/LocalizedStrings.h"
#include "queries/ProductFilePaths.h"
#include "queries/VerticalProductName.h"

#include <functional>
#include <vector>

namespace zvud::doctor {
namespace {

using userdata::CurrentIdentity;
using userdata::RecordedInput;

struct AskedExport {
    std::wstring name;
    std::function<std::optional<std::wstring>(const AskedExport&)> ask;
    // Whose reading gave its inputs: start-up's, or the export's own.
    std::wstring reader;
    // The core's reading for the same answer, recorded under `name`; empty
    // when start-up's reading gives it.
    std::function<void(const Installation&, const AskedExport&)> read = nullptr;
    bool verticalOnly = false;  // the base product has none
    // An intact installation leaves its value unset too: answering nothing
    // for a value that is not there is no problem.
    bool unsetIsIntact = false;
    // The text the export is asked with (a value's name, a text to load),
    // held here rather than in `ask` and `read`: clang names a lambda that
    // holds a string by its source's full path in the PDB, and zvud would
    // differ by the folder it is built in.
    std::wstring argument = {};
};

template <auto Export>
std::optional<std::wstring> Ask(const AskedExport&)
{
    return AskLength(Export);
}

template <auto Query>
std::optional<std::wstring> AskQuery(const AskedExport&)
{
    return Query();
}

void ReadProductName(const Installation& installation, const AskedExport&)
{
    static_cast<void>(userdata::ReadVerticalProductName(Core(installation.productRootKey)));
}

constexpr wchar_t kStartUp[] = L"zvudInitProductParams";

std::vector<AskedExport> IdentityExports()
{
    return {
        {L"zvudGetCurrentProduct", &Ask<&zvudGetCurrentProduct>, kStartUp},
        {L"zvudGetCurrentLanguage", &Ask<&zvudGetCurrentLanguage>, kStartUp},
        {L"zvudGetMachineProductRegistryRootKey", &Ask<&zvudGetMachineProductRegistryRootKey>, kStartUp},
        {L"zvudGetGlobalRegistryRootKey", &Ask<&zvudGetGlobalRegistryRootKey>, kStartUp},
        {L"zvudGetUserProductRegistryRootKey", &Ask<&zvudGetUserProductRegistryRootKey>, kStartUp},
        {L"GetCurrentProductIdentityIniPath", &Ask<&GetCurrentProductIdentityIniPath>, kStartUp},
        {L"zvudGetVerticalEnvPath", &Ask<&zvudGetVerticalEnvPath>, kStartUp, nullptr, true},
        {L"GetProgramName", &Ask<&GetProgramName>, kStartUp},
        {L"GetProductName", &Ask<&GetProductName>, kStartUp},
        {L"GetVerticalProductName", &AskQuery<&AskVerticalProductName>, L"GetVerticalProductName", &ReadProductName},
        {L"GetProductRootFolder", &Ask<&GetProductRootFolder>, kStartUp},
        {L"GetHelpFileName", &Ask<&GetHelpFileName>, L"GetHelpFileName"},
        {L"GetContextFileName", &Ask<&GetContextFileName>, L"GetHelpFileName"},
        {L"GetZOVAUserDataCacheLangPath", &AskQuery<&AskCacheLanguageFolder>, kStartUp},
    };
}

// The folder's reading as zvudGetSpecialFolder makes it; the root folder and
// product folder exports read the same.
std::function<void(const Installation&, const AskedExport&)> FolderReading(ZvUdSpecialFolder::Folders folder)
{
    return [folder](const Installation& installation, const AskedExport&) {
        CurrentIdentity identity(*installation.startup);
        static_cast<void>(userdata::DecideSpecialFolder(identity, folder));
    };
}

// Each folder a host asks by number, and by the name of its per-user value or
// as a folder of the product.
void AddFolderExports(std::vector<AskedExport>& exports)
{
    using ZvUdSpecialFolder::Source;
    for (const ZvUdSpecialFolder::FolderInfo& info : ZvUdSpecialFolder::FolderTable) {
        const ZvUdSpecialFolder::Folders folder = info.folder;
        const std::wstring special = L"zvudGetSpecialFolder(" + std::wstring(info.name) + L")";
        exports.push_back({special, [folder](const AskedExport&) { return AskSpecialFolder(folder); }, special,
                           FolderReading(folder), false, info.source == Source::UserValue});
        const std::wstring other =
            (info.valueName != nullptr ? L"zvudGetXRootFoldPath(" : L"zvudGetProductXFoldPath(") +
            std::wstring(info.name) + L")";
        if (info.valueName != nullptr) {
            exports.push_back({other, [](const AskedExport& asked) { return AskRootFolder(asked.argument); }, other,
                               FolderReading(folder), false, true, info.valueName});
        } else if (info.source == Source::InstallFolder) {
            exports.push_back({other, [folder](const AskedExport&) { return AskProductFolder(folder); }, other,
                               FolderReading(folder)});
        }
    }
}

// zvudLoadMUIString asked with the product's name as the installation stores
// it: a reference to a string resource, or the plain text itself.
AskedExport StringExport(const Installation& installation)
{
    const std::wstring text = userdata::ReadVerticalProductName(Core(installation.productRootKey)).text;
    return {L"zvudLoadMUIString",
            [](const AskedExport& asked) { return AskLocalizedString(asked.argument); },
            L"zvudLoadMUIString",
            [](const Installation&, const AskedExport& asked) {
                wchar_t loaded[userdata::kNameCapacity];
                static_cast<void>(userdata::ResolveString(asked.argument.c_str(), loaded));
            },
            false,
            false,
            text.empty() ? std::wstring(L"plain text") : text};
}

// GetProductSpecificFilePath asked for each value the product's
// "ProductSpecific" key holds.
void AddProductFileExports(const Installation& installation, std::vector<AskedExport>& exports)
{
    ZvRegistryAccess key;
    if (!OpenMachineThenUser(key, installation.productRootKey + L"\\ProductSpecific")) {
        return;
    }
    for (userdata::ZvRegistryIterator entry(key, userdata::ZvRegistryIterator::Walk::Values, 0);
         entry.Valid() && entry.Status() == ERROR_SUCCESS; ++entry) {
        const std::wstring value(entry.Name(), entry.NameLength());
        const std::wstring name = L"GetProductSpecificFilePath(" + value + L")";
        exports.push_back({name, [](const AskedExport& asked) { return AskProductSpecificFile(asked.argument); }, name,
                           [](const Installation& installation, const AskedExport& asked) {
                               static_cast<void>(userdata::ReadProductSpecificValue(Core(installation.productRootKey),
                                                                                    Core(asked.argument)));
                           },
                           false, false, value});
    }
}

std::vector<AskedExport> AskedExports(const Installation& installation)
{
    std::vector<AskedExport> exports = IdentityExports();
    AddFolderExports(exports);
    AddProductFileExports(installation, exports);
    exports.push_back(StringExport(installation));
    return exports;
}

std::wstring WhyMissing(const RecordedInput& input)
{
    if (input.status != ERROR_SUCCESS) {
        return L"is missing";
    }
    return input.place == RecordedInput::Place::Value && input.type != REG_SZ && input.type != REG_EXPAND_SZ
               ? L"is " + Text(userdata::RegistryTypeName(input.type)) + L", which it does not take"
               : std::wstring(L"is not taken as it stands");
}

void CheckExport(const Installation& installation, const AskedExport& asked, Report& report)
{
    userdata::SetInputReader(asked.name.c_str());
    if (asked.read) {
        asked.read(installation, asked);
    }
    userdata::SetInputReader(L"");
    const std::optional<std::wstring> answer = asked.ask(asked);
    if (answer && !answer->empty()) {
        report.Ok(L"export", asked.name, L"answers " + *answer);
        return;
    }
    const RecordedInput* cause = FailedInput(asked.reader.c_str());
    if (cause != nullptr &&
        (report.HasProblem(InputName(*cause)) || (asked.unsetIsIntact && cause->status == ERROR_FILE_NOT_FOUND))) {
        return;  // told already, or unset as an intact installation may leave it
    }
    if (cause == nullptr) {
        report.Problem(L"export", asked.name, L"answers nothing", L"mend what the problems above name");
        return;
    }
    const std::wstring name = InputName(*cause);
    report.Problem(L"export", name, WhyMissing(*cause) + L": " + asked.name + L" answers nothing",
                   L"restore " + name + L" (reinstall the product)");
}

}  // namespace

void CheckExports(const Installation& installation, Report& report)
{
    if (installation.product.empty() || installation.productRootKey.empty()) {
        return;  // start-up's problem is told already
    }
    for (const AskedExport& asked : AskedExports(installation)) {
        if (!asked.verticalOnly || !userdata::IsBaseProduct(installation.product.c_str())) {
            CheckExport(installation, asked, report);
        }
    }
}

}  // namespace zvud::doctor
