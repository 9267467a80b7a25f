// Fitting pictures into the module's screen box, loading BMP files into the
// picture, converting them into module bitmaps, and refusing damaged or
// unsupported files without losing the picture held.
#include "import/Rgb565.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

namespace {

struct Dib : ::testing::Test {
    TempDir dir;
    LoadedPicture pic;
    std::filesystem::path staging = dir / "ttt.tmp";

    Bytes loadAndConvert(const TestBmp& bmp)
    {
        const auto r = pic.loadBmpData(bmp.bytes());
        EXPECT_TRUE(r.ok) << r.message;
        const auto c = pic.convertBitmap(staging.string());
        EXPECT_TRUE(c.ok) << c.message;
        return readBytes(staging);
    }
    // K of the file (+100 when scaled), kind, fitted width and height, size of the module data.
    std::tuple<int, int, int, int, int> figures() const { return { pic.m_nBitCount, pic.m_nFormat, pic.m_nWidth, pic.m_nHeight, pic.m_nSize }; }
};

// The column number in red (5 bits) and green (6 bits), the row in blue: what
// survives the truncation to Rgb565 names the source pixel.
std::uint32_t columnColour(int x, int y)
{
    return ((x >> 6) & 31u) << 19 | (x & 63u) << 10 | (y & 31u) << 3;
}

} // namespace

TEST_F(Dib, WorkedSizesAndReportsOfEachDepth)
{
    const struct { int bits, w, h, size; const char* report; } cases[] = {
        { 1, 100, 50, 654, "Load Bitmap 1bit color Width:100 Height:50 \r\nSize:654" },
        { 4, 33, 10, 202, "Load Bitmap 4bit color Width:33 Height:10 \r\nSize:202" },
        { 8, 10, 10, 612, "Load Bitmap 8bit color Width:10 Height:10 \r\nSize:612" },
        { 24, 320, 240, 153600, "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600" },
    };
    Bytes data;
    for (const auto& c : cases) {
        data = loadAndConvert({ .width = c.w, .height = c.h, .bitCount = c.bits, .pixel = columnColour });
        EXPECT_EQ(figures(), std::tuple(c.bits, c.bits == 24 ? 16 : c.bits, c.w, c.h, c.size));
        EXPECT_EQ(data.size(), static_cast<std::size_t>(c.size));
        EXPECT_EQ(pic.loadReportText(), c.report);
    }
    for (int y : { 0, 1, 239 }) // the true-colour picture, each pixel its truncated colour
        for (int x : { 0, 1, 200, 319 }) {
            const std::uint32_t c = columnColour(x, y);
            EXPECT_EQ(le16(data, 2 * (y * 320 + x)), toRgb565(c >> 16, (c >> 8) & 0xFF, c & 0xFF)) << x << "," << y;
        }
}

TEST_F(Dib, EightBitPaletteComesFirstThenTheIndices)
{
    TestBmp bmp { .width = 10, .height = 10, .bitCount = 8, .pixel = [](int x, int y) { return y * 10u + x; } };
    for (int i = 0; i < 256; ++i)
        bmp.palette.push_back({ static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7 });
    bmp.palette[3] = { 200, 100, 50 }; // stored in the file as B, G, R = 50, 100, 200
    const auto data = loadAndConvert(bmp);
    ASSERT_EQ(data.size(), 612u);
    EXPECT_EQ(std::tuple(le16(data, 0), le16(data, 6), le16(data, 510)), std::tuple(toRgb565(0, 255, 7), 0xCB26, toRgb565(255, 0, 7)));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(data[512 + i], i); // top row first, indices unchanged
}

TEST_F(Dib, UnscaledOneBitRowsAreCopiedWithTheFilesTrailingBits)
{
    const auto data = loadAndConvert({ .width = 10, .height = 3, .bitCount = 1, .palette = { { 0, 0, 0 }, { 255, 255, 255 } },
                                       .pixel = [](int x, int y) { return (x + y) % 2u; }, .rowPadding = 0x2D });
    // Row 0: pixels 0..7 = 01010101, pixels 8, 9 = 0, 1, then the file's six bits 0x2D & 0x3F.
    EXPECT_EQ(data, (Bytes { 0, 0, 0xFF, 0xFF, 0x55, 0x40 | 0x2D, 0xAA, 0x80 | 0x2D, 0x55, 0x40 | 0x2D }));
}

TEST_F(Dib, ScaledRowsEndWithZeroBits)
{
    // 1 bit, scale 4: output column x takes source column 4x; only columns 32 and 36 are set.
    pic.setScreenBox(10, 240);
    auto data = loadAndConvert({ .width = 40, .height = 8, .bitCount = 1, .pixel = [](int x, int) { return x == 32 || x == 36 ? 1u : 0u; }, .rowPadding = 0xFF });
    EXPECT_EQ(figures(), std::tuple(101, 1, 10, 2, 8));
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 1bit color Width:10 Height:2 \r\nSize:8");
    EXPECT_EQ(Bytes(data.begin() + 4, data.end()), (Bytes { 0x00, 0xC0, 0x00, 0xC0 })); // pixels 8 and 9, zeros below

    // 4 bits, odd width: the last low nibble stays empty.
    pic.setScreenBox(15, 240);
    data = loadAndConvert({ .width = 30, .height = 2, .bitCount = 4, .pixel = [](int x, int) { return (x / 2u) % 16; }, .rowPadding = 0xFF });
    EXPECT_EQ(figures(), std::tuple(104, 4, 15, 1, 40));
    EXPECT_EQ(Bytes(data.begin() + 32, data.end()), (Bytes { 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xE0 }));
}

TEST_F(Dib, ScaledPicturesTakeTheNearestSourceColumnsAndRows)
{
    auto data = loadAndConvert({ .width = 1000, .height = 300, .pixel = columnColour });
    EXPECT_EQ(figures(), std::tuple(124, 16, 320, 96, 320 * 96 * 2));
    EXPECT_EQ(pic.reportedDepth(), 16);
    ASSERT_EQ(data.size(), 320u * 96 * 2);
    auto sourceColumn = [&](int x) { const auto v = le16(data, 2 * x); return ((v >> 11) << 6) | ((v >> 5) & 63); };
    const int expected[] = { 0, 3, 6, 9, 13, 16, 19, 22 };
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(sourceColumn(x), expected[x]);
    EXPECT_EQ(sourceColumn(319), 997);
    EXPECT_EQ(le16(data, 2 * (4 * 320)) & 0x1F, 13); // rows: trunc(4 * 3.125 + 0.5)

    data = loadAndConvert({ .width = 640, .height = 480, .bitCount = 8, .pixel = [](int x, int y) { return (x + 3u * y) & 0xFF; } });
    EXPECT_EQ(std::tuple(pic.m_nBitCount, pic.m_fScale, pic.m_nDrawWidth), std::tuple(108, 2.0f, 320));
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 8bit color Width:320 Height:240 \r\nSize:77312");
    ASSERT_EQ(data.size(), 512u + 320 * 240);
    EXPECT_EQ(data[512 + 5 * 320 + 7], 14 + 3 * 10);
}

TEST_F(Dib, WiderScreenBoxOfAnOpenResourceFile)
{
    pic.setScreenBox(480, 272);
    ASSERT_TRUE(pic.loadBmpData(TestBmp { .width = 480, .height = 272, .bitCount = 8 }.bytes()).ok);
    EXPECT_EQ(std::tuple(pic.m_nBitCount, pic.m_nWidth, pic.m_nDrawWidth), std::tuple(8, 480, 479));
    pic.setScreenBox(320, 240); // applies from the next file read on: the held picture is not refitted
    EXPECT_EQ(pic.m_nWidth, 480);
    pic.setScreenBox(0, 0); // no area: ignored
    EXPECT_EQ(std::tuple(pic.m_nBoxWidth, pic.m_nBoxHeight), std::tuple(320, 240));
}

TEST_F(Dib, TopDownFileConvertsLikeItsBottomUpTwin)
{
    for (TestBmp bmp : { TestBmp { .width = 7, .height = 5, .bitCount = 8, .pixel = [](int x, int y) { return x * 5u + y; } },
                         TestBmp { .width = 7, .height = 5, .pixel = [](int x, int y) { return columnColour(x * 9 + 1, y); } } }) {
        const auto bottomUp = loadAndConvert(bmp);
        bmp.topDown = true;
        EXPECT_FALSE(bottomUp.empty());
        EXPECT_EQ(loadAndConvert(bmp), bottomUp) << bmp.bitCount << " bits";
        EXPECT_EQ(pic.m_nHeight, 5);
    }
}

TEST_F(Dib, SixteenAndThirtyTwoBitFilesBecomeTrueColour)
{
    const struct { int bits; std::uint32_t compression; std::array<std::uint32_t, 3> masks; std::uint32_t stored; std::uint16_t expected; } cases[] = {
        { 16, 0, {}, 0x7FFF, 0xFFFF }, // 5-5-5 white, red, green, blue
        { 16, 0, {}, 0x7C00, 0xF800 },
        { 16, 0, {}, 0x03E0, 0x07E0 },
        { 16, 0, {}, 0x001F, 0x001F },
        { 16, 3, { 0xF800, 0x07E0, 0x001F }, 0xCB26, 0xCB26 }, // 5-6-5 passes through
        { 32, 0, {}, 0x00C86432, 0xCB26 },                      // 8-8-8: (200, 100, 50)
        { 32, 3, { 0xFF000000, 0x00FF0000, 0x0000FF00 }, 0xC8643200, 0xCB26 },
    };
    for (const auto& c : cases) {
        const auto data = loadAndConvert({ .width = 3, .height = 2, .bitCount = c.bits, .compression = c.compression,
                                           .masks = c.masks, .pixel = [&](int, int) { return c.stored; } });
        EXPECT_EQ(std::tuple(pic.m_nFormat, pic.reportedDepth(), data.size()), std::tuple(16, 16, 12u));
        EXPECT_EQ(std::tuple(le16(data, 0), le16(data, 10)), std::tuple(c.expected, c.expected)) << c.bits << " bits, stored " << std::hex << c.stored;
    }
}

TEST_F(Dib, SourcePixelsForDrawingAreTopRowFirst)
{
    ASSERT_TRUE(pic.loadBmpData(TestBmp { .width = 2, .height = 2, .bitCount = 4, .palette = { { 1, 2, 3 }, { 10, 20, 30 }, { 100, 110, 120 } },
                                          .pixel = [](int x, int y) { return (y * 2u + x) % 3; } }.bytes()).ok);
    EXPECT_EQ(std::tuple(pic.sourceWidth(), pic.sourceHeight()), std::tuple(2, 2));
    EXPECT_EQ(pic.sourceRgb(), (Bytes { 1, 2, 3, 10, 20, 30, 100, 110, 120, 1, 2, 3 }));
}

TEST_F(Dib, NothingToConvertBeforeAFileIsRead)
{
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 0bit color Width:0 Height:0 \r\nSize:0");
    for (const auto& name : { dir / "missing.bmp", dir.path }) { // a missing file, a folder
        pic.m_strFileName = name.string();
        EXPECT_EQ(pic.loadBmpFile().message, "Reading File Error");
    }
    EXPECT_FALSE(pic.hasPicture());
    EXPECT_FALSE(pic.convertBitmap(staging.string()).ok);
    EXPECT_FALSE(std::filesystem::exists(staging));
}

TEST_F(Dib, StagingFileThatCannotBeCreatedSaysFalseAndBlocksInsertion)
{
    ASSERT_TRUE(pic.loadBmpData(TestBmp { .width = 10, .height = 10, .bitCount = 8 }.bytes()).ok);
    const auto r = pic.convertBitmap((dir / "no-such-folder" / "ttt.tmp").string());
    EXPECT_EQ(std::tuple(r.ok, r.message, pic.m_bLoaded), std::tuple(false, "False", 0));
    EXPECT_NE(r.detail.find("no-such-folder/ttt.tmp\": No such file or directory"), std::string::npos) << r.detail;
    EXPECT_EQ(pic.m_nSize, 100); // the rows only: the palette was never written
}

TEST_F(Dib, DamagedFilesSayReadingFileErrorAndKeepThePicture)
{
    const auto before = loadAndConvert({ .width = 4, .height = 3, .pixel = [](int x, int y) { return 0x102030u * (x + y + 1); } });
    const Bytes good = TestBmp { .width = 16, .height = 16, .bitCount = 8 }.bytes();
    auto bitfields16 = [](std::uint32_t mask) { return [mask](Bytes& v) { v[28] = 16; put32(v, 30, 3); put32(v, 54, mask); }; };
    expectEachRefused(pic, {
        { "signature BA", changed(good, [](Bytes& v) { v[1] = 0x41; }) },
        { "pixel data one byte short", changed(good, [](Bytes& v) { v.pop_back(); }) },
        { "only the file header", changed(good, [](Bytes& v) { v.resize(14); }) },
        { "cut inside the info header", changed(good, [](Bytes& v) { v.resize(30); }) },
        { "empty file", {} },
        { "zero width", changed(good, [](Bytes& v) { put32(v, 18, 0); }) },
        { "negative width", changed(good, [](Bytes& v) { put32(v, 18, static_cast<std::uint32_t>(-16)); }) },
        { "zero height", changed(good, [](Bytes& v) { put32(v, 22, 0); }) },
        { "absurd width", changed(good, [](Bytes& v) { put32(v, 18, 100000); }) },
        { "absurd height", changed(good, [](Bytes& v) { put32(v, 22, 0x7FFFFFFF); }) },
        { "most negative height", changed(good, [](Bytes& v) { put32(v, 22, 0x80000000u); }) },
        { "too many pixels", changed(good, [](Bytes& v) { put32(v, 18, 60000); put32(v, 22, 60000); }) },
        { "palette cut by a small offset", changed(good, [](Bytes& v) { put32(v, 10, 14 + 1020); }) },
        { "offset inside the file header", changed(good, [](Bytes& v) { put32(v, 10, 4); }) },
        { "offset past the end", changed(good, [](Bytes& v) { put32(v, 10, 0xFFFFFFF0u); }) },
        { "bit-field mask of zero", changed(good, bitfields16(0)) },
        { "bit-field mask with holes", changed(good, bitfields16(0x0505)) },
        { "16-bit mask beyond 16 bits", changed(good, bitfields16(0x1F0000)) },
    });
    EXPECT_EQ(readBytes(staging), before);
}

TEST_F(Dib, CompressedFilesAndOtherDepthsGetAClearMessage)
{
    ASSERT_TRUE(pic.loadBmpData(TestBmp { .width = 4, .height = 3 }.bytes()).ok);
    const std::pair<TestBmp, std::string> cases[] = {
        { { .width = 4, .height = 4, .bitCount = 8, .compression = 4 }, "compressed" }, // a JPEG inside a BMP
        { { .width = 4, .height = 3, .compression = 3, .masks = { 0xFF0000, 0xFF00, 0xFF } }, "compressed" },
        { { .width = 4, .height = 4, .bitCount = 2 }, "2 bits per pixel" },
        { { .width = 65536, .height = 1, .bitCount = 1 }, "(65536x1) would be 320x0 on the module's 320x240 screen" },
    };
    for (const auto& [bmp, text] : cases) {
        const auto r = pic.loadBmpData(bmp.bytes());
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(text), std::string::npos) << r.message;
        EXPECT_EQ(std::tuple(pic.m_bLoaded, pic.sourceWidth(), pic.sourceBitCount()), std::tuple(0, 4, 24));
    }
}

TEST_F(Dib, MissingPaddingOfTheLastRowIsNotDamage)
{
    auto bytes = TestBmp { .width = 5, .height = 2 }.bytes();
    bytes.pop_back(); // rows of 15 pixel bytes plus one byte of padding
    ASSERT_TRUE(pic.loadBmpData(bytes).ok);
    ASSERT_TRUE(pic.convertBitmap(staging.string()).ok);
    EXPECT_EQ(pic.m_nSize, 20);
}

TEST(FitToBox, WorkedExamplesOfTheScreenBox)
{
    const struct { int w, h, bw, bh; bool scaled; int ow, oh, drawW; } cases[] = {
        { 320, 240, 320, 240, false, 320, 240, 319 }, // pictures that fit draw one column less
        { 480, 272, 480, 272, false, 480, 272, 479 },
        { 1, 1, 320, 240, false, 1, 1, 0 },
        { 640, 480, 0, 0, false, 640, 480, 639 }, // a box without area does not divide by zero
        { 640, 480, 320, 240, true, 320, 240, 320 }, // scaled pictures draw at their full width
        { 1024, 768, 320, 240, true, 319, 240, 319 }, // 3.2 in single precision loses to the width
        { 1000, 300, 320, 240, true, 320, 96, 320 },
        { 100, 480, 320, 240, true, 50, 240, 50 },
        { 321, 241, 320, 240, true, 319, 240, 319 },
        { 321, 240, 320, 240, true, 320, 239, 320 },
        { 800, 480, 480, 272, true, 453, 272, 453 },
    };
    for (const auto& c : cases) {
        const zarn::BoxFit f = fitToBox(c.w, c.h, c.bw, c.bh);
        EXPECT_EQ(std::tuple(f.scaled, f.width, f.height, f.drawWidth, f.drawHeight), std::tuple(c.scaled, c.ow, c.oh, c.drawW, c.oh))
            << c.w << "x" << c.h << " in " << c.bw << "x" << c.bh;
    }
}

TEST(FitToBox, ScaleInSinglePrecisionAndSourceColumnsTieUpwards)
{
    EXPECT_EQ(fitToBox(321, 240, 320, 240).scale, static_cast<float>(321.0 / 320.0));
    EXPECT_EQ(fitToBox(1024, 768, 320, 240).scale, 3.2f);
    const float scale = fitToBox(1000, 300, 320, 240).scale;
    EXPECT_EQ(scale, 3.125f);
    const int expected[] = { 0, 3, 6, 9, 13, 16, 19, 22 };
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(zarn::scaledSourceIndex(x, scale), expected[x]) << "x " << x;
    EXPECT_EQ(zarn::scaledSourceIndex(319, scale), 997);
}
