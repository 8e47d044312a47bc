// What every part of the test bench uses: owners that are not copied, and
// text for failure messages.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace userdata::testing {

// The owners below hold one thing each, and are neither copied nor moved.
struct NoCopy {
    NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;
};

// UTF-8, for failure messages.
inline std::string Narrow(const std::wstring& text)
{
    const std::u8string utf8 = std::filesystem::path(text).u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace userdata::testing
