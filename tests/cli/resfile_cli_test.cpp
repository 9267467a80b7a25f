// zarnres new, info, list, delete, set-ignore-color and check, run as a user
// runs them, on real files.
#include "cli/CliRunner.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using zarn::test::runZarnres;
using zarn::test::slurp;

namespace {

class ResfileCli : public ::testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override
    {
        char tmpl[] = "/tmp/zarn-cli-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string file(const std::string& name) const { return (dir / name).string(); }

    // A 4 MiB file for row 4 holding a true-colour bitmap, a GB2312 library and a WAVE.
    std::string populated()
    {
        const std::string path = file("full.zrf");
        EXPECT_EQ(runZarnres({ "new", path, "--model", "4" }).status, 0);
        zarn::ResourceStore store;
        store.path = path;
        EXPECT_TRUE(store.openResourceFile().ok);
        const std::vector<zarn::ResourceEntry> entries { { 0, 153600, 0, 320, 240, 16, 0xF81F },
                                                         { 0, 261696, 0, 16, 16, 240, 0 },
                                                         { 0, 1000, 0, 0, 0, 245, 0 } };
        for (const auto& e : entries) {
            const std::vector<std::uint8_t> data(e.length, static_cast<std::uint8_t>(e.kind));
            const auto r = store.insertItemData(store.itemCount, e, data);
            EXPECT_TRUE(r.ok) << r.message;
        }
        return path;
    }
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        out.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return out;
}

} // namespace

TEST_F(ResfileCli, NewWritesAFileForRowOneAnd4MByDefault)
{
    const auto path = file("TestResource.zrf");
    const auto r = runZarnres({ "new", path });
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string bytes = slurp(path);
    ASSERT_EQ(bytes.size(), 4194304u);
    const std::string header("\x00\x00\xA8\x06\x80\x00\xA0\x00\x00\x10\x00\x00", 12);
    EXPECT_EQ(bytes.substr(0, 12), header);
    EXPECT_EQ(bytes.find_first_not_of('\xF0', 12), std::string::npos);
}

TEST_F(ResfileCli, NewWithModelAndSize)
{
    auto r = runZarnres({ "new", file("a.zrf"), "--model", "10", "--size", "32M" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(file("a.zrf")), 16777216u);
    r = runZarnres({ "new", file("b.zrf"), "--model", "11", "--size", "16M" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::filesystem::file_size(file("b.zrf")), 12582912u);
    r = runZarnres({ "info", file("b.zrf") });
    EXPECT_NE(r.out.find("Model code: 5008\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Memory: 12288 KiB\n"), std::string::npos) << r.out;
}

TEST_F(ResfileCli, NewRefusesASizeTheRowDoesNotOffer)
{
    const auto r = runZarnres({ "new", file("c.zrf"), "--model", "3", "--size", "8M" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("3 Zarn24 V10_V"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("8M"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(file("c.zrf")));
}

TEST_F(ResfileCli, NewUsageErrors)
{
    EXPECT_EQ(runZarnres({ "new", file("d.zrf"), "--model", "13" }).status, 2);
    EXPECT_EQ(runZarnres({ "new", file("d.zrf"), "--model", "0" }).status, 2);
    EXPECT_EQ(runZarnres({ "new", file("d.zrf"), "--size", "64M" }).status, 2);
    EXPECT_EQ(runZarnres({ "new" }).status, 2);
    EXPECT_FALSE(std::filesystem::exists(file("d.zrf")));
}

TEST_F(ResfileCli, NewInAMissingFolderSaysFalseAndWhy)
{
    const auto r = runZarnres({ "new", file("none/e.zrf") });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("False\n", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
}

TEST_F(ResfileCli, InfoShowsHeaderAndCapacity)
{
    const auto path = populated();
    const auto r = runZarnres({ "info", path });
    ASSERT_EQ(r.status, 0) << r.err;
    // 153600 -> 155648, 261696 -> 262144, 1000 -> 4096: 421888 bytes used after 4096.
    for (const char* line : { "Model code: 2404\n", "Screen: 320*240\n", "Memory: 4096 KiB\n", "Items: 3 of 190\n",
                              "Resource File size:4194304 Remaining bytes:3768320\n" })
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in\n" << r.out;
}

TEST_F(ResfileCli, ListShowsTheSixColumns)
{
    const auto path = populated();
    const auto r = runZarnres({ "list", path });
    ASSERT_EQ(r.status, 0) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 4u) << r.out;
    EXPECT_EQ(l[0], "No.\ttype\tpoints\taddr\tsize\tignore color");
    EXPECT_EQ(l[1], "0\tTrue color bmp\t320*240\t4096\t153600\t0xf81f");
    EXPECT_EQ(l[2], "1\tGB2312 lib\t16*16\t159744\t261696\t0x0000");
    EXPECT_EQ(l[3], "2\tWave file\t\t421888\t1000\t0x0000");
}

TEST_F(ResfileCli, ListJsonGivesNumbers)
{
    const auto path = populated();
    const auto r = runZarnres({ "list", "--json", path });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(R"({"no": 0, "kind": 16, "width": 320, "height": 240, "address": 4096, "length": 153600, "ignoreColor": 63519})"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"({"no": 2, "kind": 245, "width": 0, "height": 0, "address": 421888, "length": 1000, "ignoreColor": 0})"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.front(), '[');

    const auto empty = file("empty.zrf");
    ASSERT_EQ(runZarnres({ "new", empty }).status, 0);
    EXPECT_EQ(runZarnres({ "list", "--json", empty }).out, "[]\n");
    EXPECT_EQ(runZarnres({ "list", empty }).out, "No.\ttype\tpoints\taddr\tsize\tignore color\n");
}

TEST_F(ResfileCli, DeleteMovesTheLaterItemsDown)
{
    const auto path = populated();
    auto r = runZarnres({ "delete", path, "0" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Resource File size:4194304 Remaining bytes:3923968\n");
    const auto l = lines(runZarnres({ "list", path }).out);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[1], "0\tGB2312 lib\t16*16\t4096\t261696\t0x0000");
    EXPECT_EQ(l[2], "1\tWave file\t\t266240\t1000\t0x0000");
    EXPECT_EQ(std::filesystem::file_size(path), 4194304u);
    EXPECT_EQ(runZarnres({ "check", path }).status, 0);
    // The moved data went with its entries.
    const std::string bytes = slurp(path);
    EXPECT_EQ(bytes.substr(4096, 261696), std::string(261696, '\xF0'));
    EXPECT_EQ(bytes.substr(266240, 1000), std::string(1000, '\xF5'));
}

TEST_F(ResfileCli, DeleteRefusals)
{
    const auto path = populated();
    auto r = runZarnres({ "delete", path, "3" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("3 items"), std::string::npos) << r.err;
    EXPECT_EQ(runZarnres({ "delete", path, "one" }).status, 2);
    EXPECT_EQ(runZarnres({ "delete", path, "-1" }).status, 2);
    EXPECT_EQ(runZarnres({ "delete", path }).status, 2);
    EXPECT_EQ(lines(runZarnres({ "list", path }).out).size(), 4u) << "nothing was deleted";

    const auto empty = file("empty.zrf");
    ASSERT_EQ(runZarnres({ "new", empty }).status, 0);
    r = runZarnres({ "delete", empty, "0" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not items of Resource file\n");
}

TEST_F(ResfileCli, SetIgnoreColor)
{
    const auto path = populated();
    auto r = runZarnres({ "set-ignore-color", path, "0", "0x07E0" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0x07e0\n");
    EXPECT_EQ(lines(runZarnres({ "list", path }).out)[1], "0\tTrue color bmp\t320*240\t4096\t153600\t0x07e0");
    r = runZarnres({ "set-ignore-color", path, "0", "31" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0x001f\n");

    r = runZarnres({ "set-ignore-color", path, "2", "0x1234" });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Wave file"), std::string::npos) << r.err;
    for (const char* bad : { "0x10000", "65536", "red", "0x", "-1", "" })
        EXPECT_EQ(runZarnres({ "set-ignore-color", path, "0", bad }).status, 2) << bad;
    EXPECT_EQ(lines(runZarnres({ "list", path }).out)[1], "0\tTrue color bmp\t320*240\t4096\t153600\t0x001f");
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
    EXPECT_NE(r.out.find("item 1 starts at"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("the file is 1000000 bytes long, the memory size is 4194304 bytes"), std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("problems found"), std::string::npos) << r.err;

    // Damaged files are refused by the other subcommands with the system's message.
    r = runZarnres({ "list", damaged });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Resource File Error\n", 0), 0u) << r.err;
    EXPECT_EQ(slurp(damaged), bytes) << "a refused file is not touched";

    r = runZarnres({ "check", file("missing.zrf") });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;

    std::ofstream(file("tiny.zrf"), std::ios::binary) << "abc";
    r = runZarnres({ "check", file("tiny.zrf") });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("shorter than its 12-byte header"), std::string::npos) << r.out;
}

TEST_F(ResfileCli, UnknownModelCodeIsAResourceFileError)
{
    const auto path = file("other.zrf");
    std::ofstream(path, std::ios::binary) << std::string("\x00\x00\x60\x09\x40\x01\xF0\x00\x00\x10\x00\x00", 12)
                                          << std::string(4096, '\xF0');
    for (const char* cmd : { "info", "list" }) {
        const auto r = runZarnres({ cmd, path });
        EXPECT_EQ(r.status, 1) << cmd;
        EXPECT_EQ(r.err.rfind("Resource File Error", 0), 0u) << r.err;
    }
}

TEST_F(ResfileCli, EverySubcommandHasHelp)
{
    for (const char* cmd : { "new", "info", "list", "delete", "set-ignore-color", "check" }) {
        const auto r = runZarnres({ cmd, "--help" });
        EXPECT_EQ(r.status, 0) << cmd;
        EXPECT_NE(r.out.find(cmd), std::string::npos) << cmd << ":\n" << r.out;
    }
}
