#include "Registry.h"

#include <sddl.h>
#include <cstdio>

namespace userdata::testing {

HKEY OpenForWriting(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << "creating key " << Narrow(path);
    return key;
}

namespace {

void SetKeySecurity(HKEY key, const wchar_t* descriptor)
{
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor, SDDL_REVISION_1, &security, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security), ERROR_SUCCESS);
    LocalFree(security);
}

}  // namespace

void CreateKey(HKEY root, const std::wstring& path)
{
    RegCloseKey(OpenForWriting(root, path));
}

void DeleteKey(HKEY root, const std::wstring& path)
{
    RegDeleteTreeW(root, path.c_str());  // the key too
    EXPECT_FALSE(KeyExists(root, path)) << "deleting " << Narrow(path);
}

void RemoveFromRealHives(std::initializer_list<const wchar_t*> paths)
{
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const wchar_t* path : paths) {
            RegDeleteTreeW(hive, path);
        }
        RegDeleteKeyW(hive, L"Software\\Brevonix");  // refused while anything else is below it
    }
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    const bool exists = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
{
    const HKEY key = OpenForWriting(root, path);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS)
        << "setting a value under " << Narrow(path);
    RegCloseKey(key);
}

void SetString(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, DWORD type)
{
    SetRaw(root, path, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value)
{
    SetRaw(root, path, name, REG_DWORD, &value, sizeof(value));
}

DeniedKey::DeniedKey(HKEY root, const std::wstring& path, REGSAM allowed) : key_(OpenForWriting(root, path))
{
    wchar_t onlyAllowed[64] = {};
    swprintf(onlyAllowed, 64, L"D:P(A;;0x%lX;;;WD)", static_cast<unsigned long>(allowed));
    SetKeySecurity(key_, allowed == 0 ? L"D:P(D;;KA;;;WD)(D;;KA;;;BA)(D;;KA;;;SY)" : onlyAllowed);
    HKEY probe = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &probe), ERROR_ACCESS_DENIED) << Narrow(path);
}

DeniedKey::~DeniedKey()
{
    SetKeySecurity(key_, L"D:(A;;KA;;;WD)");
    RegCloseKey(key_);
}

std::wstring RegistryValue::Text() const
{
    const std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

std::optional<RegistryValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    RegistryValue value;
    DWORD bytes = 0;
    LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS && RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &bytes) == ERROR_SUCCESS) {
        value.data.resize(bytes);
        status = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &bytes);
    } else {
        status = ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional<RegistryValue>(value) : std::nullopt;
}

}  // namespace userdata::testing
