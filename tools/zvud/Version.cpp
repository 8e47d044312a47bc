#include "Version.h"

#include "Queries.h"

#include <vector>

namespace zvud {

std::wstring ModulePath(HMODULE module)
{
    return AskLength([module](wchar_t* buffer, unsigned capacity) {
               return static_cast<unsigned>(GetModuleFileNameW(module, buffer, capacity));
           })
        .value_or(L"");
}

// The version's three numbers are the first three of the file version (the
// fourth is always 0); the commit is the resource's "Comments".
std::wstring VersionText(const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || length < sizeof(*info)) {
        return L"(no version resource)";
    }
    std::wstring text = std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." +
                        std::to_wstring(LOWORD(info->dwFileVersionMS)) + L"." +
                        std::to_wstring(HIWORD(info->dwFileVersionLS));
    wchar_t* comment = nullptr;
    if (VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\Comments", reinterpret_cast<void**>(&comment),
                       &length) &&
        length > 1) {
        text += L", " + std::wstring(comment);
    }
    return text;
}

}  // namespace zvud
