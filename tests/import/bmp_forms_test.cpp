// BMP files as other programs write them (run-length encoded, short palettes,
// longer info headers, bit-field masks) convert exactly as the same picture
// written as a standard file; damaged ones are refused; dithering on request.
#include "import/BmpReader.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace zarn;
using namespace zarn::test;

const std::pair<int, int> kBoxes[] = { { 320, 240 }, { 20, 15 }, { 30, 31 } };

TEST(BmpForms, EachFormGivesTheStandardFilesBytes)
{
    const struct { const char* form; const char* standard; bool sameDepth = true; } cases[] = {
        { "rle8.bmp", "std8.bmp" }, { "rle4.bmp", "std4.bmp" },                               // run-length encoded
        { "short8.bmp", "std8.bmp" }, { "short4.bmp", "std4.bmp" },                           // short palettes
        { "v4_8.bmp", "std8.bmp" }, { "v5_8.bmp", "std8.bmp" }, { "v5_24.bmp", "std24.bmp" }, // longer info headers
        { "bf32.bmp", "std24.bmp", false },                                                   // 32 bits with alpha
    };
    for (const auto& c : cases)
        for (const auto& [bw, bh] : kBoxes) {
            const Converted a = convertBmp(c.form, bw, bh), b = convertBmp(c.standard, bw, bh);
            ASSERT_TRUE(b.ok) << c.standard << ": " << b.message;
            ASSERT_TRUE(a.ok) << c.form << ": " << a.message;
            if (c.sameDepth) {
                EXPECT_EQ(a.bitCount, b.bitCount) << c.form;
            }
            EXPECT_EQ(std::tie(a.kind, a.width, a.height, a.report), std::tie(b.kind, b.width, b.height, b.report)) << c.form;
            EXPECT_TRUE(a.data == b.data) << c.form << " differs from " << c.standard << " in box " << bw << "x" << bh;
        }
}

TEST(BmpForms, BitFieldMasksAreReadNotAssumed)
{
    // The writer of bf16.bmp rounded to 5-6-5 where the conversion truncates:
    // same size and kind, every channel within one step of the standard file's.
    const Converted a = convertBmp("bf16.bmp"), b = convertBmp("std24.bmp");
    ASSERT_TRUE(a.ok && b.ok) << a.message;
    EXPECT_EQ(std::tuple(a.kind, a.size), std::tuple(16, b.size));
    ASSERT_EQ(a.data.size(), b.data.size());
    for (std::size_t i = 0; i < a.data.size(); i += 2) {
        const int va = le16(a.data, i), vb = le16(b.data, i);
        EXPECT_LE(std::abs((va >> 11) - (vb >> 11)), 1);
        EXPECT_LE(std::abs(((va >> 5) & 63) - ((vb >> 5) & 63)), 1);
        EXPECT_LE(std::abs((va & 31) - (vb & 31)), 1);
    }
    // Unusual masks: 4-4-4 in the low 12 bits of 16, and red in the low byte of 32.
    const Converted c16 = convertWith(fromBytes(TestBmp { .width = 3, .bitCount = 16, .compression = 3, .masks = { 0x0F00, 0x00F0, 0x000F },
                                                          .pixel = [](int x, int) { return x == 0 ? 0x0F00u : x == 1 ? 0x00F0u : 0x0FFFu; } }.bytes()));
    const Converted c32 = convertWith(fromBytes(TestBmp { .width = 3, .bitCount = 32, .compression = 3, .masks = { 0xFF, 0xFF00, 0xFF0000 },
                                                          .pixel = [](int x, int) { return x == 0 ? 0xFFu : x == 1 ? 0xFF00u : 0xC86432u; } }.bytes()));
    EXPECT_EQ(c16.data, (Bytes { 0x00, 0xF8, 0xE0, 0x07, 0xFF, 0xFF }));
    EXPECT_EQ(c32.data, (Bytes { 0x00, 0xF8, 0xE0, 0x07, 0x39, 0x33 })); // (r, g, b) = (0x32, 0x64, 0xC8) last
}

// A run-length file: the palette entry i is (16 i, i, 0x80), then the stream.
Bytes rleFile(int bitCount, int width, int height, const Bytes& stream)
{
    TestBmp b { .width = width, .height = height, .bitCount = bitCount };
    for (int i = 0; i < (1 << bitCount); ++i)
        b.palette.push_back({ static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(i), 0x80 });
    auto bytes = b.bytes();
    bytes.resize(b.offBits());
    bytes[30] = bitCount == 8 ? 1 : 2;
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

// Keeps `entries` palette entries of a file with a full palette (colours used = entries).
Bytes withShortPalette(const Bytes& full, std::uint32_t entries)
{
    Bytes b(full.begin(), full.begin() + 54 + 4 * entries);
    b.insert(b.end(), full.begin() + (full[10] | full[11] << 8), full.end());
    put32(b, 46, entries);
    put32(b, 10, 54 + 4 * entries);
    return b;
}

Bytes rowsOf(const Bytes& file)
{
    const auto parsed = parseBmpLayout(file);
    Bytes rows;
    return parsed.ok && decodeBmpRle(parsed.layout, file, rows) ? rows : Bytes {};
}

TEST(BmpRle, RunsAbsoluteRunsDeltasAndLineEnds)
{
    // Bottom row: run of 2 x 7, absolute 1 2 3 (padded), a run of 1 x 9; line end;
    // a delta of (2, 1) skips the middle row's rest; top row from column 2: 4 x 5.
    const auto file = rleFile(8, 6, 3, { 2, 7, 0, 3, 1, 2, 3, 0, 1, 9, 0, 0, 0, 2, 2, 1, 4, 5, 0, 1 });
    EXPECT_EQ(rowsOf(file), (Bytes { 7, 7, 1, 2, 3, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 5, 5, 0, 0 }));
    // RLE4: a run alternates the two nibbles; an absolute run of 3 takes 2 bytes + padding.
    EXPECT_EQ(rowsOf(rleFile(4, 5, 1, { 5, 0x12, 0, 1 })), (Bytes { 0x12, 0x12, 0x10, 0 }));
    EXPECT_EQ(rowsOf(rleFile(4, 5, 1, { 0, 3, 0xAB, 0xC0, 2, 0xDD, 0, 1 })), (Bytes { 0xAB, 0xCD, 0xD0, 0 }));
    // Runs into the padding of a row (up to its last 32-bit word) are taken and dropped.
    EXPECT_EQ(rowsOf(rleFile(8, 6, 1, { 8, 3, 0, 1 })), (Bytes { 3, 3, 3, 3, 3, 3, 0, 0 }));
    // A stream that fills every row may end without its end mark.
    EXPECT_EQ(rowsOf(rleFile(8, 2, 2, { 2, 1, 0, 0, 2, 3, 0, 0 })).size(), 8u);

    // And through the whole load: the top row comes first.
    const Converted c = convertWith(fromBytes(file));
    ASSERT_TRUE(c.ok) << c.message;
    EXPECT_EQ(std::tuple(c.kind, c.size), std::tuple(8, 512 + 18));
    EXPECT_EQ(Bytes(c.data.begin() + 512, c.data.end()), (Bytes { 0, 0, 5, 5, 5, 5, 0, 0, 0, 0, 0, 0, 7, 7, 1, 2, 3, 9 }));

    // Run-length rows behind a palette of two entries: entry 1 from the file, entry 2 black.
    LoadedPicture pic;
    ASSERT_TRUE(pic.loadBmpData(withShortPalette(rleFile(8, 3, 1, { 2, 1, 1, 0, 0, 1 }), 2)).ok);
    const Bytes converted = pic.convertedData();
    ASSERT_EQ(converted.size(), 512u + 3);
    EXPECT_EQ(std::tuple(le16(converted, 2), le16(converted, 4)), std::tuple(toRgb565(16, 1, 0x80), 0));
    EXPECT_EQ(Bytes(converted.end() - 3, converted.end()), (Bytes { 1, 1, 0 }));
}

TEST(BmpRle, DamagedStreamsAndClaimsBeyondTheFileAreRefusedAndTheHeldPictureKept)
{
    LoadedPicture pic;
    pic.m_strFileName = (kFormsDir / "std8.bmp").string();
    ASSERT_TRUE(pic.loadBmpFile().ok);
    const auto std8 = readBytes(kFormsDir / "std8.bmp");
    expectEachRefused(pic, {
        { "run past the row end", rleFile(8, 6, 3, { 9, 1, 0, 1 }) },
        { "run past the row's last word", rleFile(8, 6, 1, { 9, 3, 0, 1 }) },
        { "absolute run past the row end", rleFile(8, 6, 3, { 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1 }) },
        { "absolute run past the file end", rleFile(8, 6, 3, { 0, 6, 1, 2, 3 }) },
        { "delta past the right edge", rleFile(8, 6, 3, { 0, 2, 9, 0, 0, 1 }) },
        { "delta past the top", rleFile(8, 6, 3, { 0, 2, 0, 4, 0, 1 }) },
        { "delta cut by the file end", rleFile(8, 6, 3, { 0, 2, 1 }) },
        { "rows past the top", rleFile(8, 6, 3, { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1 }) },
        { "stream ends before the picture", rleFile(8, 6, 3, { 6, 1, 0, 0 }) },
        { "top row written, no end mark", rleFile(8, 2, 2, { 2, 1, 0, 0, 2, 3 }) },
        { "empty stream", rleFile(8, 6, 3, {}) },
        { "RLE4 run past the row end", rleFile(4, 5, 1, { 9, 0x12, 0, 1 }) },
        { "RLE4 absolute past the file end", rleFile(4, 5, 1, { 0, 5, 0x12 }) },
        { "run-length rows stored top-down", changed(rleFile(8, 6, 1, { 6, 1, 0, 1 }), [](Bytes& v) { put32(v, 22, static_cast<std::uint32_t>(-1)); }) },
        { "colours used beyond the pixel offset", changed(std8, [](Bytes& v) { put32(v, 46, 20); put32(v, 10, 54 + 40); }) },
        { "info header past the end", changed(std8, [](Bytes& v) { put32(v, 14, 0x7FFFFFF0); }) },
        { "info header over the pixel data", changed(std8, [](Bytes& v) { put32(v, 14, 2000); }) },
        { "short palette, no pixel data", changed(std8, [](Bytes& v) { put32(v, 46, 10); put32(v, 10, 54 + 40); v.resize(54 + 40); }) },
        { "short palette, header cut", changed(std8, [](Bytes& v) { put32(v, 46, 10); v.resize(50); }) },
    });
    // Named, not misread: the RLE4 method on an 8-bit picture, an OS/2 header of 12 bytes.
    EXPECT_NE(pic.loadBmpData(changed(rleFile(8, 6, 1, { 6, 1, 0, 1 }), [](Bytes& v) { v[30] = 2; })).message.find("compressed (method 2)"), std::string::npos);
    EXPECT_NE(pic.loadBmpData(changed(std8, [](Bytes& v) { put32(v, 14, 12); })).message.find("12-byte info header"), std::string::npos);
}

TEST(BmpPalette, EntriesTheFileLacksAreBlackAndIndicesKept)
{
    const TestBmp b { .width = 4, .bitCount = 8, .palette = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } },
                      .pixel = [](int x, int) { return x == 3 ? 200u : x; } }; // 200: not in the file
    const Converted c = convertWith(fromBytes(withShortPalette(b.bytes(), 3)));
    ASSERT_TRUE(c.ok) << c.message;
    Bytes expected { 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00 };
    expected.resize(512);
    expected.insert(expected.end(), { 0, 1, 2, 200 });
    EXPECT_EQ(c.data, expected);
}

TEST(Dither, RemovesBandingWithTheSameFitAndSize)
{
    // A slow grey ramp: truncation turns it into wide bands of 8 values.
    const auto ramp = fromBytes(TestBmp { .width = 256, .height = 16, .pixel = [](int x, int) { return 0x010101u * (x / 4 + 10); } }.bytes());
    for (const auto& [bw, bh] : kBoxes) {
        const Converted plain = convertWith(ramp, bw, bh, false), dith = convertWith(ramp, bw, bh, true);
        ASSERT_TRUE(plain.ok && dith.ok);
        EXPECT_EQ(std::tie(dith.kind, dith.width, dith.height, dith.size, dith.report), std::tuple(16, plain.width, plain.height, plain.size, plain.report));
        EXPECT_NE(dith.data, plain.data);
    }
    // Unscaled: the mean red of each 16 x 16 area follows the ramp far better than truncation.
    const Converted plain = convertWith(ramp, 320, 240, false), dith = convertWith(ramp, 320, 240, true);
    double errPlain = 0, errDith = 0;
    for (int x0 = 0; x0 < 256; x0 += 16) {
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
    const auto flat = fromBytes(TestBmp { .width = 9, .height = 5, .pixel = [](int x, int y) {
        const std::uint32_t c[] = { 0xFFFFFF, 0, 0xFF0000, 0x00FF00, 0x0000FF };
        return c[(x + y) % 5];
    } }.bytes());
    EXPECT_EQ(convertWith(flat, 320, 240, true).data, convertWith(flat, 320, 240, false).data);
    EXPECT_EQ(convertBmp("std8.bmp", 20, 15, true).data, convertBmp("std8.bmp", 20, 15, false).data);
    EXPECT_EQ(convertBmp("rle4.bmp", 320, 240, true).data, convertBmp("std4.bmp", 320, 240, false).data);
}

} // namespace
