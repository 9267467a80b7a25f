// PNG, JPEG and GIF pictures load like the same picture written as a standard
// BMP: identical output for lossless forms, the same size and kind for JPEG.
#include "../import/FormsHelper.h"
#include "import/qt/PictureFile.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace zarn;
using namespace zarn::test;

Converted convertPicture(const std::string& name, int boxW = 320, int boxH = 240, bool dither = false)
{
    return convertWith([](DibPicture& p) { return loadPictureFile(p); }, (kFormsDir / name).string(), boxW, boxH,
                       dither);
}

const std::pair<int, int> kBoxes[] = { { 320, 240 }, { 20, 15 }, { 30, 31 } };

TEST(PictureFile, TrueColourPngGivesTheStandardFilesBytes)
{
    for (const auto& [bw, bh] : kBoxes) {
        const Converted a = convertPicture("png24.png", bw, bh), b = convertBmp("std24.bmp", bw, bh);
        ASSERT_TRUE(a.ok) << a.message;
        ASSERT_TRUE(b.ok);
        EXPECT_EQ(a.bitCount, b.bitCount);
        EXPECT_EQ(a.report, b.report);
        EXPECT_TRUE(a.data == b.data) << "box " << bw << "x" << bh;
    }
}

// A palette's order is the writer's choice: the depth, size and the colour of
// every pixel on the module must match.
TEST(PictureFile, PalettePicturesKeepTheirDepthAndColours)
{
    const std::pair<const char*, const char*> pairs[] = {
        { "png8.png", "std8.bmp" }, { "png4.png", "std4.bmp" }, { "png1.png", "std1.bmp" },
        { "gif8.gif", "std8.bmp" }, { "gif4.gif", "std4.bmp" },
    };
    for (const auto& [picture, standard] : pairs)
        for (const auto& [bw, bh] : kBoxes) {
            const Converted a = convertPicture(picture, bw, bh), b = convertBmp(standard, bw, bh);
            ASSERT_TRUE(a.ok) << picture << ": " << a.message;
            ASSERT_TRUE(b.ok) << standard;
            EXPECT_EQ(a.kind, b.kind) << picture;
            EXPECT_EQ(a.size, b.size) << picture;
            EXPECT_EQ(a.report, b.report) << picture;
            ASSERT_FALSE(a.decoded.empty()) << picture;
            EXPECT_TRUE(a.decoded == b.decoded) << picture << " box " << bw << "x" << bh;
        }
}

TEST(PictureFile, JpegGivesTheSameSizeAndKind)
{
    for (const auto& [bw, bh] : kBoxes) {
        const Converted a = convertPicture("jpeg.jpg", bw, bh), b = convertBmp("std24.bmp", bw, bh);
        ASSERT_TRUE(a.ok) << a.message;
        EXPECT_EQ(a.kind, 16);
        EXPECT_EQ(a.width, b.width);
        EXPECT_EQ(a.height, b.height);
        EXPECT_EQ(a.size, b.size);
        EXPECT_EQ(a.report, b.report);
        // Lossy, but the same picture: the mean difference per channel stays small.
        ASSERT_EQ(a.decoded.size(), b.decoded.size());
        double diff = 0;
        for (std::size_t i = 0; i < a.decoded.size(); ++i)
            diff += std::abs(int(a.decoded[i]) - int(b.decoded[i]));
        EXPECT_LT(diff / a.decoded.size(), 12.0);
    }
}

TEST(PictureFile, DitheringAppliesToTrueColourPictures)
{
    const Converted plain = convertPicture("png24.png"), dith = convertPicture("png24.png", 320, 240, true);
    ASSERT_TRUE(plain.ok && dith.ok);
    EXPECT_EQ(dith.size, plain.size);
    EXPECT_NE(dith.data, plain.data);
    EXPECT_EQ(convertPicture("png8.png", 320, 240, true).data, convertPicture("png8.png").data);
}

TEST(PictureFile, UnreadablePicturesAreRefusedAndTheHeldOneKept)
{
    TempDir dir;
    DibPicture pic;
    pic.m_strFileName = (kFormsDir / "png24.png").string();
    ASSERT_TRUE(loadPictureFile(pic).ok);
    const auto rgbBefore = pic.sourceRgb();
    const std::string report = pic.loadReportText();

    auto png = readBytes(kFormsDir / "png24.png");
    auto gif = readBytes(kFormsDir / "gif8.gif");
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad = {
        { "cut.png", std::vector<std::uint8_t>(png.begin(), png.begin() + png.size() / 3) },
        { "head.png", std::vector<std::uint8_t>(png.begin(), png.begin() + 20) },
        { "cut.gif", std::vector<std::uint8_t>(gif.begin(), gif.begin() + 13) },
        { "ba.bmp", { 'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 } },
        { "text.png", { 'h', 'e', 'l', 'l', 'o' } },
        { "empty.jpg", {} },
        // Qt reads this one, but it is none of the formats offered.
        { "tiny.ppm", { 'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 1, 2, 3 } },
    };
    for (const auto& [name, bytes] : bad) {
        writeBytes(dir / name, bytes);
        pic.m_strFileName = (dir / name).string();
        const auto r = loadPictureFile(pic);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_EQ(r.message, "Reading File Error") << name;
        EXPECT_EQ(pic.m_bLoaded, 0) << name;
        EXPECT_EQ(pic.sourceRgb(), rgbBefore) << name;
        EXPECT_EQ(pic.loadReportText(), report) << name;
    }
    pic.m_strFileName = (dir / "missing.png").string();
    EXPECT_EQ(loadPictureFile(pic).message, "Reading File Error");

    // A PNG under a .bmp name is still a PNG; a BMP under a .png name still a BMP.
    writeBytes(dir / "png.bmp", png);
    pic.m_strFileName = (dir / "png.bmp").string();
    EXPECT_TRUE(loadPictureFile(pic).ok);
    writeBytes(dir / "rle.png", readBytes(kFormsDir / "rle8.bmp"));
    pic.m_strFileName = (dir / "rle.png").string();
    EXPECT_TRUE(loadPictureFile(pic).ok);
    EXPECT_EQ(pic.sourceBitCount(), 8);
}

TEST(PictureFile, ExtensionsAndFilter)
{
    for (const char* e : { "png", "jpg", "jpeg", "gif" })
        EXPECT_TRUE(isPictureExtension(e)) << e;
    for (const char* e : { "bmp", "PNG", "tif", "" })
        EXPECT_FALSE(isPictureExtension(e)) << e;
    EXPECT_EQ(std::string(kImageFilesFilterText).rfind("Image Files", 0), 0u);
}

} // namespace
