#include "base/RegistryAccess.h"

#include "base/BoundedText.h"
#include "base/InputRecorder.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <vector>

namespace userdata {
namespace {

// The most characters one read states to the registry, whose sizes are 32-bit
// byte counts: a larger capacity is taken as this many, never wrapped. No
// value comes near it, and it stays below the sizes Wine refuses (within a
// value header's size of 2^32 bytes, ERROR_INSUFFICIENT_BUFFER).
constexpr std::size_t kLargestReadCharacters = 0x3FFFFFFF;

DWORD ReadSizeOf(std::size_t capacity) noexcept
{
    return static_cast<DWORD>(std::min(capacity, kLargestReadCharacters) * sizeof(wchar_t));
}

LSTATUS OpenInto(HKEY root, const wchar_t* subkey, REGSAM access, ZvUniqueKey& key)
{
    const LSTATUS status = RegOpenKeyExW(root, subkey, 0, access, key.Receive());
    if (status != ERROR_SUCCESS) {
        key.Release();  // nothing was opened, whatever the handle holds
    }
    return status;
}

// See ZvRegistryAccess::ReadAnyType.
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

// See ZvRegistryAccess::ReadRawString.
bool ReadRawText(HKEY key, const wchar_t* valueName, wchar_t* buffer, std::size_t capacity)
{
    DWORD type = REG_NONE;
    DWORD size = ReadSizeOf(capacity);
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return false;
    }
    if (type == REG_EXPAND_SZ) {
        // Unchecked, but a reader must find the end of the text inside the buffer.
        const DWORD characters = static_cast<DWORD>(size / sizeof(wchar_t));
        if (characters < capacity && (characters == 0 || buffer[characters - 1] != L'\0')) {
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

// Deletes the first remaining subkey of `key`, whose path `keyPath` holds up
// to `childStart`, with its tree: deleting one renumbers the rest. False when
// none is left, or it stays.
bool DeleteFirstSubkey(HKEY key, HKEY root, wchar_t (&keyPath)[kDeleteTreePathCapacity], std::size_t childStart)
{
    wchar_t child[kNameCapacity];
    DWORD length = kNameCapacity;
    keyPath[childStart] = L'\0';
    return RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           AppendText(keyPath, child) && ZvRegistryAccess::DeleteRegistryTree(root, keyPath) == ERROR_SUCCESS;
}

// What `valueName` of `key` stores, as text: strings up to their first NUL,
// a number in decimal, other data by its size.
void ReadStoredValue(HKEY key, const wchar_t* valueName, RecordedInput& input)
{
    DWORD bytes = 0;
    input.status = RegQueryValueExW(key, valueName, nullptr, &input.type, nullptr, &bytes);
    std::vector<BYTE> data(bytes + 2 * sizeof(wchar_t), 0);  // room for a terminator the data lacks
    if (input.status != ERROR_SUCCESS ||
        RegQueryValueExW(key, valueName, nullptr, &input.type, data.data(), &bytes) != ERROR_SUCCESS) {
        return;
    }
    if (input.type == REG_DWORD && bytes == sizeof(DWORD)) {
        input.stored.AppendDecimal(*reinterpret_cast<const DWORD*>(data.data()));
    } else if (input.type == REG_SZ || input.type == REG_EXPAND_SZ || input.type == REG_MULTI_SZ) {
        input.stored = ZvString(reinterpret_cast<const wchar_t*>(data.data()));
    } else {
        input.stored.AppendDecimal(bytes).Append(L" bytes");
    }
}

// One read of a value for the input recorder: what is stored, and the
// `length` characters the reader took (nothing when `usable` is false). Only
// a pointer is passed in, so that the library, which never records, copies
// nothing: the folder exports read without the heap.
void RecordValueRead(HKEY key, const wchar_t* valueName, bool usable, const wchar_t* taken, std::size_t length)
{
    if (!RecordingInputs()) {
        return;
    }
    RecordedInput input;
    input.where = RecordedKeyName(key);
    input.item = ZvString(valueName);
    input.usable = usable;
    input.taken = usable && taken != nullptr ? ZvString(taken, length) : ZvString();
    ReadStoredValue(key, valueName, input);
    RecordInput(std::move(input));
}

// One key opened (or not) for the input recorder; an opened one is named for
// the values read through it.
void RecordKeyOpened(HKEY root, const wchar_t* subkey, HKEY opened, LSTATUS status)
{
    if (!RecordingInputs()) {
        return;
    }
    RecordedInput input;
    input.place = RecordedInput::Place::Key;
    input.where = RecordedKeyName(root).Append(L'\\').Append(subkey);
    input.status = status;
    if (status == ERROR_SUCCESS) {
        NameRecordedKey(opened, input.where);
    }
    RecordInput(std::move(input));
}

}  // namespace

ZvString RegistryKeyName(HKEY hive, const ZvString& path)
{
    ZvString name(hive == HKEY_LOCAL_MACHINE  ? L"HKLM"
                  : hive == HKEY_CURRENT_USER ? L"HKCU"
                  : hive == HKEY_CLASSES_ROOT ? L"HKCR"
                                              : L"HKU");
    return name.Append(L'\\').Append(path);
}

ZvString RegistryTypeName(DWORD type)
{
    constexpr const wchar_t* kNames[] = {L"REG_NONE",
                                         L"REG_SZ",
                                         L"REG_EXPAND_SZ",
                                         L"REG_BINARY",
                                         L"REG_DWORD",
                                         L"REG_DWORD_BIG_ENDIAN",
                                         L"REG_LINK",
                                         L"REG_MULTI_SZ",
                                         L"REG_RESOURCE_LIST",
                                         L"REG_FULL_RESOURCE_DESCRIPTOR",
                                         L"REG_RESOURCE_REQUIREMENTS_LIST",
                                         L"REG_QWORD"};
    if (type < std::size(kNames)) {
        return ZvString(kNames[type]);
    }
    ZvString name(L"type ");
    return name.AppendDecimal(type);
}

ZvRegistryAccess ZvRegistryAccess::Borrow(HKEY key) noexcept
{
    ZvRegistryAccess borrowed;
    borrowed.lent_ = key;
    return borrowed;
}

LSTATUS ZvRegistryAccess::Open(HKEY root, const wchar_t* subkey, REGSAM access)
{
    LSTATUS status = OpenExact(root, subkey, access);
    if (IsNotFound(status) && root == HKEY_LOCAL_MACHINE) {
        status = OpenExact(HKEY_CURRENT_USER, subkey, access);
    }
    return status;
}

LSTATUS ZvRegistryAccess::OpenBelow(HKEY root, const ZvString& productRoot, const wchar_t* subkey)
{
    ZvString path = productRoot;
    path.Append(L'\\').Append(subkey);
    return Open(root, path.c_str());
}

LSTATUS ZvRegistryAccess::OpenExact(HKEY root, const wchar_t* subkey, REGSAM access)
{
    lent_ = nullptr;
    const LSTATUS status = OpenInto(root, subkey, access, owned_);
    hive_ = status == ERROR_SUCCESS ? root : nullptr;
    RecordKeyOpened(root, subkey, owned_.Get(), status);
    return status;
}

void ZvRegistryAccess::Close() noexcept
{
    owned_.Reset();
    lent_ = nullptr;
    hive_ = nullptr;
}

LSTATUS ZvRegistryAccess::QueryType(const wchar_t* valueName, DWORD& type, DWORD* bytes) const
{
    return RegQueryValueExW(Key(), valueName, nullptr, &type, nullptr, bytes);
}

LSTATUS ZvRegistryAccess::ReadAnyType(const wchar_t* valueName, DWORD* type, void* data, DWORD* bytes) const
{
    DWORD readType = REG_NONE;
    const LSTATUS status = GetValueAnyType(Key(), valueName, &readType, data, bytes);
    if (type != nullptr) {
        *type = readType;
    }
    const auto* text = readType == REG_SZ || readType == REG_EXPAND_SZ ? static_cast<const wchar_t*>(data) : nullptr;
    RecordValueRead(Key(), valueName, status == ERROR_SUCCESS, text,
                    text != nullptr ? BoundedLength(text, *bytes / sizeof(wchar_t)) : 0);
    return status;
}

bool ZvRegistryAccess::HoldsString(const wchar_t* valueName) const
{
    DWORD type = REG_NONE;
    return QueryType(valueName, type) == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
}

bool ZvRegistryAccess::ReadExpandedInto(const wchar_t* valueName, wchar_t* buffer, std::size_t capacity) const
{
    DWORD size = ReadSizeOf(capacity);
    const bool read = GetValueAnyType(Key(), valueName, nullptr, buffer, &size) == ERROR_SUCCESS &&
                      BoundedLength(buffer, capacity) < capacity;
    RecordValueRead(Key(), valueName, read, buffer, read ? BoundedLength(buffer, capacity) : 0);
    return read;
}

bool ZvRegistryAccess::ReadRawInto(const wchar_t* valueName, wchar_t* buffer, std::size_t capacity) const
{
    const bool read = ReadRawText(Key(), valueName, buffer, capacity);
    RecordValueRead(Key(), valueName, read, buffer, read ? BoundedLength(buffer, capacity) : 0);
    return read;
}

bool ZvRegistryAccess::DeliverRawString(const wchar_t* valueName, wchar_t* buffer, std::size_t capacity) const
{
    if (capacity == 0 || !ReadRawInto(valueName, buffer, capacity)) {
        return false;
    }
    return BoundedLength(buffer, capacity) < capacity;
}

LSTATUS ZvRegistryAccess::ReadString(const wchar_t* valueName, ZvString& text) const
{
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    LSTATUS status = QueryType(valueName, type, &bytes);
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
        status = ERROR_UNSUPPORTED_TYPE;
    }
    if (status != ERROR_SUCCESS) {
        RecordValueRead(Key(), valueName, false, nullptr, 0);
        return status;
    }
    ZvString read;
    wchar_t* const characters = read.GetBufferSetLength(bytes / sizeof(wchar_t));
    // A value that changed since its size was asked fails the read.
    status = RegQueryValueExW(Key(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(characters), &bytes);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    read.ReleaseBuffer();
    RecordValueRead(Key(), valueName, true, read.c_str(), read.length());
    text = std::move(read);
    return ERROR_SUCCESS;
}

bool ZvRegistryAccess::ReadDword(const wchar_t* valueName, DWORD& value) const
{
    DWORD read = 0;
    DWORD bytes = sizeof(read);
    const bool taken = GetValueAnyType(Key(), valueName, nullptr, &read, &bytes) == ERROR_SUCCESS;
    if (RecordingInputs()) {
        ZvString number;
        number.AppendDecimal(read);
        RecordValueRead(Key(), valueName, taken, number.c_str(), number.length());
    }
    if (taken) {
        value = read;
    }
    return taken;
}

LSTATUS ZvRegistryAccess::WriteText(const wchar_t* valueName, DWORD type, const wchar_t* text, std::size_t length) const
{
    const DWORD bytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    return RegSetValueExW(Key(), valueName, 0, type, reinterpret_cast<const BYTE*>(text), bytes);
}

LSTATUS ZvRegistryAccess::WriteString(const wchar_t* valueName, const ZvString& text) const
{
    return WriteText(valueName, REG_SZ, text.c_str(), text.length());
}

LSTATUS ZvRegistryAccess::WriteDword(const wchar_t* valueName, DWORD value) const
{
    return RegSetValueExW(Key(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LSTATUS ZvRegistryAccess::DeleteRegistryTree(HKEY root, wchar_t (&keyPath)[kDeleteTreePathCapacity])
{
    if (keyPath[0] == L'\0') {
        return ERROR_INVALID_PARAMETER;  // the root of a hive is never deleted
    }
    if (RegDeleteKeyW(root, keyPath) == ERROR_SUCCESS) {
        return ERROR_SUCCESS;
    }
    ZvRegistryAccess key;
    const LSTATUS opened = key.OpenExact(root, keyPath, KEY_READ);
    if (opened != ERROR_SUCCESS) {
        return opened;
    }
    std::size_t ownLength = BoundedLength(keyPath);
    if (keyPath[ownLength - 1] == L'\\') {
        --ownLength;
    } else if (!AppendText(keyPath, L"\\")) {
        key.Close();
        return RegDeleteKeyW(root, keyPath);  // no room for a subkey's name: this fails and says why
    }
    // A subkey that stays makes deleting this key below fail, which says why.
    const std::size_t childStart = BoundedLength(keyPath);
    while (DeleteFirstSubkey(key.Key(), root, keyPath, childStart)) {
    }
    keyPath[ownLength] = L'\0';
    key.Close();
    return RegDeleteKeyW(root, keyPath);
}

ZvRegistryIterator::ZvRegistryIterator(const ZvRegistryAccess& key, Walk walk, DWORD nameCapacity)
    : key_(key.Key()), walk_(walk)
{
    DWORD longestName = 0;
    DWORD longestData = 0;
    const bool subkeys = walk == Walk::Subkeys;
    status_ = RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, subkeys ? &count_ : nullptr,
                               subkeys ? &longestName : nullptr, nullptr, subkeys ? nullptr : &count_,
                               subkeys ? nullptr : &longestName, subkeys ? nullptr : &longestData, nullptr, nullptr);
    if (status_ != ERROR_SUCCESS) {
        return;
    }
    nameCapacity_ = nameCapacity != 0 ? nameCapacity : longestName + 1;
    name_.reset(new (std::nothrow) wchar_t[nameCapacity_]());
    if (walk == Walk::ValuesWithData) {
        // Room for a terminator behind the longest data, stored with one or not.
        dataCharacters_ = longestData / sizeof(wchar_t) + 2;
        data_.reset(new (std::nothrow) wchar_t[dataCharacters_]);
    }
    if (!name_ || (walk == Walk::ValuesWithData && !data_)) {
        status_ = ERROR_OUTOFMEMORY;
        return;
    }
    counted_ = true;
    ReadCurrent();
}

ZvRegistryIterator& ZvRegistryIterator::operator++()
{
    ++index_;
    ReadCurrent();
    return *this;
}

void ZvRegistryIterator::RecordNameTaken() const
{
    RecordValueRead(key_, name_.get(), true, name_.get(), nameLength_);
}

void ZvRegistryIterator::ReadCurrent()
{
    if (!Valid()) {
        return;
    }
    nameLength_ = nameCapacity_;
    if (walk_ == Walk::Subkeys) {
        status_ = RegEnumKeyExW(key_, index_, name_.get(), &nameLength_, nullptr, nullptr, nullptr, nullptr);
        return;
    }
    if (walk_ == Walk::Values) {
        status_ = RegEnumValueW(key_, index_, name_.get(), &nameLength_, nullptr, nullptr, nullptr, nullptr);
        return;
    }
    DWORD dataBytes = static_cast<DWORD>(dataCharacters_ * sizeof(wchar_t));
    std::fill_n(data_.get(), dataCharacters_, L'\0');
    status_ = RegEnumValueW(key_, index_, name_.get(), &nameLength_, nullptr, nullptr,
                            reinterpret_cast<BYTE*>(data_.get()), &dataBytes);
}

}  // namespace userdata
