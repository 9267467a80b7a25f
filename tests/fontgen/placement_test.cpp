// Where glyphs land in their cells, as properties a user would see on a module:
// box drawing joins, punctuation keeps its place, Latin letters share their
// lines, no drawn character comes out blank, and the dots agree with the
// system's own drawing placed by the font's box-drawing lines. The same tests
// run on Linux (FreeType) and under Wine (GDI).
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "platform/GlyphRasteriser.h"
#include "tests/fontgen/FontPaths.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarn;
using namespace zarn::test;
using T = FontLibraryType;

namespace {

// One glyph drawn alone, with the questions the tests ask of it.
struct Cell {
    int w, h;
    std::vector<std::uint8_t> bytes;
    Cell(const char* font, bool fullWidth, int w, int h, char32_t c, FontGenOptions options = {})
        : w(w)
        , h(h)
        , bytes(static_cast<std::size_t>((w + 7) / 8) * h)
    {
        GlyphRenderer renderer;
        std::string error;
        EXPECT_TRUE(renderer.open(font, 0, &error) && renderer.setCell(w, h, fullWidth, &error)) << error;
        renderer.render(c, bytes, options);
    }
    bool dot(int x, int y) const { return bytes[y * ((w + 7) / 8) + x / 8] >> (7 - x % 8) & 1; }
    // Whether any dot lies in the rectangle [x0, x1) x [y0, y1).
    bool inkIn(int x0, int y0, int x1, int y1) const
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (dot(x, y))
                    return true;
        return false;
    }
    int top() const
    {
        int y = 0;
        while (y < h && !inkIn(0, y, w, y + 1))
            ++y;
        return y;
    }
    int bottom() const
    {
        int y = h - 1;
        while (y >= 0 && !inkIn(0, y, w, y + 1))
            --y;
        return y;
    }
    // How far the middle of the ink lies right of the cell's middle, in dots.
    double inkOffCentre() const
    {
        int left = 0, right = w - 1;
        while (left < w && !inkIn(left, 0, left + 1, h))
            ++left;
        while (right >= 0 && !inkIn(right, 0, right + 1, h))
            --right;
        return (left + right + 1) / 2.0 - w / 2.0;
    }
};

// The character at `code` of a library of that type.
char32_t characterAt(T type, std::uint16_t code)
{
    const auto index = libraryIndexOf(type, code);
    return index ? libraryCharacters(type)[*index] : 0;
}

// A font opened by the system's rasteriser, as the tests' yardstick.
std::unique_ptr<GlyphRasteriser> openFont(const char* file)
{
    auto font = makeGlyphRasteriser();
    FontOpenFailure failure;
    EXPECT_TRUE(font->openFile(file, readBytes(file), 0, failure)) << file << ": " << failure.reason;
    return font;
}

} // namespace

TEST(GlyphPlacement, BoxDrawingReachesTheEdgesItsShapeNeedsAndJoins)
{
    ZARN_REQUIRE_FONTS();
    // Left, right, top, bottom: the edges each shape reaches.
    const std::pair<char32_t, const char*> shapes[]
        = { { U'─', "LR" }, { U'│', "TB" }, { U'┌', "RB" }, { U'┐', "LB" }, { U'└', "RT" }, { U'┘', "LT" },
              { U'├', "RTB" }, { U'┤', "LTB" }, { U'┬', "LRB" }, { U'┴', "LRT" }, { U'┼', "LRTB" } };
    for (const auto& [w, h] : { std::pair { 16, 16 }, { 24, 24 }, { 13, 15 }, { 24, 16 } }) {
        // Arms meet the neighbours' where "─" and "│" run.
        const int row = Cell(kCjkFont, true, w, h, U'─').top();
        const Cell down(kCjkFont, true, w, h, U'│');
        int column = 0;
        while (column < w && !down.inkIn(column, 0, column + 1, h))
            ++column;
        for (const auto& [c, edges] : shapes) {
            const Cell g(kCjkFont, true, w, h, c);
            const std::string reached = std::string(g.inkIn(0, 0, 1, h) ? "L" : "")
                + (g.inkIn(w - 1, 0, w, h) ? "R" : "") + (g.dot(column, 0) ? "T" : "")
                + (g.dot(column, h - 1) ? "B" : "");
            const std::string arms = std::string(g.dot(0, row) ? "L" : "") + (g.dot(w - 1, row) ? "R" : "")
                + (g.inkIn(0, 0, w, 1) ? "T" : "") + (g.inkIn(0, h - 1, w, h) ? "B" : "");
            EXPECT_EQ(reached, edges) << std::hex << int(c) << " at " << std::dec << w << "x" << h;
            EXPECT_EQ(arms, edges) << std::hex << int(c) << " at " << std::dec << w << "x" << h;
        }
    }
}

TEST(GlyphPlacement, PunctuationKeepsItsPlaceAndLatinLettersShareTheirLines)
{
    ZARN_REQUIRE_FONTS();
    for (const int s : { 16, 24 }) {
        for (char32_t c : { U'、', U'。' }) // lower left
            EXPECT_FALSE(Cell(kCjkFont, true, s, s, c).inkIn(s / 2, 0, s, s)
                || Cell(kCjkFont, true, s, s, c).inkIn(0, 0, s, s / 2))
                << int(c);
        for (char32_t c : { U'（', U'《' }) // right half
            EXPECT_FALSE(Cell(kCjkFont, true, s, s, c).inkIn(0, 0, s / 2, s)) << int(c);
    }
    const auto latin = [](char c) { return Cell(kLatinFont, false, 8, 16, static_cast<unsigned char>(c)); };
    for (const char* group : { "ABEHIKLMNTXZ", "acemnorsuvwxz", "bdhkl" }) // capitals, x-height, ascenders
        for (const char* c = group; *c; ++c)
            EXPECT_EQ(latin(*c).top(), latin(group[0]).top()) << *c;
    for (const char* c = "ABHabcdmnxz1"; *c; ++c) // one baseline, descenders below it
        EXPECT_EQ(latin(*c).bottom(), latin('x').bottom()) << *c;
    for (const char* c = "gjpqy"; *c; ++c)
        EXPECT_GT(latin(*c).bottom(), latin('x').bottom() + 1) << *c;
}

// A CJK font draws Greek, Cyrillic, curly quotes and the like with about half
// an em of advance: in a full-width cell that advance is centred, the glyph's
// own side bearings kept inside it.
TEST(GlyphPlacement, NarrowCharactersAreCentredInFullWidthCells)
{
    ZARN_REQUIRE_FONTS();
    const auto font = openFont(kCjkFont);
    const double upem = font->metrics().unitsPerEm;
    // Α Ω α ω А Я а я and the middle dot; then “ ”.
    const std::pair<T, std::vector<std::uint16_t>> libraries[] = {
        { T::GB2312, { 0xA6A1, 0xA6B8, 0xA6C1, 0xA6D8, 0xA7A1, 0xA7C1, 0xA7D1, 0xA7F1, 0xA1A4, 0xA1B0, 0xA1B1 } },
        { T::Big5, { 0xA344, 0xA35B, 0xA35C, 0xA373, 0xC7F3, 0xC854, 0xC855, 0xC875, 0xA150, 0xA1A7, 0xA1A8 } },
    };
    for (const auto& [type, codes] : libraries)
        for (const int s : { 16, 24 })
            for (const std::uint16_t code : codes) {
                const char32_t c = characterAt(type, code);
                const unsigned glyph = c ? font->glyphIndex(c) : 0;
                GlyphBox box;
                long advance = 0;
                ASSERT_TRUE(glyph && font->designBox(glyph, box) && font->designAdvance(glyph, advance))
                    << std::hex << code;
                // Half the difference of its side bearings, in dots.
                const double ownOffset = (box.xMin - (advance - box.xMax)) / 2.0 * s / upem;
                const bool quote = c == U'“' || c == U'”';
                EXPECT_NEAR(Cell(kCjkFont, true, s, s, c).inkOffCentre(), quote ? ownOffset : 0.0, 1.0)
                    << libraryTypeName(type) << " " << std::hex << code << " U+" << unsigned(c) << std::dec << " at "
                    << s;
            }
}

// Blocks and diagonals that the font draws to (nearly) the edge of its em run
// to the edge of the cell, at their own thickness; lines whose thin stem
// leaves a thicker line keep it.
TEST(GlyphPlacement, BlocksDiagonalsAndStemsReachTheEdgesTheirShapesNeed)
{
    ZARN_REQUIRE_FONTS();
    struct Shape {
        std::uint16_t code;
        const char* edges; // L R T B, or the corners / and \ that a diagonal joins
    };
    const std::pair<T, std::vector<Shape>> libraries[] = {
        { T::GB2312, { { 0xA9AE, "TB" }, { 0xA9AF, "TB" } } }, // ┊ ┋
        { T::Big5,
            { { 0xA276, "LRT" }, { 0xA262, "LRB" }, { 0xA2AC, "/" }, { 0xA2AD, "\\" }, // ▔ ▁ ╱ ╲
                { 0xF9E7, "LRB" }, { 0xA2A6, "LRTB" } } }, // ╤ ╪
    };
    for (const auto& [type, shapes] : libraries)
        for (const auto& [w, h] : { std::pair { 16, 16 }, { 24, 24 }, { 24, 16 } })
            for (const auto& [code, edges] : shapes) {
                const Cell g(kCjkFont, true, w, h, characterAt(type, code));
                std::string reached = std::string(g.inkIn(0, 0, 1, h) ? "L" : "") + (g.inkIn(w - 1, 0, w, h) ? "R" : "")
                    + (g.inkIn(0, 0, w, 1) ? "T" : "") + (g.inkIn(0, h - 1, w, h) ? "B" : "");
                if (edges[0] == '/' || edges[0] == '\\')
                    reached = std::string(g.dot(0, h - 1) && g.dot(w - 1, 0) ? "/" : "")
                        + (g.dot(0, 0) && g.dot(w - 1, h - 1) ? "\\" : "");
                EXPECT_EQ(reached, edges)
                    << libraryTypeName(type) << " " << std::hex << code << std::dec << " at " << w << "x" << h;
                if (code == 0xA276 || code == 0xA262) { // an eighth of the cell, not more
                    EXPECT_LE(g.bottom() - g.top() + 1, h / 8 + 1) << std::hex << code << std::dec << " at " << h;
                }
            }
}

TEST(GlyphPlacement, NoCharacterTheFontDrawsIsBlank)
{
    ZARN_REQUIRE_FONTS();
    for (const auto& [file, type] : { std::pair { kLatinFont, T::Ascii }, { kCjkFont, T::GB2312 } }) {
        const auto font = openFont(file);
        const auto characters = libraryCharacters(type);
        for (const auto& [w, h] : { std::pair { 6, 8 }, { 8, 16 }, { 16, 16 } })
            for (const FontGenOptions options :
                { FontGenOptions {}, { kDefaultThreshold, true, 0 }, { 128, false, 0 } }) {
                const FontGenResult r = generateFontLibrary(file, type, w, h, options);
                ASSERT_TRUE(r.ok) << r.message;
                const std::size_t size = static_cast<std::size_t>((w + 7) / 8) * h;
                for (std::size_t i = 0; i < characters.size(); ++i) {
                    // Drawn with ink: the font's outline has points.
                    GlyphBox box;
                    const unsigned glyph = characters[i] ? font->glyphIndex(characters[i]) : 0;
                    if (!glyph || !font->designBox(glyph, box))
                        continue;
                    const auto first = r.data.begin() + static_cast<std::ptrdiff_t>(i * size);
                    ASSERT_TRUE(std::any_of(first, first + static_cast<std::ptrdiff_t>(size), [](auto b) { return b; }))
                        << libraryTypeName(type) << " U+" << std::hex << unsigned(characters[i]) << std::dec << " at "
                        << w << "x" << h << (options.mono ? " mono" : "") << " threshold " << options.threshold;
                }
            }
    }
}

TEST(GlyphPlacement, Big5HasItsWholeTableAndTheMissingAreNamed)
{
    ZARN_REQUIRE_FONTS();
    TempDir dir;
    const FontLibraryOutput out = makeFontLibrary(kCjkFont, T::Big5, 16, 16, dir.path().string());
    ASSERT_TRUE(out.ok) << out.message;
    const Bytes data = readBytes(out.path);
    for (const std::uint16_t code : { 0xC6A1, 0xC6E7 }) // ① and ぁ, private use in plain Big5
        EXPECT_TRUE(std::any_of(data.begin() + *libraryIndexOf(T::Big5, code) * 32,
            data.begin() + *libraryIndexOf(T::Big5, code) * 32 + 32, [](auto b) { return b; }))
            << std::hex << code;
    EXPECT_LT(out.missing, 100u);
    EXPECT_NE(out.message.find(characterList({ out.firstMissing[0] })), std::string::npos) << out.message;
}

// The rasteriser's own drawing of the same glyphs at the em size, placed as
// the font's box-drawing lines say (the top of "│" is the cell's first row),
// matches the library dot for dot on most glyphs: a placement that drifts by a
// row or a column does not.
TEST(GlyphPlacement, GlyphsMatchTheRasterisersDrawingAtTheEmSize)
{
    ZARN_REQUIRE_FONTS();
    const auto font = openFont(kCjkFont);
    LoadedGlyph loaded;
    GlyphBitmap b;
    ASSERT_TRUE(font->setSize(16, 16) && font->load(font->glyphIndex(U'│'), GridFit::Font, loaded) && font->draw(b));
    const int baseline = b.top;
    const FontGenResult& lib = generateFontLibrary(kCjkFont, T::GB2312, 16, 16);
    const auto characters = libraryCharacters(T::GB2312);
    std::vector<double> agreement;
    for (std::size_t i = 1410; i < characters.size(); i += 97) { // ideographs from B0A1 on
        ASSERT_TRUE(font->load(font->glyphIndex(characters[i]), GridFit::Font, loaded) && font->draw(b));
        int both = 0, either = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int by = y - (baseline - b.top), bx = x - b.left;
                const bool theirs = by >= 0 && bx >= 0 && by < b.rows && bx < b.width
                    && b.coverage[by * b.width + bx] >= kDefaultThreshold;
                const bool ours = lib.data[i * 32 + y * 2 + x / 8] >> (7 - x % 8) & 1;
                both += theirs && ours;
                either += theirs || ours;
            }
        agreement.push_back(either ? double(both) / either : 1.0);
    }
    std::sort(agreement.begin(), agreement.end());
    EXPECT_GT(agreement[agreement.size() / 2], 0.9) << "median";
    EXPECT_GT(agreement[agreement.size() / 10], 0.75) << "tenth";
}
