// Reads typed values from a fuzzer's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// A property every input must keep; the fuzzer reports the abort.
inline void Check(bool property)
{
    if (!property) {
        std::abort();
    }
}

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return position_ >= size_; }

    std::uint8_t Byte() { return Empty() ? 0 : data_[position_++]; }

    // A number below `limit` (limit > 0).
    std::size_t Below(std::size_t limit) { return (static_cast<std::size_t>(Byte()) << 8 | Byte()) % limit; }

    // Text of up to `maxLength` characters, drawn mostly from `alphabet` so
    // that separators and markers come up often; a zero byte ends it.
    std::wstring Text(std::size_t maxLength, const wchar_t* alphabet)
    {
        std::wstring text;
        const std::wstring letters = alphabet;
        while (text.size() < maxLength && !Empty()) {
            const std::uint8_t pick = Byte();
            if (pick == 0) {
                break;
            }
            text.push_back(pick < 0xF0 ? letters[pick % letters.size()] : static_cast<wchar_t>(0x80 + pick));
        }
        return text;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};
