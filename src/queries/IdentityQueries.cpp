#include "queries/IdentityQueries.h"

#include "base/Capacities.h"
#include "queries/RegistryKeyNames.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace userdata {
namespace {

using NameFinder = std::optional<std::wstring_view> (*)(std::wstring_view) noexcept;

// Where a name lies in the product registry root key: its offset times
// kPlaceScale plus its length, or kNoName.
constexpr std::uint32_t kPlaceScale = 1U << 16;
constexpr std::uint32_t kNotLookedFor = 0xFFFFFFFF;
constexpr std::uint32_t kNoName = 0xFFFFFFFE;
template <NameFinder NameIn>
std::atomic<std::uint32_t> namePlace{kNotLookedFor};

template <NameFinder NameIn>
std::optional<std::wstring_view> CachedNameOf(const ZvString& key) noexcept
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
    if (place == kNoName) {
        return std::nullopt;
    }
    return std::wstring_view(key.c_str() + place / kPlaceScale, place % kPlaceScale);
}

}  // namespace

std::optional<std::wstring_view> ProgramNameOf(const ZvString& productRootKey) noexcept
{
    return CachedNameOf<&ProgramNameIn>(productRootKey);
}

std::optional<std::wstring_view> ProductNameOf(const ZvString& productRootKey) noexcept
{
    return CachedNameOf<&ProductNameIn>(productRootKey);
}

const wchar_t* LanguageOrRaise(const ZvString& language)
{
    if (language.empty()) {
        RaiseException(static_cast<DWORD>(STATUS_INVALID_HANDLE), 0, 0, nullptr);
    }
    return language.c_str();
}

}  // namespace userdata
