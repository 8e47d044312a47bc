// Registry keys and values for the tests, and keys denied to their callers.
#pragma once

#include "Basics.h"

#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace userdata::testing {

inline const HKEY kMachine = HKEY_LOCAL_MACHINE;
inline const HKEY kUser = HKEY_CURRENT_USER;

// The key, created if needed, opened for all access; the test fails when the registry refuses.
HKEY OpenForWriting(HKEY root, const std::wstring& path);

// Registry helpers through the (redirected) predefined keys; each fails the
// test when the registry refuses. SetRaw stores data of any type and byte
// count as given.
void CreateKey(HKEY root, const std::wstring& path);
void DeleteKey(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);
void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes);
void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value,
               DWORD type = REG_SZ);
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value);

// While it lives, opening the key (created if needed) for any access beyond
// `allowed` (by default any access at all) fails with ERROR_ACCESS_DENIED.
class DeniedKey : NoCopy {
public:
    DeniedKey(HKEY root, const std::wstring& path, REGSAM allowed = 0);
    ~DeniedKey();

private:
    HKEY key_ = nullptr;  // opened before the denial, so it can lift it
};

// Deletes the trees `paths` from the real machine and user hives, and
// "Software\Brevonix" when that leaves it empty.
void RemoveFromRealHives(std::initializer_list<const wchar_t*> paths);

struct RegistryValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    std::wstring Text() const;  // the data as text up to its first NUL
};
std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name);

}  // namespace userdata::testing
