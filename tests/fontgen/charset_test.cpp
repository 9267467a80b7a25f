// Glyph order and character sets of the four library types.
#include "import/fontgen/FontCharset.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarn;
using T = FontLibraryType;

namespace {
const T kAllTypes[] = { T::GB2312, T::Big5, T::Hangul, T::Ascii };
}

TEST(FontCharset, GlyphCountsAndCodeOrderRowByRow)
{
    const std::pair<T, std::uint32_t> counts[] = { { T::GB2312, 87 * 94 }, { T::Big5, 89 * 157 }, { T::Hangul, 25 * 94 }, { T::Ascii, 256 } };
    for (const auto& [t, n] : counts) {
        EXPECT_EQ(libraryGlyphCount(t), n);
        EXPECT_EQ(fontLibraryInfo(t).glyphCount, n);
    }
    // BIG5: 0x40-0x7E (63 codes) then 0xA1-0xFE in every row
    const std::tuple<T, std::uint32_t, std::uint16_t> order[] = {
        { T::GB2312, 0, 0xA1A1 }, { T::GB2312, 93, 0xA1FE }, { T::GB2312, 94, 0xA2A1 }, { T::GB2312, 8177, 0xF7FE },
        { T::GB2312, 15 * 94, 0xB0A1 }, { T::Big5, 0, 0xA140 }, { T::Big5, 62, 0xA17E }, { T::Big5, 63, 0xA1A1 },
        { T::Big5, 157, 0xA240 }, { T::Big5, 13972, 0xF9FE }, { T::Big5, 3 * 157, 0xA440 }, { T::Big5, 3 * 157 + 63, 0xA4A1 },
        { T::Hangul, 0, 0xB0A1 }, { T::Hangul, 2349, 0xC8FE }, { T::Ascii, 0x41, 0x41 },
    };
    for (const auto& [t, index, code] : order)
        EXPECT_EQ(libraryCodeAt(t, index), code) << libraryTypeName(t) << " " << index;
    EXPECT_EQ(libraryCodeAt(T::GB2312, 8178), std::nullopt);
    const std::pair<T, std::uint16_t> outside[] = { { T::Big5, 0xA480 }, // between the two trail runs
                                                    { T::Hangul, 0xAFFE }, { T::Hangul, 0xC9A1 }, { T::Ascii, 0x100 } };
    for (const auto& [t, code] : outside)
        EXPECT_EQ(libraryIndexOf(t, code), std::nullopt) << libraryTypeName(t) << " " << std::hex << code;
    for (T t : kAllTypes)
        for (std::uint32_t i = 0; i < libraryGlyphCount(t); ++i) {
            const auto code = libraryCodeAt(t, i);
            ASSERT_TRUE(code) << libraryTypeName(t) << " " << i;
            ASSERT_EQ(libraryIndexOf(t, *code), i) << libraryTypeName(t) << " " << std::hex << *code;
        }
}

TEST(FontCharset, CharactersComeFromTheEncodings)
{
    std::string error;
    const auto gb = libraryCharacters(T::GB2312, &error);
    ASSERT_EQ(gb.size(), 8178u) << error;
    // 0xA3C1 is the full-width A; row 0xAA and the end of row 0xD7 are unassigned
    for (auto [code, ch] : { std::pair<std::uint16_t, char32_t> { 0xB0A1, 0x554A }, { 0xD6D0, 0x4E2D }, { 0xA3C1, 0xFF21 },
                             { 0xAAA1, 0 }, { 0xD7FA, 0 } })
        EXPECT_EQ(+gb[*libraryIndexOf(T::GB2312, code)], +ch) << std::hex << code;
    EXPECT_EQ(std::count_if(gb.begin(), gb.end(), [](char32_t c) { return c != 0; }), 7445);

    const auto big5 = libraryCharacters(T::Big5, &error);
    ASSERT_EQ(big5.size(), 13973u) << error;
    EXPECT_EQ(+big5[*libraryIndexOf(T::Big5, 0xA440)], 0x4E00u);
    EXPECT_EQ(+big5[*libraryIndexOf(T::Big5, 0xA4A4)], 0x4E2Du);

    const auto hangul = libraryCharacters(T::Hangul, &error);
    ASSERT_EQ(hangul.size(), 2350u) << error;
    EXPECT_EQ(+hangul[0], 0xAC00u);
    EXPECT_EQ(+hangul[2349], 0xD79Du); // the last of the 2350
    EXPECT_TRUE(std::all_of(hangul.begin(), hangul.end(), [](char32_t c) { return c >= 0xAC00 && c <= 0xD7A3; }));
    EXPECT_TRUE(std::is_sorted(hangul.begin(), hangul.end()));

    const auto ascii = libraryCharacters(T::Ascii);
    ASSERT_EQ(ascii.size(), 256u);
    EXPECT_EQ(+ascii['A'], static_cast<char32_t>('A'));
    EXPECT_EQ(+ascii[0xE9], 0x00E9u);
    for (int c : { 0x00, 0x1F, 0x7F, 0x80, 0x9F })
        EXPECT_EQ(+ascii[c], 0u) << c;
}

TEST(FontCharset, FileNamesAreWhatTheImportParses)
{
    EXPECT_EQ(libraryFileName(T::GB2312, 16, 16), "16X16.hzk");
    EXPECT_EQ(libraryFileName(T::Ascii, 8, 16), "8X16.asc");
    EXPECT_EQ(libraryFileName(T::Big5, 24, 24), "24X24.big");
    EXPECT_EQ(libraryFileName(T::Hangul, 12, 12), "12X12.kzk");
    for (T t : kAllTypes) {
        const std::string name = libraryFileName(t, 9, 99);
        EXPECT_EQ(parseGlyphSize(name), std::make_pair(9, 99)) << name;
        EXPECT_EQ(fileExtension(name), fontLibraryInfo(t).extension);
        EXPECT_EQ(parseLibraryTypeName(libraryTypeName(t)), t);
    }
    EXPECT_EQ(parseLibraryTypeName("BIG5"), T::Big5);
    EXPECT_EQ(parseLibraryTypeName("gbk"), std::nullopt);
}
