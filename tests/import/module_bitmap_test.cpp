// Decoding stored bitmap items for display, never past the data held.
#include "import/DibPicture.h"
#include "import/ModuleBitmap.h"
#include "import/Rgb565.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

using zarn::decodeModuleBitmap;
using zarn::fromRgb565;
using zarn::moduleBitmapLength;

namespace {
std::vector<std::uint8_t> palette(std::initializer_list<std::uint16_t> values, std::size_t entries)
{
    std::vector<std::uint8_t> out(2 * entries, 0);
    std::size_t i = 0;
    for (auto v : values) {
        out[2 * i] = v & 0xFF;
        out[2 * i + 1] = v >> 8;
        ++i;
    }
    return out;
}
std::array<std::uint8_t, 3> rgbOf(std::uint16_t v)
{
    const auto c = fromRgb565(v);
    return { c.r, c.g, c.b };
}
std::array<std::uint8_t, 3> pixelAt(const std::vector<std::uint8_t>& rgb, int width, int x, int y)
{
    const std::size_t o = 3 * (static_cast<std::size_t>(y) * width + x);
    return { rgb.at(o), rgb.at(o + 1), rgb.at(o + 2) };
}
} // namespace

TEST(ModuleBitmap, LengthsOfTheFourKinds)
{
    EXPECT_EQ(moduleBitmapLength(1, 100, 50), 654u);
    EXPECT_EQ(moduleBitmapLength(4, 33, 10), 202u);
    EXPECT_EQ(moduleBitmapLength(8, 10, 10), 612u);
    EXPECT_EQ(moduleBitmapLength(16, 320, 240), 153600u);
    EXPECT_EQ(moduleBitmapLength(1, 0, 0), 4u);
    EXPECT_FALSE(moduleBitmapLength(240, 16, 16));
    EXPECT_FALSE(moduleBitmapLength(245, 0, 0));
    EXPECT_FALSE(moduleBitmapLength(2, 10, 10));
    EXPECT_FALSE(moduleBitmapLength(16, -1, 10));
    EXPECT_FALSE(moduleBitmapLength(16, 65535, 65535)); // beyond 32 bits
}

TEST(ModuleBitmap, OneBitRowsStartOnAFreshByte)
{
    auto data = palette({ 0x0000, 0xF800 }, 2);
    // Width 10, two rows of 2 bytes: pixels 8 and 9 are bits 7 and 6 of the second byte.
    data.insert(data.end(), { 0x80, 0x40, 0x00, 0xBF });
    const auto rgb = decodeModuleBitmap(1, 10, 2, data);
    ASSERT_TRUE(rgb);
    ASSERT_EQ(rgb->size(), 10u * 2 * 3);
    EXPECT_EQ(pixelAt(*rgb, 10, 0, 0), rgbOf(0xF800));
    EXPECT_EQ(pixelAt(*rgb, 10, 1, 0), rgbOf(0x0000));
    EXPECT_EQ(pixelAt(*rgb, 10, 8, 0), rgbOf(0x0000));
    EXPECT_EQ(pixelAt(*rgb, 10, 9, 0), rgbOf(0xF800));
    EXPECT_EQ(pixelAt(*rgb, 10, 8, 1), rgbOf(0xF800));
    EXPECT_EQ(pixelAt(*rgb, 10, 9, 1), rgbOf(0x0000)); // bits below 6 are never read
}

TEST(ModuleBitmap, FourBitOddWidthLeavesTheLastLowNibbleUnread)
{
    auto data = palette({ 0x0000, 0x001F, 0x07E0, 0xFFFF }, 16);
    data.insert(data.end(), { 0x12, 0x3F, 0x21, 0x0F });
    const auto rgb = decodeModuleBitmap(4, 3, 2, data);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(pixelAt(*rgb, 3, 0, 0), rgbOf(0x001F));
    EXPECT_EQ(pixelAt(*rgb, 3, 1, 0), rgbOf(0x07E0));
    EXPECT_EQ(pixelAt(*rgb, 3, 2, 0), rgbOf(0xFFFF));
    EXPECT_EQ(pixelAt(*rgb, 3, 0, 1), rgbOf(0x07E0));
    EXPECT_EQ(pixelAt(*rgb, 3, 2, 1), rgbOf(0x0000));
}

TEST(ModuleBitmap, EightAndSixteenBitPixels)
{
    auto data = palette({ 0x1234, 0x8410 }, 256);
    data.insert(data.end(), { 1, 0, 0, 1 });
    auto rgb = decodeModuleBitmap(8, 2, 2, data);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(pixelAt(*rgb, 2, 0, 0), (std::array<std::uint8_t, 3> { 135, 131, 135 }));
    EXPECT_EQ(pixelAt(*rgb, 2, 1, 0), rgbOf(0x1234));

    const std::vector<std::uint8_t> tc { 0x00, 0xF8, 0x1F, 0x00, 0xE0, 0x07 };
    rgb = decodeModuleBitmap(16, 3, 1, tc);
    ASSERT_TRUE(rgb);
    EXPECT_EQ(*rgb, (std::vector<std::uint8_t> { 255, 0, 0, 0, 0, 255, 0, 255, 0 }));
}

TEST(ModuleBitmap, DataShorterThanItsSizesIsRefused)
{
    for (std::uint8_t kind : { 1, 4, 8, 16 }) {
        const std::uint32_t len = *moduleBitmapLength(kind, 13, 7);
        const std::vector<std::uint8_t> full(len, 0x5A);
        EXPECT_TRUE(decodeModuleBitmap(kind, 13, 7, full)) << int(kind);
        const std::vector<std::uint8_t> shortData(len - 1, 0x5A);
        EXPECT_FALSE(decodeModuleBitmap(kind, 13, 7, shortData)) << int(kind);
        EXPECT_FALSE(decodeModuleBitmap(kind, 13, 7, {})) << int(kind);
    }
    const std::vector<std::uint8_t> wave(1000, 0);
    EXPECT_FALSE(decodeModuleBitmap(245, 10, 10, wave));
    EXPECT_FALSE(decodeModuleBitmap(241, 8, 16, wave));
    EXPECT_FALSE(decodeModuleBitmap(16, 65535, 65535, wave));
}

TEST(ModuleBitmap, ConvertedPictureDecodesToItsTruncatedColours)
{
    zarn::test::TempDir dir;
    zarn::test::TestBmp bmp;
    bmp.width = 9;
    bmp.height = 4;
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(0x3A7F11 * (x + 1) + 0x050905 * y) & 0xFFFFFF; };
    zarn::test::writeBytes(dir / "p.bmp", bmp.bytes());
    zarn::DibPicture pic;
    pic.m_strFileName = (dir / "p.bmp").string();
    ASSERT_TRUE(pic.loadBmpFile().ok);
    ASSERT_TRUE(pic.convertBitmap((dir / "ttt.tmp").string()).ok);
    const auto data = zarn::test::readBytes(dir / "ttt.tmp");
    const auto rgb = decodeModuleBitmap(static_cast<std::uint8_t>(pic.m_nFormat), pic.m_nWidth, pic.m_nHeight, data);
    ASSERT_TRUE(rgb);
    const auto source = pic.sourceRgb();
    ASSERT_EQ(rgb->size(), source.size());
    for (std::size_t i = 0; i < source.size(); i += 3) {
        const auto expected = fromRgb565(zarn::toRgb565(source[i], source[i + 1], source[i + 2]));
        EXPECT_EQ((*rgb)[i], expected.r);
        EXPECT_EQ((*rgb)[i + 1], expected.g);
        EXPECT_EQ((*rgb)[i + 2], expected.b);
    }
}
