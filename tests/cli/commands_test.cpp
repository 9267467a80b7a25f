// What zarnres itself adds to the core, as a user runs it: help, usage errors,
// its own texts, and one proof each that a refusal, a check, a change and an
// extraction reach the user. The core's checks and texts are tested in the core.
#include "support/Files.h"
#include "support/Run.h"

#include <QImage>
#include <gtest/gtest.h>

#include <sstream>

using namespace zarn::test;

namespace {

struct Commands : ::testing::Test {
    TempDir dir;
    std::string zrf = dir.file("a.zrf");
    QImage photo { 128, 160, QImage::Format_RGB888 };

    // Row 1 and 4M by default, holding a picture of colours RGB565 keeps exactly and a sound.
    void SetUp() override
    {
        const auto r = runZarnres({ "new", zrf });
        ASSERT_EQ(r.out, "Created " + zrf + ": 1 Zarn17 V10_V, model code 1704, 128*160, 4096 KiB\n");
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(
                    x, y, qRgb((x / 16) & 1 ? 255 : 0, (y / 20) & 1 ? 255 : 0, (x / 32 + y / 40) & 1 ? 255 : 0));
        ASSERT_TRUE(photo.save(QString::fromStdString(dir.file("photo.bmp"))));
        ASSERT_EQ(runZarnres({ "add", zrf, dir.file("photo.bmp") }).status, 0);
        ASSERT_EQ(runZarnres({ "add", zrf, patternFile(dir / "s.wav", 1000) }).status, 0);
    }
};

} // namespace

TEST_F(Commands, EverySubcommandHasHelp)
{
    const auto top = runZarnres({ "--help" });
    ASSERT_EQ(top.status, 0);
    std::istringstream lines(top.out.substr(top.out.find("Subcommands:\n") + 13));
    int count = 0;
    for (std::string name; lines >> name; lines.ignore(1000, '\n'), ++count) {
        const auto r = runZarnres({ name, "--help" });
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_NE(r.out.find("Usage: zarnres " + name + " "), std::string::npos) << r.out;
    }
    EXPECT_GE(count, 13) << top.out;
}

TEST_F(Commands, UsageErrorsExitTwoWithTheirTextAndChangeNothing)
{
    const Bytes before = readBytes(zrf);
    const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", bmp = dir.file("photo.bmp"),
                      wav = dir.file("s.wav");
    const std::string row = "ROW must be an item's number as list shows it under \"No.\" (0, 1, ...), not ";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        { {}, "A subcommand is required" },
        { { "new", dir.file("d.zrf"), "--model", "13" }, "--model: Value 13 not in range 1 to 12" },
        { { "new", dir.file("d.zrf"), "--size", "64M" }, "--size: 64M not in {4M,8M,16M,32M}" },
        { { "add", zrf }, "SOURCE is required" },
        { { "add", zrf, bmp, "--ignore-color", "red" },
            "COLOR must be a 16-bit colour as 0xNNNN or a decimal number up to 65535, not \"red\"" },
        { { "add", zrf, wav, "--ignore-color", "0x1" },
            "--ignore-color applies to bitmaps (.bmp .png .jpg .jpeg .gif) only" },
        { { "add", "--dither", zrf, wav }, "--dither applies to bitmaps (.bmp .png .jpg .jpeg .gif) only" },
        { { "add", zrf, wav, "--after", "first" }, row + "\"first\"" },
        { { "delete", zrf, "-1" }, row + "\"-1\"" },
        { { "set-ignore-color", zrf, "0", "0x10000" },
            "COLOR must be a 16-bit colour as 0xNNNN or a decimal number up to 65535, not \"0x10000\"" },
        { { "extract", zrf, "0" }, "OUTPUT is required" },
        { { "font", font, "--type", "gbk", "--size", "16x16", "--add", zrf },
            "--type must be gb2312, big5, hangul or ascii, not \"gbk\"" },
        { { "font", font, "--type", "ascii", "--size", "8x100", "--add", zrf },
            "--size must be WIDTHxHEIGHT in dots, each 1 to 99 (for example 16x16), not \"8x100\"" },
        { { "font", font, "--type", "ascii", "--size", "8x16", "--after", "0" }, "--after needs --add RESFILE" },
        { { "font-preview", dir.file("8X16.asc") }, "--output is required" },
        { { "program", zrf }, "program needs --port N or --device PATH" },
    };
    for (const auto& [args, text] : cases) {
        const auto r = runZarnres(args);
        EXPECT_EQ(r.status, 2) << text;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), text);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(dir.entryCount(), 3) << "a file was made";
    EXPECT_TRUE(readBytes(zrf) == before);
}

TEST_F(Commands, RefusalsReachStandardErrorWithStatusOneAndChangeNothing)
{
    const Bytes before = readBytes(zrf);
    Bytes cut = readBytes(dir / "photo.bmp");
    cut.resize(100);
    writeBytes(dir / "cut.bmp", cut);
    // A damaged picture is told in the tool's words, the library's own text never on standard error.
    const std::string damagedPng = (kDataDir / "import" / "damaged" / "bad_png_ihdr_crc.png").string();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        { { "add", zrf, dir.file("cut.bmp") },
            "Reading File Error\nCannot read \"" + dir.file("cut.bmp")
                + "\": it is cut short: 128 x 160 pixels need more bytes than the 46 after byte 54\n" },
        { { "add", zrf, damagedPng },
            "Reading File Error\nCannot read \"" + damagedPng + "\": its PNG data is damaged (IHDR: CRC error)\n" },
        { { "delete", zrf, "2" }, "There is no item 2: the file holds 2 items (\"" + zrf + "\")\n" },
        { { "new", dir.file("c.zrf"), "--model", "3", "--size", "8M" },
            "The module type \"3 Zarn24 V10_V\" does not offer the size 8M (it offers 4M)\n" },
    };
    for (const auto& [args, err] : cases) {
        const auto r = runZarnres(args);
        EXPECT_EQ(std::tuple(r.status, r.out, r.err), std::tuple(1, "", err));
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "c.zrf"));
    EXPECT_TRUE(readBytes(zrf) == before);
}

// A progressive JPEG needs all of its coefficients at once (384 MB for this
// 8000 x 8000 one): with less memory than that, the refusal says why.
TEST_F(Commands, APictureThatNeedsMoreMemoryThanThereIsSaysSo)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's own memory does not fit under the limit";
#endif
    const std::string jpeg = (kDataDir / "import" / "forms" / "progressive_8000x8000_cut.jpg").string();
    const Bytes before = readBytes(zrf);
    const auto r = runZarnres({ "add", zrf, jpeg }, "ulimit -d 262144;"); // 256 MiB of data
    EXPECT_EQ(std::tuple(r.status, r.out, r.err),
        std::tuple(1, "",
            "Reading File Error\nCannot read \"" + jpeg + "\": there is not enough memory to decode the picture\n"));
    EXPECT_TRUE(readBytes(zrf) == before);
}

// An installed font is taken by the family name that zarnres fonts lists, and
// gives the library its file gives; a name that is neither is refused.
TEST_F(Commands, FontsAreTakenByTheFamilyNamesTheSystemLists)
{
    const std::string file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(file))
        GTEST_SKIP() << "fonts-dejavu-core is not installed (scripts/install-deps installs it)";
    const auto listed = runZarnres({ "fonts" });
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("\nDejaVu Sans\n"), std::string::npos) << listed.out;
    for (const auto& [font, folder] :
        { std::pair { file, dir.file("by-file") }, { "dejavu sans", dir.file("by-name") } }) {
        const auto r = runZarnres({ "font", "--font", font, "--type", "ascii", "--size", "8x16", "-o", folder });
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(0, "Wrote " + folder + "/8X16.asc (4096 bytes)\n")) << r.err;
    }
    EXPECT_TRUE(readBytes(dir / "by-name" / "8X16.asc") == readBytes(dir / "by-file" / "8X16.asc"));
    const auto unknown = runZarnres({ "font", "No Such Family", "--type", "ascii", "--size", "8x16" });
    EXPECT_EQ(std::tuple(unknown.status, unknown.err),
        std::tuple(1, "No font file or installed font family is named \"No Such Family\"\n"));
}

TEST_F(Commands, ChangesAndViewsReachTheFile)
{
    const std::pair<std::vector<std::string>, std::string> steps[] = {
        { { "set-ignore-color", zrf, "0", "0x07E0" }, "0x07e0\n" },
        { { "info", zrf },
            "File: " + zrf
                + "\nModel code: 1704\nScreen: 128*160\nMemory: 4096 KiB\nItems: 2 of 190\n"
                  "Used: 48 of 4096 KiB\nResource File size:4194304 Remaining bytes:4145152\n" },
        { { "delete", zrf, "0" }, "Resource File size:4194304 Remaining bytes:4186112\n" },
        { { "list", "--json", zrf },
            "[\n {\"no\": 0, \"kind\": 245, \"width\": 0, \"height\": 0, \"address\": 4096, \"length\": 1000, "
            "\"ignoreColor\": 0}\n]\n" },
    };
    for (const auto& [args, out] : steps) {
        const auto r = runZarnres(args);
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(r.out, out) << args[0];
    }
}

TEST_F(Commands, CheckPrintsEachProblem)
{
    EXPECT_EQ(runZarnres({ "check", zrf }).out, zrf + ": no problems found\n");
    Bytes bytes = readBytes(zrf);
    bytes[12 + 19 + 2] = 0x05; // item 1 three hundred KiB later than the layout puts it
    bytes.resize(1000000);
    writeBytes(zrf, bytes);
    const auto r = runZarnres({ "check", zrf });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
        zrf + ": item 1 starts at 372736 instead of 45056\n" + zrf
            + ": the file is 1000000 bytes long, the memory size is 4194304 bytes\n");
    EXPECT_EQ(r.err, zrf + ": 2 problems found\n");
    EXPECT_TRUE(readBytes(zrf) == bytes);

    // Warnings pass, unless --strict.
    const std::string other = dir.file("other.zrf");
    std::filesystem::copy_file(kDataDir / "resfile/damaged/screen_39321.zrf", other);
    const std::string warning
        = other + ": warning: the header's 39321x39321 screen is none of model code 4308's (480x272)\n";
    EXPECT_EQ(std::tuple(runZarnres({ "check", other }).status, runZarnres({ "check", other }).out),
        std::tuple(0, warning + other + ": no problems found, 1 warning\n"));
    const auto strict = runZarnres({ "check", "--strict", other });
    EXPECT_EQ(std::tuple(strict.status, strict.out, strict.err),
        std::tuple(1, warning, other + ": no problems found, 1 warning, which --strict counts as problems\n"));
}

TEST_F(Commands, ExtractWritesABitmapAsAViewableBmpAndOtherItemsAsTheyAre)
{
    const std::string back = dir.file("back.bmp");
    auto r = runZarnres({ "extract", zrf, "0", back });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Wrote " + back + ": 128x160 24-bit BMP\n");
    EXPECT_EQ(QImage(QString::fromStdString(back)).convertToFormat(QImage::Format_RGB888), photo);
    r = runZarnres({ "extract", zrf, "1", dir.file("back.wav") });
    EXPECT_EQ(r.out, "Wrote " + dir.file("back.wav") + ": 1000 bytes\n");
    EXPECT_TRUE(readBytes(dir / "back.wav") == readBytes(dir / "s.wav"));
}

TEST_F(Commands, ProjectsBuildFromPngUnpackAndDiffWithDiffsStatuses)
{
    ASSERT_TRUE(photo.save(QString::fromStdString(dir.file("photo.png"))));
    std::ofstream(dir / "p.toml") << "model = 1\n[[item]]\npicture = \"photo.png\"\n[[item]]\nsound = \"s.wav\"\n";
    const auto built = runZarnres({ "build", dir.file("p.toml"), "--json" });
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out, runZarnres({ "list", dir.file("p.zrf"), "--json" }).out);
    EXPECT_EQ(runZarnres({ "diff", zrf, dir.file("p.zrf") }).status, 0); // the PNG converts as the BMP did
    EXPECT_EQ(runZarnres({ "unpack", zrf, "-o", dir.file("u") }).status, 0);
    EXPECT_EQ(runZarnres({ "build", dir.file("u/a.toml"), "-o", dir.file("b.zrf") }).status, 0);
    EXPECT_TRUE(readBytes(dir / "b.zrf") == readBytes(zrf));
    std::ofstream(dir / "s.wav") << "other";
    EXPECT_EQ(runZarnres({ "build", dir.file("p.toml"), "-o", dir.file("c.zrf") }).status, 0);
    const auto differ = runZarnres({ "diff", zrf, dir.file("c.zrf") });
    EXPECT_EQ(differ.status, 1);
    EXPECT_EQ(differ.out.substr(0, 15), "item 1: size: 1");
    EXPECT_EQ(runZarnres({ "diff", zrf, dir.file("none.zrf") }).status, 2);
}
