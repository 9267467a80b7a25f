// zarnres font and font-preview as a user runs them: libraries written under
// the names the import reads, inserted with its checks, drawn into BMPs, and
// programmed into the virtual module.
#include "support/Run.h"
#include "fontgen/FontPaths.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace fs = std::filesystem;
using namespace zarn;
using namespace zarn::test;
using namespace std::chrono_literals;

namespace {

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

class FontCli : public ::testing::Test {
protected:
    FontTempDir dir;
    std::string path(const std::string& name) const { return (dir / name).string(); }

    ResourceStore open(const std::string& file)
    {
        ResourceStore store;
        store.path = file;
        const auto r = store.openResourceFile();
        EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        return store;
    }
    // zarnres font FONT --type TYPE --size SIZE -o DIR, then any more arguments.
    RunResult font(const char* fontFile, const char* type, const char* size, const std::string& out,
                   std::vector<std::string> more = {})
    {
        std::vector<std::string> args { "font", fontFile, "--type", type, "--size", size, "-o", out };
        args.insert(args.end(), more.begin(), more.end());
        return runZarnres(args);
    }
};

std::uint32_t le32(const std::string& s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

} // namespace

TEST_F(FontCli, AddWritesTheLibraryUnderTheImportsNameAndInsertsItThroughTheLoadChecks)
{
    ZARN_REQUIRE_FONTS();
    const std::string file = path("a.zrf");
    ASSERT_EQ(runZarnres({ "new", file }).status, 0);
    auto r = font(kLatinFont, "ascii", "8x16", path("libs"), { "--add", file });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_HAS(r.out, "Wrote " + path("libs/8X16.asc") + " (4096 bytes)\n");
    EXPECT_HAS(r.out, "Loading ASCII lib file:8X16 Filesize:4096\n");
    r = font(kCjkFont, "hangul", "12X12", path("libs"), { "--add", file });
    ASSERT_EQ(r.status, 0) << r.err;
    // the confirmation text as zarnres add prints it, with its carriage return
    EXPECT_HAS(r.out, "Loading hanngul lib file:\r12X12 Filesize:56400\n");
    // --after 0 puts it between the two
    r = font(kCjkFont, "BIG5", "12x12", path("libs"), { "--add", file, "--after", "0" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_HAS(r.out, "1\tBIG5 lib\t12*12\t8192\t335352\t0x0000\n"); // 2 * 12 * 13973 bytes

    ResourceStore store = open(file);
    ASSERT_EQ(store.itemCount, 3);
    // the items hold the library files byte for byte
    const std::string whole = slurp(file);
    const std::pair<const char*, int> libs[] = { { "8X16.asc", 241 }, { "12X12.big", 242 }, { "12X12.kzk", 243 } };
    for (int i = 0; i < 3; ++i) {
        const ResourceEntry& e = store.directory[i];
        EXPECT_EQ(e.kind, libs[i].second);
        EXPECT_EQ(whole.substr(e.address, e.length), slurp(dir / "libs" / libs[i].first)) << libs[i].first;
    }
}

TEST_F(FontCli, RefusalsLeaveTheResourceFileAsItWas)
{
    ZARN_REQUIRE_FONTS();
    const std::string file = path("a.zrf");
    ASSERT_EQ(runZarnres({ "new", file }).status, 0);
    const std::string before = slurp(file);
    const std::string junk = path("junk.zrf");
    writeFile(junk, std::string(5000, 'j'));

    // 72X72 GB2312 is 5.3 MB: more than a 4M file holds
    auto r = font(kCjkFont, "gb2312", "72x72", path("libs"), { "--add", file });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Resource file space not enough\n", 0), 0u) << r.err;
    EXPECT_HAS(r.err, "nothing was added");
    EXPECT_TRUE(fs::exists(dir / "libs" / "72X72.hzk")); // the library itself is kept

    // a row the file does not hold and a file that is no resource file are refused before
    // anything is rendered; then a font that is not there, or not a font
    const std::tuple<std::string, std::vector<std::string>, const char*> cases[] = {
        { kLatinFont, { "--add", file, "--after", "0" }, "There is no item 0" },
        { kLatinFont, { "--add", junk }, "Resource File Error" },
        { path("none.ttf"), {}, "none.ttf" },
        { junk, {}, "not a font file" },
    };
    for (const auto& [fontFile, more, reason] : cases) {
        r = font(fontFile.c_str(), "ascii", "8x16", path("other"), more);
        EXPECT_EQ(r.status, 1) << reason;
        EXPECT_HAS(r.err, reason);
        if (!more.empty()) {
            EXPECT_FALSE(fs::exists(dir / "other")) << reason;
        }
    }
    EXPECT_FALSE(fs::exists(dir / "other" / "8X16.asc"));
    EXPECT_TRUE(slurp(file) == before);
}

TEST_F(FontCli, UsageErrors)
{
    const std::string f = kLatinFont;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "font", f, "--type", "gbk", "--size", "16x16" },
             { "font", f, "--type", "ascii", "--size", "16" },
             { "font", f, "--type", "ascii", "--size", "0x16" },
             { "font", f, "--type", "ascii", "--size", "8x100" },
             { "font", f, "--type", "ascii", "--size", "8x16x2" },
             { "font", f, "--type", "ascii", "--size", "8x16", "--after", "1" },
             { "font", f, "--type", "ascii", "--size", "8x16", "--threshold", "0" },
             { "font", f, "--size", "8x16" },
             { "font-preview", "8X16.asc" },
             { "font-preview", "8X16.asc", "-o", "x.bmp", "--size", "8" },
             { "font-preview", "8X16.asc", "-o", "x.bmp", "--scale", "0" },
         }) {
        const auto r = runZarnres(args);
        EXPECT_EQ(r.status, 2) << args[3] << " " << (args.size() > 5 ? args[5] : "") << ": " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
}

TEST_F(FontCli, PreviewDrawsTheLibraryIntoABmp)
{
    ZARN_REQUIRE_FONTS();
    ASSERT_EQ(font(kLatinFont, "ascii", "8x16", path("")).status, 0);
    auto r = runZarnres({ "font-preview", path("8X16.asc"), "-o", path("sheet.bmp"), "--first", "32", "--count", "64",
                          "--columns", "16", "--scale", "2" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_HAS(r.out, "Glyphs 32 to 95 of 256 (8X16)");
    const std::string bmp = slurp(dir / "sheet.bmp");
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    const std::uint32_t width = 16 * 17 + 1, height = 4 * 33 + 1;
    EXPECT_EQ(le32(bmp, 18), width);
    EXPECT_EQ(le32(bmp, 22), height);
    EXPECT_EQ(bmp.size(), 54u + ((width * 3 + 3) / 4 * 4) * height);
    // some dots are black, and the grid and paper are not
    std::size_t black = 0, white = 0;
    for (std::size_t i = 54; i + 2 < bmp.size(); i += 3) {
        black += bmp[i] == 0 && bmp[i + 1] == 0 && bmp[i + 2] == 0;
        white += bmp[i] == '\xFF' && bmp[i + 1] == '\xFF' && bmp[i + 2] == '\xFF';
    }
    EXPECT_GT(black, 500u);
    EXPECT_GT(white, black);

    // a library found elsewhere, named without its size
    fs::copy_file(dir / "8X16.asc", dir / "font.asc");
    r = runZarnres({ "font-preview", path("font.asc"), "-o", path("x.bmp") });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.err, "glyph size");
    EXPECT_FALSE(fs::exists(dir / "x.bmp"));
    EXPECT_EQ(runZarnres({ "font-preview", path("font.asc"), "-o", path("x.bmp"), "--size", "8x16" }).status, 0);
    for (const auto& [lib, out, reason] : { std::tuple { "missing.asc", "y.bmp", "missing.asc" }, { "8X16.asc", "nodir/z.bmp", "z.bmp" } }) {
        r = runZarnres({ "font-preview", path(lib), "-o", path(out), "--size", "8x16" });
        EXPECT_EQ(r.status, 1) << lib;
        EXPECT_HAS(r.err, reason);
    }
}

// A generated library goes through the whole road: into a resource file and
// over the serial line into the virtual module.
TEST_F(FontCli, GeneratedLibraryProgramsThroughTheVirtualModule)
{
    ZARN_REQUIRE_FONTS();
    const std::string file = path("m.zrf");
    ASSERT_EQ(runZarnres({ "new", file }).status, 0); // row 1: model 1704, 4M
    ASSERT_EQ(font(kCjkFont, "gb2312", "12x12", path("libs"), { "--add", file }).status, 0);
    ASSERT_EQ(font(kLatinFont, "ascii", "6x12", path("libs"), { "--add", file }).status, 0);
    const std::string expected = slurp(file).substr(0, open(file).usedEnd());

    fs::create_directories(dir / "ports");
    const std::string env = "ZARN_PORT_DIR=" + shellQuote(path("ports")); // this test's own folder: no other test meets it
    auto sim = std::async(std::launch::async, [&] {
        return runProgram(ZARN_SIM_PATH, { "--port", "7", "--model", "1704", "--memory", "4M", "--once", "--idle-timeout", "20",
                                           "--save", path("received.bin") }, env + " timeout -k 5 90");
    });
    for (int i = 0; i < 1000 && !fs::exists(dir / "ports" / "COM7"); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::exists(dir / "ports" / "COM7")) << "zarn-sim did not start";
    const auto r = runZarnres({ "program", file, "--port", "7" }, env + " timeout -k 5 60");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_HAS(r.out, "Send Over!!");
    ASSERT_EQ(sim.wait_for(5s), std::future_status::ready) << "zarn-sim did not end after the transfer";
    const std::string received = slurp(dir / "received.bin");
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected) << "the module received other bytes than the file's used part";
}
