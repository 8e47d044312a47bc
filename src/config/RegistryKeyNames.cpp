#include "config/RegistryKeyNames.h"

namespace userdata {
namespace {

constexpr std::size_t kNone = std::wstring_view::npos;

// Where the last '\' before position `end` of `key` stands, or kNone.
std::size_t LastBackslashBefore(std::wstring_view key, std::size_t end) noexcept
{
    return end == 0 || end == kNone ? kNone : key.rfind(L'\\', end - 1);
}

}  // namespace

std::optional<std::wstring_view> ProgramNameIn(std::wstring_view key) noexcept
{
    const std::size_t dash = key.rfind(L'-');
    const std::size_t separator = LastBackslashBefore(key, dash);
    if (separator == kNone) {
        return std::nullopt;
    }
    return key.substr(separator + 1, dash - separator - 1);
}

std::optional<std::wstring_view> ProductNameIn(std::wstring_view key) noexcept
{
    const std::size_t secondLast = LastBackslashBefore(key, LastBackslashBefore(key, key.length()));
    const std::size_t thirdLast = LastBackslashBefore(key, secondLast);
    if (thirdLast == kNone) {
        return std::nullopt;
    }
    return key.substr(thirdLast + 1, secondLast - thirdLast - 1);
}

}  // namespace userdata
