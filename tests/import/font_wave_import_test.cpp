// Font libraries and WAVE files: judged by name, length and capacity, the checks
// in their order, the content taken whole.
#include "import/FontLibrary.h"
#include "import/TestBmp.h"
#include "import/WaveImport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using zarn::checkFontLibrary;
using zarn::FontCommand;
using zarn::ImportCheck;
using Verdict = zarn::ImportCheck::Verdict;

namespace {
struct Libraries : ::testing::Test {
    zarn::test::TempDir dir;
    std::string make(const std::string& name, std::uintmax_t size) { return zarn::test::sizedFile(dir, name, size); }
};
using WaveImport = Libraries;
} // namespace

TEST(GlyphSize, FromTheFileName)
{
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        { "16X16.hzk", { 16, 16 } }, { "24x24song.big", { 24, 24 } }, { "HZK16.hzk", { 0, 16 } }, { "16.hzk", { 16, 0 } },
        { "8X16.asc", { 8, 16 } }, { "/fonts/12x12/9X9.asc", { 9, 9 } }, // the folder does not count
        { "song.hzk", { 0, 0 } }, { "", { 0, 0 } },
    };
    for (const auto& [name, size] : cases)
        EXPECT_EQ(zarn::parseGlyphSize(name), size) << name;
    EXPECT_GT(zarn::parseGlyphSize("99999999999999999999X1.hzk").first, 99); // no overflow
}

TEST_F(Libraries, EachTypeByItsExtensionAndExactLength)
{
    const struct { FontCommand cmd; const char* name; std::uintmax_t size; int kind; const char* text; } cases[] = {
        { FontCommand::Hzlib, "16X16.hzk", 261696, 240, "Loading GBK2312 lib file:\r16X16 Filesize:261696" },
        { FontCommand::Hzlib, "16X16.big", 447136, 242, "Loading BIG5 lib file:\r16X16 Filesize:447136" },
        { FontCommand::Hzlib, "16X16.kzk", 75200, 243, "Loading hanngul lib file:\r16X16 Filesize:75200" },
        { FontCommand::Asciilib, "8X16.asc", 4096, 241, "Loading ASCII lib file:8X16 Filesize:4096" },
        { FontCommand::Asciilib, "12x12.asc", 6144, 241, "Loading ASCII lib file:12X12 Filesize:6144" },
        { FontCommand::Asciilib, "9X9.asc", 4608, 241, "Loading ASCII lib file:9X9 Filesize:4608" },
    };
    for (const auto& k : cases) {
        const auto path = make(k.name, k.size);
        const ImportCheck c = checkFontLibrary(k.cmd, path, 1u << 22, 3, 190);
        ASSERT_EQ(c.verdict, Verdict::Accepted) << k.name << ": " << c.message;
        EXPECT_EQ(std::tuple(c.message, c.pending.entry.kind, c.pending.entry.length, c.pending.sourcePath), std::tuple(k.text, k.kind, k.size, path));
        EXPECT_EQ(c.pending.entry.ignoreColor + c.pending.entry.reserved, 0u);
    }
    const auto gb = checkFontLibrary(FontCommand::Hzlib, (dir / "16X16.hzk").string(), 1u << 22, 0, 190).pending.entry;
    EXPECT_EQ(std::tuple(gb.width, gb.height), std::tuple(16, 16));
}

TEST_F(Libraries, WrongExtensionsEndWithoutAWord)
{
    const std::pair<FontCommand, const char*> cases[] = { { FontCommand::Hzlib, "16X16.HZK" }, { FontCommand::Hzlib, "16X16.txt" },
                                                          { FontCommand::Hzlib, "16X16" }, { FontCommand::Hzlib, "16X16.asc" },
                                                          { FontCommand::Asciilib, "8X16.hzk" }, { FontCommand::Asciilib, "8X16.ASC" } };
    for (const auto& [cmd, name] : cases) {
        const ImportCheck c = checkFontLibrary(cmd, make(name, cmd == FontCommand::Hzlib ? 261696 : 4096), 1u << 22, 0, 190);
        EXPECT_EQ(c.verdict, Verdict::Ignored) << name;
        EXPECT_TRUE(c.message.empty()) << name;
    }
}

TEST_F(Libraries, NameThenOpenThenLengthThenSpaceThenCount)
{
    // None of these files exist: the name alone refuses them.
    for (const char* name : { "HZK16.hzk", "16.hzk", "100X16.hzk", "16X100.hzk", "0X16.hzk" }) {
        const ImportCheck c = checkFontLibrary(FontCommand::Hzlib, (dir / name).string(), 1u << 22, 0, 190);
        EXPECT_EQ(c.verdict, Verdict::Refused) << name;
        EXPECT_EQ(c.message, "GBK2312 lib file invalid") << name;
    }
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, (dir / "16X16.hzk").string(), 1u << 22, 0, 190).message, "Open GBK2312 lib file failure");
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, (dir / "16X16.big").string(), 1u << 22, 0, 190).message, "Open BIG5 lib file failure");
    fs::create_directory(dir / "8X16.asc");
    EXPECT_EQ(checkFontLibrary(FontCommand::Asciilib, (dir / "8X16.asc").string(), 1u << 22, 0, 190).message, "Open ASCII lib file failure");

    for (std::uintmax_t size : { 261695u, 261697u, 0u })
        EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, make("16X16.hzk", size), 100, 190, 190).message, "GBK2312 lib file invalid") << size;
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, make("16X16.kzk", 75201), 1u << 22, 0, 190).message, "hanngul lib file invalid");
    EXPECT_EQ(checkFontLibrary(FontCommand::Asciilib, make("9X16.asc", 4095), 1u << 22, 0, 190).message, "ASCII lib file invalid");
    const auto path = make("16X16.hzk", 261696);
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, path, 261695, 190, 190).message, "Resource file space not enough");
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, path, 261696, 190, 190).message, "Exceed the maximum number of resources");
    EXPECT_EQ(checkFontLibrary(FontCommand::Hzlib, path, 261696, 189, 190).verdict, Verdict::Accepted);
}

TEST_F(WaveImport, AnyContentIsTakenWhole)
{
    for (std::uintmax_t size : { 100000u, 0u }) {
        const auto path = make("beep.wav", size);
        const auto c = zarn::checkWaveFile(path, size ? 1u << 22 : 0, 5, 190);
        ASSERT_EQ(c.verdict, Verdict::Accepted) << c.message;
        EXPECT_EQ(std::tuple(c.message, c.pending.entry.kind, c.pending.entry.length, c.pending.sourcePath),
                  std::tuple("Loading Wave file: Filesize:" + std::to_string(size), 245, size, path));
        EXPECT_EQ(c.pending.entry.width + c.pending.entry.height + c.pending.entry.ignoreColor, 0);
    }
}

TEST_F(WaveImport, ExtensionThenOpenThenSpaceThenCount)
{
    for (const char* name : { "beep.WAV", "beep.Wav", "beep.wave", "beep", "wav" }) // only the lower-case extension
        EXPECT_EQ(zarn::checkWaveFile(make(name, 10), 1u << 22, 0, 190).verdict, Verdict::Ignored) << name;
    EXPECT_EQ(zarn::checkWaveFile((dir / "x.wav.txt").string(), 1u << 22, 0, 190).verdict, Verdict::Ignored);
    EXPECT_EQ(zarn::checkWaveFile((dir / "missing.wav").string(), 0, 190, 190).message, "Open WAVE file failure");
    fs::create_directory(dir / "folder.wav");
    EXPECT_EQ(zarn::checkWaveFile((dir / "folder.wav").string(), 1u << 22, 0, 190).message, "Open WAVE file failure");
    const auto path = make("big.wav", 5000);
    EXPECT_EQ(zarn::checkWaveFile(path, 4999, 190, 190).message, "Resource file space not enough");
    EXPECT_EQ(zarn::checkWaveFile(path, 5000, 190, 190).message, "Exceed the maximum number of resources");
    EXPECT_EQ(zarn::checkWaveFile(path, 5000, 189, 190).verdict, Verdict::Accepted);
}
