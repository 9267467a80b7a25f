// PNG, JPEG and GIF pictures load like the same picture written as a standard
// BMP: identical output for lossless forms, the same size and kind for JPEG.
#include "import/TestBmp.h"
#include "import/qt/PictureFile.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace zarn;
using namespace zarn::test;

Converted convertPicture(const std::string& name, int boxW, int boxH)
{
    const auto path = (kFormsDir / name).string();
    return convertWith([path](LoadedPicture& p) { p.m_strFileName = path; return loadPictureFile(p); }, boxW, boxH);
}

// Lossless forms give the standard file's colours on the module (a palette's
// order is the writer's choice: for palette pictures the colours are compared,
// for true colour the bytes); a JPEG the same size and kind, colours close.
TEST(PictureFile, EachFormConvertsLikeItsStandardBmp)
{
    const std::pair<const char*, const char*> pairs[] = {
        { "png24.png", "std24.bmp" }, { "png8.png", "std8.bmp" }, { "png4.png", "std4.bmp" }, { "png1.png", "std1.bmp" },
        { "gif8.gif", "std8.bmp" }, { "gif4.gif", "std4.bmp" }, { "jpeg.jpg", "std24.bmp" },
    };
    for (const auto& [picture, standard] : pairs)
        for (const auto& [bw, bh] : { std::pair { 320, 240 }, { 20, 15 }, { 30, 31 } }) {
            const Converted a = convertPicture(picture, bw, bh), b = convertBmp(standard, bw, bh);
            ASSERT_TRUE(a.ok) << picture << ": " << a.message;
            ASSERT_TRUE(b.ok) << standard;
            EXPECT_EQ(std::tie(a.bitCount, a.kind, a.width, a.height, a.size, a.report), std::tie(b.bitCount, b.kind, b.width, b.height, b.size, b.report)) << picture;
            ASSERT_EQ(a.decoded.size(), b.decoded.size()) << picture;
            if (std::string(picture) == "png24.png") {
                EXPECT_TRUE(a.data == b.data) << "box " << bw << "x" << bh;
            }
            if (std::string(picture) != "jpeg.jpg") {
                EXPECT_TRUE(a.decoded == b.decoded) << picture << " box " << bw << "x" << bh;
                continue;
            }
            double diff = 0; // lossy, but the same picture: the mean difference per channel stays small
            for (std::size_t i = 0; i < a.decoded.size(); ++i)
                diff += std::abs(int(a.decoded[i]) - int(b.decoded[i]));
            EXPECT_LT(diff / a.decoded.size(), 12.0);
        }
}

TEST(PictureFile, UnreadablePicturesAreRefusedAndTheHeldOneKept)
{
    TempDir dir;
    LoadedPicture pic;
    pic.m_strFileName = (kFormsDir / "png24.png").string();
    ASSERT_TRUE(loadPictureFile(pic).ok);
    const auto png = readBytes(kFormsDir / "png24.png"), gif = readBytes(kFormsDir / "gif8.gif");
    expectEachRefused(pic, {
        { "cut.png", Bytes(png.begin(), png.begin() + png.size() / 3) },
        { "head.png", Bytes(png.begin(), png.begin() + 20) },
        { "cut.gif", Bytes(gif.begin(), gif.begin() + 13) },
        { "ba.bmp", { 'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 } },
        { "text.png", { 'h', 'e', 'l', 'l', 'o' } },
        { "empty.jpg", {} },
        { "tiny.ppm", { 'P', '6', '\n', '1', ' ', '1', '\n', '2', '5', '5', '\n', 1, 2, 3 } }, // Qt reads it; not offered
        { "missing.png", {} },
    }, [&](LoadedPicture& p, const std::string& name, const Bytes& bytes) {
        if (name != "missing.png")
            writeBytes(dir / name, bytes);
        p.m_strFileName = (dir / name).string();
        return loadPictureFile(p);
    });
    // A PNG under a .bmp name is still a PNG; a BMP under a .png name still a BMP.
    for (const auto& [name, bytes] : { std::pair { "png.bmp", png }, { "rle.png", readBytes(kFormsDir / "rle8.bmp") } }) {
        writeBytes(dir / name, bytes);
        pic.m_strFileName = (dir / name).string();
        EXPECT_TRUE(loadPictureFile(pic).ok) << name;
    }
    EXPECT_EQ(pic.sourceBitCount(), 8);
}

// Qt's readers take what the BMP reader takes (Qt alone stops at 128 MB of
// pixels, an 8000 x 8000 true-colour picture), and their log lines stay off
// standard error.
TEST(PictureFile, LargePicturesLoadAsTheirBmpWouldAndQtLogsNothing)
{
    static std::vector<std::string> logged;
    logged.clear();
    const auto previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        logged.push_back(text.toStdString());
    });
    TempDir dir;
    QImage big(8000, 8000, QImage::Format_RGB32);
    big.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(big.save(QString::fromStdString((dir / "big.png").string())));
    big = QImage();
    const Bytes png = readBytes(kFormsDir / "png24.png");
    writeBytes(dir / "cut.png", Bytes(png.begin(), png.begin() + 200));
    LoadedPicture pic;
    pic.m_strFileName = (dir / "big.png").string();
    const auto r = loadPictureFile(pic);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(std::tuple(pic.sourceWidth(), pic.m_nWidth, pic.m_nHeight), std::tuple(8000, 240, 240));
    pic.m_strFileName = (dir / "cut.png").string();
    EXPECT_FALSE(loadPictureFile(pic).ok);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(logged.empty()) << logged.front();
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
