// Font libraries: glyph size from the name, exact length, the checks in their order.
#include "import/FontLibrary.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using zarn::checkFontLibrary;
using zarn::FontCommand;
using zarn::FontLibraryType;
using zarn::ImportCheck;
using zarn::parseGlyphSize;
using Verdict = zarn::ImportCheck::Verdict;

namespace {
struct Libraries : ::testing::Test {
    zarn::test::TempDir dir;
    std::string make(const std::string& name, std::uintmax_t size)
    {
        const fs::path p = dir / name;
        zarn::test::writeBytes(p, {});
        fs::resize_file(p, size);
        return p.string();
    }
};
} // namespace

TEST(GlyphSize, FromTheFileName)
{
    EXPECT_EQ(parseGlyphSize("16X16.hzk"), std::make_pair(16, 16));
    EXPECT_EQ(parseGlyphSize("24x24song.big"), std::make_pair(24, 24));
    EXPECT_EQ(parseGlyphSize("HZK16.hzk"), std::make_pair(0, 16));
    EXPECT_EQ(parseGlyphSize("16.hzk"), std::make_pair(16, 0));
    EXPECT_EQ(parseGlyphSize("8X16.asc"), std::make_pair(8, 16));
    EXPECT_EQ(parseGlyphSize("/fonts/12x12/9X9.asc"), std::make_pair(9, 9)); // the folder does not count
    EXPECT_EQ(parseGlyphSize("song.hzk"), std::make_pair(0, 0));
    EXPECT_EQ(parseGlyphSize(""), std::make_pair(0, 0));
    EXPECT_GT(parseGlyphSize("99999999999999999999X1.hzk").first, 99); // no overflow
}

TEST(FontLibraryTable, TypesCountsExtensionsAndTexts)
{
    const auto& gb = zarn::fontLibraryInfo(FontLibraryType::GB2312);
    EXPECT_STREQ(gb.extension, "hzk");
    EXPECT_EQ(gb.glyphCount, 8178u);
    EXPECT_EQ(gb.kind, 240);
    EXPECT_STREQ(gb.invalidMessage, "GBK2312 lib file invalid");
    EXPECT_STREQ(gb.openFailureMessage, "Open GBK2312 lib file failure");
    const auto& big = zarn::fontLibraryInfo(FontLibraryType::Big5);
    EXPECT_STREQ(big.extension, "big");
    EXPECT_EQ(big.glyphCount, 13973u);
    EXPECT_EQ(big.kind, 242);
    EXPECT_STREQ(big.openFailureMessage, "Open BIG5 lib file failure");
    const auto& kr = zarn::fontLibraryInfo(FontLibraryType::Hangul);
    EXPECT_STREQ(kr.extension, "kzk");
    EXPECT_EQ(kr.glyphCount, 2350u);
    EXPECT_EQ(kr.kind, 243);
    EXPECT_STREQ(kr.invalidMessage, "hanngul lib file invalid");
    const auto& asc = zarn::fontLibraryInfo(FontLibraryType::Ascii);
    EXPECT_STREQ(asc.extension, "asc");
    EXPECT_EQ(asc.glyphCount, 256u);
    EXPECT_EQ(asc.kind, 241);
    EXPECT_STREQ(asc.confirmationFormat, "Loading ASCII lib file:%dX%d Filesize:%d");
    EXPECT_EQ(zarn::expectedFontLibraryLength(FontLibraryType::GB2312, 16, 16), 261696u);
    EXPECT_EQ(zarn::expectedFontLibraryLength(FontLibraryType::Big5, 16, 16), 447136u);
    EXPECT_EQ(zarn::expectedFontLibraryLength(FontLibraryType::Hangul, 16, 16), 75200u);
    EXPECT_EQ(zarn::expectedFontLibraryLength(FontLibraryType::Ascii, 8, 16), 4096u);
    EXPECT_EQ(zarn::expectedFontLibraryLength(FontLibraryType::Ascii, 12, 12), 6144u);
    EXPECT_EQ(zarn::expectedFontLibraryLength(FontLibraryType::Ascii, 9, 9), 4608u);
}

TEST_F(Libraries, AcceptedGb2312LibraryFillsThePendingItem)
{
    const auto path = make("16X16.hzk", 261696);
    const ImportCheck c = checkFontLibrary(FontCommand::Hzlib, path, 4000000, 0, 190);
    ASSERT_EQ(c.verdict, Verdict::Accepted) << c.message;
    EXPECT_EQ(c.message, "Loading GBK2312 lib file:\r16X16 Filesize:261696");
    EXPECT_EQ(c.pending.entry.kind, 240);
    EXPECT_EQ(c.pending.entry.width, 16);
    EXPECT_EQ(c.pending.entry.height, 16);
    EXPECT_EQ(c.pending.entry.length, 261696u);
    EXPECT_EQ(c.pending.entry.ignoreColor, 0);
    EXPECT_EQ(c.pending.entry.reserved, 0u);
    EXPECT_EQ(c.pending.sourcePath, path);
}

TEST_F(Libraries, EachTypeByItsExtensionAndLength)
{
    struct Case { FontCommand cmd; const char* name; std::uintmax_t size; int kind; const char* text; };
    const Case cases[] = {
        { FontCommand::Hzlib, "16X16.big", 447136, 242, "Loading BIG5 lib file:\r16X16 Filesize:447136" },
        { FontCommand::Hzlib, "16X16.kzk", 75200, 243, "Loading hanngul lib file:\r16X16 Filesize:75200" },
        { FontCommand::Asciilib, "8X16.asc", 4096, 241, "Loading ASCII lib file:8X16 Filesize:4096" },
        { FontCommand::Asciilib, "12x12.asc", 6144, 241, "Loading ASCII lib file:12X12 Filesize:6144" },
        { FontCommand::Asciilib, "9X9.asc", 4608, 241, "Loading ASCII lib file:9X9 Filesize:4608" },
    };
    for (const auto& k : cases) {
        const ImportCheck c = checkFontLibrary(k.cmd, make(k.name, k.size), 1u << 22, 3, 190);
        ASSERT_EQ(c.verdict, Verdict::Accepted) << k.name << ": " << c.message;
        EXPECT_EQ(c.message, k.text);
        EXPECT_EQ(c.pending.entry.kind, k.kind);
    }
}

TEST_F(Libraries, WrongExtensionsEndWithoutAWord)
{
    for (const char* name : { "16X16.HZK", "16X16.txt", "16X16", "16X16.asc" }) {
        const ImportCheck c = checkFontLibrary(FontCommand::Hzlib, make(name, 261696), 1u << 22, 0, 190);
        EXPECT_EQ(c.verdict, Verdict::Ignored) << name;
        EXPECT_TRUE(c.message.empty()) << name;
    }
    EXPECT_EQ(checkFontLibrary(FontCommand::Asciilib, make("8X16.hzk", 4096), 1u << 22, 0, 190).verdict,
              Verdict::Ignored);
    EXPECT_EQ(checkFontLibrary(FontCommand::Asciilib, make("8X16.ASC", 4096), 1u << 22, 0, 190).verdict,
              Verdict::Ignored);
}

TEST_F(Libraries, NameIsJudgedBeforeTheFileIsOpened)
{
    // None of these files exist: the name alone refuses them.
    for (const char* name : { "HZK16.hzk", "16.hzk", "100X16.hzk", "16X100.hzk", "0X16.hzk" }) {
        const ImportCheck c = checkFontLibrary(FontCommand::Hzlib, (dir / name).string(), 1u << 22, 0, 190);
        EXPECT_EQ(c.verdict, Verdict::Refused) << name;
        EXPECT_EQ(c.message, "GBK2312 lib file invalid") << name;
    }
    const ImportCheck missing = checkFontLibrary(FontCommand::Hzlib, (dir / "16X16.big").string(), 1u << 22, 0, 190);
    EXPECT_EQ(missing.message, "Open BIG5 lib file failure");
    fs::create_directory(dir / "8X16.asc");
    EXPECT_EQ(checkFontLibrary(FontCommand::Asciilib, (dir / "8X16.asc").string(), 1u << 22, 0, 190).message,
              "Open ASCII lib file failure");
}

TEST_F(Libraries, LengthThenSpaceThenCount)
{
    for (std::uintmax_t size : { 261695u, 261697u, 0u }) {
        const ImportCheck c = checkFontLibrary(FontCommand::Hzlib, make("16X16.hzk", size), 100, 190, 190);
        EXPECT_EQ(c.message, "GBK2312 lib file invalid") << size;
    }
    const auto path = make("16X16.hzk", 261696);
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, path, 261695, 190, 190).message, "Resource file space not enough");
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, path, 261696, 190, 190).message,
              "Exceed the maximum number of resources");
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, path, 261696, 189, 190).verdict, Verdict::Accepted);
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, make("16X16.kzk", 75201), 1u << 22, 0, 190).message,
              "hanngul lib file invalid");
    EXPECT_EQ(checkFontLibrary(FontCommand::Asciilib, make("8X16.asc", 4095), 1u << 22, 0, 190).message,
              "ASCII lib file invalid");
}
