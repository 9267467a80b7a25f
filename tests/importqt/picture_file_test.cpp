// PNG, JPEG and GIF pictures load like the same picture written as a standard
// BMP; damaged pictures and files that are no regular file give the texts the
// BMP reader gives; Qt's readers take what the BMP reader takes, quietly.
#include "import/ModuleBitmap.h"
#include "import/Pictures.h"
#include "import/qt/PictureFile.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

Loader anyPicture(const fs::path& path)
{
    return [path](LoadedPicture& p) {
        p.setFileName(path.string());
        return loadPictureFile(p);
    };
}

// Lossless forms give the standard file's colours on the module (a palette's
// order is the writer's choice: for palette pictures the colours are compared,
// for true colour the bytes); a JPEG the same size and kind, colours close.
TEST(PictureFile, EachFormConvertsLikeItsStandardBmp)
{
    const std::pair<const char*, const char*> pairs[] = {
        { "png24.png", "std24.bmp" },
        { "png8.png", "std8.bmp" },
        { "png4.png", "std4.bmp" },
        { "png1.png", "std1.bmp" },
        { "gif8.gif", "std8.bmp" },
        { "gif4.gif", "std4.bmp" },
        { "jpeg.jpg", "std24.bmp" },
    };
    for (const auto& [picture, standard] : pairs)
        for (const auto& [bw, bh] : { std::pair { 320, 240 }, { 20, 15 }, { 30, 31 } }) {
            const Converted a = convertWith(anyPicture(kFormsDir / picture), bw, bh), b = convertBmp(standard, bw, bh);
            ASSERT_TRUE(a.ok) << picture << ": " << a.message;
            ASSERT_EQ(std::tie(a.bitCount, a.kind, a.width, a.height, a.size, a.report),
                std::tie(b.bitCount, b.kind, b.width, b.height, b.size, b.report))
                << picture;
            const std::string name = picture;
            EXPECT_TRUE(name != "png24.png" || a.data == b.data) << "box " << bw << "x" << bh;
            const auto colours = [&](const Converted& c) {
                return *decodeModuleBitmap(static_cast<std::uint8_t>(c.kind), c.width, c.height, c.data);
            };
            const Bytes ca = colours(a), cb = colours(b);
            double diff = 0; // mean difference per channel: none for lossless forms, small for the JPEG
            for (std::size_t i = 0; i < ca.size(); ++i)
                diff += std::abs(int(ca[i]) - int(cb[i]));
            EXPECT_LE(diff / ca.size(), name == "jpeg.jpg" ? 12.0 : 0.0) << picture << " box " << bw << "x" << bh;
        }
}

TEST(PictureFile, DamagedPicturesAndOtherFilesAreRefusedAsByTheBmpReader)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0); // opened for reading, it would wait for a writer
    auto table = tableOf(kDamagedDir / "expected.txt");
    // And two sources by absolute path (not under the table's folder): a named pipe, a missing file.
    table.insert(table.end(),
        { { dir.file("pipe.png"), "Reading File Error" }, { dir.file("missing.png"), "Reading File Error" } });
    for (const auto& row : table) { // file | text
        LoadedPicture pic;
        pic.setFileName((kFormsDir / "png8.png").string());
        ASSERT_TRUE(loadPictureFile(pic).ok);
        const auto rgb = pic.sourceRgb();
        pic.setFileName((kDamagedDir / row[0]).string());
        const auto r = loadPictureFile(pic);
        EXPECT_EQ(r.ok ? "accepted" : r.message, row[1]) << row[0];
        EXPECT_TRUE(r.ok || (pic.sourceRgb() == rgb && !pic.loaded())) << row[0] << ": the picture held before changed";
    }
    // A PNG under a .bmp name is still a PNG; a BMP under a .png name still a BMP.
    for (const auto& [name, form] : { std::pair { "png.bmp", "png24.png" }, { "rle.png", "rle8.bmp" } }) {
        fs::copy_file(kFormsDir / form, dir / name);
        EXPECT_TRUE(convertWith(anyPicture(dir / name)).ok) << name;
    }
}

// Qt's readers take what the BMP reader takes (Qt alone stops at 128 MB of
// pixels, an 8000 x 8000 true-colour picture), and their log lines (a cut JPEG
// has some) stay off standard error.
TEST(PictureFile, LargePicturesLoadAsTheirBmpWouldAndQtLogsNothing)
{
    static std::vector<std::string> logged;
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { logged.push_back(text.toStdString()); });
    TempDir dir;
    QImage big(8000, 8000, QImage::Format_RGB32);
    big.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(big.save(QString::fromStdString(dir.file("big.png"))));
    big = QImage();
    LoadedPicture pic;
    const auto r = anyPicture(dir / "big.png")(pic);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(std::tuple(pic.sourceWidth(), pic.width(), pic.height()), std::tuple(8000, 240, 240));
    EXPECT_FALSE(anyPicture(kDamagedDir / "png_cut_to_200_bytes.png")(pic).ok);
    EXPECT_TRUE(anyPicture(kFormsDir / "jpeg_cut.jpg")(pic).ok); // Qt warns of the missing half
    qInstallMessageHandler(previous);
    EXPECT_TRUE(logged.empty()) << logged.front();
}

} // namespace
