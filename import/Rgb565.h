#pragma once
// The module's 16-bit colour: red in the top 5 bits, green in the middle 6,
// blue in the low 5; stored low byte first wherever it is written.

#include <cstdint>

namespace zarn {

// Truncating conversion: the low bits of each channel are dropped, never rounded.
constexpr std::uint16_t toRgb565(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Expansion for display: the free low bits of each channel are filled with copies
// of its top bit, so toRgb565(fromRgb565(v)) == v for every v.
constexpr Rgb fromRgb565(std::uint16_t value)
{
    const unsigned r5 = (value >> 11) & 0x1F, g6 = (value >> 5) & 0x3F, b5 = value & 0x1F;
    return Rgb { static_cast<std::uint8_t>((r5 << 3) + (r5 >= 16 ? 7 : 0)),
        static_cast<std::uint8_t>((g6 << 2) + (g6 >= 32 ? 3 : 0)),
        static_cast<std::uint8_t>((b5 << 3) + (b5 >= 16 ? 7 : 0)) };
}

} // namespace zarn
