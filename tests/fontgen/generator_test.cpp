// Libraries rendered from real fonts: layout, code order, blank glyphs,
// placement in the cell, failures, and acceptance by the import's checks.
#include "import/FontLibrary.h"
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "tests/fontgen/FontPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sys/stat.h>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;
using T = FontLibraryType;

namespace {

#define EXPECT_HAS(text, piece) EXPECT_NE((text).find(piece), std::string::npos) << (text)

// Where a glyph's dots are: how many, rows with ink, the lowest inked row, the
// leftmost and rightmost inked columns, the longest vertical stroke.
struct Ink {
    int dots = 0, rows = 0, lowest = -1, left = 99, right = -1, column = 0;
};
Ink inkOf(const std::vector<std::uint8_t>& glyph, int w, int h)
{
    const auto dot = [&](int x, int y) { return y < h && (glyph[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8) & 1); };
    Ink k;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int run = 0;
            while (dot(x, y + run))
                ++run;
            if (run)
                k = { k.dots + 1, k.rows, y, std::min(k.left, x), std::max(k.right, x), std::max(k.column, run) };
        }
        k.rows += k.lowest == y;
    }
    return k;
}

std::vector<std::uint8_t> glyphAt(const std::vector<std::uint8_t>& lib, T type, int w, int h, std::uint16_t code)
{
    const std::size_t size = static_cast<std::size_t>((w + 7) / 8) * h, offset = *libraryIndexOf(type, code) * size;
    EXPECT_LE(offset + size, lib.size()) << "library too short for code " << code;
    return offset + size > lib.size() ? std::vector<std::uint8_t>(size)
                                      : std::vector<std::uint8_t>(lib.begin() + offset, lib.begin() + offset + size);
}
Ink inkAt(const std::vector<std::uint8_t>& lib, T type, int w, int h, std::uint16_t code)
{
    return inkOf(glyphAt(lib, type, w, h, code), w, h);
}

// Libraries reused by several tests are rendered once.
const FontGenResult& library(const char* font, T type, int w, int h)
{
    static std::map<std::tuple<std::string, T, int, int>, FontGenResult> cache;
    auto it = cache.try_emplace({ font, type, w, h }).first;
    if (!it->second.ok && it->second.message.empty())
        it->second = generateFontLibrary(font, type, w, h);
    EXPECT_TRUE(it->second.ok) << it->second.message;
    return it->second;
}

} // namespace

TEST(FontGenerator, KnownCharactersLandAtTheirCodesAndUnassignedOnesAreBlank)
{
    ZARN_REQUIRE_FONTS();
    const FontGenResult& gb = library(kCjkFont, T::GB2312, 16, 16);
    EXPECT_EQ(std::tuple(gb.characters, gb.missing), std::tuple(7445u, 0u));
    // The glyph stored for a code is exactly what the renderer draws for its character.
    GlyphRenderer renderer;
    std::string error;
    ASSERT_TRUE(renderer.open(kCjkFont, 0, &error) && renderer.setCell(16, 16, true, &error)) << error;
    for (auto [code, ch] :
        { std::pair<std::uint16_t, char32_t> { 0xD6D0, U'\u4E2D' }, { 0xB0A1, U'\u554A' }, { 0xA3C1, U'\uFF21' } }) {
        std::vector<std::uint8_t> expected(32);
        ASSERT_TRUE(renderer.render(ch, expected, {}));
        EXPECT_EQ(glyphAt(gb.data, T::GB2312, 16, 16, code), expected) << std::hex << code;
    }
    EXPECT_GE(inkAt(gb.data, T::GB2312, 16, 16, 0xD6D0).column, 13); // 中: one long vertical stroke
    // 一 in BIG5 (0xA440): a single horizontal bar; its neighbour 乙 (0xA441) is not that bar.
    const FontGenResult& big5 = library(kCjkFont, T::Big5, 24, 24);
    const Ink yi = inkAt(big5.data, T::Big5, 24, 24, 0xA440);
    EXPECT_TRUE(yi.rows <= 3 && yi.right - yi.left >= 18) << yi.rows << " rows, " << yi.left << ".." << yi.right;
    EXPECT_GT(inkAt(big5.data, T::Big5, 24, 24, 0xA441).rows, 10);
    // 가, the first Hangul syllable, is the first glyph.
    std::vector<std::uint8_t> ga(24);
    ASSERT_TRUE(renderer.setCell(12, 12, true, &error) && renderer.render(U'\uAC00', ga, {})) << error;
    const auto& hangul = library(kCjkFont, T::Hangul, 12, 12).data;
    EXPECT_EQ(std::vector<std::uint8_t>(hangul.begin(), hangul.begin() + 24), ga);
    EXPECT_GT(inkOf(ga, 12, 12).dots, 10);
    // Unassigned codes are blank, the last character of row 0xD7 is not.
    for (std::uint16_t code : { 0xAAA1, 0xAFFE, 0xD7FA, 0xD7FE })
        EXPECT_EQ(inkAt(gb.data, T::GB2312, 16, 16, code).dots, 0) << std::hex << code;
    EXPECT_GT(inkAt(gb.data, T::GB2312, 16, 16, 0xD7F9).dots, 0);
    const FontGenResult& ascii = library(kLatinFont, T::Ascii, 8, 16);
    EXPECT_EQ(ascii.characters, 95u + 96u);
    for (int code = 0; code < 256; ++code) // controls and spaces blank, everything else drawn
        EXPECT_EQ(inkAt(ascii.data, T::Ascii, 8, 16, static_cast<std::uint16_t>(code)).dots == 0,
            code <= 0x20 || (code >= 0x7F && code <= 0xA0))
            << code;
}

TEST(FontGenerator, GlyphsSitOnOneBaselineCentredAndInsideTheCell)
{
    ZARN_REQUIRE_FONTS();
    const FontGenResult& ascii = library(kLatinFont, T::Ascii, 8, 16);
    auto ink = [&](char c) { return inkAt(ascii.data, T::Ascii, 8, 16, static_cast<std::uint8_t>(c)); };
    // Letters without descenders end on the same row; g and p go below it.
    const int base = ink('x').lowest;
    for (char c : { 'A', 'H', 'n', 'z', '1' })
        EXPECT_NEAR(ink(c).lowest, base, 1) << c;
    EXPECT_TRUE(ink('g').lowest > base + 1 && ink('p').lowest > base + 1 && base < 15) << base;
    for (char c : { '|', 'H', 'o' }) // a symmetric glyph is centred
        EXPECT_LE(std::abs(ink(c).left - (7 - ink(c).right)), 1) << c;
    EXPECT_TRUE(ink('W').left <= 1 && ink('W').right >= 6); // wide glyphs are narrowed rather than cut
    const FontGenResult& nine = library(kLatinFont, T::Ascii, 9, 9); // padding bits past the width stay clear
    for (std::size_t i = 1; i < nine.data.size(); i += 2)
        ASSERT_EQ(nine.data[i] & 0x7F, 0) << "byte " << i;
}

TEST(FontGenerator, ThresholdKeepsOrThinsStrokes)
{
    ZARN_REQUIRE_FONTS();
    const auto light = generateFontLibrary(kLatinFont, T::Ascii, 8, 16, FontGenOptions { 200, false, 0 });
    const auto heavy = generateFontLibrary(kLatinFont, T::Ascii, 8, 16, FontGenOptions { 40, false, 0 });
    const auto mono = generateFontLibrary(kLatinFont, T::Ascii, 8, 16, FontGenOptions { kDefaultThreshold, true, 0 });
    ASSERT_TRUE(light.ok && heavy.ok && mono.ok);
    EXPECT_LT(inkAt(light.data, T::Ascii, 8, 16, 'e').dots, inkAt(heavy.data, T::Ascii, 8, 16, 'e').dots);
    EXPECT_GT(inkAt(mono.data, T::Ascii, 8, 16, 'e').dots, 0);
    for (std::size_t i = 0; i < light.data.size(); ++i) // every dot of the light rendering is also in the heavy one
        ASSERT_EQ(light.data[i] & ~heavy.data[i], 0) << "byte " << i;
}

TEST(FontGenerator, BadRequestsAreRefusedWithAReason)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    writeBytes(dir / "garbage.ttf", Bytes(5000, 0x5A));
    Bytes cut = readBytes(kLatinFont);
    cut.resize(3000); // cut short after its table directory
    writeBytes(dir / "cut.ttf", cut);
    const std::tuple<std::string, T, int, int, FontGenOptions, std::vector<std::string>> cases[] = {
        { kLatinFont, T::Ascii, 0, 16, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 16, 0, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 100, 16, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 16, 100, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, -1, 8, {}, { "1 to 99" } },
        { kLatinFont, T::Ascii, 8, 16, { 0, false, 0 }, { "threshold" } },
        { dir.file("nope.ttf"), T::Ascii, 8, 16, {}, { "nope.ttf", "No such file" } },
        { dir.file("garbage.ttf"), T::Ascii, 8, 16, {}, { "not a font file" } },
        { dir.file("cut.ttf"), T::Ascii, 8, 16, {}, { "cut.ttf" } },
        { dir.path().string(), T::Ascii, 8, 16, {}, { "not a regular file" } },
        { kLatinFont, T::Ascii, 8, 16, { kDefaultThreshold, false, 3 }, { "face 3" } },
        // a Latin font has no Hangul at all: no empty library
        { kLatinFont, T::Hangul, 8, 16, {}, { "none of the characters" } },
    };
    for (const auto& [font, type, w, h, options, pieces] : cases) {
        const auto r = generateFontLibrary(font, type, w, h, options);
        EXPECT_TRUE(!r.ok && r.data.empty()) << font << " " << w << "x" << h;
        for (const auto& piece : pieces)
            EXPECT_HAS(r.message, piece);
    }
}

TEST(FontGenerator, WrittenLibrariesFollowTheLayoutAndPassTheImportChecks)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const auto hz = FontCommand::Hzlib, asc = FontCommand::Asciilib;
    const std::tuple<const char*, T, int, int, std::uint32_t, FontCommand, std::uint8_t> cases[] = {
        { kCjkFont, T::GB2312, 16, 16, 261696, hz, 240 },
        { kCjkFont, T::Big5, 24, 24, 3u * 24 * 13973, hz, 242 },
        { kCjkFont, T::Hangul, 12, 12, 2u * 12 * 2350, hz, 243 },
        { kLatinFont, T::Ascii, 8, 16, 4096, asc, 241 },
        { kLatinFont, T::Ascii, 9, 9, 4608, asc, 241 },
        { kLatinFont, T::Ascii, 1, 1, 256, asc, 241 },
        { kLatinFont, T::Ascii, 99, 99, 13u * 99 * 256, asc, 241 },
    };
    for (const auto& [font, type, w, h, bytes, command, kind] : cases) {
        const fs::path out = dir / "out" / (libraryTypeName(type) + std::to_string(w)); // created on the way
        const FontLibraryOutput r = makeFontLibrary(font, type, w, h, out.string());
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(std::tuple(fs::path(r.path), fs::file_size(r.path), r.size),
            std::tuple(out / libraryFileName(type, w, h), bytes, bytes));
        const ImportCheck check = checkFontLibrary(command, r.path, 16u << 20, 0, 190);
        const ResourceEntry& e = check.pending.entry;
        EXPECT_EQ(std::tuple(check.verdict, e.kind, e.width, e.height, e.length),
            std::tuple(ImportCheck::Verdict::Accepted, kind, w, h, bytes))
            << check.message;
        EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1); // nothing but the library is left in the folder
    }
}

TEST(FontGenerator, FailedWritesKeepTheOldLibraryAndGoodOnesReplaceIt)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const fs::path old = dir / "8X16.asc";
    patternFile(old, 100); // the previous library
    fs::create_directories(dir / "sub" / "8X16.asc"); // a folder where the library should go
    const std::pair<FontLibraryOutput, const char*> cases[] = {
        { makeFontLibrary(dir.file("missing.ttf"), T::Ascii, 8, 16, dir.path().string()), "missing.ttf" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, old.string()), "not a folder" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, (old / "sub").string()), "Cannot create output folder" },
        { makeFontLibrary(kLatinFont, T::Ascii, 8, 16, dir.file("sub")), "in the way" },
    };
    for (const auto& [r, reason] : cases) {
        EXPECT_FALSE(r.ok);
        EXPECT_HAS(r.message, reason);
    }
    EXPECT_EQ(std::tuple(readBytes(old), dir.entryCount()), std::tuple(pattern(100, 1), 2)) << "nothing else appeared";
    const mode_t mask = ::umask(022);
    const auto good = makeFontLibrary(kLatinFont, T::Ascii, 8, 16, dir.path().string());
    ::umask(mask);
    ASSERT_TRUE(good.ok) << good.message;
    EXPECT_EQ(std::tuple(fs::file_size(old), dir.entryCount()), std::tuple(4096u, 2)); // the library and sub/
    EXPECT_EQ(fs::status(good.path).permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

TEST(FontGenerator, DamagedFontsFailCleanlyOrRenderWhole)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const Bytes original = readBytes(kLatinFont);
    // A stretch of the font overwritten at several places (table directory, tables, outlines).
    for (std::size_t at :
        { std::size_t { 12 }, std::size_t { 300 }, original.size() / 3, original.size() / 2, original.size() - 5000 }) {
        Bytes damaged = original;
        for (std::size_t i = at; i < std::min(damaged.size(), at + 4000); ++i)
            damaged[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        const fs::path p = dir / ("damaged" + std::to_string(at) + ".ttf");
        writeBytes(p, damaged);
        const auto r = generateFontLibrary(p.string(), T::Ascii, 8, 16);
        EXPECT_TRUE(r.ok ? r.data.size() == 4096u : r.message.find(p.filename().string()) != std::string::npos)
            << at << ": " << r.message;
    }
}
