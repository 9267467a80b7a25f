// zarnres add and extract end to end: real files, a subprocess, its status and texts.
#include "cli/CliRunner.h"
#include "import/DibPicture.h"
#include "import/ModuleBitmap.h"
#include "import/TestBmp.h"
#include "resfile/ResourceStore.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using zarn::test::readBytes;
using zarn::test::runZarnres;
using zarn::test::TestBmp;
using zarn::test::writeBytes;

namespace {

struct ImportCli : ::testing::Test {
    zarn::test::TempDir dir;
    std::string zrf = (dir / "a.zrf").string();

    void SetUp() override
    {
        const auto r = runZarnres({ "new", zrf });
        ASSERT_EQ(r.status, 0) << r.err;
    }
    std::string file(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        writeBytes(dir / name, bytes);
        return (dir / name).string();
    }
    std::string sized(const std::string& name, std::uintmax_t size)
    {
        writeBytes(dir / name, {});
        fs::resize_file(dir / name, size);
        return (dir / name).string();
    }
    zarn::ResourceStore store()
    {
        zarn::ResourceStore s;
        s.path = zrf;
        EXPECT_TRUE(s.openResourceFile().ok);
        return s;
    }
    static std::vector<std::string> lines(const std::string& text)
    {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
            out.push_back(text.substr(start, nl - start));
        return out;
    }
};

TestBmp gradient(int w, int h)
{
    TestBmp bmp;
    bmp.width = w;
    bmp.height = h;
    bmp.pixel = [](int x, int y) { return static_cast<std::uint32_t>(((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | 0x40); };
    return bmp;
}

} // namespace

TEST_F(ImportCli, BitmapIsFittedToTheFilesScreenAndReportedLikeTheWindow)
{
    // Row 1 of the module table is a 128 x 160 screen: 256 x 100 becomes 128 x 50.
    const auto src = file("wide.bmp", gradient(256, 100).bytes());
    const auto r = runZarnres({ "add", zrf, src, "--ignore-color", "0xF800" });
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 4u) << r.out;
    EXPECT_EQ(out[0], "Load Bitmap 16bit color Width:128 Height:50 \r");
    EXPECT_EQ(out[1], "Size:12800");
    EXPECT_EQ(out[2], "0\tTrue color bmp\t128*50\t4096\t12800\t0xf800");
    EXPECT_EQ(out[3].rfind("Resource File size:4194304 Remaining bytes:", 0), 0u) << out[3];

    auto s = store();
    ASSERT_EQ(s.itemCount, 1);
    EXPECT_EQ(s.directory[0].kind, 16);
    EXPECT_EQ(s.directory[0].ignoreColor, 0xF800);

    // The item holds exactly the conversion the picture control makes.
    zarn::DibPicture pic;
    pic.setScreenBox(128, 160);
    pic.m_strFileName = src;
    ASSERT_TRUE(pic.loadBmpFile().ok);
    ASSERT_TRUE(pic.convertBitmap((dir / "expected.tmp").string()).ok);
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(s.readItem(0, stored).ok);
    EXPECT_EQ(stored, readBytes(dir / "expected.tmp"));

    // And comes back out as a viewable BMP with the decoded colours.
    const auto bmpOut = (dir / "back.bmp").string();
    const auto x = runZarnres({ "extract", zrf, "0", bmpOut });
    ASSERT_EQ(x.status, 0) << x.err;
    zarn::DibPicture back;
    back.m_strFileName = bmpOut;
    ASSERT_TRUE(back.loadBmpFile().ok);
    EXPECT_EQ(back.sourceWidth(), 128);
    EXPECT_EQ(back.sourceHeight(), 50);
    EXPECT_EQ(back.sourceRgb(), *zarn::decodeModuleBitmap(16, 128, 50, stored));

    const auto rawOut = (dir / "back.raw").string();
    ASSERT_EQ(runZarnres({ "extract", "--raw", zrf, "0", rawOut }).status, 0);
    EXPECT_EQ(readBytes(rawOut), stored);
}

TEST_F(ImportCli, FontLibraryAfterARowAndWaveAppended)
{
    ASSERT_EQ(runZarnres({ "add", zrf, file("a.bmp", gradient(8, 8).bytes()) }).status, 0);
    ASSERT_EQ(runZarnres({ "add", zrf, file("b.bmp", gradient(4, 4).bytes()) }).status, 0);
    std::vector<std::uint8_t> ascii(4096);
    for (std::size_t i = 0; i < ascii.size(); ++i)
        ascii[i] = static_cast<std::uint8_t>(i * 31);
    const auto font = file("8X16.asc", ascii);
    const auto r = runZarnres({ "add", zrf, font, "--after", "0" });
    ASSERT_EQ(r.status, 0) << r.err;
    const auto out = lines(r.out);
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0], "Loading ASCII lib file:8X16 Filesize:4096");
    EXPECT_EQ(out[1].substr(0, out[1].find('\t', 2)), "1\tASCII lib");

    std::vector<std::uint8_t> wave { 'R', 'I', 'F', 'F', 1, 2, 3 };
    const auto w = runZarnres({ "add", zrf, file("s.wav", wave) });
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_EQ(lines(w.out).at(0), "Loading Wave file: Filesize:7");

    auto s = store();
    ASSERT_EQ(s.itemCount, 4);
    EXPECT_EQ(s.directory[0].width, 8);
    EXPECT_EQ(s.directory[1].kind, 241);
    EXPECT_EQ(s.directory[2].width, 4);
    EXPECT_EQ(s.directory[3].kind, 245);
    ASSERT_EQ(runZarnres({ "extract", zrf, "1", (dir / "font.out").string() }).status, 0);
    EXPECT_EQ(readBytes(dir / "font.out"), ascii);
    ASSERT_EQ(runZarnres({ "extract", zrf, "3", (dir / "wave.out").string() }).status, 0);
    EXPECT_EQ(readBytes(dir / "wave.out"), wave);
}

TEST_F(ImportCli, RefusalsUseTheWindowsTextsAndChangeNothing)
{
    ASSERT_EQ(runZarnres({ "add", zrf, file("a.bmp", gradient(8, 8).bytes()) }).status, 0);
    const auto before = readBytes(zrf);

    auto damaged = gradient(8, 8).bytes();
    damaged.resize(damaged.size() - 10);
    struct Case { std::vector<std::string> args; std::string message; };
    const std::vector<Case> cases {
        { { "add", zrf, file("cut.bmp", damaged) }, "Reading File Error" },
        { { "add", zrf, file("text.bmp", { 'h', 'e', 'l', 'l', 'o' }) }, "Reading File Error" },
        { { "add", zrf, (dir / "missing.bmp").string() }, "Reading File Error" },
        { { "add", zrf, sized("16X16.hzk", 261695) }, "GBK2312 lib file invalid" },
        { { "add", zrf, (dir / "HZK16.hzk").string() }, "GBK2312 lib file invalid" },
        { { "add", zrf, (dir / "16X16.big").string() }, "Open BIG5 lib file failure" },
        { { "add", zrf, (dir / "none.wav").string() }, "Open WAVE file failure" },
        { { "add", zrf, sized("huge.wav", 5u << 20) }, "Resource file space not enough" },
        { { "add", zrf, sized("16X16.HZK", 261696) }, "extension" },
        { { "add", zrf, sized("s.wav", 10), "--after", "5" }, "There is no item 5" },
    };
    for (const auto& c : cases) {
        const auto r = runZarnres(c.args);
        EXPECT_EQ(r.status, 1) << c.args[2] << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args[2] << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    for (const auto& args : std::vector<std::vector<std::string>> {
             { "add", zrf },
             { "add", zrf, (dir / "a.bmp").string(), "--ignore-color", "red" },
             { "add", zrf, (dir / "s.wav").string(), "--ignore-color", "0x1" },
             { "add", zrf, (dir / "s.wav").string(), "--after", "first" },
             { "extract", zrf, "0" },
         })
        EXPECT_EQ(runZarnres(args).status, 2) << args.back();
    EXPECT_EQ(readBytes(zrf), before);

    const auto badFile = runZarnres({ "add", (dir / "no.zrf").string(), (dir / "a.bmp").string() });
    EXPECT_EQ(badFile.status, 1);
    EXPECT_FALSE(badFile.err.empty());
}

TEST_F(ImportCli, BitmapBeyondTheSpaceOrTheDirectoryIsRefused)
{
    {
        auto s = store();
        // Leave less room than an 8 x 8 true-colour picture needs (128 bytes).
        const std::vector<std::uint8_t> filler(s.remainingBytes - 100, 0x11);
        zarn::ResourceEntry e;
        e.kind = 245;
        e.length = static_cast<std::uint32_t>(filler.size());
        ASSERT_TRUE(s.insertItemData(0, e, filler).ok);
    }
    const auto r = runZarnres({ "add", zrf, file("a.bmp", gradient(8, 8).bytes()) });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Resource file space not enough"), std::string::npos) << r.err;

    ASSERT_EQ(runZarnres({ "new", zrf }).status, 0);
    {
        auto s = store();
        zarn::ResourceEntry e;
        e.kind = 245;
        for (int i = 0; i < s.maxItems; ++i)
            ASSERT_TRUE(s.insertItemData(s.itemCount, e, {}).ok);
    }
    const auto full = runZarnres({ "add", zrf, (dir / "a.bmp").string() });
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("Exceed the maximum number of resources"), std::string::npos) << full.err;
}

TEST_F(ImportCli, ExtractRefusesDamagedBitmapsAndUnwritableOutputs)
{
    {
        auto s = store();
        zarn::ResourceEntry e;
        e.kind = 16;
        e.width = 100;
        e.height = 100;
        e.length = 10; // far less than 100 x 100 pixels need
        const std::vector<std::uint8_t> data(10, 0xAB);
        ASSERT_TRUE(s.insertItemData(0, e, data).ok);
    }
    const auto out = (dir / "x.bmp").string();
    const auto r = runZarnres({ "extract", zrf, "0", out });
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("damaged"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));

    const auto raw = runZarnres({ "extract", "--raw", zrf, "0", (dir / "nofolder" / "x.raw").string() });
    EXPECT_EQ(raw.status, 1);
    EXPECT_NE(raw.err.find("nofolder/x.raw"), std::string::npos) << raw.err;

    EXPECT_EQ(runZarnres({ "extract", zrf, "1", out }).status, 1);
}

namespace {
const fs::path kForms = fs::path(ZARN_TEST_DATA_DIR) / "import" / "forms";
}

TEST_F(ImportCli, PicturesInOtherFormsAreAddedAsTheirStandardBmp)
{
    // Each form is stored exactly as the same picture written as a standard BMP.
    const std::pair<const char*, const char*> pairs[] = {
        { "rle8.bmp", "std8.bmp" }, { "rle4.bmp", "std4.bmp" }, { "short8.bmp", "std8.bmp" },
        { "v5_24.bmp", "std24.bmp" }, { "png24.png", "std24.bmp" },
    };
    int row = 0;
    for (const auto& [form, standard] : pairs) {
        const auto a = runZarnres({ "add", zrf, (kForms / form).string() });
        ASSERT_EQ(a.status, 0) << form << ": " << a.err;
        const auto b = runZarnres({ "add", zrf, (kForms / standard).string() });
        ASSERT_EQ(b.status, 0) << standard << ": " << b.err;
        EXPECT_EQ(lines(a.out).at(0), lines(b.out).at(0)) << form; // the same load report
        auto s = store();
        std::vector<std::uint8_t> x, y;
        ASSERT_TRUE(s.readItem(row, x).ok);
        ASSERT_TRUE(s.readItem(row + 1, y).ok);
        EXPECT_EQ(s.directory[row].kind, s.directory[row + 1].kind) << form;
        EXPECT_TRUE(x == y) << form;
        row += 2;
    }
    // Palette pictures keep their depth; a JPEG becomes the true-colour format.
    for (const auto& [name, kind] : { std::pair { "gif4.gif", 4 }, { "png1.png", 1 }, { "jpeg.jpg", 16 } }) {
        const auto r = runZarnres({ "add", "--json", zrf, (kForms / name).string() });
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
        EXPECT_NE(r.out.find("\"kind\":" + std::to_string(kind) + ","), std::string::npos) << r.out;
    }
}

TEST_F(ImportCli, DitherIsAskedForAndAppliesToBitmapsOnly)
{
    const auto src = (kForms / "std24.bmp").string();
    ASSERT_EQ(runZarnres({ "add", zrf, src }).status, 0);
    const auto d = runZarnres({ "add", "--dither", zrf, src });
    ASSERT_EQ(d.status, 0) << d.err;
    auto s = store();
    ASSERT_EQ(s.itemCount, 2);
    EXPECT_EQ(s.directory[0].length, s.directory[1].length);
    std::vector<std::uint8_t> plain, dithered;
    ASSERT_TRUE(s.readItem(0, plain).ok);
    ASSERT_TRUE(s.readItem(1, dithered).ok);
    EXPECT_NE(plain, dithered);

    // The item is the picture control's own dithered conversion.
    zarn::DibPicture pic;
    pic.setScreenBox(s.screenWidth, s.screenHeight);
    pic.m_bDither = true;
    pic.m_strFileName = src;
    ASSERT_TRUE(pic.loadBmpFile().ok);
    ASSERT_TRUE(pic.convertBitmap((dir / "expected.tmp").string()).ok);
    EXPECT_EQ(dithered, readBytes(dir / "expected.tmp"));

    const auto wav = runZarnres({ "add", "--dither", zrf, sized("s.wav", 100) });
    EXPECT_EQ(wav.status, 2);
    EXPECT_NE(wav.err.find("--dither applies to bitmaps"), std::string::npos) << wav.err;
    EXPECT_EQ(store().itemCount, 2);
}

TEST_F(ImportCli, DamagedPicturesAreRefusedAndChangeNothing)
{
    auto rle = readBytes(kForms / "rle8.bmp");
    rle.resize(rle.size() - 40); // the stream loses its last rows and its end mark
    auto png = readBytes(kForms / "png24.png");
    png.resize(png.size() / 2);
    for (const auto& src : { file("cut.bmp", rle), file("cut.png", png) }) {
        const auto r = runZarnres({ "add", zrf, src });
        EXPECT_EQ(r.status, 1) << src;
        EXPECT_NE(r.err.find("Reading File Error"), std::string::npos) << r.err;
    }
    EXPECT_EQ(store().itemCount, 0);
}
