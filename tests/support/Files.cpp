#include "Files.h"

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace userdata::testing {

std::wstring UniqueName(const wchar_t* prefix)
{
    static LONG counter = 0;
    return prefix + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(InterlockedIncrement(&counter)) +
           L"-" + std::to_wstring(GetTickCount64());
}

namespace {

// The path that a handle of `path` leads to, "" when it cannot be opened.
// Windows gives a link's own path; Wine 8 follows a Unix symbolic link and
// gives its target, and flags only those to folders as reparse points.
std::wstring FinalPath(const std::wstring& path)
{
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::wstring();
    }
    wchar_t final[4 * MAX_PATH] = {};
    const DWORD length = GetFinalPathNameByHandleW(handle, final, 4 * MAX_PATH, FILE_NAME_NORMALIZED);
    CloseHandle(handle);
    return length > 0 && length < 4 * MAX_PATH ? std::wstring(final, length) : std::wstring();
}

}  // namespace

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = temp + UniqueName(L"userdata-test-");
    CreateFolders(path_);
}

void CreateFolders(const std::wstring& path)
{
    std::error_code ignored;
    std::filesystem::create_directories(path, ignored);
    ASSERT_TRUE(FileExists(path)) << "creating " << Narrow(path);
}

// Wine 8 flags only links to folders as reparse points, and its DeleteFileW on
// a link to a file deletes the file behind it: an entry is deleted only when a
// handle of it leads where its name puts it.
void DeleteTree(const std::wstring& root)
{
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES) << "DeleteTree refuses the link " << Narrow(root);
        return;
    }
    const std::wstring rootFinal = FinalPath(root);
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const std::wstring name = found.cFileName;
        const std::wstring path = root + L"\\" + name;
        if (name == L"." || name == L".." || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            _wcsicmp(FinalPath(path).c_str(), (rootFinal + L"\\" + name).c_str()) != 0) {
            continue;
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            DeleteTree(path);
        } else {
            // A file left behind would pass itself off as the next scenario's.
            const BOOL deleted = DeleteFileW(path.c_str());
            const DWORD error = GetLastError();
            EXPECT_TRUE(deleted) << "deleting " << Narrow(path) << ": error " << error;
        }
    }
    FindClose(search);
    RemoveDirectoryW(root.c_str());
}

void CopyTree(const std::wstring& from, const std::wstring& to)
{
    CreateFolders(to);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(from)) {
        const std::wstring target = to + entry.path().wstring().substr(from.size());
        if (entry.is_directory()) {
            CreateFolders(target);
        } else {
            EXPECT_TRUE(CopyFileW(entry.path().c_str(), target.c_str(), FALSE)) << Narrow(target);
        }
    }
}

void WriteTextFile(const std::wstring& path, const std::string& content)
{
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    file << content;
    EXPECT_TRUE(file.good()) << "writing " << Narrow(path);
}

std::string ReadTextFile(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring TestProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().wstring();
}

}  // namespace userdata::testing
