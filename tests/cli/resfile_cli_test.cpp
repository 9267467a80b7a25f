// zarnres new, info, list, delete, set-ignore-color and check, run as a user
// runs them, on real files.
#include "support/Run.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using zarn::test::runZarnres;
using zarn::test::slurp;
namespace fs = std::filesystem;

namespace {

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

class ResfileCli : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override
    {
        char tmpl[] = "/tmp/zarn-cli-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const std::string& name) const { return (dir / name).string(); }

    // A 4 MiB file for row 4 holding a true-colour bitmap, a GB2312 library and a WAVE.
    std::string populated()
    {
        const std::string path = file("full.zrf");
        EXPECT_EQ(runZarnres({ "new", path, "--model", "4" }).status, 0);
        zarn::ResourceStore store;
        store.path = path;
        EXPECT_TRUE(store.openResourceFile().ok);
        for (const zarn::ResourceEntry& e : { zarn::ResourceEntry { 0, 153600, 0, 320, 240, 16, 0xF81F },
                                              zarn::ResourceEntry { 0, 261696, 0, 16, 16, 240, 0 },
                                              zarn::ResourceEntry { 0, 1000, 0, 0, 0, 245, 0 } })
            EXPECT_TRUE(store.insertItemData(store.itemCount, e, std::vector<std::uint8_t>(e.length, e.kind)).ok);
        return path;
    }

    std::vector<std::string> listed(const std::string& path)
    {
        std::vector<std::string> out;
        std::istringstream in(runZarnres({ "list", path }).out);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
};

const std::string kTitles = "No.\ttype\tpoints\taddr\tsize\tignore color";

} // namespace

TEST_F(ResfileCli, NewWritesAFileForRowOneAnd4MByDefault)
{
    const auto path = file("TestResource.zrf");
    const auto r = runZarnres({ "new", path });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = slurp(path);
    ASSERT_EQ(bytes.size(), 4194304u);
    EXPECT_EQ(bytes.substr(0, 12), std::string("\x00\x00\xA8\x06\x80\x00\xA0\x00\x00\x10\x00\x00", 12));
    EXPECT_EQ(bytes.find_first_not_of('\xF0', 12), std::string::npos);
}

TEST_F(ResfileCli, NewWithModelAndSize)
{
    for (auto [model, size, bytes] : { std::tuple { "10", "32M", 16777216u }, { "11", "16M", 12582912u } }) {
        ASSERT_EQ(runZarnres({ "new", file(model), "--model", model, "--size", size }).status, 0);
        EXPECT_EQ(fs::file_size(file(model)), bytes);
    }
    const auto r = runZarnres({ "info", file("11") });
    EXPECT_HAS(r.out, "Model code: 5008\n");
    EXPECT_HAS(r.out, "Memory: 12288 KiB\n");
}

TEST_F(ResfileCli, NewRefusesASizeTheRowDoesNotOfferOrAMissingFolder)
{
    auto r = runZarnres({ "new", file("c.zrf"), "--model", "3", "--size", "8M" });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.err, "3 Zarn24 V10_V");
    EXPECT_HAS(r.err, "8M");
    EXPECT_FALSE(fs::exists(file("c.zrf")));
    r = runZarnres({ "new", file("none/e.zrf") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("False\n", 0), 0u) << r.err;
    EXPECT_HAS(r.err, "No such file or directory");
}

TEST_F(ResfileCli, UsageErrorsChangeNothing)
{
    const auto path = populated();
    const std::string before = slurp(path);
    const std::vector<std::vector<std::string>> cases {
        { "new", file("d.zrf"), "--model", "13" }, { "new", file("d.zrf"), "--model", "0" },
        { "new", file("d.zrf"), "--size", "64M" }, { "new" },
        { "delete", path, "one" },                 { "delete", path, "-1" },
        { "delete", path },
    };
    for (const auto& args : cases)
        EXPECT_EQ(runZarnres(args).status, 2) << args[0] << " " << args.back();
    for (const char* bad : { "0x10000", "65536", "red", "0x", "-1", "" })
        EXPECT_EQ(runZarnres({ "set-ignore-color", path, "0", bad }).status, 2) << bad;
    EXPECT_FALSE(fs::exists(file("d.zrf")));
    EXPECT_TRUE(slurp(path) == before);
}

TEST_F(ResfileCli, InfoAndListShowHeaderCapacityAndTheSixColumns)
{
    const auto path = populated();
    const auto r = runZarnres({ "info", path });
    ASSERT_EQ(r.status, 0) << r.err;
    // 153600 -> 155648, 261696 -> 262144, 1000 -> 4096: 421888 bytes used after 4096.
    for (const char* line : { "Model code: 2404\n", "Screen: 320*240\n", "Memory: 4096 KiB\n", "Items: 3 of 190\n",
                              "Resource File size:4194304 Remaining bytes:3768320\n" })
        EXPECT_HAS(r.out, line);
    EXPECT_EQ(listed(path), (std::vector<std::string> { kTitles, "0\tTrue color bmp\t320*240\t4096\t153600\t0xf81f",
                                                        "1\tGB2312 lib\t16*16\t159744\t261696\t0x0000",
                                                        "2\tWave file\t\t421888\t1000\t0x0000" }));
}

TEST_F(ResfileCli, ListJsonGivesNumbers)
{
    const auto path = populated();
    const auto r = runZarnres({ "list", "--json", path });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.front(), '[');
    EXPECT_HAS(r.out, R"({"no": 0, "kind": 16, "width": 320, "height": 240, "address": 4096, "length": 153600, "ignoreColor": 63519})");
    EXPECT_HAS(r.out, R"({"no": 2, "kind": 245, "width": 0, "height": 0, "address": 421888, "length": 1000, "ignoreColor": 0})");
    ASSERT_EQ(runZarnres({ "new", file("empty.zrf") }).status, 0);
    EXPECT_EQ(runZarnres({ "list", "--json", file("empty.zrf") }).out, "[]\n");
    EXPECT_EQ(runZarnres({ "list", file("empty.zrf") }).out, kTitles + "\n");
}

TEST_F(ResfileCli, DeleteMovesTheLaterItemsDownAndRefusesRowsPastTheEnd)
{
    const auto path = populated();
    auto r = runZarnres({ "delete", path, "0" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Resource File size:4194304 Remaining bytes:3923968\n");
    EXPECT_EQ(listed(path), (std::vector<std::string> { kTitles, "0\tGB2312 lib\t16*16\t4096\t261696\t0x0000",
                                                        "1\tWave file\t\t266240\t1000\t0x0000" }));
    EXPECT_EQ(runZarnres({ "check", path }).status, 0);
    // The moved data went with its entries.
    EXPECT_EQ(slurp(path).substr(266240, 1000), std::string(1000, '\xF5'));

    r = runZarnres({ "delete", path, "2" });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.err, "2 items");
    EXPECT_EQ(listed(path).size(), 3u) << "nothing was deleted";
    ASSERT_EQ(runZarnres({ "new", file("empty.zrf") }).status, 0);
    r = runZarnres({ "delete", file("empty.zrf"), "0" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not items of Resource file\n");
}

TEST_F(ResfileCli, SetIgnoreColor)
{
    const auto path = populated();
    for (const auto& [value, shown] : { std::pair { "0x07E0", "0x07e0" }, { "31", "0x001f" } }) {
        const auto r = runZarnres({ "set-ignore-color", path, "0", value });
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string(shown) + "\n");
        EXPECT_EQ(listed(path)[1], std::string("0\tTrue color bmp\t320*240\t4096\t153600\t") + shown);
    }
    const auto r = runZarnres({ "set-ignore-color", path, "2", "0x1234" });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.err, "Wave file");
}

TEST_F(ResfileCli, CheckFindsEachProblem)
{
    const auto path = populated();
    auto r = runZarnres({ "check", path });
    EXPECT_EQ(r.status, 0) << r.out << r.err;

    // A gap before item 1 and a file cut short.
    std::string bytes = slurp(path);
    bytes[12 + 19 + 2] = 0x05; // item 1 at 0x57000 instead of 0x27000
    bytes.resize(1000000);
    const auto damaged = file("damaged.zrf");
    std::ofstream(damaged, std::ios::binary) << bytes;
    r = runZarnres({ "check", damaged });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.out, "item 1 starts at");
    EXPECT_HAS(r.out, "the file is 1000000 bytes long, the memory size is 4194304 bytes");
    EXPECT_HAS(r.err, "problems found");

    // Damaged files are refused by the other subcommands with the system's message.
    r = runZarnres({ "list", damaged });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Resource File Error\n", 0), 0u) << r.err;
    EXPECT_EQ(slurp(damaged), bytes) << "a refused file is not touched";

    r = runZarnres({ "check", file("missing.zrf") });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.err, "No such file or directory");
    std::ofstream(file("tiny.zrf"), std::ios::binary) << "abc";
    r = runZarnres({ "check", file("tiny.zrf") });
    EXPECT_EQ(r.status, 1);
    EXPECT_HAS(r.out, "shorter than its 12-byte header");
}

TEST_F(ResfileCli, EverySubcommandHasHelp)
{
    for (const char* cmd : { "new", "info", "list", "delete", "set-ignore-color", "check" }) {
        const auto r = runZarnres({ cmd, "--help" });
        EXPECT_EQ(r.status, 0) << cmd;
        EXPECT_HAS(r.out, cmd);
    }
}
