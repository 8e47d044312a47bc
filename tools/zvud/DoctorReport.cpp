// zvud doctor's report in its two forms, text and JSON, and the report on a
// UserData.dll that lacks exports zvud calls.
#include "Doctor.h"

#include "Json.h"
#include "Output.h"
#include "Version.h"

namespace zvud {
namespace {

using namespace doctor;

const wchar_t* StatusName(Status status)
{
    return status == Status::Ok ? L"ok" : status == Status::Problem ? L"problem" : L"info";
}

// The findings to show: all, or with --problems only the problems.
std::vector<Finding> Shown(const Invocation& invocation, const Report& report)
{
    std::vector<Finding> shown;
    for (const Finding& finding : report.Findings()) {
        if (!invocation.problemsOnly || finding.status == Status::Problem) {
            shown.push_back(finding);
        }
    }
    return shown;
}

std::wstring Counted(size_t count, const wchar_t* singular, const wchar_t* plural)
{
    return (count == 0 ? std::wstring(L"no") : std::to_wstring(count)) + L" " + (count == 1 ? singular : plural);
}

// The closing line: how many problems and notes, or that all is in order.
std::wstring Summary(const Report& report)
{
    const size_t problems = report.Count(Status::Problem);
    const std::wstring notes = Counted(report.Count(Status::Info), L"note", L"notes");
    if (problems == 0) {
        return L"summary: everything is in order (" + notes + L")\n";
    }
    return L"summary: " + Counted(problems, L"problem", L"problems") + L", " + notes + L"\n";
}

std::wstring RenderText(const Invocation& invocation, const Report& report)
{
    std::wstring text;
    for (const Finding& finding : Shown(invocation, report)) {
        text += Padded(StatusName(finding.status), 8) + Padded(finding.check, 18) + finding.subject + L": " +
                finding.detail + (finding.fix.empty() ? L"" : L". Fix: " + finding.fix) + L"\n";
    }
    return text + Summary(report);
}

std::wstring RenderJson(const Invocation& invocation, const Installation& installation, const Report& report)
{
    JsonWriter json;
    json.Text(L"zvudVersion", VersionText(ModulePath(nullptr)));
    json.Text(L"userDataVersion", VersionText(ModulePath(GetModuleHandleW(L"UserData.dll"))));
    json.Text(L"product", installation.product);
    json.Text(L"language", installation.language);
    json.Number(L"problems", report.Count(Status::Problem));
    json.Number(L"notes", report.Count(Status::Info));
    json.BeginArray(L"checks");
    for (const Finding& finding : Shown(invocation, report)) {
        json.LineObject({{L"check", finding.check},
                         {L"status", StatusName(finding.status)},
                         {L"subject", finding.subject},
                         {L"detail", finding.detail},
                         {L"fix", finding.fix.empty() ? std::nullopt : std::optional(finding.fix)}});
    }
    json.EndArray();
    if (invocation.inputs) {
        WriteInputs(json);
    }
    return json.Finish();
}

}  // namespace

int Render(const Invocation& invocation, const Installation& installation, const Report& report)
{
    Write(Stream::Out, invocation.json ? RenderJson(invocation, installation, report)
                                       : RenderText(invocation, report) + (invocation.inputs ? RenderInputs() : L""));
    return report.Count(Status::Problem) > 0 ? kExitNoAnswer : kExitSuccess;
}

int RunDoctorOnLackingLibrary(const Invocation& invocation, HMODULE library, const std::wstring& lacking)
{
    Report report;
    const std::wstring version = OwnVersionNumber();
    report.Problem(L"library-version", ModulePath(library),
                   L"lacks exports that zvud calls (" + lacking + L"): it is not a UserData.dll of version " + version +
                       L", and nothing more is checked",
                   L"put the UserData.dll of version " + version + L" beside zvud.exe (reinstall the suite)");
    return Render(invocation, Installation(), report);
}

}  // namespace zvud
