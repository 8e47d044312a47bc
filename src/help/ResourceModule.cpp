#include "help/ResourceModule.h"

#include "base/BoundedText.h"
#include "base/FolderList.h"
#include "base/LibraryModule.h"
#include "config/ProcessEnvironment.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace userdata {
namespace {

// As SHLoadIndirectString maps them: the module's code never runs.
constexpr DWORD kResourcesOnly = LOAD_LIBRARY_AS_DATAFILE;

// String tables hold their strings in blocks of 16, each string a 16-bit
// length followed by that many characters.
constexpr unsigned kStringsPerBlock = 16;

constexpr DWORD kReadableProtections = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                       PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

bool IsSeparator(wchar_t character) noexcept
{
    return character == L'\\' || character == L'/';
}

// "X:\..." or "\\server\..." ("\\?\..." too): a path that names the same file
// whatever the current folder is.
bool IsFullPath(const wchar_t* path) noexcept
{
    const wchar_t letter = static_cast<wchar_t>(path[0] | 0x20);
    const bool drivePath = letter >= L'a' && letter <= L'z' && path[1] == L':' && IsSeparator(path[2]);
    return drivePath || (IsSeparator(path[0]) && IsSeparator(path[1]));
}

ZvUniqueModule MapResources(const wchar_t* path)
{
    return ZvUniqueModule(LoadLibraryExW(path, nullptr, kResourcesOnly));
}

// `folder` + "\" + `name` (".dll" added to a name without extension) into
// `path`, when `folder` is absolute and that is a file.
bool FindInFolder(const wchar_t* folder, const wchar_t* name, wchar_t (&path)[kPathCapacity])
{
    path[0] = L'\0';
    if (!IsFullPath(folder) || !CopyText(path, folder) || !AppendPathPiece(path, name) ||
        (std::wcschr(name, L'.') == nullptr && !AppendText(path, L".dll"))) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The module `name` in the host's folder, the system folder, the Windows
// folder or an absolute folder of PATH, into `path`.
bool FindModule(const wchar_t* name, wchar_t (&path)[kPathCapacity])
{
    wchar_t folder[kPathCapacity] = {};
    if (GetModulePath(nullptr, folder) && PathRemoveFileSpecW(folder) && FindInFolder(folder, name, path)) {
        return true;
    }
    const UINT systemLength = GetSystemDirectoryW(folder, kPathCapacity);
    if (systemLength != 0 && systemLength < kPathCapacity && FindInFolder(folder, name, path)) {
        return true;
    }
    const UINT windowsLength = GetWindowsDirectoryW(folder, kPathCapacity);
    if (windowsLength != 0 && windowsLength < kPathCapacity && FindInFolder(folder, name, path)) {
        return true;
    }
    ZvString processPath;
    if (!ReadProcessPath(processPath)) {
        return false;
    }
    for (const ZvString& entry : SplitFolderList(processPath.c_str())) {
        if (FindInFolder(entry.c_str(), name, path)) {
            return true;
        }
    }
    return false;
}

// True when all `bytes` from `data` on are committed, readable memory: a
// damaged resource directory may place a block anywhere.
bool IsReadable(const void* data, std::size_t bytes) noexcept
{
    const auto* at = static_cast<const BYTE*>(data);
    const BYTE* const end = at + bytes;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region = {};
        if (VirtualQuery(at, &region, sizeof(region)) != sizeof(region) || region.State != MEM_COMMIT ||
            (region.Protect & kReadableProtections) == 0 || (region.Protect & PAGE_GUARD) != 0) {
            return false;
        }
        at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
    }
    return true;
}

// The 16-bit word `index` of a block that need not be aligned.
std::uint16_t WordAt(const BYTE* block, std::size_t index) noexcept
{
    std::uint16_t word = 0;
    std::memcpy(&word, block + index * sizeof(word), sizeof(word));
    return word;
}

}  // namespace

ZvUniqueModule LoadResourceModule(const wchar_t* module)
{
    if (IsFullPath(module)) {
        return MapResources(module);
    }
    if (module[0] == L'\0' || std::wcspbrk(module, L"\\/:") != nullptr) {
        return ZvUniqueModule();
    }
    ZvUniqueModule loaded;
    if (GetModuleHandleExW(0, module, loaded.Receive())) {
        return loaded;
    }
    wchar_t path[kPathCapacity] = {};
    return FindModule(module, path) ? MapResources(path) : ZvUniqueModule();
}

std::size_t ReadStringResource(HMODULE module, unsigned number, wchar_t (&text)[kNameCapacity]) noexcept
{
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(number / kStringsPerBlock + 1), RT_STRING);
    const HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const auto* const block = static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    const std::size_t words = resource != nullptr ? SizeofResource(module, resource) / sizeof(std::uint16_t) : 0;
    if (block == nullptr || !IsReadable(block, words * sizeof(std::uint16_t))) {
        return 0;
    }
    std::size_t at = 0;  // the word that holds the next string's length
    for (unsigned index = 0; index < number % kStringsPerBlock && at < words; ++index) {
        at += 1 + WordAt(block, at);
    }
    if (at >= words || WordAt(block, at) > words - at - 1) {
        return 0;
    }
    const std::size_t length = std::min<std::size_t>(WordAt(block, at), kNameCapacity - 1);
    std::memcpy(text, block + (at + 1) * sizeof(std::uint16_t), length * sizeof(wchar_t));
    text[length] = L'\0';
    return length;
}

}  // namespace userdata
