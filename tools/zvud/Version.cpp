#include "Version.h"

#include "Queries.h"

#include "UserData.h"

#include <vector>

namespace zvud {

std::wstring ModulePath(HMODULE module)
{
    return AskLength([module](wchar_t* buffer, unsigned capacity) {
               return static_cast<unsigned>(GetModuleFileNameW(module, buffer, capacity));
           })
        .value_or(L"");
}

std::wstring BesideTool(const wchar_t* name)
{
    const std::wstring tool = ModulePath(nullptr);
    return tool.substr(0, tool.find_last_of(L'\\') + 1) + name;
}

namespace {

// The version resource of the file at `path`; empty when it has none.
std::vector<BYTE> VersionResource(const std::wstring& path)
{
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data())) {
        return {};
    }
    return data;
}

// The version's three numbers are the first three of the file version (the
// fourth is always 0).
std::wstring NumberIn(std::vector<BYTE>& data)
{
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (data.empty() || !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        length < sizeof(*info)) {
        return L"";
    }
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS));
}

}  // namespace

std::wstring VersionNumber(const std::wstring& path)
{
    std::vector<BYTE> data = VersionResource(path);
    return NumberIn(data);
}

std::wstring OwnVersionNumber()
{
    return std::to_wstring(USERDATA_VERSION_MAJOR) + L"." + std::to_wstring(USERDATA_VERSION_MINOR) + L"." +
           std::to_wstring(USERDATA_VERSION_PATCH);
}

// The commit is the resource's "Comments".
std::wstring VersionText(const std::wstring& path)
{
    std::vector<BYTE> data = VersionResource(path);
    std::wstring text = NumberIn(data);
    if (text.empty()) {
        return L"(no version resource)";
    }
    wchar_t* comment = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\Comments", reinterpret_cast<void**>(&comment),
                       &length) &&
        length > 1) {
        text += L", " + std::wstring(comment);
    }
    return text;
}

}  // namespace zvud
