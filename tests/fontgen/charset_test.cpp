// Glyph order and character sets of the four library types.
#include "import/fontgen/FontCharset.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarn;

namespace {
const FontLibraryType kAllTypes[] = { FontLibraryType::GB2312, FontLibraryType::Big5, FontLibraryType::Hangul, FontLibraryType::Ascii };
}

TEST(FontCharset, GlyphCountsMatchTheImport)
{
    EXPECT_EQ(libraryGlyphCount(FontLibraryType::GB2312), 87u * 94u);
    EXPECT_EQ(libraryGlyphCount(FontLibraryType::Big5), 89u * 157u);
    EXPECT_EQ(libraryGlyphCount(FontLibraryType::Hangul), 25u * 94u);
    EXPECT_EQ(libraryGlyphCount(FontLibraryType::Ascii), 256u);
    for (FontLibraryType t : kAllTypes)
        EXPECT_EQ(libraryGlyphCount(t), fontLibraryInfo(t).glyphCount);
}

TEST(FontCharset, CodeOrderIsRowByRow)
{
    EXPECT_EQ(libraryCodeAt(FontLibraryType::GB2312, 0), 0xA1A1);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::GB2312, 93), 0xA1FE);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::GB2312, 94), 0xA2A1);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::GB2312, 8177), 0xF7FE);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::GB2312, 8178), std::nullopt);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::GB2312, 0xB0A1), 15u * 94u);
    // BIG5: 0x40-0x7E (63 codes) then 0xA1-0xFE in every row
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Big5, 0), 0xA140);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Big5, 62), 0xA17E);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Big5, 63), 0xA1A1);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Big5, 157), 0xA240);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Big5, 13972), 0xF9FE);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Big5, 0xA440), 3u * 157u);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Big5, 0xA4A1), 3u * 157u + 63u);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Big5, 0xA480), std::nullopt); // between the two trail runs
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Hangul, 0), 0xB0A1);
    EXPECT_EQ(libraryCodeAt(FontLibraryType::Hangul, 2349), 0xC8FE);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Hangul, 0xAFFE), std::nullopt);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Hangul, 0xC9A1), std::nullopt);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Ascii, 0x41), 0x41u);
    EXPECT_EQ(libraryIndexOf(FontLibraryType::Ascii, 0x100), std::nullopt);

    for (FontLibraryType t : kAllTypes)
        for (std::uint32_t i = 0; i < libraryGlyphCount(t); ++i) {
            const auto code = libraryCodeAt(t, i);
            ASSERT_TRUE(code) << libraryTypeName(t) << " " << i;
            ASSERT_EQ(libraryIndexOf(t, *code), i) << libraryTypeName(t) << " " << std::hex << *code;
        }
}

TEST(FontCharset, CharactersComeFromTheEncodings)
{
    std::string error;
    const auto gb = libraryCharacters(FontLibraryType::GB2312, &error);
    ASSERT_EQ(gb.size(), 8178u) << error;
    EXPECT_EQ(+gb[*libraryIndexOf(FontLibraryType::GB2312, 0xB0A1)], 0x554Au);
    EXPECT_EQ(+gb[*libraryIndexOf(FontLibraryType::GB2312, 0xD6D0)], 0x4E2Du);
    EXPECT_EQ(+gb[*libraryIndexOf(FontLibraryType::GB2312, 0xA3C1)], 0xFF21u); // full-width A
    // unassigned: row 0xAA, and the end of row 0xD7
    EXPECT_EQ(+gb[*libraryIndexOf(FontLibraryType::GB2312, 0xAAA1)], 0u);
    EXPECT_EQ(+gb[*libraryIndexOf(FontLibraryType::GB2312, 0xD7FA)], 0u);
    EXPECT_EQ(std::count_if(gb.begin(), gb.end(), [](char32_t c) { return c != 0; }), 7445);

    const auto big5 = libraryCharacters(FontLibraryType::Big5, &error);
    ASSERT_EQ(big5.size(), 13973u) << error;
    EXPECT_EQ(+big5[*libraryIndexOf(FontLibraryType::Big5, 0xA440)], 0x4E00u);
    EXPECT_EQ(+big5[*libraryIndexOf(FontLibraryType::Big5, 0xA4A4)], 0x4E2Du);

    const auto hangul = libraryCharacters(FontLibraryType::Hangul, &error);
    ASSERT_EQ(hangul.size(), 2350u) << error;
    EXPECT_EQ(+hangul[0], 0xAC00u);
    EXPECT_EQ(+hangul[2349], 0xD79Du); // 힝, the last of the 2350
    EXPECT_TRUE(std::all_of(hangul.begin(), hangul.end(), [](char32_t c) { return c >= 0xAC00 && c <= 0xD7A3; }));
    EXPECT_TRUE(std::is_sorted(hangul.begin(), hangul.end()));

    const auto ascii = libraryCharacters(FontLibraryType::Ascii);
    ASSERT_EQ(ascii.size(), 256u);
    EXPECT_EQ(+ascii['A'], static_cast<char32_t>('A'));
    EXPECT_EQ(+ascii[0xE9], 0x00E9u);
    for (int c : { 0x00, 0x1F, 0x7F, 0x80, 0x9F })
        EXPECT_EQ(+ascii[c], 0u) << c;
}

TEST(FontCharset, FileNamesAreWhatTheImportParses)
{
    EXPECT_EQ(libraryFileName(FontLibraryType::GB2312, 16, 16), "16X16.hzk");
    EXPECT_EQ(libraryFileName(FontLibraryType::Ascii, 8, 16), "8X16.asc");
    EXPECT_EQ(libraryFileName(FontLibraryType::Big5, 24, 24), "24X24.big");
    EXPECT_EQ(libraryFileName(FontLibraryType::Hangul, 12, 12), "12X12.kzk");
    for (FontLibraryType t : kAllTypes) {
        const std::string name = libraryFileName(t, 9, 99);
        EXPECT_EQ(parseGlyphSize(name), std::make_pair(9, 99)) << name;
        EXPECT_EQ(fileExtension(name), fontLibraryInfo(t).extension);
        EXPECT_EQ(parseLibraryTypeName(libraryTypeName(t)), t);
    }
    EXPECT_EQ(parseLibraryTypeName("BIG5"), FontLibraryType::Big5);
    EXPECT_EQ(parseLibraryTypeName("gbk"), std::nullopt);
}
