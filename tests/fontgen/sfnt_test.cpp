// The faces and metrics read from a font's own tables (what GDI is not asked):
// the same names and numbers FreeType reads, and nothing read past the bytes
// of a damaged file.
#include "platform/GlyphRasteriser.h"
#include "platform/SfntTables.h"
#include "tests/fontgen/FontPaths.h"

#include <gtest/gtest.h>

using namespace zarn;
using namespace zarn::test;

TEST(SfntTables, FacesAreNamedAsTheirFamilies)
{
    ZARN_REQUIRE_FONTS();
    const std::pair<const char*, std::vector<std::string>> fonts[] = {
        { kCjkFont, { "WenQuanYi Zen Hei", "WenQuanYi Zen Hei Mono", "WenQuanYi Zen Hei Sharp" } },
        { kLatinFont, { "DejaVu Sans" } },
        { ZARN_TEST_DATA_DIR "/fontgen/damaged/two-glyphs.ttf", { "Zarn Test" } },
    };
    for (const auto& [file, families] : fonts) {
        const auto faces = sfntFaces(readBytes(file));
        ASSERT_TRUE(faces) << file;
        std::vector<std::string> names;
        for (const SfntFace& face : *faces) {
            names.push_back(face.family);
            EXPECT_EQ(face.head.size(), 54u) << file;
        }
        EXPECT_EQ(names, families);
    }
}

// The numbers the placement works from, as the rasteriser of this system
// reads them; DejaVu Sans's are known.
TEST(SfntTables, MetricsAreTheFontsOwn)
{
    ZARN_REQUIRE_FONTS();
    const auto font = makeGlyphRasteriser();
    FontOpenFailure failure;
    ASSERT_TRUE(font->openFile(kLatinFont, readBytes(kLatinFont), 0, failure)) << failure.reason;
    const FaceMetrics m = font->metrics();
    EXPECT_EQ(std::tuple(m.unitsPerEm, m.ascender, m.descender, m.hasTypoMetrics, m.typoAscender, m.typoDescender),
        std::tuple(2048, 1901, -483, true, 1556, -492));
}

TEST(SfntTables, DamagedDirectoriesAreRefusedWithoutReadingPastTheBytes)
{
    ZARN_REQUIRE_FONTS();
    const Bytes whole = readBytes(kLatinFont), collection = readBytes(kCjkFont);
    EXPECT_FALSE(sfntFaces(Bytes { 't', 'e', 'x', 't', ' ', 'f', 'i', 'l', 'e' }));
    EXPECT_FALSE(sfntFaces(Bytes(whole.begin(), whole.begin() + 100))); // the directory is cut
    EXPECT_FALSE(sfntFaces(Bytes(collection.begin(), collection.begin() + 14))); // so is the collection's list
    Bytes many = collection;
    many[8] = 0x40; // a collection of a billion faces
    EXPECT_FALSE(sfntFaces(many));
    // Any cut or overwritten stretch: faces or none, never a read outside the file.
    for (std::size_t cut = 0; cut < 2000; cut += 7) {
        Bytes damaged(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        (void)sfntFaces(damaged);
        damaged = whole;
        for (std::size_t i = 0; i < 64 && cut + i < damaged.size(); ++i)
            damaged[cut + i] ^= static_cast<std::uint8_t>(0xA5 + i * 31);
        const auto faces = sfntFaces(damaged);
        EXPECT_TRUE(!faces || faces->size() == 1) << cut;
    }
}
