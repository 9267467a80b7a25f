// Libraries rendered from real fonts: layout, code order, blank glyphs,
// placement in the cell, failures, and acceptance by the import's checks.
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "tests/fontgen/FontPaths.h"

#include "import/FontLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

namespace {

struct Glyph {
    int width, height;
    std::vector<std::uint8_t> bytes;
    bool dot(int x, int y) const { return bytes[y * ((width + 7) / 8) + x / 8] >> (7 - x % 8) & 1; }
    int dots() const
    {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                n += dot(x, y);
        return n;
    }
    int rowsWithInk() const
    {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            bool any = false;
            for (int x = 0; x < width; ++x)
                any |= dot(x, y);
            n += any;
        }
        return n;
    }
    int lowestInkRow() const
    {
        for (int y = height - 1; y >= 0; --y)
            for (int x = 0; x < width; ++x)
                if (dot(x, y))
                    return y;
        return -1;
    }
    std::pair<int, int> inkColumns() const
    {
        int lo = width, hi = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (dot(x, y)) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
        return { lo, hi };
    }
    int longestColumnRun() const
    {
        int best = 0;
        for (int x = 0; x < width; ++x) {
            int run = 0;
            for (int y = 0; y < height; ++y) {
                run = dot(x, y) ? run + 1 : 0;
                best = std::max(best, run);
            }
        }
        return best;
    }
};

Glyph glyphAt(const std::vector<std::uint8_t>& lib, FontLibraryType type, int w, int h, std::uint16_t code)
{
    const std::size_t size = static_cast<std::size_t>((w + 7) / 8) * h;
    const std::size_t offset = *libraryIndexOf(type, code) * size;
    return Glyph { w, h, std::vector<std::uint8_t>(lib.begin() + offset, lib.begin() + offset + size) };
}

// Libraries reused by several tests are rendered once.
const FontGenResult& library(const char* font, FontLibraryType type, int w, int h)
{
    static std::map<std::tuple<std::string, int, int, int>, FontGenResult> cache;
    auto key = std::make_tuple(std::string(font), static_cast<int>(type), w, h);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, generateFontLibrary(font, type, w, h)).first;
    return it->second;
}

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/zarn-fontgen-XXXXXX";
        m_path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(m_path); }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

void writeFile(const fs::path& p, const std::string& content) { std::ofstream(p, std::ios::binary) << content; }

} // namespace

TEST(FontGenerator, LibrarySizesFollowTheLayout)
{
    ZARN_REQUIRE_FONT(kCjkFont);
    ZARN_REQUIRE_FONT(kLatinFont);
    const struct {
        const char* font;
        FontLibraryType type;
        int w, h;
        std::size_t bytes;
    } cases[] = {
        { kCjkFont, FontLibraryType::GB2312, 16, 16, 261696 },
        { kLatinFont, FontLibraryType::Ascii, 8, 16, 4096 },
        { kCjkFont, FontLibraryType::Big5, 24, 24, 3u * 24 * 13973 },
        { kCjkFont, FontLibraryType::Hangul, 12, 12, 2u * 12 * 2350 },
        { kLatinFont, FontLibraryType::Ascii, 9, 9, 4608 },
        { kLatinFont, FontLibraryType::Ascii, 1, 1, 256 },
        { kLatinFont, FontLibraryType::Ascii, 99, 99, 13u * 99 * 256 },
    };
    for (const auto& c : cases) {
        const FontGenResult& r = library(c.font, c.type, c.w, c.h);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.data.size(), c.bytes) << libraryTypeName(c.type) << " " << c.w << "X" << c.h;
        EXPECT_EQ(r.data.size(), expectedFontLibraryLength(c.type, c.w, c.h));
    }
}

TEST(FontGenerator, KnownCharactersLandAtTheirCodes)
{
    ZARN_REQUIRE_FONT(kCjkFont);
    const FontGenResult& gb = library(kCjkFont, FontLibraryType::GB2312, 16, 16);
    ASSERT_TRUE(gb.ok) << gb.message;
    EXPECT_EQ(gb.characters, 7445u);
    EXPECT_EQ(gb.missing, 0u);

    // The glyph stored for a code is exactly what the renderer draws for its character.
    GlyphRenderer renderer;
    std::string error;
    ASSERT_TRUE(renderer.open(kCjkFont, 0, &error)) << error;
    ASSERT_TRUE(renderer.setCell(16, 16, true, &error)) << error;
    for (auto [code, ch] : { std::pair<std::uint16_t, char32_t> { 0xD6D0, U'\u4E2D' }, { 0xB0A1, U'\u554A' }, { 0xA3C1, U'\uFF21' } }) {
        std::vector<std::uint8_t> expected(32);
        ASSERT_TRUE(renderer.render(ch, expected, {}));
        EXPECT_EQ(glyphAt(gb.data, FontLibraryType::GB2312, 16, 16, code).bytes, expected) << std::hex << code;
    }
    // 中: one long vertical stroke through the middle
    const Glyph zhong = glyphAt(gb.data, FontLibraryType::GB2312, 16, 16, 0xD6D0);
    EXPECT_GE(zhong.longestColumnRun(), 13);
    // 一 in BIG5 (0xA440): a single horizontal bar, and its neighbour 乙 (0xA441) is not that bar
    const FontGenResult& big5 = library(kCjkFont, FontLibraryType::Big5, 24, 24);
    ASSERT_TRUE(big5.ok) << big5.message;
    const Glyph yi = glyphAt(big5.data, FontLibraryType::Big5, 24, 24, 0xA440);
    EXPECT_LE(yi.rowsWithInk(), 3);
    EXPECT_GE(yi.inkColumns().second - yi.inkColumns().first, 18);
    EXPECT_GT(glyphAt(big5.data, FontLibraryType::Big5, 24, 24, 0xA441).rowsWithInk(), 10);
    // 가, the first Hangul syllable, is the first glyph
    const FontGenResult& hangul = library(kCjkFont, FontLibraryType::Hangul, 12, 12);
    ASSERT_TRUE(hangul.ok) << hangul.message;
    std::vector<std::uint8_t> ga(24);
    ASSERT_TRUE(renderer.setCell(12, 12, true, &error)) << error;
    ASSERT_TRUE(renderer.render(U'\uAC00', ga, {}));
    EXPECT_EQ(std::vector<std::uint8_t>(hangul.data.begin(), hangul.data.begin() + 24), ga);
    EXPECT_GT((Glyph { 12, 12, ga }).dots(), 10);
}

TEST(FontGenerator, UnassignedCodesAreBlank)
{
    ZARN_REQUIRE_FONT(kCjkFont);
    ZARN_REQUIRE_FONT(kLatinFont);
    const FontGenResult& gb = library(kCjkFont, FontLibraryType::GB2312, 16, 16);
    ASSERT_TRUE(gb.ok) << gb.message;
    for (std::uint16_t code : { 0xAAA1, 0xAFFE, 0xD7FA, 0xD7FE })
        EXPECT_EQ(glyphAt(gb.data, FontLibraryType::GB2312, 16, 16, code).dots(), 0) << std::hex << code;
    EXPECT_GT(glyphAt(gb.data, FontLibraryType::GB2312, 16, 16, 0xD7F9).dots(), 0); // last character of row 0xD7

    const FontGenResult& ascii = library(kLatinFont, FontLibraryType::Ascii, 8, 16);
    ASSERT_TRUE(ascii.ok) << ascii.message;
    EXPECT_EQ(ascii.characters, 95u + 96u);
    for (int code = 0; code < 256; ++code) {
        const int dots = glyphAt(ascii.data, FontLibraryType::Ascii, 8, 16, static_cast<std::uint16_t>(code)).dots();
        const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
        const bool space = code == 0x20 || code == 0xA0;
        if (control || space)
            EXPECT_EQ(dots, 0) << code;
        else
            EXPECT_GT(dots, 0) << code;
    }
}

TEST(FontGenerator, GlyphsSitOnOneBaselineCentredAndInsideTheCell)
{
    ZARN_REQUIRE_FONT(kLatinFont);
    const FontGenResult& ascii = library(kLatinFont, FontLibraryType::Ascii, 8, 16);
    ASSERT_TRUE(ascii.ok) << ascii.message;
    auto g = [&](char c) { return glyphAt(ascii.data, FontLibraryType::Ascii, 8, 16, static_cast<std::uint8_t>(c)); };
    // letters without descenders end on the same row; g and p go below it
    const int base = g('x').lowestInkRow();
    for (char c : { 'A', 'H', 'n', 'z', '1' })
        EXPECT_NEAR(g(c).lowestInkRow(), base, 1) << c;
    EXPECT_GT(g('g').lowestInkRow(), base + 1);
    EXPECT_GT(g('p').lowestInkRow(), base + 1);
    EXPECT_LT(base, 15);
    // a symmetric glyph is centred
    for (char c : { '|', 'H', 'o' }) {
        const auto [lo, hi] = g(c).inkColumns();
        EXPECT_LE(std::abs(lo - (7 - hi)), 1) << c;
    }
    // wide glyphs are narrowed rather than cut: W keeps both outer strokes
    const auto [wlo, whi] = g('W').inkColumns();
    EXPECT_LE(wlo, 1);
    EXPECT_GE(whi, 6);

    // padding bits past the width stay clear in every glyph
    const FontGenResult& nine = library(kLatinFont, FontLibraryType::Ascii, 9, 9);
    ASSERT_TRUE(nine.ok) << nine.message;
    for (std::size_t i = 1; i < nine.data.size(); i += 2)
        ASSERT_EQ(nine.data[i] & 0x7F, 0) << "byte " << i;
}

TEST(FontGenerator, ThresholdKeepsOrThinsStrokes)
{
    ZARN_REQUIRE_FONT(kLatinFont);
    FontGenOptions light, heavy, mono;
    light.threshold = 200;
    heavy.threshold = 40;
    mono.mono = true;
    const auto a = generateFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, light);
    const auto b = generateFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, heavy);
    const auto m = generateFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, mono);
    ASSERT_TRUE(a.ok && b.ok && m.ok);
    const Glyph la = glyphAt(a.data, FontLibraryType::Ascii, 8, 16, 'e');
    const Glyph hb = glyphAt(b.data, FontLibraryType::Ascii, 8, 16, 'e');
    EXPECT_LT(la.dots(), hb.dots());
    EXPECT_GT(glyphAt(m.data, FontLibraryType::Ascii, 8, 16, 'e').dots(), 0);
    // every dot of the light rendering is also in the heavy one
    for (std::size_t i = 0; i < a.data.size(); ++i)
        ASSERT_EQ(a.data[i] & ~b.data[i], 0) << "byte " << i;
}

TEST(FontGenerator, BadRequestsAreRefusedWithAReason)
{
    ZARN_REQUIRE_FONT(kLatinFont);
    TempDir dir;
    for (auto [w, h] : { std::pair { 0, 16 }, { 16, 0 }, { 100, 16 }, { 16, 100 }, { -1, 8 } }) {
        const auto r = generateFontLibrary(kLatinFont, FontLibraryType::Ascii, w, h);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("1 to 99"), std::string::npos) << r.message;
        EXPECT_TRUE(r.data.empty());
    }
    FontGenOptions zero;
    zero.threshold = 0;
    EXPECT_NE(generateFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, zero).message.find("threshold"), std::string::npos);

    const auto missing = generateFontLibrary((dir.path() / "nope.ttf").string(), FontLibraryType::Ascii, 8, 16);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find("nope.ttf"), std::string::npos) << missing.message;
    EXPECT_NE(missing.message.find("No such file"), std::string::npos) << missing.message;

    writeFile(dir.path() / "garbage.ttf", std::string(5000, '\x5A'));
    const auto garbage = generateFontLibrary((dir.path() / "garbage.ttf").string(), FontLibraryType::Ascii, 8, 16);
    EXPECT_FALSE(garbage.ok);
    EXPECT_NE(garbage.message.find("not a font file"), std::string::npos) << garbage.message;

    // a font cut short after its table directory
    writeFile(dir.path() / "cut.ttf", readFile(kLatinFont).substr(0, 3000));
    const auto cut = generateFontLibrary((dir.path() / "cut.ttf").string(), FontLibraryType::Ascii, 8, 16);
    EXPECT_FALSE(cut.ok);
    EXPECT_NE(cut.message.find("cut.ttf"), std::string::npos) << cut.message;

    EXPECT_NE(generateFontLibrary(dir.path().string(), FontLibraryType::Ascii, 8, 16).message.find("not a regular file"),
              std::string::npos);
    const auto face = generateFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, FontGenOptions { kDefaultThreshold, false, 3 });
    EXPECT_FALSE(face.ok);
    EXPECT_NE(face.message.find("face 3"), std::string::npos) << face.message;

    // a Latin font has no Hangul at all: refused rather than an empty library
    const auto none = generateFontLibrary(kLatinFont, FontLibraryType::Hangul, 16, 16);
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.message.find("none of the characters"), std::string::npos) << none.message;
}

TEST(FontGenerator, WrittenLibrariesPassTheImportChecks)
{
    ZARN_REQUIRE_FONT(kCjkFont);
    ZARN_REQUIRE_FONT(kLatinFont);
    TempDir dir;
    const struct {
        const char* font;
        FontLibraryType type;
        int w, h;
        FontCommand command;
        std::uint8_t kind;
    } cases[] = {
        { kCjkFont, FontLibraryType::GB2312, 16, 16, FontCommand::Hzlib, 240 },
        { kCjkFont, FontLibraryType::Big5, 12, 12, FontCommand::Hzlib, 242 },
        { kCjkFont, FontLibraryType::Hangul, 12, 12, FontCommand::Hzlib, 243 },
        { kLatinFont, FontLibraryType::Ascii, 8, 16, FontCommand::Asciilib, 241 },
        { kLatinFont, FontLibraryType::Ascii, 9, 9, FontCommand::Asciilib, 241 },
    };
    for (const auto& c : cases) {
        const fs::path out = dir.path() / "out" / (libraryTypeName(c.type) + std::to_string(c.w)); // created on the way
        const FontLibraryOutput r = makeFontLibrary(c.font, c.type, c.w, c.h, out.string());
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(fs::path(r.path), out / libraryFileName(c.type, c.w, c.h));
        EXPECT_EQ(fs::file_size(r.path), r.size);
        const ImportCheck check = checkFontLibrary(c.command, r.path, 16u << 20, 0, 190);
        ASSERT_EQ(check.verdict, ImportCheck::Verdict::Accepted) << r.path << ": " << check.message;
        EXPECT_EQ(check.pending.entry.kind, c.kind);
        EXPECT_EQ(check.pending.entry.width, c.w);
        EXPECT_EQ(check.pending.entry.height, c.h);
        EXPECT_EQ(check.pending.entry.length, r.size);
        // nothing but the library is left in the folder
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
    }
}

TEST(FontGenerator, FailedWritesKeepTheOldLibrary)
{
    ZARN_REQUIRE_FONT(kLatinFont);
    TempDir dir;
    const fs::path old = dir.path() / "8X16.asc";
    writeFile(old, "previous library");
    // a bad font: the existing file stays as it was, and nothing else appears
    const auto bad = makeFontLibrary((dir.path() / "missing.ttf").string(), FontLibraryType::Ascii, 8, 16, dir.path().string());
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(readFile(old), "previous library");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // an output "folder" that is a file, and one below a file
    const auto notDir = makeFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, old.string());
    EXPECT_FALSE(notDir.ok);
    EXPECT_NE(notDir.message.find("not a folder"), std::string::npos) << notDir.message;
    const auto below = makeFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, (old / "sub").string());
    EXPECT_FALSE(below.ok);
    EXPECT_NE(below.message.find("Cannot create output folder"), std::string::npos) << below.message;
    // a folder where the library should go
    fs::create_directory(dir.path() / "sub");
    fs::create_directory(dir.path() / "sub" / "8X16.asc");
    const auto blocked = makeFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, (dir.path() / "sub").string());
    EXPECT_FALSE(blocked.ok);
    EXPECT_NE(blocked.message.find("in the way"), std::string::npos) << blocked.message;
    EXPECT_EQ(readFile(old), "previous library");

    // a good run replaces it whole
    const auto good = makeFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, dir.path().string());
    ASSERT_TRUE(good.ok) << good.message;
    EXPECT_EQ(fs::file_size(old), 4096u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2); // the library and sub/
}

TEST(FontGenerator, DamagedFontsFailCleanlyOrRenderWhole)
{
    ZARN_REQUIRE_FONT(kLatinFont);
    TempDir dir;
    const std::string original = readFile(kLatinFont);
    // Overwrite a stretch of the font at several places (table directory, tables, outlines).
    for (std::size_t at : { std::size_t { 12 }, std::size_t { 300 }, original.size() / 3, original.size() / 2, original.size() - 5000 }) {
        std::string damaged = original;
        for (std::size_t i = at; i < std::min(damaged.size(), at + 4000); ++i)
            damaged[i] = static_cast<char>((i * 2654435761u) >> 13);
        const fs::path p = dir.path() / ("damaged" + std::to_string(at) + ".ttf");
        writeFile(p, damaged);
        const auto r = generateFontLibrary(p.string(), FontLibraryType::Ascii, 8, 16);
        if (r.ok)
            EXPECT_EQ(r.data.size(), 4096u) << at;
        else
            EXPECT_NE(r.message.find(p.filename().string()), std::string::npos) << at << ": " << r.message;
    }
}

TEST(FontGenerator, WrittenLibraryHasTheUsualFileMode)
{
    ZARN_REQUIRE_FONT(kLatinFont);
    TempDir dir;
    const mode_t old = ::umask(022);
    const auto r = makeFontLibrary(kLatinFont, FontLibraryType::Ascii, 8, 16, dir.path().string());
    ::umask(old);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(fs::status(r.path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}
