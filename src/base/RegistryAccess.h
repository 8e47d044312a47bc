// The registry vocabulary: ZvRegistryAccess, the one key class of the library
// and of zvud, which opens (or borrows a key that a host lends), reads, writes,
// enumerates (ZvRegistryIterator) and deletes a tree of keys. No other file
// calls the registry API.
//
// Contracts, per family:
// - opening returns the Win32 error code, which says why a key is missing;
//   on failure the holder holds nothing;
// - reads return whether they succeeded and leave their output untouched when
//   they fail;
// - writes return the Win32 error code.
#pragma once

#include "base/Capacities.h"
#include "base/Holders.h"
#include "base/ZvString.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <memory>

namespace userdata {

// The registry's "not there": the status that tells a missing key or value
// from one that is refused. Below HKEY_LOCAL_MACHINE it alone sends a product
// key's lookup on to HKEY_CURRENT_USER.
[[nodiscard]] constexpr bool IsNotFound(LSTATUS status) noexcept
{
    return status == ERROR_FILE_NOT_FOUND;
}

// "HKLM", "HKCU", "HKCR" or "HKU", a backslash and `path`: a key as a person
// reads it.
ZvString RegistryKeyName(HKEY hive, const ZvString& path);

// "REG_SZ", "REG_MULTI_SZ" and the like; the number for a type without a name.
ZvString RegistryTypeName(DWORD type);

class ZvRegistryAccess {
public:
    ZvRegistryAccess() noexcept = default;
    ZvRegistryAccess(const ZvRegistryAccess&) = delete;
    ZvRegistryAccess& operator=(const ZvRegistryAccess&) = delete;
    ZvRegistryAccess(ZvRegistryAccess&&) noexcept = default;
    ZvRegistryAccess& operator=(ZvRegistryAccess&&) noexcept = default;
    ~ZvRegistryAccess() = default;

    // A key that a host opened and lends (zvudRegSetString's): read and
    // written through like an opened one, never closed here.
    [[nodiscard]] static ZvRegistryAccess Borrow(HKEY key) noexcept;

    // The machine-then-user rule for product keys: opens `subkey` below
    // `root` with `access`; below HKEY_LOCAL_MACHINE a key that the machine
    // does not have (ERROR_FILE_NOT_FOUND) is opened below HKEY_CURRENT_USER
    // instead, and any other machine error is final. Returns the Win32 error
    // code of the last attempt.
    [[nodiscard]] LSTATUS Open(HKEY root, const wchar_t* subkey, REGSAM access = KEY_READ);

    // Opens `productRoot`\`subkey` below `root` for reading, as Open does.
    [[nodiscard]] LSTATUS OpenBelow(HKEY root, const ZvString& productRoot, const wchar_t* subkey);

    // Opens `subkey` below `root` in that hive only.
    [[nodiscard]] LSTATUS OpenExact(HKEY root, const wchar_t* subkey, REGSAM access);

    void Close() noexcept;

    [[nodiscard]] bool IsOpen() const noexcept { return Key() != nullptr; }
    HKEY Key() const noexcept { return owned_.IsValid() ? owned_.Get() : lent_; }
    // The hive in which the open key was found (null when none is open).
    HKEY Hive() const noexcept { return hive_; }

    // The value's type, and its size in bytes when `bytes` is given.
    [[nodiscard]] LSTATUS QueryType(const wchar_t* valueName, DWORD& type, DWORD* bytes = nullptr) const;

    // True when the value exists as REG_SZ or REG_EXPAND_SZ.
    [[nodiscard]] bool HoldsString(const wchar_t* valueName) const;

    // RegGetValueW(key, nullptr, valueName, RRF_RT_ANY, type, data, bytes):
    // the value of any type, strings terminated and REG_EXPAND_SZ expanded,
    // also when the stored text is longer than `data` but its expansion fits.
    // The expansion is done here, within the library's buffers: Wine's
    // RegGetValueW expands into the caller's buffer beyond its size when the
    // expanded text does not fit. Stored text of kExpandableTextCapacity
    // characters or more, or an expansion longer than kLongTextCapacity - 1,
    // counts as not fitting.
    [[nodiscard]] LSTATUS ReadAnyType(const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes) const;

    // The value (null or "" for the default value) of any type as text, read
    // with ReadAnyType (environment references expanded). False when it
    // cannot be read or leaves no terminator in N characters.
    template <std::size_t N>
    [[nodiscard]] bool ReadExpandedCharacters(const wchar_t* valueName, wchar_t (&buffer)[N]) const
    {
        // Zeroed, so that data of a non-string type shorter than the buffer ends in it.
        wchar_t read[N] = {};
        if (!ReadExpandedInto(valueName, read, N)) {
            return false;
        }
        std::copy_n(read, N, buffer);
        return true;
    }

    // The string value `valueName` (null for the default value) as stored in
    // N characters. REG_SZ must carry its terminator (0 bytes read as "");
    // REG_EXPAND_SZ is taken unexpanded and unchecked, and ended right after
    // its data when that lacks a terminator and leaves room for one; other
    // types fail.
    template <std::size_t N>
    [[nodiscard]] bool ReadRawString(const wchar_t* valueName, wchar_t (&buffer)[N]) const
    {
        wchar_t read[N] = {};
        if (!ReadRawInto(valueName, read, N)) {
            return false;
        }
        std::copy_n(read, N, buffer);
        return true;
    }

    // ReadRawString straight into a host's buffer of `capacity` characters,
    // the one read whose contract lets it write there: zvudGetXRootFoldPath
    // reads a value of any length the host makes room for, with no heap. A
    // capacity beyond what one registry read can state (0x3FFFFFFF
    // characters) counts as that many. On failure the buffer may hold part of
    // the data. Expandable data that fills the buffer without a terminator
    // fails.
    [[nodiscard]] bool DeliverRawString(const wchar_t* valueName, wchar_t* buffer, std::size_t capacity) const;

    // A REG_SZ or REG_EXPAND_SZ value at its own length, unexpanded, up to
    // its first NUL. ERROR_UNSUPPORTED_TYPE for other types.
    [[nodiscard]] LSTATUS ReadString(const wchar_t* valueName, ZvString& text) const;

    // A value of any type read into 32 bits, as ReadAnyType gives it.
    [[nodiscard]] bool ReadDword(const wchar_t* valueName, DWORD& value) const;

    // `length` characters of `text` and a terminator, as a value of `type`.
    [[nodiscard]] LSTATUS WriteText(const wchar_t* valueName, DWORD type, const wchar_t* text,
                                    std::size_t length) const;
    [[nodiscard]] LSTATUS WriteString(const wchar_t* valueName, const ZvString& text) const;
    [[nodiscard]] LSTATUS WriteDword(const wchar_t* valueName, DWORD value) const;

    // Deletes `keyPath` below `root` with all its subkeys, depth first,
    // always the first remaining subkey. The path is extended while subkeys
    // are deleted and cut back to the key's own path (a trailing backslash is
    // lost); a subkey whose full path would not fit stays, and so does the
    // key. Returns 0 when the key is gone, otherwise the error of the last
    // deletion (ERROR_FILE_NOT_FOUND for a missing key). An empty path, the
    // hive itself, is refused with ERROR_INVALID_PARAMETER.
    static LSTATUS DeleteRegistryTree(HKEY root, wchar_t (&keyPath)[kDeleteTreePathCapacity]);

private:
    [[nodiscard]] bool ReadExpandedInto(const wchar_t* valueName, wchar_t* buffer, std::size_t capacity) const;
    [[nodiscard]] bool ReadRawInto(const wchar_t* valueName, wchar_t* buffer, std::size_t capacity) const;

    ZvUniqueKey owned_;
    HKEY lent_ = nullptr;
    HKEY hive_ = nullptr;
};

// Walks the names of a key's subkeys or values, with each value's data when
// asked, in the order the registry gives them: from index 0 up to the count
// the key had when the walk began. A step that fails leaves its status in
// Status(), and the walk may go on.
class ZvRegistryIterator {
public:
    enum class Walk { Subkeys, Values, ValuesWithData };

    // `nameCapacity` counts the characters a name may take with its
    // terminator (a longer one fails its step); 0 allows the key's longest.
    // Counting the entries is the first step.
    ZvRegistryIterator(const ZvRegistryAccess& key, Walk walk, DWORD nameCapacity = kNameCapacity);
    ZvRegistryIterator(const ZvRegistryIterator&) = delete;
    ZvRegistryIterator& operator=(const ZvRegistryIterator&) = delete;

    // True while an entry remains to be looked at; false when counting failed.
    [[nodiscard]] bool Valid() const noexcept { return counted_ && index_ < count_; }
    // The status of the counting (ERROR_OUTOFMEMORY when the buffers cannot be
    // had), then of the current step.
    [[nodiscard]] LSTATUS Status() const noexcept { return status_; }
    ZvRegistryIterator& operator++();

    const wchar_t* Name() const noexcept { return name_.get(); }
    DWORD NameLength() const noexcept { return nameLength_; }
    // For the input recorder: the current value, whose name the walker takes
    // as an entry of a list, whatever it holds.
    void RecordNameTaken() const;
    // The value's data, zero-filled behind what was read, with room for a
    // terminator behind the longest data (ValuesWithData only).
    const wchar_t* Data() const noexcept { return data_.get(); }

private:
    void ReadCurrent();

    HKEY key_;
    Walk walk_;
    bool counted_ = false;
    LSTATUS status_ = ERROR_SUCCESS;
    DWORD count_ = 0;
    DWORD index_ = 0;
    DWORD nameCapacity_ = 0;
    std::size_t dataCharacters_ = 0;
    std::unique_ptr<wchar_t[]> name_;
    std::unique_ptr<wchar_t[]> data_;
    DWORD nameLength_ = 0;
};

}  // namespace userdata
