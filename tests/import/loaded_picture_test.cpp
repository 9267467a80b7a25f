// The picture behind "Load BMP": fitted into the module's screen box with the
// system's own precision, converted through the staging file, decoded again
// for display; sources and staging files that are no regular file; and where
// the staging file lives.
#include "import/ModuleBitmap.h"
#include "import/Pictures.h"
#include "import/Rgb565.h"
#include "import/StagingFile.h"
#include "platform/FileIo.h"
#include "platform/ProgramFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

TEST(LoadedPicture, ScreenBoxWorkedExamples)
{
    const struct {
        int w, h, bw, bh;
        bool scaled;
        int ow, oh, drawW;
        float scale;
    } cases[] = {
        { 320, 240, 320, 240, false, 320, 240, 319, 0 }, // pictures that fit draw one column less
        { 640, 480, 0, 0, false, 640, 480, 639, 0 }, // a box without area does not divide by zero
        { 640, 480, 320, 240, true, 320, 240, 320, 2.0f }, // scaled pictures draw at their full width
        { 1024, 768, 320, 240, true, 319, 240, 319, 3.2f }, // 3.2 in single precision loses to the width
        { 1000, 300, 320, 240, true, 320, 96, 320, 3.125f },
        { 321, 241, 320, 240, true, 319, 240, 319, 241.0f / 240 },
        { 321, 240, 320, 240, true, 320, 239, 320, static_cast<float>(321.0 / 320) },
        { 800, 480, 480, 272, true, 453, 272, 453, 480.0f / 272 },
    };
    for (const auto& c : cases) {
        const BoxFit f = fitToBox(c.w, c.h, c.bw, c.bh);
        EXPECT_EQ(std::tuple(f.scaled, f.width, f.height, f.drawWidth, f.drawHeight, f.scale),
            std::tuple(c.scaled, c.ow, c.oh, c.drawW, c.oh, c.scale))
            << c.w << "x" << c.h << " in " << c.bw << "x" << c.bh;
    }
    // A resource file's own screen fits the next file read (45x31 into 40x30), not the picture
    // held; a box without area is ignored.
    LoadedPicture pic;
    pic.setScreenBox(40, 30);
    pic.setFileName((kFormsDir / "std8.bmp").string());
    ASSERT_TRUE(pic.loadBmpFile().ok);
    pic.setScreenBox(320, 240);
    pic.setScreenBox(0, 0);
    EXPECT_EQ(std::tuple(pic.bitCount(), pic.width(), pic.height(), pic.boxWidth(), pic.boxHeight()),
        std::tuple(108, 40, 27, 320, 240));
}

TEST(LoadedPicture, StagingFileHoldsTheConversionAndWhatIsNoRegularFileIsRefusedWithoutWaiting)
{
    TempDir dir;
    LoadedPicture pic;
    // Opened, a named pipe would wait for the other end.
    ASSERT_TRUE(makeNamedPipe(dir.file("pipe")) || !kNamedPipes);
    fs::create_directory(dir / "folder");
    const std::string missing = systemReason(ENOENT);
    for (const auto& [name, reason] :
        { std::pair { "missing", missing.c_str() }, { "folder", "a folder" }, { "pipe", "a named pipe" } }) {
        if (!kNamedPipes && name == std::string("pipe"))
            continue;
        pic.setFileName(dir.file(name));
        const auto r = pic.loadBmpFile();
        EXPECT_EQ(r.message, "Reading File Error");
        EXPECT_TRUE(r.detail.starts_with("Cannot read \"" + dir.file(name) + "\": ")
            && r.detail.find(reason) != std::string::npos)
            << r.detail;
    }
    // Nothing held: nothing to convert, and no staging file.
    EXPECT_FALSE(pic.hasPicture() || pic.convertBitmap(dir.file("ttt.tmp")).ok || fs::exists(dir / "ttt.tmp"));
    // Written, the staging file holds what the command line converts in memory; the source is drawn from
    // the palette, top row first (pixel 3 has index 3: see worked/expected.txt).
    pic.setFileName((kWorkedDir / "palette_first_8bit_10x10.bmp").string());
    ASSERT_TRUE(pic.loadBmpFile().ok && pic.convertBitmap(dir.file("ttt.tmp")).ok);
    EXPECT_EQ(std::tuple(readBytes(dir / "ttt.tmp"), pic.size()), std::tuple(pic.convertBitmap(), 612));
    const Bytes rgb = pic.sourceRgb();
    EXPECT_EQ(Bytes(rgb.begin() + 9, rgb.begin() + 12), (Bytes { 200, 100, 50 }));
    // A staging file that cannot be written: "False", the file and the reason, and ">>LOAD" blocked.
    // The pipe has a reader: it could be opened for writing, and is refused only for what it is.
#ifndef _WIN32
    const int reader = ::open(dir.file("pipe").c_str(), O_RDONLY | O_NONBLOCK);
#endif
    for (const auto& [path, reason] : { std::pair { dir.file("missing/ttt.tmp"), missing },
             { dir.file("pipe"), std::string("it is a named pipe, not a regular file") } }) {
        if (!kNamedPipes && path == dir.file("pipe"))
            continue;
        ASSERT_TRUE(pic.loadBmpFile().ok);
        const auto r = pic.convertBitmap(path);
        // The size is still the rows' alone: the palette was never written.
        EXPECT_EQ(std::tuple(r.ok, r.message, pic.loaded(), pic.size()), std::tuple(false, "False", false, 100));
        EXPECT_EQ(r.detail, "Cannot write the staging file \"" + path + "\": " + reason);
    }
#ifndef _WIN32
    ::close(reader);
#endif
}

TEST(StagingFile, TempFolderBesideTheProgramOrElseInTheCache)
{
    TempDir dir;
    std::string notice;
    EXPECT_EQ(stagingFilePathFor(dir.path().string(), dir.file("cache"), &notice), dir.file("Temp/ttt.tmp"));
    EXPECT_TRUE(fs::is_directory(dir / "Temp") && notice.empty() && !fs::exists(dir / "cache")) << notice;
    fs::create_directory(dir / "program"); // a file where its Temp folder should be: the cache, and a notice
    writeBytes(dir / "program" / "Temp", { 'x' });
    const std::string fallback = stagingFilePathFor(dir.file("program"), dir.file("cache"), &notice);
    EXPECT_TRUE(fallback == dir.file("cache/zarntool/Temp/ttt.tmp") && fs::is_directory(dir / "cache/zarntool/Temp"))
        << fallback;
    EXPECT_EQ(
        notice, "The program's folder " + dir.file("program") + " cannot be written; the staging file is " + fallback);
#ifdef _WIN32
    const char* const cacheVariable = "LOCALAPPDATA";
    const char* const exe = "import_loaded_picture_test.exe";
#else
    const char* const cacheVariable = "XDG_CACHE_HOME";
    const char* const exe = "import_loaded_picture_test";
#endif
    const char* old = std::getenv(cacheVariable); // no program folder known, no cache given: the environment's
    const std::string saved = old ? old : "";
    setEnvironment(cacheVariable, dir.file("xdg").c_str());
    EXPECT_EQ(fs::path(stagingFilePathFor("", "", &notice)), fs::path(dir.file("xdg/zarntool/Temp/ttt.tmp")));
    setEnvironment(cacheVariable, old ? saved.c_str() : nullptr);
    EXPECT_TRUE(fs::exists(fs::path(programFolder()) / exe));
    // A build's folder is the program's own; an installed program's is not, even for root.
    EXPECT_EQ(programWorkFolder(), programFolder());
#ifdef _WIN32
    const std::string installed = environmentValue("ProgramFiles") + "\\zarntool";
#else
    const std::string installed = "/usr/bin/";
#endif
    EXPECT_TRUE(isInstalledProgramFolder(installed) && !isInstalledProgramFolder(dir.path().string()));
}

// The conversion's bytes are worked by hand in bmp_files_test; decoded again,
// every kind must show the source's colours as the module holds them.
TEST(ModuleBitmap, EachKindDecodesToTheColoursConvertedNeverPastTheData)
{
    for (const char* name : { "std1.bmp", "std4.bmp", "std8.bmp", "std24.bmp" }) {
        LoadedPicture pic;
        pic.setFileName((kFormsDir / name).string());
        ASSERT_TRUE(pic.loadBmpFile().ok);
        const Bytes data = pic.convertBitmap(), source = pic.sourceRgb();
        Bytes expected;
        for (std::size_t i = 0; i < source.size(); i += 3) {
            const Rgb c = fromRgb565(toRgb565(source[i], source[i + 1], source[i + 2]));
            expected.insert(expected.end(), { c.r, c.g, c.b });
        }
        const auto kind = static_cast<std::uint8_t>(pic.format());
        EXPECT_EQ(decodeModuleBitmap(kind, 45, 31, data), expected) << name;
        EXPECT_FALSE(decodeModuleBitmap(kind, 45, 31, Bytes(data.begin(), data.end() - 1))) << name;
    }
    // Other kinds, and sizes beyond 32 bits.
    for (const auto& [kind, w, h] : { std::tuple { 245, 10, 10 }, { 241, 8, 16 }, { 2, 10, 10 }, { 16, 65535, 65535 } })
        EXPECT_FALSE(decodeModuleBitmap(static_cast<std::uint8_t>(kind), w, h, Bytes(1000, 0))) << kind;
}

TEST(Rgb565, TruncatesAndExpandsWithTheTopBitRepeated)
{
    // Below a step, a channel is dropped, not rounded.
    EXPECT_EQ(
        std::tuple(toRgb565(200, 100, 50), toRgb565(7, 3, 7), toRgb565(8, 4, 8)), std::tuple(0xCB26, 0x0000, 0x0821));
    EXPECT_EQ(
        std::tuple(fromRgb565(0x8410), fromRgb565(0x7BEF)), std::tuple(Rgb { 135, 131, 135 }, Rgb { 120, 124, 120 }));
    for (unsigned v = 0; v <= 0xFFFF; ++v) { // every value comes back
        const Rgb c = fromRgb565(static_cast<std::uint16_t>(v));
        ASSERT_EQ(toRgb565(c.r, c.g, c.b), v) << "value " << v;
    }
}
