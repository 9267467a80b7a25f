// Glyph sheets drawn from library bytes, and the refusals of the preview.
#include "import/fontgen/LibraryPreview.h"
#include "tests/fontgen/FontPaths.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

namespace {
// Ink is black, paper white and the grid grey: a pixel's red tells them apart.
int red(const RgbImage& img, int x, int y) { return img.rgb[(static_cast<std::size_t>(y) * img.width + x) * 3]; }
} // namespace

TEST(LibraryPreview, DotsAndGridLandWhereTheGlyphsSay)
{
    // three 9x2 glyphs (2 bytes a row): first dot, ninth dot, all blank
    const std::vector<std::uint8_t> lib = { 0x80, 0x00, 0x00, 0x00, /**/ 0x00, 0x80, 0x00, 0x00, /**/ 0, 0, 0, 0 };
    EXPECT_TRUE(glyphDot(lib, 9, 2, 1, 8, 0) && !glyphDot(lib, 9, 2, 5, 0, 0)); // the second: past the data
    SheetOptions opt;
    opt.columns = 2;
    opt.scale = 2;
    const RgbImage img = renderGlyphSheet(lib, 9, 2, opt);
    // 2 columns of (9*2+1), 2 rows of (2*2+1), plus the outer line
    ASSERT_EQ(std::tuple(img.width, img.height, img.rgb.size()),
        std::tuple(2 * 19 + 1, 2 * 5 + 1, std::size_t { 39 * 11 * 3 }));
    for (auto [x, y] : { std::pair { 0, 0 }, { 5, 10 } }) // the grid at the corner and on the bottom line
        EXPECT_TRUE(red(img, x, y) != 0 && red(img, x, y) != 255) << x << "," << y;
    // glyph 0 dot 0, glyph 1 dot 8, scaled by 2
    for (auto [x, y] : { std::pair { 1, 1 }, { 2, 2 }, { 36, 1 }, { 37, 2 } })
        EXPECT_EQ(red(img, x, y), 0) << x << "," << y;
    EXPECT_EQ(std::tuple(red(img, 3, 1), red(img, 35, 1)), std::tuple(255, 255));
    for (int y = 6; y < 10; ++y) // glyph 2, second row of cells, all paper
        for (int x = 1; x < 19; ++x)
            EXPECT_EQ(red(img, x, y), 255) << x << "," << y;
    opt.first = 1;
    opt.count = 1;
    const RgbImage one = renderGlyphSheet(lib, 9, 2, opt);
    EXPECT_EQ(std::tuple(one.width, red(one, 17, 1)), std::tuple(20, 0));
    opt.first = 3;
    EXPECT_EQ(
        std::tuple(renderGlyphSheet(lib, 9, 2, opt).width, renderGlyphSheet(lib, 0, 2, {}).width), std::tuple(0, 0));
}

TEST(LibraryPreview, FilesAreReadByTheirNames)
{
    TempDir dir;
    Bytes lib(2 * 16 * 8178, 0);
    lib[32] = 0x80; // glyph 1, first dot
    for (const char* name : { "16X16.hzk", "song.hzk", "16X16.bin" })
        writeBytes(dir / name, lib);
    writeBytes(dir / "16X16.big", Bytes(33, 0));
    writeBytes(dir / "16X16.kzk", Bytes(31, 0));
    SheetOptions opt;
    opt.count = 4;
    opt.scale = 1;
    const auto preview
        = [&](const char* name, int w = 0, int h = 0) { return previewFontLibrary(dir.file(name), w, h, opt); };
    const PreviewResult ok = preview("16X16.hzk");
    ASSERT_TRUE(ok.ok) << ok.message;
    EXPECT_EQ(std::tuple(ok.glyphsShown, ok.image.width, red(ok.image, 18, 1), ok.message.find("warning")),
        std::tuple(4u, 4 * 17 + 1, 0, std::string::npos));
    const PreviewResult shortLib = preview("16X16.big"); // a known type of the wrong length still shows, with a warning
    EXPECT_TRUE(shortLib.ok && shortLib.glyphsShown == 1u && shortLib.message.find("447136") != std::string::npos)
        << shortLib.message;
    // Refused: no size in the name (unless given), less than one glyph, a missing file, a first glyph past the end.
    EXPECT_TRUE(preview("song.hzk").message.find("glyph size") != std::string::npos && preview("song.hzk", 16, 16).ok);
    for (auto [name, reason] : { std::pair { "16X16.kzk", "no complete" }, { "8X16.asc", "8X16.asc" } }) {
        const PreviewResult r = preview(name);
        EXPECT_TRUE(!r.ok && r.message.find(reason) != std::string::npos) << r.message;
    }
    opt.first = 8178;
    EXPECT_FALSE(preview("16X16.hzk").ok);
    // By default the whole library, one code row a line; --from counts in codes.
    const PreviewResult whole = previewFontLibrary(dir.file("16X16.hzk"), 0, 0, { .scale = 1 }, 0xA1A2);
    EXPECT_EQ(std::tuple(whole.message, whole.image.width, whole.image.height, red(whole.image, 1, 1)),
        std::tuple("Glyphs 1 to 8177 of 8178 (16X16), codes 0xA1A2 to 0xF7FE", 94 * 17 + 1, 87 * 17 + 1, 0));
    for (auto [name, code, reason] : { std::tuple { "16X16.hzk", 0xA1A0, "0xA1A0 is not a code of a GB2312 library" },
             { "16X16.bin", 0x41, "are unknown" }, { "16X16.big", 0x4E00, "(0xA140 to 0xF9FE)" } }) {
        const PreviewResult r = previewFontLibrary(dir.file(name), 16, 16, {}, code);
        EXPECT_TRUE(!r.ok && r.message.find(reason) != std::string::npos) << r.message;
    }
}

TEST(LibraryPreview, ASheetStaysWithinItsPixelsInWholeRows)
{
    const std::uint64_t rowWidth = 157 * 199 + 1; // BIG5 99X99 at scale 2: 199 pixels a cell
    const std::uint32_t n = sheetGlyphCount(13973u * 13 * 99, 99, 99, { .columns = 157 });
    EXPECT_TRUE(n > 0 && n < 13973 && n % 157 == 0) << n;
    EXPECT_LE(((n / 157) * 199 + 1) * rowWidth, kMaxSheetPixels);
    EXPECT_GT(((n / 157 + 1) * 199 + 1) * rowWidth, kMaxSheetPixels);
    EXPECT_EQ(sheetGlyphCount(13973u * 13 * 99, 99, 99, { .columns = 256, .scale = 16 }), 0u); // not even one row
}
