// Glyph order and character sets of the four library types.
#include "import/fontgen/FontCharset.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarn;
using T = FontLibraryType;

TEST(FontCharset, GlyphCountsAndCodeOrderRowByRow)
{
    for (const auto& [t, n] :
        { std::pair { T::GB2312, 87u * 94 }, { T::Big5, 89u * 157 }, { T::Hangul, 25u * 94 }, { T::Ascii, 256u } }) {
        EXPECT_EQ(std::tuple(libraryGlyphCount(t), fontLibraryInfo(t).glyphCount, libraryCodeAt(t, n)),
            std::tuple(n, n, std::nullopt));
        for (std::uint32_t i = 0; i < n; ++i) { // every position has its code, and the code gives the position back
            const auto code = libraryCodeAt(t, i);
            ASSERT_TRUE(code && libraryIndexOf(t, *code) == i) << libraryTypeName(t) << " " << i;
        }
    }
    // BIG5: 0x40-0x7E (63 codes) then 0xA1-0xFE in every row
    const std::tuple<T, std::uint32_t, std::uint16_t> order[] = {
        { T::GB2312, 0, 0xA1A1 },
        { T::GB2312, 93, 0xA1FE },
        { T::GB2312, 94, 0xA2A1 },
        { T::GB2312, 15 * 94, 0xB0A1 },
        { T::GB2312, 8177, 0xF7FE },
        { T::Big5, 0, 0xA140 },
        { T::Big5, 62, 0xA17E },
        { T::Big5, 63, 0xA1A1 },
        { T::Big5, 157, 0xA240 },
        { T::Big5, 3 * 157 + 63, 0xA4A1 },
        { T::Big5, 13972, 0xF9FE },
        { T::Hangul, 0, 0xB0A1 },
        { T::Hangul, 2349, 0xC8FE },
        { T::Ascii, 0x41, 0x41 },
    };
    for (const auto& [t, index, code] : order)
        EXPECT_EQ(libraryCodeAt(t, index), code) << libraryTypeName(t) << " " << index;
    for (const auto& [t, code] :
        { std::pair { T::Big5, 0xA480 }, { T::Hangul, 0xAFFE }, { T::Hangul, 0xC9A1 }, { T::Ascii, 0x100 } })
        EXPECT_EQ(libraryIndexOf(t, static_cast<std::uint16_t>(code)), std::nullopt)
            << libraryTypeName(t) << " " << std::hex << code;
}

TEST(FontCharset, CharactersComeFromTheEncodings)
{
    const auto gb = libraryCharacters(T::GB2312);
    ASSERT_EQ(gb.size(), 8178u);
    // 0xA3C1 is the full-width A; row 0xAA and the end of row 0xD7 are unassigned
    for (auto [code, ch] : { std::pair<std::uint16_t, char32_t> { 0xB0A1, 0x554A }, { 0xD6D0, 0x4E2D },
             { 0xA3C1, 0xFF21 }, { 0xAAA1, 0 }, { 0xD7FA, 0 } })
        EXPECT_EQ(+gb[*libraryIndexOf(T::GB2312, code)], +ch) << std::hex << code;
    EXPECT_EQ(std::count_if(gb.begin(), gb.end(), [](char32_t c) { return c != 0; }), 7445);
    const auto big5 = libraryCharacters(T::Big5);
    ASSERT_EQ(big5.size(), 13973u);
    for (auto [code, ch] : { std::pair<std::uint16_t, char32_t> { 0xA440, 0x4E00 }, { 0xA4A4, 0x4E2D },
             { 0xC6A1, U'①' }, { 0xC6E7, U'ぁ' } }) // the last two are private use in plain Big5
        EXPECT_EQ(+big5[*libraryIndexOf(T::Big5, code)], +ch) << std::hex << code;
    const auto hangul = libraryCharacters(T::Hangul); // the 2350 syllables in order, 가 first
    ASSERT_EQ(hangul.size(), 2350u);
    EXPECT_EQ(std::tuple(+hangul[0], +hangul[2349]), std::tuple(0xAC00u, 0xD79Du));
    EXPECT_TRUE(std::is_sorted(hangul.begin(), hangul.end()) && hangul[2349] <= 0xD7A3);
    const auto ascii = libraryCharacters(T::Ascii);
    ASSERT_EQ(ascii.size(), 256u);
    EXPECT_EQ(std::tuple(+ascii['A'], +ascii[0xE9]), std::tuple(0x41u, 0xE9u));
    // control codes
    EXPECT_TRUE(ascii[0x00] == 0 && ascii[0x1F] == 0 && ascii[0x7F] == 0 && ascii[0x80] == 0 && ascii[0x9F] == 0);
}

#ifndef _WIN32
#include <iconv.h>

// The tables are the C library's converters read once (make_code_tables.py):
// regenerated elsewhere or edited by hand, they would draw other characters.
TEST(FontCharset, TablesAreTheCLibrarysConversions)
{
    // The one character of a two-byte code, 0 when it gives none or more.
    const auto convert = [](iconv_t cd, std::uint16_t code) -> char32_t {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char in[2] = { static_cast<char>(code >> 8), static_cast<char>(code & 0xFF) };
        unsigned char out[8];
        char *from = in, *to = reinterpret_cast<char*>(out);
        std::size_t inLeft = 2, outLeft = sizeof out;
        const bool one = iconv(cd, &from, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0
            && outLeft == sizeof out - 4;
        return one ? out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24 : 0;
    };
    const iconv_t hkscs = iconv_open("UTF-32LE", "BIG5-HKSCS");
    for (const auto& [type, encoding] :
        { std::pair { T::GB2312, "GB2312" }, { T::Big5, "BIG5" }, { T::Hangul, "EUC-KR" } }) {
        const iconv_t cd = iconv_open("UTF-32LE", encoding);
        ASSERT_TRUE(cd != reinterpret_cast<iconv_t>(-1) && hkscs != reinterpret_cast<iconv_t>(-1)) << encoding;
        const auto characters = libraryCharacters(type);
        for (std::uint32_t i = 0; i < characters.size(); ++i) {
            const std::uint16_t code = *libraryCodeAt(type, i);
            char32_t expected = convert(cd, code);
            if (type == T::Big5 && isPrivateUse(expected)) // Big5-2003 and HKSCS define these
                if (const char32_t other = convert(hkscs, code); other && !isPrivateUse(other))
                    expected = other;
            ASSERT_EQ(+characters[i], +expected) << encoding << " " << std::hex << code;
        }
        iconv_close(cd);
    }
    iconv_close(hkscs);
}
#endif
