#include "DoctorSupport.h"

#include "Queries.h"

#include <algorithm>

namespace zvud::doctor {
namespace {

// The library reads identity values into 260 characters.
constexpr DWORD kIdentityValueCapacity = 260;
// Registry value names are at most 16383 characters.
constexpr DWORD kValueNameCapacity = 16384;

}  // namespace

void Report::Ok(const std::wstring& check, const std::wstring& subject, const std::wstring& detail)
{
    findings_.push_back({check, Status::Ok, subject, detail, L""});
}

void Report::Problem(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                     const std::wstring& fix)
{
    findings_.push_back({check, Status::Problem, subject, detail, fix});
}

void Report::Info(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                  const std::wstring& fix)
{
    findings_.push_back({check, Status::Info, subject, detail, fix});
}

bool Report::HasProblems() const
{
    return std::any_of(findings_.begin(), findings_.end(),
                       [](const Finding& finding) { return finding.status == Status::Problem; });
}

ReadKey::~ReadKey()
{
    if (key_ != nullptr) {
        RegCloseKey(key_);
    }
}

LSTATUS ReadKey::Open(HKEY hive, const std::wstring& path, REGSAM access)
{
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
    return RegOpenKeyExW(hive, path.c_str(), 0, access, &key_);
}

std::optional<HKEY> ReadKey::OpenMachineThenUser(const std::wstring& path, REGSAM access)
{
    const LSTATUS machine = Open(HKEY_LOCAL_MACHINE, path, access);
    if (machine == ERROR_SUCCESS) {
        return HKEY_LOCAL_MACHINE;
    }
    if (machine == ERROR_FILE_NOT_FOUND && Open(HKEY_CURRENT_USER, path, access) == ERROR_SUCCESS) {
        return HKEY_CURRENT_USER;
    }
    return std::nullopt;
}

std::wstring KeyName(HKEY hive, const std::wstring& path)
{
    const wchar_t* name = hive == HKEY_LOCAL_MACHINE ? L"HKLM" : hive == HKEY_CURRENT_USER ? L"HKCU" : L"HKCR";
    return std::wstring(name) + L"\\" + path;
}

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name)
{
    constexpr DWORD kStrings = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD bytes = 0;
    if (RegGetValueW(key, nullptr, name, kStrings, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(key, nullptr, name, kStrings, nullptr, text.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text.c_str());
}

std::vector<std::wstring> ValueNames(HKEY key)
{
    std::vector<std::wstring> names;
    std::wstring name(kValueNameCapacity, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = kValueNameCapacity;
        if (RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return names;
        }
        names.emplace_back(name.c_str(), length);
    }
}

std::wstring ReadIdentityValue(const std::wstring& file, const wchar_t* key)
{
    wchar_t value[kIdentityValueCapacity] = {};
    GetPrivateProfileStringW(L"ProductIdentity", key, L"", value, kIdentityValueCapacity, file.c_str());
    return value;
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
    const HANDLE handle = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    CloseHandle(handle);
    return ERROR_SUCCESS;
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

bool EqualIgnoringCase(const std::wstring& left, const std::wstring& right)
{
    return CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring ErrorText(unsigned long status)
{
    return L"error " + std::to_wstring(status) + L": " + StatusText(status);
}

}  // namespace zvud::doctor
