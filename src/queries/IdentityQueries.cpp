// The identity query exports: the current product identity, the names cut
// from the product registry root key, and the user root key override.
#include "UserData.h"
#include "base/BoundedText.h"
#include "base/Capacities.h"
#include "base/RegistryAccess.h"
#include "config/ProductConfigInit.h"
#include "config/UserProductRegistryRootKey.h"
#include "queries/IdentityQueries.h"
#include "queries/RegistryKeyNames.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace userdata {
namespace {

constexpr DWORD kProductNameBytes = 4096;

unsigned DeliverField(ZvString ProductParamsRecord::*field, wchar_t* buffer, std::size_t capacity)
{
    const ZvString& value = GetProductConfig().EnsureProductParams().*field;
    return DeliverLengthResult(value.c_str(), value.length(), buffer, capacity);
}

using NameFinder = std::optional<std::wstring_view> (*)(std::wstring_view) noexcept;

// Where a name lies in the product registry root key: its offset times
// kPlaceScale plus its length, or kNoName. The key never changes once start-up
// has run, so each name is looked for on its first call only.
constexpr std::uint32_t kPlaceScale = 1U << 16;
constexpr std::uint32_t kNotLookedFor = 0xFFFFFFFF;
constexpr std::uint32_t kNoName = 0xFFFFFFFE;
template <NameFinder NameIn>
std::atomic<std::uint32_t> namePlace{kNotLookedFor};

template <NameFinder NameIn>
std::uint32_t PlaceOfName(const ZvString& key) noexcept
{
    std::uint32_t place = namePlace<NameIn>.load(std::memory_order_relaxed);
    if (place == kNotLookedFor) {
        // Keys of kLongTextCapacity characters or more give no name.
        const std::optional<std::wstring_view> name =
            key.length() < kLongTextCapacity ? NameIn({key.c_str(), key.length()}) : std::nullopt;
        place = name ? static_cast<std::uint32_t>(name->data() - key.c_str()) * kPlaceScale +
                           static_cast<std::uint32_t>(name->length())
                     : kNoName;
        namePlace<NameIn>.store(place, std::memory_order_relaxed);
    }
    return place;
}

template <NameFinder NameIn>
unsigned DeliverName(wchar_t* buffer, std::size_t capacity)
{
    const ZvString& key = GetProductConfig().EnsureProductParams().ProductRegistryRootKey;
    const std::uint32_t place = PlaceOfName<NameIn>(key);
    if (place == kNoName) {
        return 0;
    }
    return DeliverLengthResult(key.c_str() + place / kPlaceScale, place % kPlaceScale, buffer, capacity);
}

}  // namespace

unsigned DeliverProgramName(wchar_t* buffer, std::size_t capacity)
{
    return DeliverName<&ProgramNameIn>(buffer, capacity);
}

const wchar_t* ProductUILanguage()
{
    const ZvString& language = GetProductConfig().EnsureProductParams().Language;
    if (language.empty()) {
        RaiseException(static_cast<DWORD>(STATUS_INVALID_HANDLE), 0, 0, nullptr);
    }
    return language.c_str();
}

}  // namespace userdata

using namespace userdata;

unsigned int zvudGetCurrentProduct(wchar_t* buffer, unsigned long capacity)
{
    return DeliverField(&ProductParamsRecord::Product, buffer, capacity);
}

unsigned int zvudGetCurrentLanguage(wchar_t* buffer, unsigned long capacity)
{
    return DeliverField(&ProductParamsRecord::Language, buffer, capacity);
}

extern "C" unsigned int zvudGetMachineProductRegistryRootKey(wchar_t* buffer, unsigned int capacity)
{
    return DeliverField(&ProductParamsRecord::ProductRegistryRootKey, buffer, capacity);
}

extern "C" unsigned int zvudGetGlobalRegistryRootKey(wchar_t* buffer, unsigned int capacity)
{
    return DeliverField(&ProductParamsRecord::GlobalRegistryRootKey, buffer, capacity);
}

extern "C" unsigned int GetCurrentProductIdentityIniPath(wchar_t* buffer, unsigned int capacity)
{
    return DeliverField(&ProductParamsRecord::IdentityIniPath, buffer, capacity);
}

extern "C" unsigned int zvudGetVerticalEnvPath(wchar_t* buffer, unsigned int capacity)
{
    return DeliverField(&ProductParamsRecord::VerticalEnvPath, buffer, capacity);
}

extern "C" unsigned int zvudGetUserProductRegistryRootKey(wchar_t* buffer, unsigned int capacity)
{
    wchar_t userOverride[kKeyPathCapacity] = {};
    CopyUserProductRegistryRootKeyOverride(userOverride);
    if (userOverride[0] != L'\0') {
        return DeliverLengthResult(userOverride, BoundedLength(userOverride), buffer, capacity);
    }
    return DeliverField(&ProductParamsRecord::ProductRegistryRootKey, buffer, capacity);
}

extern "C" int zvudSetUserProductRegistryRootKey(const wchar_t* key)
{
    SetUserProductRegistryRootKeyOverride(key);
    return 0;
}

unsigned int GetProgramName(wchar_t* buffer, unsigned long capacity)
{
    return DeliverProgramName(buffer, capacity);
}

unsigned int GetProductName(wchar_t* buffer, unsigned long capacity)
{
    return DeliverName<&ProductNameIn>(buffer, capacity);
}

unsigned int GetVerticalProductName(wchar_t* buffer, unsigned long capacity)
{
    const ZvString& key = GetProductConfig().EnsureProductParams().ProductRegistryRootKey;
    if (key.empty() || key.length() >= kPathCapacity) {
        return 0;
    }
    ZvRegistryAccess productKey;
    if (productKey.Open(HKEY_LOCAL_MACHINE, key.c_str()) != ERROR_SUCCESS) {
        return 0;
    }
    wchar_t name[kProductNameBytes / sizeof(wchar_t)];
    DWORD bytes = kProductNameBytes;
    const LSTATUS status = GetValueAnyType(productKey.Key(), L"ProductName", nullptr, name, &bytes);
    productKey.Close();
    // The capacity is compared with the byte count, as hosts have always used it.
    if (status != ERROR_SUCCESS || bytes == 0 || bytes > capacity || bytes >= kProductNameBytes) {
        return 0;
    }
    name[bytes / sizeof(wchar_t)] = L'\0';
    // The buffer holds `capacity` bytes: an odd byte at its end takes no character.
    return CopyText(buffer, capacity / sizeof(wchar_t), name) ? bytes : 0;
}

extern "C" const wchar_t* zvudGetProductUILanguage(void)
{
    return ProductUILanguage();
}

int IsUnicodeBuild(void)
{
    return 1;
}
