#include "base/RegistryAccess.h"

#include "base/BoundedText.h"

#include <algorithm>

namespace userdata {

LSTATUS OpenKey(HKEY root, const wchar_t* subkey, REGSAM access, ZvUniqueKey& key)
{
    const LSTATUS status = RegOpenKeyExW(root, subkey, 0, access, key.Receive());
    if (status != ERROR_SUCCESS) {
        key.Release();  // nothing was opened, whatever the handle holds
    }
    return status;
}

LSTATUS OpenMachineThenUser(HKEY root, const wchar_t* subkey, REGSAM access, ZvUniqueKey& key)
{
    const LSTATUS status = OpenKey(root, subkey, access, key);
    if (status != ERROR_FILE_NOT_FOUND || root != HKEY_LOCAL_MACHINE) {
        return status;
    }
    return OpenKey(HKEY_CURRENT_USER, subkey, access, key);
}

LSTATUS GetValueAnyType(HKEY key, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes)
{
    DWORD valueType = REG_NONE;
    const DWORD capacity = *bytes;
    const LSTATUS status = RegGetValueW(key, nullptr, valueName, RRF_RT_ANY | RRF_NOEXPAND, &valueType, data, bytes);
    if (type != nullptr) {
        *type = valueType;
    }
    if (valueType != REG_EXPAND_SZ || data == nullptr || (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)) {
        return status;
    }
    // The stored text may be longer than `data` while its expansion fits: it
    // is read again at its own size, within the library's own buffer.
    wchar_t raw[kExpandableTextCapacity];
    DWORD rawBytes = sizeof(raw);
    if (RegGetValueW(key, nullptr, valueName, RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, raw, &rawBytes) !=
            ERROR_SUCCESS ||
        BoundedLength(raw) >= kExpandableTextCapacity) {  // Wine leaves text that fills the buffer unterminated
        return ERROR_MORE_DATA;
    }
    wchar_t expanded[kLongTextCapacity];
    const DWORD needed = ExpandEnvironmentStringsW(raw, expanded, kLongTextCapacity);
    *bytes = static_cast<DWORD>(needed * sizeof(wchar_t));
    if (needed == 0 || needed > kLongTextCapacity || *bytes > capacity) {
        return ERROR_MORE_DATA;
    }
    std::copy_n(expanded, needed, static_cast<wchar_t*>(data));
    return ERROR_SUCCESS;
}

bool ReadExpandedCharacters(HKEY key, const wchar_t* valueName, wchar_t* buffer, DWORD capacity)
{
    if (buffer == nullptr || capacity == 0) {
        return false;
    }
    // Zeroed, so that data of a non-string type shorter than the buffer ends in it.
    std::fill(buffer, buffer + capacity, L'\0');
    DWORD size = static_cast<DWORD>(capacity * sizeof(wchar_t));
    if (GetValueAnyType(key, valueName, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return false;
    }
    return BoundedLength(buffer, capacity) < capacity;
}

ZvRegistryAccess::~ZvRegistryAccess()
{
    ZvRegistryAccess::Close();
}

LSTATUS ZvRegistryAccess::Close()
{
    key_.Reset();
    return ERROR_SUCCESS;
}

LSTATUS ZvRegistryAccess::Open(HKEY root, const wchar_t* subkey)
{
    return OpenMachineThenUser(root, subkey, KEY_READ, key_);
}

LSTATUS ZvRegistryAccess::OpenBelow(HKEY root, const ZvString& productRoot, const wchar_t* subkey)
{
    ZvString path = productRoot;
    path.Append(L'\\').Append(subkey);
    return Open(root, path.c_str());
}

bool ZvRegistryAccess::ReadRawStringBytes(const wchar_t* valueName, wchar_t* buffer, DWORD bytes) const
{
    if (buffer != nullptr && bytes < sizeof(wchar_t)) {
        return false;  // not even room for an empty string
    }
    DWORD type = REG_NONE;
    DWORD size = buffer != nullptr ? bytes : 0;
    if (RegQueryValueExW(key_.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    if (buffer == nullptr) {
        return type == REG_SZ || type == REG_EXPAND_SZ;
    }
    if (type == REG_EXPAND_SZ) {
        // Unchecked, but a reader must find the end of the text inside the buffer.
        const DWORD characters = static_cast<DWORD>(size / sizeof(wchar_t));
        if (characters < bytes / sizeof(wchar_t) && (characters == 0 || buffer[characters - 1] != L'\0')) {
            buffer[characters] = L'\0';
        }
        return true;
    }
    if (type != REG_SZ || size % 2 != 0) {
        return false;
    }
    if (size == 0) {
        buffer[0] = L'\0';
        return true;
    }
    return buffer[size / 2 - 1] == L'\0';
}

}  // namespace userdata
