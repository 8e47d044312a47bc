// zvud doctor asks every export that a host calls for a text, through the
// DLL as a host does. One that answers nothing where an intact installation
// answers is a problem, named by the input whose reading made it fail: the
// doctor's core read that input for the same answer, recorded under the
// export's name.
#include "DoctorSupport.h"

#include "CoreText.h"
#include "Queries.h"

#include "config/Reason.h"
#include "config/StartupDecisions.h"
#include "queries/VerticalProductName.h"

namespace zvud::doctor {
namespace {

using userdata::RecordedInput;

struct AskedExport {
    const wchar_t* name;
    std::optional<std::wstring> (*ask)();
    // Whose reading gave its inputs: start-up's, or the export's own.
    const wchar_t* reader;
    // The core's reading for the same answer, recorded under `name`; null
    // when start-up's reading gives it.
    void (*read)(const Installation& installation) = nullptr;
    bool verticalOnly = false;  // the base product has none
};

template <auto Export>
std::optional<std::wstring> Ask()
{
    return AskLength(Export);
}

void ReadProductName(const Installation& installation)
{
    static_cast<void>(userdata::ReadVerticalProductName(Core(installation.productRootKey)));
}

constexpr wchar_t kStartUp[] = L"zvudInitProductParams";

const AskedExport kExports[] = {
    {L"zvudGetCurrentProduct", &Ask<&zvudGetCurrentProduct>, kStartUp},
    {L"zvudGetCurrentLanguage", &Ask<&zvudGetCurrentLanguage>, kStartUp},
    {L"zvudGetMachineProductRegistryRootKey", &Ask<&zvudGetMachineProductRegistryRootKey>, kStartUp},
    {L"zvudGetGlobalRegistryRootKey", &Ask<&zvudGetGlobalRegistryRootKey>, kStartUp},
    {L"zvudGetUserProductRegistryRootKey", &Ask<&zvudGetUserProductRegistryRootKey>, kStartUp},
    {L"GetCurrentProductIdentityIniPath", &Ask<&GetCurrentProductIdentityIniPath>, kStartUp},
    {L"zvudGetVerticalEnvPath", &Ask<&zvudGetVerticalEnvPath>, kStartUp, nullptr, true},
    {L"GetProgramName", &Ask<&GetProgramName>, kStartUp},
    {L"GetProductName", &Ask<&GetProductName>, kStartUp},
    {L"GetVerticalProductName", &AskVerticalProductName, L"GetVerticalProductName", &ReadProductName},
    {L"GetProductRootFolder", &Ask<&GetProductRootFolder>, kStartUp},
    {L"GetHelpFileName", &Ask<&GetHelpFileName>, L"GetHelpFileName"},
    {L"GetContextFileName", &Ask<&GetContextFileName>, L"GetHelpFileName"},
};

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
    userdata::SetInputReader(asked.name);
    if (asked.read != nullptr) {
        asked.read(installation);
    }
    userdata::SetInputReader(L"");
    const std::optional<std::wstring> answer = asked.ask();
    if (answer && !answer->empty()) {
        report.Ok(L"export", asked.name, L"answers " + *answer);
        return;
    }
    const RecordedInput* cause = FailedInput(asked.reader);
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
    for (const AskedExport& asked : kExports) {
        if (!asked.verticalOnly || !userdata::IsBaseProduct(installation.product.c_str())) {
            CheckExport(installation, asked, report);
        }
    }
}

}  // namespace zvud::doctor
