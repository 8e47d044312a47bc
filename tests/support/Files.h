// Files and folders of the test bench: temporary folders, trees copied and
// deleted without ever following a link.
#pragma once

#include "Basics.h"

#include <windows.h>

#include <string>

namespace userdata::testing {

// A name of its own: the process, a counter and the time.
std::wstring UniqueName(const wchar_t* prefix);

void CreateFolders(const std::wstring& path);
// Deletes a folder tree, never through a link: an entry that is a reparse
// point or resolves elsewhere is left alone.
void DeleteTree(const std::wstring& path);
// Copies a tree of the build (which holds no links), over what is there.
void CopyTree(const std::wstring& from, const std::wstring& to);

// A fresh folder under the temporary folder, deleted with all it holds.
class TempFolder : NoCopy {
public:
    TempFolder();
    ~TempFolder() { DeleteTree(path_); }

    const std::wstring& Path() const { return path_; }  // without a trailing backslash
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

void WriteTextFile(const std::wstring& path, const std::string& content);
std::string ReadTextFile(const std::wstring& path);  // its bytes as they are; "" when it cannot be read
bool FileExists(const std::wstring& path);
std::wstring TestProgramFolder();  // without a trailing backslash

}  // namespace userdata::testing
