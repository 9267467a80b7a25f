// Glyph sheets drawn from library bytes, and the refusals of the preview.
#include "import/fontgen/LibraryPreview.h"
#include "tests/fontgen/FontPaths.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

namespace {
bool isInk(const RgbImage& img, int x, int y) { return img.rgb[(static_cast<std::size_t>(y) * img.width + x) * 3] == 0; }
bool isPaper(const RgbImage& img, int x, int y) { return img.rgb[(static_cast<std::size_t>(y) * img.width + x) * 3] == 255; }
} // namespace

TEST(LibraryPreview, DotsAndGridLandWhereTheGlyphsSay)
{
    // three 9x2 glyphs (2 bytes a row): first dot, ninth dot, all blank
    const std::vector<std::uint8_t> lib = { 0x80, 0x00, 0x00, 0x00, /**/ 0x00, 0x80, 0x00, 0x00, /**/ 0, 0, 0, 0 };
    EXPECT_TRUE(glyphDot(lib, 9, 2, 1, 8, 0));
    EXPECT_FALSE(glyphDot(lib, 9, 2, 5, 0, 0)); // past the data

    SheetOptions opt;
    opt.columns = 2;
    opt.scale = 2;
    const RgbImage img = renderGlyphSheet(lib, 9, 2, opt);
    // 2 columns of (9*2+1), 2 rows of (2*2+1), plus the outer line
    ASSERT_EQ(img.width, 2 * 19 + 1);
    ASSERT_EQ(img.height, 2 * 5 + 1);
    ASSERT_EQ(img.rgb.size(), static_cast<std::size_t>(img.width * img.height * 3));
    // grid at the corner and the bottom line; glyph 0 dot 0, glyph 1 dot 8, scaled by 2
    for (auto [x, y] : { std::pair { 0, 0 }, { 5, 10 } })
        EXPECT_TRUE(!isInk(img, x, y) && !isPaper(img, x, y)) << x << "," << y;
    for (auto [x, y] : { std::pair { 1, 1 }, { 2, 2 }, { 36, 1 }, { 37, 2 } })
        EXPECT_TRUE(isInk(img, x, y)) << x << "," << y;
    EXPECT_TRUE(isPaper(img, 3, 1));
    EXPECT_TRUE(isPaper(img, 35, 1));
    for (int y = 6; y < 10; ++y) // glyph 2, second row of cells, all paper
        for (int x = 1; x < 19; ++x)
            EXPECT_TRUE(isPaper(img, x, y)) << x << "," << y;

    opt.first = 1;
    opt.count = 1;
    const RgbImage one = renderGlyphSheet(lib, 9, 2, opt);
    ASSERT_EQ(one.width, 20);
    EXPECT_TRUE(isInk(one, 17, 1));
    opt.first = 3;
    EXPECT_EQ(renderGlyphSheet(lib, 9, 2, opt).width, 0);
    EXPECT_EQ(renderGlyphSheet(lib, 0, 2, {}).width, 0);
}

TEST(LibraryPreview, FilesAreReadByTheirNames)
{
    FontTempDir dir;
    std::string lib(2 * 16 * 8178, '\0');
    lib[32] = '\x80'; // glyph 1, first dot
    writeFile(dir / "16X16.hzk", lib);
    writeFile(dir / "song.hzk", lib);
    writeFile(dir / "16X16.big", std::string(33, '\0'));
    writeFile(dir / "16X16.kzk", std::string(31, '\0'));
    SheetOptions opt;
    opt.count = 4;
    opt.scale = 1;
    const auto preview = [&](const char* name, int w = 0, int h = 0) { return previewFontLibrary((dir / name).string(), w, h, opt); };
    const PreviewResult ok = preview("16X16.hzk");
    ASSERT_TRUE(ok.ok) << ok.message;
    EXPECT_EQ(ok.glyphsShown, 4u);
    EXPECT_EQ(ok.image.width, 4 * 17 + 1);
    EXPECT_TRUE(isInk(ok.image, 18, 1));
    EXPECT_EQ(ok.message.find("warning"), std::string::npos) << ok.message;

    // a known type of the wrong length still shows, with a warning
    const PreviewResult shortLib = preview("16X16.big");
    ASSERT_TRUE(shortLib.ok) << shortLib.message;
    EXPECT_EQ(shortLib.glyphsShown, 1u);
    EXPECT_NE(shortLib.message.find("447136"), std::string::npos) << shortLib.message;

    // refusals: no size in the name (unless given), less than one glyph, a missing file, a first glyph past the end
    EXPECT_NE(preview("song.hzk").message.find("glyph size"), std::string::npos);
    EXPECT_TRUE(preview("song.hzk", 16, 16).ok);
    for (auto [name, reason] : { std::pair { "16X16.kzk", "no complete" }, { "8X16.asc", "8X16.asc" } }) {
        const PreviewResult r = preview(name);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.message.find(reason), std::string::npos) << r.message;
    }
    opt.first = 8178;
    EXPECT_FALSE(preview("16X16.hzk").ok);
}
