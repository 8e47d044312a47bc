// The registry reading vocabulary: opening keys with the machine-then-user
// rule for product keys, and reading values by what the caller needs
// (characters expanded, or the raw string in bytes). ZvRegistryAccess holds one
// key opened for reading, for the length of one read.
#pragma once

#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/ZvString.h"

#include <windows.h>

namespace userdata {

// Opens `subkey` below `root` (options 0) into `key`; on failure `key` holds
// nothing. Returns the Win32 error code.
[[nodiscard]] LSTATUS OpenKey(HKEY root, const wchar_t* subkey, REGSAM access, ZvUniqueKey& key);

// Opens `subkey` below `root` with the given access. Below
// HKEY_LOCAL_MACHINE a key that the machine does not have is opened below
// HKEY_CURRENT_USER instead; any other machine error is final. Returns the
// Win32 error code of the last attempt; on failure `key` holds nothing.
LSTATUS OpenMachineThenUser(HKEY root, const wchar_t* subkey, REGSAM access, ZvUniqueKey& key);

// Expandable values are read at their own size, up to this many characters
// with the terminator, and expanded up to kLongTextCapacity, on the stack.
inline constexpr DWORD kExpandableTextCapacity = 4096;

// RegGetValueW(key, nullptr, valueName, RRF_RT_ANY, type, data, bytes): the
// value of any type, strings terminated and REG_EXPAND_SZ expanded, also when
// the stored text is longer than `data` but its expansion fits. The expansion
// is done here, within the library's buffers: Wine's RegGetValueW expands into
// the caller's buffer beyond its size when the expanded text does not fit.
// Stored text of 4096 characters or more, or an expansion longer than 2047,
// counts as not fitting.
[[nodiscard]] LSTATUS GetValueAnyType(HKEY key, const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes);

// Reads the value `valueName` (null or "" for the default value) of `key`, of
// any type, with GetValueAnyType (environment references expanded), as text into
// `buffer` of `capacity` characters, which is zeroed first. False when it
// cannot be read or leaves no terminator in the buffer.
[[nodiscard]] bool ReadExpandedCharacters(HKEY key, const wchar_t* valueName, wchar_t* buffer, DWORD capacity);

template <DWORD N>
[[nodiscard]] bool ReadExpandedCharacters(HKEY key, const wchar_t* valueName, wchar_t (&buffer)[N])
{
    return ReadExpandedCharacters(key, valueName, buffer, N);
}

class ZvRegistryAccess {
public:
    ZvRegistryAccess() noexcept = default;
    ZvRegistryAccess(const ZvRegistryAccess&) = delete;
    ZvRegistryAccess& operator=(const ZvRegistryAccess&) = delete;
    virtual ~ZvRegistryAccess();

    // Opens `subkey` below `root` for reading (KEY_READ) with
    // OpenMachineThenUser. Returns the Win32 error code of the last attempt
    // (0 on success).
    virtual LSTATUS Open(HKEY root, const wchar_t* subkey);

    // Opens `productRoot`\`subkey` below `root` as Open does.
    LSTATUS OpenBelow(HKEY root, const ZvString& productRoot, const wchar_t* subkey);

    // Closes the key if one is open. Always returns 0.
    virtual LSTATUS Close();

    HKEY Key() const noexcept { return key_.Get(); }

    // Reads the string value `valueName` (null for the default value) into
    // `buffer` of `bytes` bytes. REG_SZ must carry its terminator (0 bytes read
    // as ""); REG_EXPAND_SZ is taken unexpanded and unchecked, and ended right
    // after its data when that lacks a terminator and leaves room for one;
    // other types fail. With a null buffer only the type is tested.
    [[nodiscard]] bool ReadRawStringBytes(const wchar_t* valueName, wchar_t* buffer, DWORD bytes) const;

    template <DWORD N>
    [[nodiscard]] bool ReadRawStringBytes(const wchar_t* valueName, wchar_t (&buffer)[N]) const
    {
        return ReadRawStringBytes(valueName, buffer, static_cast<DWORD>(sizeof(buffer)));
    }

private:
    ZvUniqueKey key_;
};

}  // namespace userdata
