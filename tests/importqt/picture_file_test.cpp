// PNG, JPEG and GIF pictures, also as the pixel data of a BMP file, load like the
// same picture written as a standard BMP; transparency takes the ignore colour;
// damaged pictures and files that are no regular file give the texts the BMP
// reader gives; Qt's readers take what the BMP reader takes, quietly.
#include "import/ModuleBitmap.h"
#include "import/Pictures.h"
#include "import/Rgb565.h"
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
        { "embedded_png.bmp", "std24.bmp" },
        { "embedded_png_other_size.bmp", "std24.bmp" }, // the PNG's own size wins over the header's
        { "embedded_jpeg.bmp", "std24.bmp" },
    };
    for (const auto& [picture, standard] : pairs)
        for (const auto& [bw, bh] : { std::pair { 320, 240 }, { 20, 15 }, { 30, 31 } }) {
            const Converted a = convertWith(anyPicture(kFormsDir / picture), bw, bh), b = convertBmp(standard, bw, bh);
            ASSERT_TRUE(a.ok) << picture << ": " << a.message;
            ASSERT_EQ(std::tie(a.bitCount, a.kind, a.width, a.height, a.size, a.report),
                std::tie(b.bitCount, b.kind, b.width, b.height, b.size, b.report))
                << picture;
            const std::string name = picture;
            const bool jpeg = name.find("jpeg") != std::string::npos;
            EXPECT_TRUE((name != "png24.png" && !name.starts_with("embedded_png")) || a.data == b.data)
                << picture << bw << "x" << bh;
            // The same JPEG bytes in a BMP file give the same pixels as the JPEG file.
            EXPECT_TRUE(
                name != "embedded_jpeg.bmp" || a.data == convertWith(anyPicture(kFormsDir / "jpeg.jpg"), bw, bh).data);
            const auto colours = [&](const Converted& c) {
                return *decodeModuleBitmap(static_cast<std::uint8_t>(c.kind), c.width, c.height, c.data);
            };
            const Bytes ca = colours(a), cb = colours(b);
            double diff = 0; // mean difference per channel: none for lossless forms, small for the JPEG
            for (std::size_t i = 0; i < ca.size(); ++i)
                diff += std::abs(int(ca[i]) - int(cb[i]));
            EXPECT_LE(diff / ca.size(), jpeg ? 12.0 : 0.0) << picture << " box " << bw << "x" << bh;
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
        EXPECT_EQ(r.ok ? "accepted" : r.message, row.back()) << row[0];
        EXPECT_TRUE(r.ok || (pic.sourceRgb() == rgb && !pic.loaded())) << row[0] << ": the picture held before changed";
    }
    // A PNG under a .bmp name is still a PNG; a BMP under a .png name still a BMP.
    for (const auto& [name, form] : { std::pair { "png.bmp", "png24.png" }, { "rle.png", "rle8.bmp" } }) {
        fs::copy_file(kFormsDir / form, dir / name);
        EXPECT_TRUE(convertWith(anyPicture(dir / name)).ok) << name;
    }
}

// A fully transparent pixel becomes the ignore colour, a half-transparent one is
// blended over it: in BMP, PNG and GIF files, indexed or not, scaled or not; a
// dithered picture keeps the transparent pixels exact.
TEST(PictureFile, TransparencyTakesTheIgnoreColour)
{
    const fs::path dir = kDataDir / "import" / "alpha";
    const auto table = tableOf(dir / "expected.txt");
    ASSERT_EQ(table.size(), 12u);
    for (const auto& row : table) { // file | ignore colour | box | kind | pixels
        const auto ignore = static_cast<std::uint16_t>(std::stoi(row[1], nullptr, 16));
        int bw = 0, bh = 0;
        std::sscanf(row[2].c_str(), "%dx%d", &bw, &bh);
        for (const bool dither : { false, true }) {
            const Converted c = convertWith(
                [&](LoadedPicture& p) {
                    p.setIgnoreColor(ignore);
                    return anyPicture(dir / row[0])(p);
                },
                bw, bh, dither);
            ASSERT_TRUE(c.ok) << row[0] << ": " << c.message;
            const Bytes rgb = *decodeModuleBitmap(static_cast<std::uint8_t>(c.kind), c.width, c.height, c.data);
            std::string pixels;
            for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
                char text[8];
                std::snprintf(text, sizeof text, "%s%04X", i ? " " : "", toRgb565(rgb[i], rgb[i + 1], rgb[i + 2]));
                pixels += text;
            }
            EXPECT_EQ(std::tuple(std::to_string(c.kind), pixels.substr(5, dither ? 4 : std::string::npos)),
                std::tuple(row[3], row[4].substr(5, dither ? 4 : std::string::npos)))
                << row[0] << " over " << row[1] << (dither ? ", dithered" : "");
        }
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
