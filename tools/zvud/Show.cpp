#include "Show.h"

#include "Json.h"
#include "Output.h"
#include "Queries.h"
#include "Version.h"

#include <optional>
#include <string>
#include <vector>

namespace zvud {
namespace {

// One answer: its JSON key, its label in the text and the library's text.
struct Field {
    std::wstring key;
    std::wstring label;
    std::optional<std::wstring> value;
};

struct Report {
    bool startedUp = false;
    std::vector<Field> identity;
    std::vector<Field> folders;
    std::vector<Field> help;
};

constexpr size_t kValueColumn = 28;
const wchar_t kNotAvailable[] = L"(not available)";

Report AskEverything(bool startedUp)
{
    Report report;
    report.startedUp = startedUp;
    report.identity = {
        {L"libraryVersion", L"library version", VersionText(ModulePath(GetModuleHandleW(L"UserData.dll")))},
        {L"product", L"product", AskLength(&zvudGetCurrentProduct)},
        {L"language", L"language", AskLength(&zvudGetCurrentLanguage)},
        {L"machineRootKey", L"machine root key", AskLength(&zvudGetMachineProductRegistryRootKey)},
        {L"userRootKey", L"user root key", AskLength(&zvudGetUserProductRegistryRootKey)},
        {L"globalRootKey", L"global root key", AskLength(&zvudGetGlobalRegistryRootKey)},
        {L"identityFile", L"identity file", AskLength(&GetCurrentProductIdentityIniPath)},
        {L"verticalPath", L"vertical path", AskLength(&zvudGetVerticalEnvPath)},
        {L"programName", L"program name", AskLength(&GetProgramName)},
        {L"productName", L"product name", AskLength(&GetProductName)},
        {L"verticalProductName", L"vertical product name", AskVerticalProductName()},
        {L"rootFolder", L"root folder", AskLength(&GetProductRootFolder)},
    };
    for (int folder = 0; folder < kSpecialFolderCount; ++folder) {
        const std::wstring name = SpecialFolderName(folder);
        const auto path = AskSpecialFolder(static_cast<ZvUdSpecialFolder::Folders>(folder));
        report.folders.push_back({name, L"  " + name, path});
    }
    report.help = {
        {L"helpFile", L"help file", AskLength(&GetHelpFileName)},
        {L"contextHelpFile", L"context help file", AskLength(&GetContextFileName)},
    };
    return report;
}

std::wstring TextLine(const std::wstring& label, const std::wstring& value)
{
    return Padded(label + L":", kValueColumn) + value + L"\n";
}

std::wstring TextLines(const std::vector<Field>& fields)
{
    std::wstring text;
    for (const Field& field : fields) {
        text += TextLine(field.label, field.value.value_or(kNotAvailable));
    }
    return text;
}

std::wstring RenderText(const Report& report)
{
    return TextLine(L"start-up", report.startedUp ? L"succeeded" : L"failed") + TextLines(report.identity) +
           L"special folders:\n" + TextLines(report.folders) + TextLines(report.help);
}

void JsonFields(JsonWriter& json, const std::vector<Field>& fields)
{
    for (const Field& field : fields) {
        json.Text(field.key, field.value);
    }
}

std::wstring RenderJson(const Report& report)
{
    JsonWriter json;
    json.Bool(L"startUpSucceeded", report.startedUp);
    JsonFields(json, report.identity);
    json.BeginObject(L"specialFolders");
    JsonFields(json, report.folders);
    json.EndObject();
    JsonFields(json, report.help);
    return json.Finish();
}

}  // namespace

int RunShow(const Invocation& invocation, bool startedUp)
{
    const Report report = AskEverything(startedUp);
    Write(Stream::Out, invocation.json ? RenderJson(report) : RenderText(report));
    return startedUp ? kExitSuccess : kExitNoAnswer;
}

}  // namespace zvud
