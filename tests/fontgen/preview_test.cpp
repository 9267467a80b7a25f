// Glyph sheets drawn from library bytes, and the refusals of the preview.
#include "import/fontgen/LibraryPreview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace zarn;
namespace fs = std::filesystem;

namespace {
struct Pixel {
    std::uint8_t r, g, b;
};
Pixel at(const RgbImage& img, int x, int y)
{
    const std::uint8_t* p = &img.rgb[(static_cast<std::size_t>(y) * img.width + x) * 3];
    return { p[0], p[1], p[2] };
}
bool isInk(const RgbImage& img, int x, int y) { return at(img, x, y).r == 0; }
bool isPaper(const RgbImage& img, int x, int y) { return at(img, x, y).r == 255; }

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/zarn-preview-XXXXXX";
        m_path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(m_path); }
    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};
void writeBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

TEST(LibraryPreview, DotsAndGridLandWhereTheGlyphsSay)
{
    // three 9x2 glyphs (2 bytes a row): first dot, ninth dot, all blank
    const std::vector<std::uint8_t> lib = { 0x80, 0x00, 0x00, 0x00, /**/ 0x00, 0x80, 0x00, 0x00, /**/ 0, 0, 0, 0 };
    EXPECT_TRUE(glyphDot(lib, 9, 2, 0, 0, 0));
    EXPECT_FALSE(glyphDot(lib, 9, 2, 0, 1, 0));
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
    EXPECT_FALSE(isInk(img, 0, 0));
    EXPECT_FALSE(isPaper(img, 0, 0)); // grid
    EXPECT_TRUE(isInk(img, 1, 1));
    EXPECT_TRUE(isInk(img, 2, 2));
    EXPECT_TRUE(isPaper(img, 3, 1));
    EXPECT_TRUE(isInk(img, 20 + 16, 1)); // glyph 1, dot 8
    EXPECT_TRUE(isInk(img, 20 + 17, 2));
    EXPECT_TRUE(isPaper(img, 20 + 15, 1));
    EXPECT_FALSE(isPaper(img, 5, 10)); // bottom grid line
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
    TempDir dir;
    std::vector<std::uint8_t> lib(2 * 16 * 8178, 0);
    lib[32] = 0x80; // glyph 1, first dot
    writeBytes(dir / "16X16.hzk", lib);
    SheetOptions opt;
    opt.count = 4;
    opt.scale = 1;
    const PreviewResult ok = previewFontLibrary((dir / "16X16.hzk").string(), 0, 0, opt);
    ASSERT_TRUE(ok.ok) << ok.message;
    EXPECT_EQ(ok.glyphsShown, 4u);
    EXPECT_EQ(ok.image.width, 4 * 17 + 1);
    EXPECT_TRUE(isInk(ok.image, 18, 1));
    EXPECT_EQ(ok.message.find("warning"), std::string::npos) << ok.message;

    // a known type of the wrong length still shows, with a warning
    writeBytes(dir / "16X16.big", std::vector<std::uint8_t>(33, 0));
    const PreviewResult shortLib = previewFontLibrary((dir / "16X16.big").string(), 0, 0, opt);
    ASSERT_TRUE(shortLib.ok) << shortLib.message;
    EXPECT_EQ(shortLib.glyphsShown, 1u);
    EXPECT_NE(shortLib.message.find("447136"), std::string::npos) << shortLib.message;

    // refusals: no size in the name, less than one glyph, a missing file, a first glyph past the end
    writeBytes(dir / "song.hzk", lib);
    EXPECT_NE(previewFontLibrary((dir / "song.hzk").string(), 0, 0, opt).message.find("glyph size"), std::string::npos);
    EXPECT_TRUE(previewFontLibrary((dir / "song.hzk").string(), 16, 16, opt).ok);
    writeBytes(dir / "16X16.kzk", std::vector<std::uint8_t>(31, 0));
    const PreviewResult tiny = previewFontLibrary((dir / "16X16.kzk").string(), 0, 0, opt);
    EXPECT_FALSE(tiny.ok);
    EXPECT_NE(tiny.message.find("no complete"), std::string::npos) << tiny.message;
    const PreviewResult missing = previewFontLibrary((dir / "8X16.asc").string(), 0, 0, opt);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("8X16.asc"), std::string::npos) << missing.message;
    opt.first = 8178;
    EXPECT_FALSE(previewFontLibrary((dir / "16X16.hzk").string(), 0, 0, opt).ok);
}
