// Loading BMP files into the picture, converting them into module bitmaps, and
// refusing damaged or unsupported files without losing the picture held.
#include "import/DibPicture.h"
#include "import/Rgb565.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

#include <filesystem>

using zarn::DibPicture;
using zarn::toRgb565;
using zarn::test::readBytes;
using zarn::test::TempDir;
using zarn::test::TestBmp;
using zarn::test::writeBytes;

namespace {

struct Fixture : ::testing::Test {
    TempDir dir;
    DibPicture pic;
    std::filesystem::path staging = dir / "ttt.tmp";

    DibPicture::Outcome load(const std::vector<std::uint8_t>& bytes, const std::string& name = "in.bmp")
    {
        writeBytes(dir / name, bytes);
        pic.m_strFileName = (dir / name).string();
        return pic.loadBmpFile();
    }
    std::vector<std::uint8_t> loadAndConvert(const TestBmp& bmp)
    {
        const auto r = load(bmp.bytes());
        EXPECT_TRUE(r.ok) << r.message;
        const auto c = pic.convertBitmap(staging.string());
        EXPECT_TRUE(c.ok) << c.message;
        return readBytes(staging);
    }
};

std::uint16_t le16(const std::vector<std::uint8_t>& d, std::size_t off)
{
    return static_cast<std::uint16_t>(d.at(off) | (d.at(off + 1) << 8));
}

// Three 8-bit channels from a column number, so that the chosen source column
// survives the truncation to Rgb565: 5 bits in red, 6 in green.
std::uint32_t columnColour(int x, int y)
{
    const std::uint32_t r = static_cast<std::uint32_t>((x >> 6) & 31) << 3;
    const std::uint32_t g = static_cast<std::uint32_t>(x & 63) << 2;
    const std::uint32_t b = static_cast<std::uint32_t>(y & 31) << 3;
    return (r << 16) | (g << 8) | b;
}

} // namespace

using DibConvert = Fixture;
using DibRefuse = Fixture;

TEST_F(DibConvert, TrueColourPictureAtScreenSize)
{
    TestBmp bmp;
    bmp.width = 320;
    bmp.height = 240;
    bmp.pixel = [](int x, int y) { return columnColour(x, y); };
    const auto data = loadAndConvert(bmp);
    EXPECT_EQ(pic.m_nBitCount, 24);
    EXPECT_EQ(pic.m_nFormat, 16);
    EXPECT_EQ(pic.m_nSize, 153600);
    ASSERT_EQ(data.size(), 153600u);
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600");
    for (int y : { 0, 1, 239 })
        for (int x : { 0, 1, 200, 319 }) {
            const std::uint32_t c = columnColour(x, y);
            EXPECT_EQ(le16(data, 2 * (y * 320 + x)), toRgb565(c >> 16, (c >> 8) & 0xFF, c & 0xFF)) << x << "," << y;
        }
}

TEST_F(DibConvert, WorkedSizesOfTheIndexedDepths)
{
    TestBmp one;
    one.width = 100;
    one.height = 50;
    one.bitCount = 1;
    loadAndConvert(one);
    EXPECT_EQ(pic.m_nSize, 654);
    EXPECT_EQ(pic.m_nFormat, 1);
    EXPECT_EQ(std::filesystem::file_size(staging), 654u);
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 1bit color Width:100 Height:50 \r\nSize:654");

    TestBmp four;
    four.width = 33;
    four.height = 10;
    four.bitCount = 4;
    loadAndConvert(four);
    EXPECT_EQ(pic.m_nSize, 202);
    EXPECT_EQ(pic.m_nFormat, 4);

    TestBmp eight;
    eight.width = 10;
    eight.height = 10;
    eight.bitCount = 8;
    loadAndConvert(eight);
    EXPECT_EQ(pic.m_nSize, 612);
    EXPECT_EQ(pic.m_nFormat, 8);
    EXPECT_EQ(pic.reportedDepth(), 8);
}

TEST_F(DibConvert, EightBitPaletteComesFirstThenTheIndices)
{
    TestBmp bmp;
    bmp.width = 10;
    bmp.height = 10;
    bmp.bitCount = 8;
    bmp.palette.resize(256);
    for (int i = 0; i < 256; ++i)
        bmp.palette[i] = { static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7 };
    bmp.palette[3] = { 200, 100, 50 }; // stored in the file as B, G, R = 50, 100, 200
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(y * 10 + x); };
    const auto data = loadAndConvert(bmp);
    ASSERT_EQ(data.size(), 612u);
    EXPECT_EQ(data[6], 0x26);
    EXPECT_EQ(data[7], 0xCB);
    EXPECT_EQ(le16(data, 0), toRgb565(0, 255, 7));
    EXPECT_EQ(le16(data, 510), toRgb565(255, 0, 7));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(data[512 + i], i); // top row first, indices unchanged
}

TEST_F(DibConvert, UnscaledOneBitRowsAreCopiedWithTheFilesTrailingBits)
{
    TestBmp bmp;
    bmp.width = 10;
    bmp.height = 3;
    bmp.bitCount = 1;
    bmp.rowPadding = 0x2D; // whatever the file holds after pixel 9
    bmp.palette = { { 0, 0, 0 }, { 255, 255, 255 } };
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x + y) % 2); };
    const auto data = loadAndConvert(bmp);
    ASSERT_EQ(data.size(), 4u + 3 * 2);
    EXPECT_EQ(le16(data, 0), 0x0000);
    EXPECT_EQ(le16(data, 2), 0xFFFF);
    // Row 0: pixels 0..7 = 01010101, pixels 8, 9 = 0, 1 then the file's six bits 0x2D & 0x3F.
    EXPECT_EQ(data[4], 0x55);
    EXPECT_EQ(data[5], 0x40 | (0x2D & 0x3F));
    EXPECT_EQ(data[6], 0xAA); // row 1 starts with pixel value 1
    EXPECT_EQ(data[7], 0x80 | (0x2D & 0x3F));
}

TEST_F(DibConvert, ScaledOneBitRowEndsWithZeroBits)
{
    pic.setScreenBox(10, 240);
    TestBmp bmp;
    bmp.width = 40;
    bmp.height = 8;
    bmp.bitCount = 1;
    bmp.rowPadding = 0xFF;
    // Scale 4: output column x takes source column 4x; only columns 32 and 36 are set.
    bmp.pixel = [](int x, int) { return x == 32 || x == 36 ? 1u : 0u; };
    const auto data = loadAndConvert(bmp);
    EXPECT_EQ(pic.m_nBitCount, 101);
    EXPECT_EQ(pic.m_nWidth, 10);
    EXPECT_EQ(pic.m_nHeight, 2);
    ASSERT_EQ(data.size(), 4u + 2 * 2);
    EXPECT_EQ(data[4], 0x00);
    EXPECT_EQ(data[5], 0xC0); // pixels 8 and 9 in the two top bits, zeros below
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 1bit color Width:10 Height:2 \r\nSize:8");
}

TEST_F(DibConvert, ScaledFourBitOddWidthEndsWithAnEmptyLowNibble)
{
    pic.setScreenBox(15, 240);
    TestBmp bmp;
    bmp.width = 30;
    bmp.height = 2;
    bmp.bitCount = 4;
    bmp.rowPadding = 0xFF;
    bmp.pixel = [](int x, int) { return static_cast<std::uint32_t>((x / 2) % 16); };
    const auto data = loadAndConvert(bmp);
    EXPECT_EQ(pic.m_nWidth, 15);
    EXPECT_EQ(pic.m_nHeight, 1);
    ASSERT_EQ(data.size(), 32u + 8);
    for (int x = 0; x < 14; x += 2)
        EXPECT_EQ(data[32 + x / 2], ((x % 16) << 4) | ((x + 1) % 16)) << x;
    EXPECT_EQ(data[32 + 7], 14 << 4);
}

TEST_F(DibConvert, ScaledTrueColourTakesTheNearestSourceColumnsAndRows)
{
    TestBmp bmp;
    bmp.width = 1000;
    bmp.height = 300;
    bmp.pixel = [](int x, int y) { return columnColour(x, y); };
    const auto data = loadAndConvert(bmp);
    EXPECT_EQ(pic.m_nBitCount, 124);
    EXPECT_EQ(pic.m_nWidth, 320);
    EXPECT_EQ(pic.m_nHeight, 96);
    EXPECT_EQ(pic.reportedDepth(), 16);
    ASSERT_EQ(data.size(), 320u * 96 * 2);
    auto sourceColumn = [&](int x, int y) {
        const std::uint16_t v = le16(data, 2 * (y * 320 + x));
        return ((v >> 11) << 6) | ((v >> 5) & 63);
    };
    const int expected[] = { 0, 3, 6, 9, 13, 16, 19, 22 };
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(sourceColumn(x, 0), expected[x]);
    EXPECT_EQ(sourceColumn(319, 0), 997);
    // Rows: trunc(y * 3.125 + 0.5) = 0, 3, 6, 9, 13 ..., the row number in blue.
    EXPECT_EQ(le16(data, 2 * (4 * 320)) & 0x1F, 13);
}

TEST_F(DibConvert, ScaledEightBitPictureWith640x480)
{
    TestBmp bmp;
    bmp.width = 640;
    bmp.height = 480;
    bmp.bitCount = 8;
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x + 3 * y) & 0xFF); };
    const auto data = loadAndConvert(bmp);
    EXPECT_EQ(pic.m_nBitCount, 108);
    EXPECT_EQ(pic.m_fScale, 2.0f);
    EXPECT_EQ(pic.m_nDrawWidth, 320);
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 8bit color Width:320 Height:240 \r\nSize:77312");
    ASSERT_EQ(data.size(), 512u + 320 * 240);
    EXPECT_EQ(data[512 + 5 * 320 + 7], (14 + 3 * 10) & 0xFF);
}

TEST_F(DibConvert, WiderScreenBoxOfAnOpenResourceFile)
{
    pic.setScreenBox(480, 272);
    TestBmp bmp;
    bmp.width = 480;
    bmp.height = 272;
    bmp.bitCount = 8;
    ASSERT_TRUE(load(bmp.bytes()).ok);
    EXPECT_EQ(pic.m_nBitCount, 8);
    EXPECT_EQ(pic.m_nWidth, 480);
    EXPECT_EQ(pic.m_nDrawWidth, 479);
    // The box applies from the next file read on; the held picture is not refitted.
    pic.setScreenBox(320, 240);
    EXPECT_EQ(pic.m_nWidth, 480);
    pic.setScreenBox(0, 0); // no area: ignored
    EXPECT_EQ(pic.m_nBoxWidth, 320);
    EXPECT_EQ(pic.m_nBoxHeight, 240);
}

TEST_F(DibConvert, TopDownFileConvertsLikeItsBottomUpTwin)
{
    for (int k : { 8, 24 }) {
        TestBmp bmp;
        bmp.width = 7;
        bmp.height = 5;
        bmp.bitCount = k;
        bmp.pixel = [](int x, int y) { return columnColour(x * 9 + 1, y) & (0xFFFFFFu); };
        if (k == 8)
            bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(x * 5 + y); };
        const auto bottomUp = loadAndConvert(bmp);
        bmp.topDown = true;
        const auto topDown = loadAndConvert(bmp);
        EXPECT_FALSE(topDown.empty());
        EXPECT_EQ(bottomUp, topDown) << k << " bits";
        EXPECT_EQ(pic.m_nHeight, 5);
    }
}

TEST_F(DibConvert, SixteenAndThirtyTwoBitFilesBecomeTrueColour)
{
    struct Case {
        int bits;
        std::uint32_t compression;
        std::array<std::uint32_t, 3> masks;
        std::uint32_t stored;
        std::uint16_t expected;
    };
    const Case cases[] = {
        { 16, 0, {}, 0x7FFF, 0xFFFF },            // 5-5-5 white
        { 16, 0, {}, 0x7C00, 0xF800 },            // 5-5-5 red
        { 16, 0, {}, 0x03E0, 0x07E0 },            // 5-5-5 green
        { 16, 0, {}, 0x001F, 0x001F },            // 5-5-5 blue
        { 16, 3, { 0xF800, 0x07E0, 0x001F }, 0xCB26, 0xCB26 }, // 5-6-5 passes through
        { 32, 0, {}, 0x00C86432, 0xCB26 },        // 8-8-8: (200, 100, 50)
        { 32, 3, { 0xFF000000, 0x00FF0000, 0x0000FF00 }, 0xC8643200, 0xCB26 },
    };
    for (const auto& c : cases) {
        TestBmp bmp;
        bmp.width = 3;
        bmp.height = 2;
        bmp.bitCount = c.bits;
        bmp.compression = c.compression;
        bmp.masks = c.masks;
        bmp.pixel = [&](int, int) { return c.stored; };
        const auto data = loadAndConvert(bmp);
        EXPECT_EQ(pic.m_nFormat, 16);
        EXPECT_EQ(pic.reportedDepth(), 16);
        ASSERT_EQ(data.size(), 12u);
        EXPECT_EQ(le16(data, 0), c.expected) << c.bits << " bits, stored " << std::hex << c.stored;
        EXPECT_EQ(le16(data, 10), c.expected);
    }
}

TEST_F(DibConvert, SourcePixelsForDrawingAreTopRowFirst)
{
    TestBmp bmp;
    bmp.width = 2;
    bmp.height = 2;
    bmp.bitCount = 4;
    bmp.palette = { { 1, 2, 3 }, { 10, 20, 30 }, { 100, 110, 120 } };
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(y * 2 + x) % 3; };
    ASSERT_TRUE(load(bmp.bytes()).ok);
    EXPECT_EQ(pic.sourceWidth(), 2);
    EXPECT_EQ(pic.sourceHeight(), 2);
    const std::vector<std::uint8_t> expected { 1, 2, 3, 10, 20, 30, 100, 110, 120, 1, 2, 3 };
    EXPECT_EQ(pic.sourceRgb(), expected);
}

TEST_F(DibConvert, NothingToConvertBeforeAFileIsRead)
{
    EXPECT_FALSE(pic.hasPicture());
    EXPECT_FALSE(pic.convertBitmap(staging.string()).ok);
    EXPECT_FALSE(std::filesystem::exists(staging));
    EXPECT_EQ(pic.loadReportText(), "Load Bitmap 0bit color Width:0 Height:0 \r\nSize:0");
}

TEST_F(DibConvert, StagingFileThatCannotBeCreatedSaysFalseAndBlocksInsertion)
{
    TestBmp bmp;
    bmp.width = 10;
    bmp.height = 10;
    bmp.bitCount = 8;
    ASSERT_TRUE(load(bmp.bytes()).ok);
    const auto r = pic.convertBitmap((dir / "no-such-folder" / "ttt.tmp").string());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "False");
    EXPECT_EQ(pic.m_nSize, 100); // the rows only: the palette was never written
    EXPECT_EQ(pic.m_bLoaded, 0);
}

// ---- refusals: the picture held before stays, m_bLoaded drops

namespace {
TestBmp heldPicture()
{
    TestBmp bmp;
    bmp.width = 4;
    bmp.height = 3;
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(0x102030 * (x + y + 1)); };
    return bmp;
}
} // namespace

TEST_F(DibRefuse, DamagedFilesSayReadingFileErrorAndKeepThePicture)
{
    const auto good = heldPicture();
    const auto before = loadAndConvert(good);
    const auto rgbBefore = pic.sourceRgb();
    const std::string reportBefore = pic.loadReportText();

    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad;
    auto damaged = [&](const std::string& what, auto change) {
        TestBmp b;
        b.width = 16;
        b.height = 16;
        b.bitCount = 8;
        auto bytes = b.bytes();
        change(bytes);
        bad.emplace_back(what, bytes);
    };
    auto set32 = [](std::vector<std::uint8_t>& v, std::size_t o, std::uint32_t x) {
        for (int i = 0; i < 4; ++i) v[o + i] = (x >> (8 * i)) & 0xFF;
    };
    damaged("signature BA", [](auto& v) { v[1] = 0x41; });
    damaged("pixel data one byte short", [](auto& v) { v.pop_back(); });
    damaged("only the file header", [](auto& v) { v.resize(14); });
    damaged("cut inside the info header", [](auto& v) { v.resize(30); });
    damaged("empty file", [](auto& v) { v.clear(); });
    damaged("zero width", [&](auto& v) { set32(v, 18, 0); });
    damaged("negative width", [&](auto& v) { set32(v, 18, static_cast<std::uint32_t>(-16)); });
    damaged("zero height", [&](auto& v) { set32(v, 22, 0); });
    damaged("absurd width", [&](auto& v) { set32(v, 18, 100000); });
    damaged("absurd height", [&](auto& v) { set32(v, 22, 0x7FFFFFFF); });
    damaged("most negative height", [&](auto& v) { set32(v, 22, 0x80000000u); });
    damaged("too many pixels", [&](auto& v) { set32(v, 18, 60000); set32(v, 22, 60000); });
    damaged("palette cut by a small offset", [&](auto& v) { set32(v, 10, 14 + 1020); });
    damaged("offset inside the file header", [&](auto& v) { set32(v, 10, 4); });
    damaged("offset past the end", [&](auto& v) { set32(v, 10, 0xFFFFFFF0u); });
    damaged("bit-field mask of zero", [&](auto& v) { v[28] = 16; set32(v, 30, 3); set32(v, 54, 0); });
    damaged("bit-field mask with holes", [&](auto& v) { v[28] = 16; set32(v, 30, 3); set32(v, 54, 0x0505); });
    damaged("16-bit mask beyond 16 bits", [&](auto& v) { v[28] = 16; set32(v, 30, 3); set32(v, 54, 0x1F0000); });

    for (const auto& [what, bytes] : bad) {
        const auto r = load(bytes, "bad.bmp");
        EXPECT_FALSE(r.ok) << what;
        EXPECT_EQ(r.message, "Reading File Error") << what;
        EXPECT_EQ(pic.m_bLoaded, 0) << what;
        EXPECT_TRUE(pic.hasPicture()) << what;
        EXPECT_EQ(pic.sourceRgb(), rgbBefore) << what;
        EXPECT_EQ(pic.loadReportText(), reportBefore) << what;
        EXPECT_EQ(readBytes(staging), before) << what;
        pic.m_strFileName.clear();
    }
}

TEST_F(DibRefuse, FilesThatCannotBeReadAtAll)
{
    pic.m_strFileName = (dir / "missing.bmp").string();
    EXPECT_EQ(pic.loadBmpFile().message, "Reading File Error");
    pic.m_strFileName = dir.path.string(); // a folder
    EXPECT_EQ(pic.loadBmpFile().message, "Reading File Error");
    EXPECT_FALSE(pic.hasPicture());
    EXPECT_FALSE(pic.convertBitmap(staging.string()).ok);
}

TEST_F(DibRefuse, CompressedFilesAndOtherDepthsGetAClearMessage)
{
    ASSERT_TRUE(load(heldPicture().bytes()).ok);
    TestBmp jpeg; // a JPEG inside a BMP: compression method 4
    jpeg.width = 4;
    jpeg.height = 4;
    jpeg.bitCount = 8;
    jpeg.compression = 4;
    auto r = load(jpeg.bytes(), "jpeg.bmp");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("compressed"), std::string::npos) << r.message;
    EXPECT_NE(r.message, "Reading File Error");

    TestBmp bitfields24 = heldPicture();
    bitfields24.compression = 3;
    bitfields24.masks = { 0xFF0000, 0xFF00, 0xFF };
    r = load(bitfields24.bytes(), "bf.bmp");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("compressed"), std::string::npos) << r.message;

    TestBmp two;
    two.width = 4;
    two.height = 4;
    two.bitCount = 2;
    r = load(two.bytes(), "two.bmp");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("2 bits per pixel"), std::string::npos) << r.message;
    EXPECT_EQ(pic.m_bLoaded, 0);
    EXPECT_EQ(pic.sourceWidth(), 4);
    EXPECT_EQ(pic.sourceBitCount(), 24);
}

TEST_F(DibRefuse, MissingPaddingOfTheLastRowIsNotDamage)
{
    TestBmp bmp;
    bmp.width = 5;
    bmp.height = 2;
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(0x010101 * (x + 10 * y)); };
    auto bytes = bmp.bytes();
    bytes.resize(bytes.size() - 1); // rows of 15 pixel bytes plus one byte of padding
    ASSERT_TRUE(load(bytes).ok);
    ASSERT_TRUE(pic.convertBitmap(staging.string()).ok);
    EXPECT_EQ(pic.m_nSize, 20);
}
