// PNG, JPEG and GIF pictures through this system's decoders: each form converts
// to the bytes it always did (PNG and GIF items byte for byte, JPEG items that
// are not scaled), like the same picture written as a standard BMP, and the
// same interlaced, progressive or turned; transparency takes the ignore colour;
// damaged pictures are refused in the tool's own words, naming the file and
// the cause, with nothing of the libraries on standard error. The same on
// Windows (the Windows Imaging Component under Wine), where JPEG items come
// from another JPEG library: tests/windows/same_files_both_systems.sh measures
// how close they are to Linux's.
#include "import/ModuleBitmap.h"
#include "import/PictureFile.h"
#include "import/Pictures.h"
#include "import/Rgb565.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <thread>
#include <windows.h>

#include <objbase.h>
#endif

namespace {

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

const fs::path kPicturesDir = kDataDir / "import" / "pictures";

Loader anyPicture(const fs::path& path)
{
    return [path](LoadedPicture& p) {
        p.setFileName(path.string());
        return loadPictureFile(p);
    };
}

// What the process writes to standard error while it is held.
class StandardErrorCapture {
public:
    StandardErrorCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open(m_dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    std::string text()
    {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        const Bytes b = readBytes(m_dir / "stderr");
        return std::string(b.begin(), b.end());
    }
    ~StandardErrorCapture() { ::close(m_saved); }

private:
    TempDir m_dir;
    int m_saved = -1;
};

std::string fnv64(const Bytes& data)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const std::uint8_t b : data)
        h = (h ^ b) * 0x100000001b3ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// "Load Bitmap ... Height:23 \r\nSize:..." on one line.
std::string oneLine(std::string report)
{
    std::erase(report, '\r');
    std::erase(report, '\n');
    return report;
}

// The items of golden.txt were made by the reader this one replaced.
TEST(PictureFile, EachPictureConvertsToTheBytesItAlwaysDid)
{
    const auto table = tableOf(kPicturesDir / "golden.txt");
    ASSERT_EQ(table.size(), 180u);
    for (const auto& row : table) { // file | box | plain or dither | ignore colour | report | FNV-1a
#ifdef _WIN32
        // Wine's JPEG library widens the colour of 4:2:0 files otherwise than libjpeg-turbo.
        if (row[0].ends_with(".jpg") && row[0] != "grey_small.jpg" && row[0] != "cmyk_small.jpg")
            continue;
#endif
        int bw = 0, bh = 0;
        std::sscanf(row[1].c_str(), "%dx%d", &bw, &bh);
        const Converted c = convertWith(
            [&](LoadedPicture& p) {
                p.setIgnoreColor(static_cast<std::uint16_t>(std::stoi(row[3], nullptr, 16)));
                return anyPicture(kPicturesDir / row[0])(p);
            },
            bw, bh, row[2] == "dither");
        ASSERT_TRUE(c.ok) << row[0] << ": " << c.message;
        EXPECT_EQ(std::tuple(oneLine(c.report), fnv64(c.data)), std::tuple(row[4], row[5]))
            << row[0] << " on " << row[1] << ", " << row[2] << " over " << row[3];
    }
}

// Lossless forms give the standard file's colours on the module (a palette's
// order is the writer's choice: for palette pictures the colours are compared,
// for true colour the bytes); a JPEG the same size and kind, colours close,
// also where it is decoded at a fraction of its size (the small boxes).
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

// Interlaced pictures hand their pixels over pass by pass, turned ones by
// columns or backwards: the items are those of the plain form.
TEST(PictureFile, InterlacedAndTurnedFormsConvertAsThePlainOnes)
{
    TempDir dir;
    const std::pair<const char*, const char*> same[] = {
        { "png_interlaced.png", "png24.png" },
        { "gif_interlaced.gif", "gif_plain.gif" },
    };
    for (const auto& [form, plain] : same)
        for (const auto& [bw, bh] : { std::pair { 320, 240 }, { 20, 15 }, { 16, 30 } })
            EXPECT_EQ(convertWith(anyPicture(kFormsDir / form), bw, bh).data,
                convertWith(anyPicture(kFormsDir / plain), bw, bh).data)
                << form << " on " << bw << "x" << bh;

    // exif6_small.jpg with each orientation in its EXIF block: pixel (x, y) of the
    // unturned picture lies where the orientation puts it.
    Bytes jpeg = readBytes(kPicturesDir / "exif6_small.jpg");
    const Bytes tag { 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0 };
    const auto at = std::search(jpeg.begin(), jpeg.end(), tag.begin(), tag.end());
    ASSERT_NE(at, jpeg.end());
    auto turned = [&](int orientation) {
        at[tag.size()] = static_cast<std::uint8_t>(orientation);
        const fs::path file = dir / ("o" + std::to_string(orientation) + ".jpg");
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
        const Converted c = convertWith(anyPicture(file));
        return std::tuple(c.width, c.height, *decodeModuleBitmap(16, c.width, c.height, c.data));
    };
    const auto [w, h, upright] = turned(1);
    ASSERT_EQ(std::tuple(w, h), std::tuple(37, 23)); // the size the file stores
    for (int o = 2; o <= 8; ++o) {
        const auto [tw, th, pixels] = turned(o);
        ASSERT_EQ(std::tuple(tw, th), o >= 5 ? std::tuple(h, w) : std::tuple(w, h)) << o;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int places[9][2] = { {}, {}, { w - 1 - x, y }, { w - 1 - x, h - 1 - y }, { x, h - 1 - y },
                    { y, x }, { h - 1 - y, x }, { h - 1 - y, w - 1 - x }, { y, w - 1 - x } };
                const std::size_t from = 3 * (static_cast<std::size_t>(y) * w + x);
                const std::size_t to = 3 * (static_cast<std::size_t>(places[o][1]) * tw + places[o][0]);
                ASSERT_TRUE(std::equal(&upright[from], &upright[from] + 3, &pixels[to]))
                    << "orientation " << o << " pixel " << x << "," << y;
            }
    }
}

TEST(PictureFile, DamagedPicturesAreRefusedInOurWordsWithNothingOnStandardError)
{
    TempDir dir;
    auto table = tableOf(kDamagedDir / "expected.txt");
    // And sources by absolute path (not under the table's folder): a missing file, a named pipe.
    table.push_back({ dir.file("missing.png"), "Reading File Error" });
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(dir.file("pipe.png").c_str(), 0600), 0); // opened for reading, it would wait for a writer
    table.push_back({ dir.file("pipe.png"), "Reading File Error" });
#endif
    StandardErrorCapture stderrText;
    for (const auto& row : table) { // file | text [| text with picture decoders]
        LoadedPicture pic;
        pic.setFileName((kFormsDir / "png8.png").string());
        ASSERT_TRUE(loadPictureFile(pic).ok);
        const auto rgb = pic.sourceRgb();
        const std::string path = (kDamagedDir / row[0]).string();
        pic.setFileName(path);
        const auto r = loadPictureFile(pic);
        EXPECT_EQ(r.ok ? "accepted" : r.message, row.back()) << row[0];
        EXPECT_TRUE(r.ok || (pic.sourceRgb() == rgb && !pic.loaded())) << row[0] << ": the picture held before changed";
        // "Reading File Error" is followed by the file and why it cannot be read.
        if (!r.ok && r.message == "Reading File Error") {
            EXPECT_TRUE(r.detail.starts_with("Cannot read \"" + path + "\": ") && r.detail.size() > path.size() + 20)
                << row[0] << ": " << r.detail;
        }
    }
    const std::string written = stderrText.text();
    EXPECT_EQ(written, "");
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

#ifdef _WIN32
// The decoders start COM on a thread without it for a picture's time, and use
// the apartment a thread has (the window's single-threaded one) as it is.
TEST(PictureFile, DecodersLeaveTheThreadsApartmentAsTheyFoundIt)
{
    constexpr DWORD kNone = 0xFFFFFFFF;
    for (const DWORD apartment : { kNone, DWORD { COINIT_APARTMENTTHREADED }, DWORD { COINIT_MULTITHREADED } })
        std::thread([apartment] {
            if (apartment != kNone)
                ASSERT_EQ(CoInitializeEx(nullptr, apartment), S_OK);
            for (const char* form : { "png24.png", "gif8.gif", "jpeg.jpg" })
                EXPECT_TRUE(convertWith(anyPicture(kFormsDir / form)).ok) << form << " in apartment " << apartment;
            // Started again as it was: S_OK where the thread had no COM before, S_FALSE where it had this apartment.
            const HRESULT again = CoInitializeEx(nullptr, apartment == kNone ? COINIT_APARTMENTTHREADED : apartment);
            EXPECT_EQ(again, apartment == kNone ? S_OK : S_FALSE) << apartment;
            CoUninitialize();
            if (apartment != kNone)
                CoUninitialize();
        }).join();
}
#endif

} // namespace
