#include "DoctorSupport.h"

#include "CoreText.h"
#include "Output.h"
#include "Queries.h"

#include "base/IdentityIniFile.h"

#include <algorithm>

namespace zvud::doctor {

using userdata::ZvString;

namespace {

// A detail that begins with its subject (as the core's reasons name what they
// are about) is told without repeating it.
std::wstring AfterSubject(const std::wstring& subject, const std::wstring& detail)
{
    const std::wstring lead = subject + L" ";
    return detail.starts_with(lead) ? detail.substr(lead.size()) : detail;
}

}  // namespace

// Nothing found broken is also told as in order: an ok about a subject with a
// problem is dropped, whichever check came first.
void Report::Ok(const std::wstring& check, const std::wstring& subject, const std::wstring& detail)
{
    if (!HasProblem(subject)) {
        findings_.push_back({check, Status::Ok, subject, AfterSubject(subject, detail), L""});
    }
}

void Report::Problem(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                     const std::wstring& fix)
{
    std::erase_if(findings_, [&subject](const Finding& finding) {
        return finding.status == Status::Ok && EqualIgnoringCase(finding.subject, subject);
    });
    findings_.push_back({check, Status::Problem, subject, AfterSubject(subject, detail), fix});
}

void Report::Replace(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                     const std::wstring& fix)
{
    std::erase_if(findings_,
                  [&subject](const Finding& finding) { return EqualIgnoringCase(finding.subject, subject); });
    Problem(check, subject, detail, fix);
}

bool Report::HasProblem(const std::wstring& subject) const
{
    return std::any_of(findings_.begin(), findings_.end(), [&subject](const Finding& finding) {
        return finding.status == Status::Problem && EqualIgnoringCase(finding.subject, subject);
    });
}

void Report::Info(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                  const std::wstring& fix)
{
    findings_.push_back({check, Status::Info, subject, AfterSubject(subject, detail), fix});
}

bool Report::Mentions(const std::wstring& name) const
{
    return HasProblem(name) || std::any_of(findings_.begin(), findings_.end(), [&name](const Finding& finding) {
               return finding.status == Status::Problem && finding.detail.find(name) != std::wstring::npos;
           });
}

size_t Report::Count(Status status) const
{
    return static_cast<size_t>(std::count_if(findings_.begin(), findings_.end(),
                                             [status](const Finding& finding) { return finding.status == status; }));
}

std::optional<HKEY> OpenMachineThenUser(ZvRegistryAccess& key, const std::wstring& path, REGSAM access)
{
    if (key.Open(HKEY_LOCAL_MACHINE, path.c_str(), access) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return key.Hive();
}

std::wstring KeyName(HKEY hive, const std::wstring& path)
{
    return Text(userdata::RegistryKeyName(hive, Core(path)));
}

std::wstring Described(const userdata::Reason& reason)
{
    return Text(userdata::DescribeReason(reason));
}

std::wstring Named(const userdata::Reason& reason)
{
    if (reason.place != userdata::Reason::Place::Registry) {
        return Text(reason.source);
    }
    return Text(reason.source) + (reason.item.empty() ? L"" : L"\\" + Text(reason.item));
}

std::wstring ReadIdentityValue(const std::wstring& file, const wchar_t* key)
{
    return Text(userdata::ReadProductIdentityValue(Core(file), key));
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DWORD TryOpen(const std::wstring& path, DWORD access)
{
    const userdata::ZvUniqueFile file(CreateFileW(path.c_str(), access,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file ? ERROR_SUCCESS : GetLastError();
}

DWORD MayCreateFilesIn(const std::wstring& folder)
{
    const SECURITY_INFORMATION wanted =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetFileSecurityW(folder.c_str(), wanted, nullptr, 0, &needed);
    std::vector<BYTE> security(std::max<DWORD>(needed, 1));
    HANDLE process = nullptr;
    HANDLE token = nullptr;
    if (!GetFileSecurityW(folder.c_str(), wanted, security.data(), needed, &needed) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process) ||
        !DuplicateToken(process, SecurityImpersonation, &token)) {
        const DWORD error = GetLastError();
        CloseHandle(process);
        return error;
    }
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges = {};
    DWORD privilegesSize = sizeof(privileges);
    DWORD granted = 0;
    BOOL allowed = FALSE;
    const BOOL checked = AccessCheck(security.data(), token, FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY, &mapping,
                                     &privileges, &privilegesSize, &granted, &allowed);
    const DWORD error = checked ? (allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED) : GetLastError();
    CloseHandle(token);
    CloseHandle(process);
    return error;
}

std::wstring Expanded(const std::wstring& path)
{
    const DWORD size = ExpandEnvironmentStringsW(path.c_str(), nullptr, 0);
    std::wstring expanded(size, L'\0');
    if (size == 0 || ExpandEnvironmentStringsW(path.c_str(), expanded.data(), size) == 0) {
        return path;
    }
    return expanded.c_str();
}

std::wstring ErrorText(unsigned long status)
{
    return L"error " + std::to_wstring(status) + L": " + StatusText(status);
}

}  // namespace zvud::doctor
