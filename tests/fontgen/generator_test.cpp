// Libraries rendered from real fonts: layout, code order, blank glyphs,
// placement in the cell, failures, and acceptance by the import's checks.
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "tests/fontgen/FontPaths.h"

#include "import/FontLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sys/stat.h>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;
using T = FontLibraryType;

namespace {

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

struct Glyph {
    int width, height;
    std::vector<std::uint8_t> bytes;
    bool dot(int x, int y) const { return bytes[y * ((width + 7) / 8) + x / 8] >> (7 - x % 8) & 1; }
    template <typename F> void eachDot(F f) const
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (dot(x, y))
                    f(x, y);
    }
    int dots() const { int n = 0; eachDot([&](int, int) { ++n; }); return n; }
    int rowsWithInk() const { std::set<int> rows; eachDot([&](int, int y) { rows.insert(y); }); return static_cast<int>(rows.size()); }
    int lowestInkRow() const { int low = -1; eachDot([&](int, int y) { low = std::max(low, y); }); return low; }
    std::pair<int, int> inkColumns() const
    {
        std::pair<int, int> cols { width, -1 };
        eachDot([&](int x, int) { cols = { std::min(cols.first, x), std::max(cols.second, x) }; });
        return cols;
    }
    int longestColumnRun() const
    {
        int best = 0;
        for (int x = 0; x < width; ++x)
            for (int y = 0, run = 0; y < height; ++y)
                best = std::max(best, run = dot(x, y) ? run + 1 : 0);
        return best;
    }
};

Glyph glyphAt(const std::vector<std::uint8_t>& lib, T type, int w, int h, std::uint16_t code)
{
    const std::size_t size = static_cast<std::size_t>((w + 7) / 8) * h;
    const std::size_t offset = *libraryIndexOf(type, code) * size;
    if (offset + size > lib.size()) {
        ADD_FAILURE() << "library too short for code " << code;
        return Glyph { w, h, std::vector<std::uint8_t>(size) };
    }
    return Glyph { w, h, std::vector<std::uint8_t>(lib.begin() + offset, lib.begin() + offset + size) };
}

// Libraries reused by several tests are rendered once.
const FontGenResult& library(const char* font, T type, int w, int h)
{
    static std::map<std::tuple<std::string, int, int, int>, FontGenResult> cache;
    auto key = std::make_tuple(std::string(font), static_cast<int>(type), w, h);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, generateFontLibrary(font, type, w, h)).first;
    EXPECT_TRUE(it->second.ok) << it->second.message;
    return it->second;
}

} // namespace

TEST(FontGenerator, LibrarySizesFollowTheLayout)
{
    ZARN_REQUIRE_FONTS();
    const std::tuple<const char*, T, int, int, std::size_t> cases[] = {
        { kCjkFont, T::GB2312, 16, 16, 261696 },       { kLatinFont, T::Ascii, 8, 16, 4096 },
        { kCjkFont, T::Big5, 24, 24, 3u * 24 * 13973 }, { kCjkFont, T::Hangul, 12, 12, 2u * 12 * 2350 },
        { kLatinFont, T::Ascii, 9, 9, 4608 },          { kLatinFont, T::Ascii, 1, 1, 256 },
        { kLatinFont, T::Ascii, 99, 99, 13u * 99 * 256 },
    };
    for (const auto& [font, type, w, h, bytes] : cases) {
        const FontGenResult& r = library(font, type, w, h);
        EXPECT_EQ(r.data.size(), bytes) << libraryTypeName(type) << " " << w << "X" << h;
        EXPECT_EQ(r.data.size(), expectedFontLibraryLength(type, w, h));
    }
}

TEST(FontGenerator, KnownCharactersLandAtTheirCodesAndUnassignedOnesAreBlank)
{
    ZARN_REQUIRE_FONTS();
    const FontGenResult& gb = library(kCjkFont, T::GB2312, 16, 16);
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
        EXPECT_EQ(glyphAt(gb.data, T::GB2312, 16, 16, code).bytes, expected) << std::hex << code;
    }
    // 中: one long vertical stroke through the middle
    EXPECT_GE(glyphAt(gb.data, T::GB2312, 16, 16, 0xD6D0).longestColumnRun(), 13);
    // 一 in BIG5 (0xA440): a single horizontal bar, and its neighbour 乙 (0xA441) is not that bar
    const FontGenResult& big5 = library(kCjkFont, T::Big5, 24, 24);
    const Glyph yi = glyphAt(big5.data, T::Big5, 24, 24, 0xA440);
    EXPECT_LE(yi.rowsWithInk(), 3);
    EXPECT_GE(yi.inkColumns().second - yi.inkColumns().first, 18);
    EXPECT_GT(glyphAt(big5.data, T::Big5, 24, 24, 0xA441).rowsWithInk(), 10);
    // 가, the first Hangul syllable, is the first glyph
    const FontGenResult& hangul = library(kCjkFont, T::Hangul, 12, 12);
    std::vector<std::uint8_t> ga(24);
    ASSERT_TRUE(renderer.setCell(12, 12, true, &error)) << error;
    ASSERT_TRUE(renderer.render(U'\uAC00', ga, {}));
    EXPECT_EQ(std::vector<std::uint8_t>(hangul.data.begin(), hangul.data.begin() + 24), ga);
    EXPECT_GT((Glyph { 12, 12, ga }).dots(), 10);

    // unassigned codes are blank
    for (std::uint16_t code : { 0xAAA1, 0xAFFE, 0xD7FA, 0xD7FE })
        EXPECT_EQ(glyphAt(gb.data, T::GB2312, 16, 16, code).dots(), 0) << std::hex << code;
    EXPECT_GT(glyphAt(gb.data, T::GB2312, 16, 16, 0xD7F9).dots(), 0); // last character of row 0xD7

    const FontGenResult& ascii = library(kLatinFont, T::Ascii, 8, 16);
    EXPECT_EQ(ascii.characters, 95u + 96u);
    for (int code = 0; code < 256; ++code) {
        const int dots = glyphAt(ascii.data, T::Ascii, 8, 16, static_cast<std::uint16_t>(code)).dots();
        const bool blank = code <= 0x20 || (code >= 0x7F && code <= 0xA0); // controls and spaces
        EXPECT_EQ(dots == 0, blank) << code;
    }
}

TEST(FontGenerator, GlyphsSitOnOneBaselineCentredAndInsideTheCell)
{
    ZARN_REQUIRE_FONTS();
    const FontGenResult& ascii = library(kLatinFont, T::Ascii, 8, 16);
    auto g = [&](char c) { return glyphAt(ascii.data, T::Ascii, 8, 16, static_cast<std::uint8_t>(c)); };
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
    EXPECT_LE(g('W').inkColumns().first, 1);
    EXPECT_GE(g('W').inkColumns().second, 6);
    // padding bits past the width stay clear in every glyph
    const FontGenResult& nine = library(kLatinFont, T::Ascii, 9, 9);
    for (std::size_t i = 1; i < nine.data.size(); i += 2)
        ASSERT_EQ(nine.data[i] & 0x7F, 0) << "byte " << i;
}

TEST(FontGenerator, ThresholdKeepsOrThinsStrokes)
{
    ZARN_REQUIRE_FONTS();
    const auto a = generateFontLibrary(kLatinFont, T::Ascii, 8, 16, FontGenOptions { 200, false, 0 });
    const auto b = generateFontLibrary(kLatinFont, T::Ascii, 8, 16, FontGenOptions { 40, false, 0 });
    const auto m = generateFontLibrary(kLatinFont, T::Ascii, 8, 16, FontGenOptions { kDefaultThreshold, true, 0 });
    ASSERT_TRUE(a.ok && b.ok && m.ok);
    EXPECT_LT(glyphAt(a.data, T::Ascii, 8, 16, 'e').dots(), glyphAt(b.data, T::Ascii, 8, 16, 'e').dots());
    EXPECT_GT(glyphAt(m.data, T::Ascii, 8, 16, 'e').dots(), 0);
    // every dot of the light rendering is also in the heavy one
    for (std::size_t i = 0; i < a.data.size(); ++i)
        ASSERT_EQ(a.data[i] & ~b.data[i], 0) << "byte " << i;
}

TEST(FontGenerator, BadRequestsAreRefusedWithAReason)
{
    ZARN_REQUIRE_FONTS();
    FontTempDir dir;
    for (auto [w, h] : { std::pair { 0, 16 }, { 16, 0 }, { 100, 16 }, { 16, 100 }, { -1, 8 } }) {
        const auto r = generateFontLibrary(kLatinFont, T::Ascii, w, h);
        EXPECT_FALSE(r.ok);
        EXPECT_HAS(r.message, "1 to 99");
        EXPECT_TRUE(r.data.empty());
    }
    writeFile(dir / "garbage.ttf", std::string(5000, '\x5A'));
    writeFile(dir / "cut.ttf", readFile(kLatinFont).substr(0, 3000)); // cut short after its table directory
    const std::tuple<std::string, T, FontGenOptions, std::vector<std::string>> cases[] = {
        { kLatinFont, T::Ascii, { 0, false, 0 }, { "threshold" } },
        { (dir / "nope.ttf").string(), T::Ascii, {}, { "nope.ttf", "No such file" } },
        { (dir / "garbage.ttf").string(), T::Ascii, {}, { "not a font file" } },
        { (dir / "cut.ttf").string(), T::Ascii, {}, { "cut.ttf" } },
        { dir.path().string(), T::Ascii, {}, { "not a regular file" } },
        { kLatinFont, T::Ascii, { kDefaultThreshold, false, 3 }, { "face 3" } },
        // a Latin font has no Hangul at all: refused rather than an empty library
        { kLatinFont, T::Hangul, {}, { "none of the characters" } },
    };
    for (const auto& [font, type, options, parts] : cases) {
        const auto r = generateFontLibrary(font, type, 8, 16, options);
        EXPECT_FALSE(r.ok) << font;
        for (const auto& part : parts)
            EXPECT_HAS(r.message, part);
    }
}

TEST(FontGenerator, WrittenLibrariesPassTheImportChecks)
{
    ZARN_REQUIRE_FONTS();
    FontTempDir dir;
    const std::tuple<const char*, T, int, int, FontCommand, std::uint8_t> cases[] = {
        { kCjkFont, T::GB2312, 16, 16, FontCommand::Hzlib, 240 },  { kCjkFont, T::Big5, 12, 12, FontCommand::Hzlib, 242 },
        { kCjkFont, T::Hangul, 12, 12, FontCommand::Hzlib, 243 },  { kLatinFont, T::Ascii, 8, 16, FontCommand::Asciilib, 241 },
        { kLatinFont, T::Ascii, 9, 9, FontCommand::Asciilib, 241 },
    };
    for (const auto& [font, type, w, h, command, kind] : cases) {
        const fs::path out = dir / "out" / (libraryTypeName(type) + std::to_string(w)); // created on the way
        const FontLibraryOutput r = makeFontLibrary(font, type, w, h, out.string());
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(fs::path(r.path), out / libraryFileName(type, w, h));
        EXPECT_EQ(fs::file_size(r.path), r.size);
        const ImportCheck check = checkFontLibrary(command, r.path, 16u << 20, 0, 190);
        ASSERT_EQ(check.verdict, ImportCheck::Verdict::Accepted) << r.path << ": " << check.message;
        const ResourceEntry& e = check.pending.entry;
        EXPECT_EQ(std::tie(e.kind, e.width, e.height, e.length), std::make_tuple(kind, w, h, r.size));
        // nothing but the library is left in the folder
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
    }
}

TEST(FontGenerator, FailedWritesKeepTheOldLibraryAndGoodOnesReplaceIt)
{
    ZARN_REQUIRE_FONTS();
    FontTempDir dir;
    const fs::path old = dir / "8X16.asc";
    writeFile(old, "previous library");
    fs::create_directories(dir / "sub" / "8X16.asc"); // a folder where the library should go
    const std::pair<FontLibraryOutput, const char*> cases[] = {
        { makeFontLibrary((dir / "missing.ttf").string(), T::Ascii, 8, 16, dir.path().string()), nullptr },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, old.string()), "not a folder" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, (old / "sub").string()), "Cannot create output folder" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, (dir / "sub").string()), "in the way" },
    };
    for (const auto& [r, reason] : cases) {
        EXPECT_FALSE(r.ok);
        if (reason) {
            EXPECT_HAS(r.message, reason);
        }
    }
    EXPECT_EQ(readFile(old), "previous library");
    EXPECT_EQ(dir.entryCount(), 2) << "nothing else appeared";

    const mode_t mask = ::umask(022);
    const auto good = makeFontLibrary(kLatinFont, T::Ascii, 8, 16, dir.path().string());
    ::umask(mask);
    ASSERT_TRUE(good.ok) << good.message;
    EXPECT_EQ(fs::file_size(old), 4096u);
    EXPECT_EQ(dir.entryCount(), 2); // the library and sub/
    EXPECT_EQ(fs::status(good.path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(FontGenerator, DamagedFontsFailCleanlyOrRenderWhole)
{
    ZARN_REQUIRE_FONTS();
    FontTempDir dir;
    const std::string original = readFile(kLatinFont);
    // Overwrite a stretch of the font at several places (table directory, tables, outlines).
    for (std::size_t at : { std::size_t { 12 }, std::size_t { 300 }, original.size() / 3, original.size() / 2, original.size() - 5000 }) {
        std::string damaged = original;
        for (std::size_t i = at; i < std::min(damaged.size(), at + 4000); ++i)
            damaged[i] = static_cast<char>((i * 2654435761u) >> 13);
        const fs::path p = dir / ("damaged" + std::to_string(at) + ".ttf");
        writeFile(p, damaged);
        const auto r = generateFontLibrary(p.string(), T::Ascii, 8, 16);
        if (r.ok)
            EXPECT_EQ(r.data.size(), 4096u) << at;
        else
            EXPECT_HAS(r.message, p.filename().string());
    }
}
