// A registry key that closes when its owner goes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

namespace zvud {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using OwnedKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

// `subkey` of `hive` opened with `access`: the key, or null with the status in `status`.
inline OwnedKey OpenKey(HKEY hive, const std::wstring& subkey, REGSAM access, LSTATUS& status)
{
    HKEY key = nullptr;
    status = RegOpenKeyExW(hive, subkey.c_str(), 0, access, &key);
    return OwnedKey(status == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace zvud
