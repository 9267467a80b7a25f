// zarnres font and font-preview as a user runs them: libraries written under
// the names the import reads, inserted with its checks, drawn into BMPs, and
// programmed into the virtual module.
#include "cli/CliRunner.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;
using namespace zarn;
using namespace zarn::test;
using namespace std::chrono_literals;

namespace {

const char* const kCjkFont = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
const char* const kLatinFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

#define REQUIRE_FONTS()                                                                                               \
    do {                                                                                                              \
        if (!fs::exists(kCjkFont) || !fs::exists(kLatinFont))                                                         \
            GTEST_SKIP() << "fonts-wqy-zenhei / fonts-dejavu-core are not installed (scripts/install-deps installs them)"; \
    } while (0)

class FontCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/zarn-fontcli-XXXXXX";
        m_dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    ResourceStore open(const std::string& file)
    {
        ResourceStore store;
        store.path = file;
        const auto r = store.openResourceFile();
        EXPECT_TRUE(r.ok) << r.message << " " << r.detail;
        return store;
    }

    fs::path m_dir;
};

std::uint32_t le32(const std::string& s, std::size_t at)
{
    return static_cast<std::uint8_t>(s[at]) | static_cast<std::uint8_t>(s[at + 1]) << 8
        | static_cast<std::uint8_t>(s[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[at + 3])) << 24;
}

} // namespace

TEST_F(FontCli, WritesTheLibraryUnderTheImportsName)
{
    REQUIRE_FONTS();
    const auto r = runZarnres({ "font", kLatinFont, "--type", "ascii", "--size", "8x16", "-o", path("libs") });
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path lib = m_dir / "libs" / "8X16.asc";
    EXPECT_EQ(r.out, "Wrote " + lib.string() + " (4096 bytes)\n");
    EXPECT_EQ(fs::file_size(lib), 4096u);

    const auto gb = runZarnres({ "font", kCjkFont, "--type", "GB2312", "--size", "16X16", "-o", path("libs") });
    ASSERT_EQ(gb.status, 0) << gb.err;
    EXPECT_EQ(fs::file_size(m_dir / "libs" / "16X16.hzk"), 261696u);
    EXPECT_NE(gb.out.find("(261696 bytes)"), std::string::npos) << gb.out;
}

TEST_F(FontCli, AddInsertsThroughTheLoadChecks)
{
    REQUIRE_FONTS();
    const std::string file = path("a.zrf");
    ASSERT_EQ(runZarnres({ "new", file }).status, 0);
    auto r = runZarnres({ "font", kLatinFont, "--type", "ascii", "--size", "8x16", "-o", path("libs"), "--add", file });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Loading ASCII lib file:8X16 Filesize:4096\n"), std::string::npos) << r.out;
    r = runZarnres({ "font", kCjkFont, "--type", "hangul", "--size", "12x12", "-o", path("libs"), "--add", file });
    ASSERT_EQ(r.status, 0) << r.err;
    // the confirmation text as zarnres add prints it, with its carriage return
    EXPECT_NE(r.out.find("Loading hanngul lib file:\r12X12 Filesize:56400\n"), std::string::npos) << r.out;
    // --after 0 puts it between the two
    r = runZarnres({ "font", kCjkFont, "--type", "big5", "--size", "12x12", "-o", path("libs"), "--add", file, "--after", "0" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1\tBIG5 lib\t12*12\t8192\t335352\t0x0000\n"), std::string::npos) << r.out;

    ResourceStore store = open(file);
    ASSERT_EQ(store.itemCount, 3);
    EXPECT_EQ(store.directory[0].kind, 241);
    EXPECT_EQ(store.directory[1].kind, 242);
    EXPECT_EQ(store.directory[2].kind, 243);
    EXPECT_EQ(store.directory[1].width, 12);
    EXPECT_EQ(store.directory[1].height, 12);
    EXPECT_EQ(store.directory[1].length, 2u * 12 * 13973);
    // the items hold the library files byte for byte
    const std::string whole = slurp(file);
    const char* libs[] = { "8X16.asc", "12X12.big", "12X12.kzk" };
    for (int i = 0; i < 3; ++i) {
        const std::string lib = slurp(m_dir / "libs" / libs[i]);
        EXPECT_EQ(whole.substr(store.directory[i].address, store.directory[i].length), lib) << libs[i];
    }
}

TEST_F(FontCli, RefusalsLeaveTheResourceFileAsItWas)
{
    REQUIRE_FONTS();
    const std::string file = path("a.zrf");
    ASSERT_EQ(runZarnres({ "new", file }).status, 0);
    const std::string before = slurp(file);

    // 72X72 GB2312 is 5.3 MB: more than a 4M file holds
    auto r = runZarnres({ "font", kCjkFont, "--type", "gb2312", "--size", "72x72", "-o", path("libs"), "--add", file });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Resource file space not enough\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("nothing was added"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(m_dir / "libs" / "72X72.hzk")); // the library itself is kept
    EXPECT_TRUE(slurp(file) == before);

    // a row the file does not hold, before anything is rendered
    r = runZarnres({ "font", kLatinFont, "--type", "ascii", "--size", "8x16", "-o", path("other"), "--add", file, "--after", "0" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("There is no item 0"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_dir / "other"));

    // not a resource file
    const std::string junk = path("junk.zrf");
    { std::ofstream(junk) << std::string(5000, 'j'); }
    r = runZarnres({ "font", kLatinFont, "--type", "ascii", "--size", "8x16", "-o", path("other"), "--add", junk });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Resource File Error"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_dir / "other"));
    EXPECT_TRUE(slurp(file) == before);

    // a font that is not there, or not a font
    r = runZarnres({ "font", path("none.ttf"), "--type", "ascii", "--size", "8x16", "-o", path("other") });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("none.ttf"), std::string::npos) << r.err;
    r = runZarnres({ "font", junk, "--type", "ascii", "--size", "8x16", "-o", path("other") });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a font file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_dir / "other" / "8X16.asc"));
}

TEST_F(FontCli, UsageErrors)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             { "font", kLatinFont, "--type", "gbk", "--size", "16x16" },
             { "font", kLatinFont, "--type", "ascii", "--size", "16" },
             { "font", kLatinFont, "--type", "ascii", "--size", "0x16" },
             { "font", kLatinFont, "--type", "ascii", "--size", "8x100" },
             { "font", kLatinFont, "--type", "ascii", "--size", "8x16x2" },
             { "font", kLatinFont, "--type", "ascii", "--size", "8x16", "--after", "1" },
             { "font", kLatinFont, "--type", "ascii", "--size", "8x16", "--threshold", "0" },
             { "font", kLatinFont, "--size", "8x16" },
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
    REQUIRE_FONTS();
    ASSERT_EQ(runZarnres({ "font", kLatinFont, "--type", "ascii", "--size", "8x16", "-o", path("") }).status, 0);
    auto r = runZarnres({ "font-preview", path("8X16.asc"), "-o", path("sheet.bmp"), "--first", "32", "--count", "64",
        "--columns", "16", "--scale", "2" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Glyphs 32 to 95 of 256 (8X16)"), std::string::npos) << r.out;
    const std::string bmp = slurp(m_dir / "sheet.bmp");
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
    fs::copy_file(m_dir / "8X16.asc", m_dir / "font.asc");
    r = runZarnres({ "font-preview", path("font.asc"), "-o", path("x.bmp") });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("glyph size"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(m_dir / "x.bmp"));
    r = runZarnres({ "font-preview", path("font.asc"), "-o", path("x.bmp"), "--size", "8x16" });
    EXPECT_EQ(r.status, 0) << r.err;
    r = runZarnres({ "font-preview", path("missing.asc"), "-o", path("y.bmp"), "--size", "8x16" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.asc"), std::string::npos) << r.err;
    r = runZarnres({ "font-preview", path("8X16.asc"), "-o", path("nodir/z.bmp") });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("z.bmp"), std::string::npos) << r.err;
}

// A generated library goes through the whole road: into a resource file and
// over the serial line into the virtual module.
TEST_F(FontCli, GeneratedLibraryProgramsThroughTheVirtualModule)
{
    REQUIRE_FONTS();
    const std::string file = path("m.zrf");
    ASSERT_EQ(runZarnres({ "new", file }).status, 0); // row 1: model 1704, 4M
    ASSERT_EQ(runZarnres({ "font", kCjkFont, "--type", "gb2312", "--size", "12x12", "-o", path("libs"), "--add", file }).status, 0);
    ASSERT_EQ(runZarnres({ "font", kLatinFont, "--type", "ascii", "--size", "6x12", "-o", path("libs"), "--add", file }).status, 0);
    const ResourceStore store = open(file);
    const std::string expected = slurp(file).substr(0, store.usedEnd());

    fs::create_directories(m_dir / "ports");
    const int port = 7; // the port folder is this test's own, so no other test meets it
    std::vector<std::string> simArgs { ZARN_SIM_PATH, "--port", std::to_string(port), "--model", "1704", "--memory", "4M",
        "--once", "--idle-timeout", "20", "--save", path("received.bin") };
    std::vector<char*> argv;
    for (auto& a : simArgs)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, path("sim.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, path("sim.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::setenv("ZARN_PORT_DIR", path("ports").c_str(), 1);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, ZARN_SIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    struct Reaper {
        pid_t pid;
        ~Reaper()
        {
            int st = 0;
            if (::waitpid(pid, &st, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &st, 0);
            }
        }
    } reaper { pid };
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (slurp(m_dir / "sim.out").find("zarn-sim: COM" + std::to_string(port) + " -> ") == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now(), until) << "zarn-sim did not start: " << slurp(m_dir / "sim.err");
        std::this_thread::sleep_for(10ms);
    }

    const auto r = runZarnres({ "program", file, "--port", std::to_string(port) },
        "ZARN_PORT_DIR=" + shellQuote(path("ports")) + " timeout -k 5 60");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Send Over!!"), std::string::npos) << r.out;
    int st = 0;
    for (auto end = std::chrono::steady_clock::now() + 5s; ::waitpid(pid, &st, WNOHANG) == 0;) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "zarn-sim did not end after the transfer";
        std::this_thread::sleep_for(10ms);
    }
    reaper.pid = -1;
    const std::string received = slurp(m_dir / "received.bin");
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected) << "the module received other bytes than the file's used part";
}
