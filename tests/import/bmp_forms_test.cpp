// BMP files as other programs write them (run-length encoded, short palettes,
// longer info headers, bit-field masks) convert exactly as the same picture
// written as a standard file.
#include "FormsHelper.h"
#include "import/BmpReader.h"
#include "import/BmpWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace zarn;
using namespace zarn::test;

const std::pair<int, int> kBoxes[] = { { 320, 240 }, { 20, 15 }, { 30, 31 } };

void expectSameOutput(const std::string& form, const std::string& standard, bool sameDepth = true)
{
    for (const auto& [bw, bh] : kBoxes) {
        const Converted a = convertBmp(form, bw, bh), b = convertBmp(standard, bw, bh);
        ASSERT_TRUE(b.ok) << standard << ": " << b.message;
        ASSERT_TRUE(a.ok) << form << ": " << a.message;
        if (sameDepth) {
            EXPECT_EQ(a.bitCount, b.bitCount) << form;
        }
        EXPECT_EQ(a.kind, b.kind) << form;
        EXPECT_EQ(a.width, b.width) << form;
        EXPECT_EQ(a.height, b.height) << form;
        EXPECT_EQ(a.report, b.report) << form;
        EXPECT_TRUE(a.data == b.data) << form << " differs from " << standard << " in box " << bw << "x" << bh;
    }
}

TEST(BmpForms, RunLengthEncodedFilesGiveTheStandardFilesBytes)
{
    expectSameOutput("rle8.bmp", "std8.bmp");
    expectSameOutput("rle4.bmp", "std4.bmp");
}

TEST(BmpForms, ShortPalettesAreFoundAfterTheHeaderAndFilledWithBlack)
{
    expectSameOutput("short8.bmp", "std8.bmp");
    expectSameOutput("short4.bmp", "std4.bmp");
}

TEST(BmpForms, LongerInfoHeaders)
{
    expectSameOutput("v4_8.bmp", "std8.bmp");
    expectSameOutput("v5_8.bmp", "std8.bmp");
    expectSameOutput("v5_24.bmp", "std24.bmp");
}

TEST(BmpForms, ThirtyTwoBitsWithAlphaKeepTheColours)
{
    expectSameOutput("bf32.bmp", "std24.bmp", false);
}

TEST(BmpForms, SixteenBitMasksAreHonoured)
{
    // The writer rounded to 5-6-5 where the conversion truncates: same size and
    // kind, every channel within one step of the standard file's.
    const Converted a = convertBmp("bf16.bmp"), b = convertBmp("std24.bmp");
    ASSERT_TRUE(a.ok && b.ok) << a.message;
    EXPECT_EQ(a.kind, 16);
    EXPECT_EQ(a.size, b.size);
    ASSERT_EQ(a.data.size(), b.data.size());
    for (std::size_t i = 0; i < a.data.size(); i += 2) {
        const int va = a.data[i] | (a.data[i + 1] << 8), vb = b.data[i] | (b.data[i + 1] << 8);
        EXPECT_LE(std::abs((va >> 11) - (vb >> 11)), 1);
        EXPECT_LE(std::abs(((va >> 5) & 63) - ((vb >> 5) & 63)), 1);
        EXPECT_LE(std::abs((va & 31) - (vb & 31)), 1);
    }
}

// A picture stored with unusual masks: 4-4-4 in the low 12 bits of 16, and
// blue-green-red swapped in 32 bits; each pixel must come out as its colour.
TEST(BmpForms, UnusualMasksAreReadNotAssumed)
{
    TestBmp b16;
    b16.width = 3;
    b16.height = 1;
    b16.bitCount = 16;
    b16.compression = 3;
    b16.masks = { 0x0F00, 0x00F0, 0x000F };
    b16.pixel = [](int x, int) { return x == 0 ? 0x0F00u : x == 1 ? 0x00F0u : 0x0FFFu; };
    TestBmp b32 = b16;
    b32.bitCount = 32;
    b32.masks = { 0x000000FF, 0x0000FF00, 0x00FF0000 }; // red in the low byte
    b32.pixel = [](int x, int) { return x == 0 ? 0xFFu : x == 1 ? 0xFF00u : 0xC86432u; };
    TempDir dir;
    writeBytes(dir / "a.bmp", b16.bytes());
    writeBytes(dir / "b.bmp", b32.bytes());
    auto load = [](DibPicture& p) { return p.loadBmpFile(); };
    const Converted a = convertWith(load, (dir / "a.bmp").string());
    const Converted b = convertWith(load, (dir / "b.bmp").string());
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.data, (std::vector<std::uint8_t> { 0x00, 0xF8, 0xE0, 0x07, 0xFF, 0xFF }));
    // (r, g, b) = (0x32, 0x64, 0xC8) for the third pixel
    const std::uint16_t third = toRgb565(0x32, 0x64, 0xC8);
    EXPECT_EQ(b.data, (std::vector<std::uint8_t> { 0x00, 0xF8, 0xE0, 0x07, static_cast<std::uint8_t>(third & 0xFF),
                                                   static_cast<std::uint8_t>(third >> 8) }));
}

// Hand-written RLE streams: a 6 x 3 8-bit picture whose palette index is its own position.
std::vector<std::uint8_t> rleFile(int bitCount, int width, int height, const std::vector<std::uint8_t>& stream)
{
    TestBmp b;
    b.width = width;
    b.height = height;
    b.bitCount = bitCount;
    b.palette.resize(1u << bitCount);
    for (std::size_t i = 0; i < b.palette.size(); ++i)
        b.palette[i] = { static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(i), 0x80 };
    auto bytes = b.bytes();
    bytes.resize(b.offBits());
    bytes[30] = bitCount == 8 ? 1 : 2;
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

std::vector<std::uint8_t> rowsOf(const std::vector<std::uint8_t>& file)
{
    const auto parsed = parseBmpLayout(file);
    std::vector<std::uint8_t> rows;
    if (!parsed.ok || !decodeBmpRle(parsed.layout, file, rows))
        return {};
    return rows;
}

TEST(BmpRle, RunsAbsoluteRunsDeltasAndLineEnds)
{
    // Bottom row: run of 2 x 7, absolute 1 2 3 (padded), a run of 1 x 9; line end;
    // a delta of (2, 1) skips the middle row's rest; top row from column 2: 4 x 5.
    const auto file = rleFile(8, 6, 3, { 2, 7, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 2, 2, 1, 4, 5, 0, 1 });
    const auto rows = rowsOf(file);
    ASSERT_EQ(rows.size(), 3u * 8);
    EXPECT_EQ(std::vector<std::uint8_t>(rows.begin(), rows.begin() + 6), (std::vector<std::uint8_t> { 7, 7, 1, 2, 3, 9 }));
    EXPECT_EQ(std::vector<std::uint8_t>(rows.begin() + 8, rows.begin() + 14), (std::vector<std::uint8_t>(6, 0)));
    EXPECT_EQ(std::vector<std::uint8_t>(rows.begin() + 16, rows.begin() + 22), (std::vector<std::uint8_t> { 0, 0, 5, 5, 5, 5 }));

    // RLE4: a run alternates the two nibbles; an absolute run of 3 takes 2 bytes + padding.
    const auto four = rleFile(4, 5, 1, { 5, 0x12, 0, 1 });
    EXPECT_EQ(rowsOf(four), (std::vector<std::uint8_t> { 0x12, 0x12, 0x10, 0 }));
    const auto fourAbs = rleFile(4, 5, 1, { 0, 3, 0xAB, 0xC0, 2, 0xDD, 0, 1 });
    EXPECT_EQ(rowsOf(fourAbs), (std::vector<std::uint8_t> { 0xAB, 0xCD, 0xD0, 0 }));

    // And through the whole load: the top row comes first.
    TempDir dir;
    writeBytes(dir / "r.bmp", file);
    const Converted c = convertWith([](DibPicture& p) { return p.loadBmpFile(); }, (dir / "r.bmp").string());
    ASSERT_TRUE(c.ok) << c.message;
    EXPECT_EQ(c.kind, 8);
    EXPECT_EQ(c.size, 512 + 18);
    EXPECT_EQ(std::vector<std::uint8_t>(c.data.begin() + 512, c.data.end()),
              (std::vector<std::uint8_t> { 0, 0, 5, 5, 5, 5, 0, 0, 0, 0, 0, 0, 7, 7, 1, 2, 3, 9 }));
}

TEST(BmpRle, DamagedStreamsAreRefusedAndTheHeldPictureKept)
{
    TempDir dir;
    DibPicture pic;
    pic.m_strFileName = (kFormsDir / "std8.bmp").string();
    ASSERT_TRUE(pic.loadBmpFile().ok);
    const auto rgbBefore = pic.sourceRgb();
    const std::string reportBefore = pic.loadReportText();

    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad = {
        { "run past the row end", rleFile(8, 6, 3, { 9, 1, 0, 1 }) },
        { "absolute run past the row end", rleFile(8, 6, 3, { 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1 }) },
        { "absolute run past the file end", rleFile(8, 6, 3, { 0, 6, 1, 2, 3 }) },
        { "delta past the right edge", rleFile(8, 6, 3, { 0, 2, 9, 0, 0, 1 }) },
        { "delta past the top", rleFile(8, 6, 3, { 0, 2, 0, 4, 0, 1 }) },
        { "delta cut by the file end", rleFile(8, 6, 3, { 0, 2, 1 }) },
        { "rows past the top", rleFile(8, 6, 3, { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1 }) },
        { "stream ends before the picture", rleFile(8, 6, 3, { 6, 1, 0, 0 }) },
        { "empty stream", rleFile(8, 6, 3, {}) },
        { "RLE4 run past the row end", rleFile(4, 5, 1, { 9, 0x12, 0, 1 }) },
        { "RLE4 absolute past the file end", rleFile(4, 5, 1, { 0, 5, 0x12 }) },
    };
    for (const auto& [what, bytes] : bad) {
        writeBytes(dir / "bad.bmp", bytes);
        pic.m_strFileName = (dir / "bad.bmp").string();
        const auto r = pic.loadBmpFile();
        EXPECT_FALSE(r.ok) << what;
        EXPECT_EQ(r.message, "Reading File Error") << what;
        EXPECT_EQ(pic.m_bLoaded, 0) << what;
        EXPECT_EQ(pic.sourceRgb(), rgbBefore) << what;
        EXPECT_EQ(pic.loadReportText(), reportBefore) << what;
    }

    // Runs into the padding of a row (up to its last 32-bit word) are taken and dropped.
    writeBytes(dir / "pad.bmp", rleFile(8, 6, 1, { 8, 3, 0, 1 }));
    pic.m_strFileName = (dir / "pad.bmp").string();
    EXPECT_TRUE(pic.loadBmpFile().ok);
    EXPECT_EQ(rowsOf(rleFile(8, 6, 1, { 8, 3, 0, 1 })), (std::vector<std::uint8_t> { 3, 3, 3, 3, 3, 3, 0, 0 }));
    writeBytes(dir / "pad.bmp", rleFile(8, 6, 1, { 9, 3, 0, 1 }));
    EXPECT_FALSE(pic.loadBmpFile().ok);

    // A stream that fills every row may end without its end mark.
    writeBytes(dir / "noend.bmp", rleFile(8, 2, 2, { 2, 1, 0, 0, 2, 3 }));
    pic.m_strFileName = (dir / "noend.bmp").string();
    EXPECT_FALSE(pic.loadBmpFile().ok); // the top row is written but y never passes it
    writeBytes(dir / "noend.bmp", rleFile(8, 2, 2, { 2, 1, 0, 0, 2, 3, 0, 0 }));
    EXPECT_TRUE(pic.loadBmpFile().ok);
}

TEST(BmpRle, OnlyTheirOwnDepthsAndBottomUpAndShortPalettesToo)
{
    TempDir dir;
    DibPicture pic;
    auto load = [&](std::vector<std::uint8_t> bytes) {
        writeBytes(dir / "x.bmp", bytes);
        pic.m_strFileName = (dir / "x.bmp").string();
        return pic.loadBmpFile();
    };
    auto rle4as8 = rleFile(8, 6, 1, { 6, 1, 0, 1 });
    rle4as8[30] = 2; // RLE4 method on an 8-bit picture
    auto r = load(rle4as8);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("compressed (method 2)"), std::string::npos) << r.message;

    auto topDown = rleFile(8, 6, 1, { 6, 1, 0, 1 });
    for (int i = 0; i < 4; ++i)
        topDown[22 + i] = 0xFF; // height -1
    EXPECT_EQ(load(topDown).message, "Reading File Error");

    // Run-length rows behind a palette of two entries (colours used = 2).
    auto shortRle = rleFile(8, 3, 1, { 2, 1, 1, 0, 0, 1 });
    std::vector<std::uint8_t> bytes(shortRle.begin(), shortRle.begin() + 54 + 8);
    bytes.insert(bytes.end(), shortRle.end() - 6, shortRle.end());
    bytes[46] = 2;
    bytes[10] = 54 + 8;
    bytes[11] = 0;
    r = load(bytes);
    ASSERT_TRUE(r.ok) << r.message;
    std::vector<std::uint8_t> converted = pic.convertedData();
    ASSERT_EQ(converted.size(), 512u + 3);
    EXPECT_EQ(converted[2] | (converted[3] << 8), toRgb565(16, 1, 0x80)); // entry 1 from the file
    EXPECT_EQ(converted[4] | (converted[5] << 8), 0);                   // entry 2 black
    EXPECT_EQ(std::vector<std::uint8_t>(converted.end() - 3, converted.end()), (std::vector<std::uint8_t> { 1, 1, 0 }));
}

TEST(BmpPalette, ClaimsBeyondTheFileAreRefused)
{
    TempDir dir;
    const auto std8 = readBytes(kFormsDir / "std8.bmp");
    auto set32 = [](std::vector<std::uint8_t>& v, std::size_t o, std::uint32_t x) {
        for (int i = 0; i < 4; ++i) v[o + i] = (x >> (8 * i)) & 0xFF;
    };
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad;
    auto add = [&](const std::string& what, auto change) {
        auto b = std8;
        change(b);
        bad.emplace_back(what, b);
    };
    // 20 entries claimed, but the pixel data begins after 10.
    add("colours used beyond the pixel offset", [&](auto& v) { set32(v, 46, 20); set32(v, 10, 54 + 40); });
    add("info header past the end", [&](auto& v) { set32(v, 14, 0x7FFFFFF0); });
    add("info header over the pixel data", [&](auto& v) { set32(v, 14, 2000); });
    add("short palette, no pixel data", [&](auto& v) { set32(v, 46, 10); set32(v, 10, 54 + 40); v.resize(54 + 40); });
    add("short palette, header cut", [&](auto& v) { set32(v, 46, 10); v.resize(50); });
    for (const auto& [what, bytes] : bad) {
        writeBytes(dir / "p.bmp", bytes);
        DibPicture pic;
        pic.m_strFileName = (dir / "p.bmp").string();
        const auto r = pic.loadBmpFile();
        EXPECT_FALSE(r.ok) << what;
        EXPECT_EQ(r.message, "Reading File Error") << what;
    }

    // An OS/2 header of 12 bytes is named, not misread.
    auto os2 = std8;
    set32(os2, 14, 12);
    writeBytes(dir / "os2.bmp", os2);
    DibPicture pic;
    pic.m_strFileName = (dir / "os2.bmp").string();
    const auto r = pic.loadBmpFile();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("12-byte info header"), std::string::npos) << r.message;
}

TEST(BmpPalette, EntriesTheFileLacksAreBlackAndIndicesKept)
{
    TestBmp b;
    b.width = 4;
    b.height = 1;
    b.bitCount = 8;
    b.palette = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
    b.pixel = [](int x, int) { return static_cast<std::uint32_t>(x == 3 ? 200 : x); }; // 200: not in the file
    auto full = b.bytes();
    // Keep three entries: the file as a painting program writes it.
    std::vector<std::uint8_t> shortFile(full.begin(), full.begin() + 54 + 12);
    shortFile.insert(shortFile.end(), full.begin() + b.offBits(), full.end());
    shortFile[46] = 3;
    shortFile[10] = 54 + 12;
    shortFile[11] = 0;
    TempDir dir;
    writeBytes(dir / "s.bmp", shortFile);
    const Converted c = convertWith([](DibPicture& p) { return p.loadBmpFile(); }, (dir / "s.bmp").string());
    ASSERT_TRUE(c.ok) << c.message;
    ASSERT_EQ(c.data.size(), 512u + 4);
    EXPECT_EQ(c.data[0] | (c.data[1] << 8), 0xF800);
    EXPECT_EQ(c.data[2] | (c.data[3] << 8), 0x07E0);
    EXPECT_EQ(c.data[4] | (c.data[5] << 8), 0x001F);
    for (std::size_t i = 6; i < 512; ++i)
        ASSERT_EQ(c.data[i], 0) << "palette byte " << i;
    EXPECT_EQ(std::vector<std::uint8_t>(c.data.begin() + 512, c.data.end()), (std::vector<std::uint8_t> { 0, 1, 2, 200 }));
}

TEST(Dither, RemovesBandingWithTheSameFitAndSize)
{
    // A slow grey ramp: truncation turns it into wide bands of 8 values.
    TestBmp ramp;
    ramp.width = 256;
    ramp.height = 16;
    ramp.pixel = [](int x, int) { return static_cast<std::uint32_t>(0x010101 * (x / 4 + 10)); };
    TempDir dir;
    writeBytes(dir / "ramp.bmp", ramp.bytes());
    auto load = [](DibPicture& p) { return p.loadBmpFile(); };
    for (const auto& [bw, bh] : kBoxes) {
        const Converted plain = convertWith(load, (dir / "ramp.bmp").string(), bw, bh, false);
        const Converted dith = convertWith(load, (dir / "ramp.bmp").string(), bw, bh, true);
        ASSERT_TRUE(plain.ok && dith.ok);
        EXPECT_EQ(dith.kind, 16);
        EXPECT_EQ(dith.width, plain.width);
        EXPECT_EQ(dith.height, plain.height);
        EXPECT_EQ(dith.size, plain.size);
        EXPECT_EQ(dith.report, plain.report);
        EXPECT_NE(dith.data, plain.data);
    }
    // Unscaled: each column's average red level follows the ramp far better than truncation.
    const Converted plain = convertWith(load, (dir / "ramp.bmp").string(), 320, 240, false);
    const Converted dith = convertWith(load, (dir / "ramp.bmp").string(), 320, 240, true);
    double errPlain = 0, errDith = 0;
    for (int x0 = 0; x0 < 256; x0 += 16) {
        // An area of 16 x 16 pixels, its mean red on the module's 0..31 scale.
        double want = 0, gotPlain = 0, gotDith = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = x0; x < x0 + 16; ++x) {
                const std::size_t o = 2 * (static_cast<std::size_t>(y) * 256 + x);
                want += (x / 4 + 10) * 31.0 / 255.0;
                gotPlain += plain.data[o + 1] >> 3;
                gotDith += dith.data[o + 1] >> 3;
            }
        errPlain += std::abs(gotPlain - want) / 256;
        errDith += std::abs(gotDith - want) / 256;
    }
    EXPECT_LT(errDith, errPlain / 4) << errDith << " vs " << errPlain;
}

TEST(Dither, PureColoursStayAndIndexedPicturesAreUntouched)
{
    TestBmp flat;
    flat.width = 9;
    flat.height = 5;
    flat.pixel = [](int x, int y) {
        static const std::uint32_t c[] = { 0xFFFFFF, 0, 0xFF0000, 0x00FF00, 0x0000FF };
        return c[(x + y) % 5];
    };
    TempDir dir;
    writeBytes(dir / "flat.bmp", flat.bytes());
    auto load = [](DibPicture& p) { return p.loadBmpFile(); };
    EXPECT_EQ(convertWith(load, (dir / "flat.bmp").string(), 320, 240, true).data,
              convertWith(load, (dir / "flat.bmp").string(), 320, 240, false).data);
    EXPECT_EQ(convertBmp("std8.bmp", 20, 15, true).data, convertBmp("std8.bmp", 20, 15, false).data);
    EXPECT_EQ(convertBmp("rle4.bmp", 320, 240, true).data, convertBmp("std4.bmp", 320, 240, false).data);
}

} // namespace
