// zarnres add and extract end to end: real files, a subprocess, its status and texts.
#include "support/Run.h"
#include "import/TestBmp.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zarn::test;

namespace {

struct ImportCli : ::testing::Test {
    TempDir dir;
    std::string zrf = (dir / "a.zrf").string();

    void SetUp() override { ASSERT_EQ(runZarnres({ "new", zrf }).status, 0); }
    std::string file(const std::string& name, const Bytes& bytes)
    {
        writeBytes(dir / name, bytes);
        return (dir / name).string();
    }
    std::string sized(const std::string& name, std::uintmax_t size) { return sizedFile(dir, name, size); }
    std::string gradient(const std::string& name, int w, int h)
    {
        return file(name, TestBmp { .width = w, .height = h, .pixel = [](int x, int y) { return ((x * 7) & 0xFFu) << 16 | ((y * 5) & 0xFFu) << 8 | 0x40; } }.bytes());
    }
    zarn::ResourceStore store()
    {
        zarn::ResourceStore s;
        s.path = zrf;
        EXPECT_TRUE(s.openResourceFile().ok);
        return s;
    }
    Bytes item(int row)
    {
        Bytes data;
        EXPECT_TRUE(store().readItem(row, data).ok);
        return data;
    }
    // The picture control's own conversion of a file in the given box.
    Bytes expected(const std::string& src, int boxW, int boxH, bool dither = false)
    {
        return convertWith(fromFile(src), boxW, boxH, dither).data;
    }
    // Refused: status 1, the text on standard error, nothing on standard output.
    static void expectRefused(const std::vector<std::string>& args, const std::string& text)
    {
        const auto r = runZarnres(args);
        EXPECT_EQ(r.status, 1) << args[2] << ": " << r.err;
        EXPECT_NE(r.err.find(text), std::string::npos) << args[2] << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    static std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }
};

} // namespace

TEST_F(ImportCli, BitmapIsFittedToTheFilesScreenAndReportedLikeTheWindow)
{
    // Row 1 of the module table is a 128 x 160 screen: 256 x 100 becomes 128 x 50.
    const auto src = gradient("wide.bmp", 256, 100);
    const auto r = runZarnres({ "add", zrf, src, "--ignore-color", "0xF800" });
    ASSERT_EQ(r.status, 0) << r.err;
    auto s = store();
    EXPECT_EQ(r.out, "Load Bitmap 16bit color Width:128 Height:50 \r\nSize:12800\n0\tTrue color bmp\t128*50\t4096\t12800\t0xf800\n"
                     "Resource File size:4194304 Remaining bytes:" + std::to_string(s.remainingBytes) + "\n");
    EXPECT_EQ(std::tuple(s.itemCount, s.directory.at(0).kind, s.directory.at(0).ignoreColor), std::tuple(1, 16, 0xF800));
    const Bytes stored = item(0);
    EXPECT_EQ(stored, expected(src, 128, 160));

    // It comes back out as a viewable BMP with the decoded colours, or raw.
    ASSERT_EQ(runZarnres({ "extract", zrf, "0", (dir / "back.bmp").string() }).status, 0);
    zarn::LoadedPicture back;
    back.m_strFileName = (dir / "back.bmp").string();
    ASSERT_TRUE(back.loadBmpFile().ok);
    EXPECT_EQ(std::tuple(back.sourceWidth(), back.sourceHeight()), std::tuple(128, 50));
    EXPECT_EQ(back.sourceRgb(), *zarn::decodeModuleBitmap(16, 128, 50, stored));
    ASSERT_EQ(runZarnres({ "extract", "--raw", zrf, "0", (dir / "back.raw").string() }).status, 0);
    EXPECT_EQ(readBytes(dir / "back.raw"), stored);
}

TEST_F(ImportCli, FontLibraryAfterARowAndWaveAppended)
{
    ASSERT_EQ(runZarnres({ "add", zrf, gradient("a.bmp", 8, 8) }).status, 0);
    ASSERT_EQ(runZarnres({ "add", zrf, gradient("b.bmp", 4, 4) }).status, 0);
    Bytes ascii(4096);
    for (std::size_t i = 0; i < ascii.size(); ++i)
        ascii[i] = static_cast<std::uint8_t>(i * 31);
    const auto r = runZarnres({ "add", zrf, file("8X16.asc", ascii), "--after", "0" });
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(firstLine(r.out), "Loading ASCII lib file:8X16 Filesize:4096");
    const Bytes wave { 'R', 'I', 'F', 'F', 1, 2, 3 };
    const auto w = runZarnres({ "add", zrf, file("s.wav", wave) });
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_EQ(firstLine(w.out), "Loading Wave file: Filesize:7");

    auto s = store();
    ASSERT_EQ(s.itemCount, 4);
    EXPECT_EQ(std::tuple(s.directory[0].width, s.directory[1].kind, s.directory[2].width, s.directory[3].kind), std::tuple(8, 241, 4, 245));
    for (const auto& [row, bytes] : { std::pair { "1", ascii }, { "3", wave } }) {
        ASSERT_EQ(runZarnres({ "extract", zrf, row, (dir / "x.out").string() }).status, 0);
        EXPECT_EQ(readBytes(dir / "x.out"), bytes) << row;
    }
}

TEST_F(ImportCli, RefusalsUseTheWindowsTextsAndChangeNothing)
{
    const auto bmp = gradient("a.bmp", 8, 8);
    ASSERT_EQ(runZarnres({ "add", zrf, bmp }).status, 0);
    const auto before = readBytes(zrf);

    auto cut = readBytes(bmp);
    cut.resize(cut.size() - 10);
    auto rle = readBytes(kFormsDir / "rle8.bmp");
    rle.resize(rle.size() - 40); // the stream loses its last rows and its end mark
    auto png = readBytes(kFormsDir / "png24.png");
    png.resize(png.size() / 2);
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        { { "add", zrf, file("cut.bmp", cut) }, "Reading File Error" },
        { { "add", zrf, file("cutrle.bmp", rle) }, "Reading File Error" },
        { { "add", zrf, file("cut.png", png) }, "Reading File Error" },
        { { "add", zrf, file("text.bmp", { 'h', 'e', 'l', 'l', 'o' }) }, "Reading File Error" },
        { { "add", zrf, (dir / "missing.bmp").string() }, "Reading File Error" },
        { { "add", zrf, sized("16X16.hzk", 261695) }, "GBK2312 lib file invalid" },
        { { "add", zrf, (dir / "HZK16.hzk").string() }, "GBK2312 lib file invalid" },
        { { "add", zrf, (dir / "16X16.big").string() }, "Open BIG5 lib file failure" },
        { { "add", zrf, (dir / "none.wav").string() }, "Open WAVE file failure" },
        { { "add", zrf, sized("huge.wav", 5u << 20) }, "Resource file space not enough" },
        { { "add", zrf, sized("16X16.HZK", 261696) }, "extension" },
        { { "add", zrf, sized("s.wav", 10), "--after", "5" }, "There is no item 5" },
        { { "add", (dir / "no.zrf").string(), bmp }, "no.zrf" },
    };
    for (const auto& [args, message] : cases)
        expectRefused(args, message);
    for (const auto& args : std::vector<std::vector<std::string>> {
             { "add", zrf },
             { "add", zrf, bmp, "--ignore-color", "red" },
             { "add", zrf, (dir / "s.wav").string(), "--ignore-color", "0x1" },
             { "add", zrf, (dir / "s.wav").string(), "--after", "first" },
             { "add", "--dither", zrf, (dir / "s.wav").string() },
             { "extract", zrf, "0" },
         }) {
        const auto r = runZarnres(args);
        EXPECT_EQ(r.status, 2) << args.back();
        if (args[1] == "--dither") {
            EXPECT_NE(r.err.find("--dither applies to bitmaps"), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(readBytes(zrf), before);
}

TEST_F(ImportCli, BitmapBeyondTheSpaceOrTheDirectoryIsRefused)
{
    {
        auto s = store(); // less room than an 8 x 8 true-colour picture needs (128 bytes)
        const Bytes filler(s.remainingBytes - 100, 0x11);
        zarn::ResourceEntry e { .length = static_cast<std::uint32_t>(filler.size()), .kind = 245 };
        ASSERT_TRUE(s.insertItemData(0, e, filler).ok);
    }
    expectRefused({ "add", zrf, gradient("a.bmp", 8, 8) }, "Resource file space not enough");

    ASSERT_EQ(runZarnres({ "new", zrf }).status, 0);
    {
        auto s = store();
        for (int i = 0; i < s.maxItems; ++i)
            ASSERT_TRUE(s.insertItemData(s.itemCount, { .kind = 245 }, {}).ok);
    }
    expectRefused({ "add", zrf, (dir / "a.bmp").string() }, "Exceed the maximum number of resources");
}

TEST_F(ImportCli, ExtractRefusesDamagedBitmapsAndUnwritableOutputs)
{
    // 10 bytes, far less than 100 x 100 pixels need.
    ASSERT_TRUE(store().insertItemData(0, { .length = 10, .width = 100, .height = 100, .kind = 16 }, Bytes(10, 0xAB)).ok);
    const auto out = (dir / "x.bmp").string();
    expectRefused({ "extract", zrf, "0", out }, "damaged");
    EXPECT_FALSE(fs::exists(out));
    expectRefused({ "extract", "--raw", zrf, "0", (dir / "nofolder" / "x.raw").string() }, "nofolder/x.raw");
    EXPECT_EQ(runZarnres({ "extract", zrf, "1", out }).status, 1);
}

TEST_F(ImportCli, PicturesInOtherFormsAreAddedAsTheirStandardBmp)
{
    const auto a = runZarnres({ "add", zrf, (kFormsDir / "png24.png").string() });
    ASSERT_EQ(a.status, 0) << a.err;
    const auto b = runZarnres({ "add", zrf, (kFormsDir / "std24.bmp").string() });
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(firstLine(a.out), firstLine(b.out)); // the same load report
    EXPECT_TRUE(item(0) == item(1));
    // Palette pictures keep their depth; a JPEG becomes the true-colour format.
    for (const auto& [name, kind] : { std::pair { "gif4.gif", 4 }, { "png1.png", 1 }, { "jpeg.jpg", 16 } }) {
        const auto r = runZarnres({ "add", "--json", zrf, (kFormsDir / name).string() });
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_NE(r.out.find("\"kind\":" + std::to_string(kind) + ","), std::string::npos) << r.out;
    }
}

TEST_F(ImportCli, DitherIsThePictureControlsDitheredConversion)
{
    const auto src = (kFormsDir / "std24.bmp").string();
    ASSERT_EQ(runZarnres({ "add", zrf, src }).status, 0);
    ASSERT_EQ(runZarnres({ "add", "--dither", zrf, src }).status, 0);
    auto s = store();
    ASSERT_EQ(s.itemCount, 2);
    EXPECT_NE(item(0), item(1));
    EXPECT_EQ(item(0), expected(src, s.screenWidth, s.screenHeight));
    EXPECT_EQ(item(1), expected(src, s.screenWidth, s.screenHeight, true));
}
