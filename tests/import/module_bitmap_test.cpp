// The module's 16-bit colour both ways, and decoding stored bitmap items for
// display, never past the data held.
#include "import/ModuleBitmap.h"
#include "import/Rgb565.h"

#include <gtest/gtest.h>

#include <vector>

using zarn::decodeModuleBitmap;
using zarn::fromRgb565;
using zarn::Rgb;
using zarn::toRgb565;
using zarn::moduleBitmapLength;
using Bytes = std::vector<std::uint8_t>;

namespace {
// A module palette of `entries` little-endian values, then the rows.
Bytes item(std::initializer_list<std::uint16_t> colours, std::size_t entries, std::initializer_list<std::uint8_t> rows)
{
    Bytes out;
    for (auto v : colours)
        out.insert(out.end(), { static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8) });
    out.resize(2 * entries);
    out.insert(out.end(), rows);
    return out;
}
Bytes rgbOf(std::initializer_list<std::uint16_t> values)
{
    Bytes out;
    for (auto v : values)
        out.insert(out.end(), { fromRgb565(v).r, fromRgb565(v).g, fromRgb565(v).b });
    return out;
}
} // namespace

TEST(ModuleBitmap, LengthsOfTheFourKindsAndNoOthers)
{
    EXPECT_EQ(moduleBitmapLength(1, 100, 50), 654u);
    EXPECT_EQ(moduleBitmapLength(4, 33, 10), 202u);
    EXPECT_EQ(moduleBitmapLength(8, 10, 10), 612u);
    EXPECT_EQ(moduleBitmapLength(16, 320, 240), 153600u);
    EXPECT_EQ(moduleBitmapLength(1, 0, 0), 4u);
    EXPECT_FALSE(moduleBitmapLength(240, 16, 16));
    EXPECT_FALSE(moduleBitmapLength(2, 10, 10));
    EXPECT_FALSE(moduleBitmapLength(16, -1, 10));
    EXPECT_FALSE(moduleBitmapLength(16, 65535, 65535)); // beyond 32 bits
}

TEST(ModuleBitmap, EachKindDecodesItsRows)
{
    // 1 bit, width 10: each row starts on a fresh byte, pixels 8 and 9 are bits 7 and 6
    // of the second byte, the bits below are never read.
    EXPECT_EQ(decodeModuleBitmap(1, 10, 2, item({ 0x0000, 0xF800 }, 2, { 0x80, 0x40, 0x00, 0xBF })),
              rgbOf({ 0xF800, 0, 0, 0, 0, 0, 0, 0, 0, 0xF800, 0, 0, 0, 0, 0, 0, 0, 0, 0xF800, 0 }));
    // 4 bits, odd width: the last low nibble of each row stays unread.
    EXPECT_EQ(decodeModuleBitmap(4, 3, 2, item({ 0x0000, 0x001F, 0x07E0, 0xFFFF }, 16, { 0x12, 0x3F, 0x21, 0x0F })),
              rgbOf({ 0x001F, 0x07E0, 0xFFFF, 0x07E0, 0x001F, 0x0000 }));
    EXPECT_EQ(decodeModuleBitmap(8, 2, 2, item({ 0x1234, 0x8410 }, 256, { 1, 0, 0, 1 })),
              rgbOf({ 0x8410, 0x1234, 0x1234, 0x8410 }));
    EXPECT_EQ(decodeModuleBitmap(16, 3, 1, Bytes { 0x00, 0xF8, 0x1F, 0x00, 0xE0, 0x07 }),
              (Bytes { 255, 0, 0, 0, 0, 255, 0, 255, 0 }));
}

TEST(ModuleBitmap, DataShorterThanItsSizesIsRefused)
{
    for (std::uint8_t kind : { 1, 4, 8, 16 }) {
        const std::uint32_t len = *moduleBitmapLength(kind, 13, 7);
        EXPECT_TRUE(decodeModuleBitmap(kind, 13, 7, Bytes(len, 0x5A))) << int(kind);
        EXPECT_FALSE(decodeModuleBitmap(kind, 13, 7, Bytes(len - 1, 0x5A))) << int(kind);
        EXPECT_FALSE(decodeModuleBitmap(kind, 13, 7, {})) << int(kind);
    }
    const Bytes wave(1000, 0);
    EXPECT_FALSE(decodeModuleBitmap(245, 10, 10, wave));
    EXPECT_FALSE(decodeModuleBitmap(241, 8, 16, wave));
    EXPECT_FALSE(decodeModuleBitmap(16, 65535, 65535, wave));
}

TEST(Rgb565, TruncatesAndExpandsWithTheTopBitRepeated)
{
    EXPECT_EQ(toRgb565(255, 255, 255), 0xFFFF);
    EXPECT_EQ(toRgb565(200, 100, 50), 0xCB26);
    EXPECT_EQ(toRgb565(7, 3, 7), 0x0000); // below the first step: dropped, not rounded
    EXPECT_EQ(toRgb565(8, 4, 8), 0x0821);
    EXPECT_EQ(fromRgb565(0x8410), (Rgb { 135, 131, 135 }));
    EXPECT_EQ(fromRgb565(0x7BEF), (Rgb { 120, 124, 120 }));
    EXPECT_EQ(fromRgb565(0x001F), (Rgb { 0, 0, 255 }));
    for (unsigned v = 0; v <= 0xFFFF; ++v) { // every value comes back
        const Rgb c = fromRgb565(static_cast<std::uint16_t>(v));
        ASSERT_EQ(toRgb565(c.r, c.g, c.b), v) << "value " << v;
    }
}
