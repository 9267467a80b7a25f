// BMP files as users have them: standard files convert to exactly the bytes they
// always gave; files as other programs write them (run-length rows, short
// palettes, OS/2 and longer headers, bit-field masks) like the same picture written as a
// standard file; small pictures to the reports and bytes worked out by hand;
// damaged ones are refused without losing the picture held; dithering on
// request; and pictures written out ("extract") read back the same.
#include "import/BmpWriter.h"
#include "import/Pictures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

const std::pair<int, int> kBoxes[] = { { 320, 240 }, { 20, 15 }, { 30, 31 } };

// golden.txt holds, per standard file and screen box, the figures and the FNV-1a
// hash of the converted bytes as they were before other forms were accepted.
TEST(StandardBmp, EveryStandardFileConvertsToTheBytesItAlwaysGave)
{
    const fs::path dir = kDataDir / "import" / "standard";
    std::ifstream golden(dir / "golden.txt");
    int lines = 0;
    for (std::string file, box, expected; golden >> file >> box && std::getline(golden, expected); ++lines) {
        int bw = 0, bh = 0;
        std::sscanf(box.c_str(), "%dx%d", &bw, &bh);
        const Converted c = convertWith(fromFile(dir / file), bw, bh);
        std::uint64_t h = 0xcbf29ce484222325ull;
        for (const std::uint8_t b : c.data)
            h = (h ^ b) * 0x100000001b3ull;
        char line[120];
        std::snprintf(line, sizeof line, " %d %d %d %d %d %zu %016llx", c.bitCount, c.kind, c.width, c.height, c.size,
            c.data.size(), static_cast<unsigned long long>(h));
        EXPECT_EQ(line, expected) << file << " in " << box;
    }
    EXPECT_EQ(lines, 13 * 5) << "13 standard files in 5 screen boxes";
}

TEST(BmpForms, EachFormGivesTheStandardFilesBytes)
{
    const std::pair<const char*, const char*> cases[] = {
        { "rle8.bmp", "std8.bmp" },
        { "rle4.bmp", "std4.bmp" }, // run-length encoded
        { "short8.bmp", "std8.bmp" },
        { "short4.bmp", "std4.bmp" }, // short palettes
        // longer info headers
        { "v4_8.bmp", "std8.bmp" },
        { "v5_8.bmp", "std8.bmp" },
        { "v5_24.bmp", "std24.bmp" },
        // OS/2: 1.x (16-bit sizes, 3-byte palette entries), 2.x with 16- and 64-byte headers
        { "os2v1_1.bmp", "std1.bmp" },
        { "os2v1_4.bmp", "std4.bmp" },
        { "os2v1_8.bmp", "std8.bmp" },
        { "os2v1_24.bmp", "std24.bmp" },
        { "os2v2_16_8.bmp", "std8.bmp" },
        { "os2v2_64_24.bmp", "std24.bmp" },
    };
    for (const auto& [form, standard] : cases)
        for (const auto& [bw, bh] : kBoxes) {
            const Converted a = convertBmp(form, bw, bh), b = convertBmp(standard, bw, bh);
            ASSERT_TRUE(a.ok && b.ok) << form << ": " << a.message;
            EXPECT_EQ(std::tie(a.bitCount, a.kind, a.width, a.height, a.report),
                std::tie(b.bitCount, b.kind, b.width, b.height, b.report))
                << form;
            EXPECT_TRUE(a.data == b.data) << form << " differs from " << standard << " in box " << bw << "x" << bh;
        }
    // The writer of bf16.bmp rounded to 5-6-5 where the conversion truncates: every channel within one step.
    const Converted a = convertBmp("bf16.bmp"), b = convertBmp("std24.bmp");
    ASSERT_EQ(std::tuple(a.kind, a.data.size()), std::tuple(16, b.data.size()));
    for (std::size_t i = 0; i < a.data.size(); i += 2) {
        const int va = le16(a.data, i), vb = le16(b.data, i);
        EXPECT_LE(std::max({ std::abs((va >> 11) - (vb >> 11)), std::abs(((va >> 5) & 63) - ((vb >> 5) & 63)),
                      std::abs((va & 31) - (vb & 31)) }),
            1)
            << i;
    }
}

TEST(WorkedPictures, EachGivesTheReportAndBytesWorkedByHand)
{
    const auto table = tableOf(kWorkedDir / "expected.txt");
    const auto own
        = std::count_if(table.begin(), table.end(), [](const auto& row) { return !row[0].starts_with("../"); });
    ASSERT_EQ(own + 1, std::distance(fs::directory_iterator(kWorkedDir), {})) << "a file without its line";
    for (const auto& row : table) { // file | box | report | palette | rows
        ASSERT_EQ(row.size(), 5u) << row[0];
        int bw = 0, bh = 0;
        std::sscanf(row[1].c_str(), "%dx%d", &bw, &bh);
        const Converted c = convertWith(fromFile(kWorkedDir / row[0]), bw, bh);
        std::string report = row[2];
        report.replace(report.find("\\r\\n"), 4, "\r\n");
        const Bytes palette = fromHex(row[3]), rows = fromHex(row[4]);
        const std::size_t paletteBytes = c.kind <= 8 ? 2u << c.kind : 0;
        const auto at
            = [&](std::size_t n) { return c.data.begin() + static_cast<std::ptrdiff_t>(std::min(n, c.data.size())); };
        const auto slice = [&](std::size_t from, std::size_t n) { return Bytes(at(from), at(from + n)); };
        EXPECT_EQ(std::tuple(c.report, slice(0, palette.size()), slice(paletteBytes, rows.size())),
            std::tuple(report, palette, rows))
            << row[0];
    }
}

TEST(DamagedBmp, EachFileGivesItsTextAndThePictureHeldStays)
{
    const auto table = tableOf(kDamagedDir / "expected.txt");
    ASSERT_EQ(table.size() + 1, static_cast<std::size_t>(std::distance(fs::directory_iterator(kDamagedDir), {})))
        << "a file without its line";
    for (const auto& row : table) { // file | text
        LoadedPicture pic;
        pic.setFileName((kFormsDir / "std8.bmp").string());
        ASSERT_TRUE(pic.loadBmpFile().ok);
        const auto rgb = pic.sourceRgb();
        const auto report = pic.loadReportText();
        pic.setFileName((kDamagedDir / row[0]).string());
        const auto r = pic.loadBmpFile();
        EXPECT_EQ(std::tuple(r.ok ? "accepted" : r.message, pic.loaded()), std::tuple(row[1], r.ok)) << row[0];
        EXPECT_TRUE(r.ok ? !pic.convertBitmap().empty() : pic.sourceRgb() == rgb && pic.loadReportText() == report)
            << row[0];
    }
}

TEST(Dither, KeepsTheAverageColourWithTheSameFitAndSize)
{
    // The grey ramp, which truncation turns into wide bands of 8 values (see worked/expected.txt).
    const auto ramp = fromFile(kWorkedDir / "ramp_24bit_256x16.bmp");
    for (const auto& [bw, bh] : kBoxes) {
        const Converted plain = convertWith(ramp, bw, bh, false), dith = convertWith(ramp, bw, bh, true);
        EXPECT_EQ(std::tie(dith.kind, dith.width, dith.height, dith.size, dith.report),
            std::tie(plain.kind, plain.width, plain.height, plain.size, plain.report));
        EXPECT_NE(dith.data, plain.data);
    }
    // Unscaled: the mean red of each 16 x 16 area follows the ramp far better than truncation.
    auto areaErrors = [](const Bytes& data) {
        double sum = 0;
        for (int x0 = 0; x0 < 256; x0 += 16) {
            double diff = 0;
            for (int i = 0, x = x0; i < 256; ++i, x = x0 + i % 16)
                diff += (data[2 * (i / 16 * 256 + x) + 1] >> 3) - (x / 4 + 10) * 31.0 / 255.0;
            sum += std::abs(diff);
        }
        return sum;
    };
    EXPECT_LT(areaErrors(convertWith(ramp, 320, 240, true).data), areaErrors(convertWith(ramp).data) / 4);
    // Pure colours stay as they are; indexed pictures are never dithered.
    const auto pure = fromFile(kWorkedDir / "pure_24bit_9x5.bmp");
    EXPECT_EQ(convertWith(pure, 320, 240, true).data, convertWith(pure).data);
    EXPECT_EQ(convertBmp("rle4.bmp", 20, 15, true).data, convertBmp("std4.bmp", 20, 15).data);
}

TEST(BmpWriter, WrittenFileReadsBackAndAFailedWriteLeavesNothing)
{
    TempDir dir;
    const auto path = dir.file("out.bmp");
    writeBytes(path, Bytes(5000, 7));
    Bytes rgb;
    for (int i = 0; i < 5 * 3; ++i)
        rgb.insert(rgb.end(),
            { static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i) });
    std::string error;
    ASSERT_TRUE(writeBmp24(path, 5, 3, rgb, &error)) << error;
    // rows of 15 bytes padded to 16
    EXPECT_EQ(std::tuple(fs::file_size(path), dir.entryCount()), std::tuple(54u + 3 * 16, 1));
    LoadedPicture pic;
    pic.setFileName(path);
    ASSERT_TRUE(pic.loadBmpFile().ok);
    EXPECT_EQ(
        std::tuple(pic.bitCount(), pic.sourceWidth(), pic.sourceHeight(), pic.sourceRgb()), std::tuple(24, 5, 3, rgb));
    fs::remove(path);
    EXPECT_FALSE(writeBmp24(dir.file("no-folder/out.bmp"), 2, 2, Bytes(12, 0x80), &error));
    EXPECT_TRUE(error.starts_with("Cannot write \"" + dir.file("no-folder/out.bmp") + "\": No such file")) << error;
    // too few pixels for 3x2, and no width at all
    EXPECT_FALSE(writeBmp24(path, 3, 2, Bytes(12, 0x80), &error) || writeBmp24(path, 0, 2, Bytes(12, 0x80), &error));
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

} // namespace
