// What differs between Linux and Windows under the same code: names outside
// ASCII, the separators and drives of paths, and a resource file that another
// handle holds open while it is replaced.
#include "import/FileExtension.h"
#include "import/FontLibrary.h"
#include "resfile/ResourceStore.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

namespace {

const ResourceEntry kWave { 0, 3000, 0, 0, 0, 0xF0, 0 };

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(utf8Of(e.path().filename()));
    return names;
}

} // namespace

TEST(PlatformFiles, NamesOutsideAsciiAreTheNamesOnDisk)
{
    TempDir dir;
    fs::create_directory(dir / "Ünïcode");
    const std::string file = dir.file("Ünïcode/资源.zrf");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    ResourceStore s;
    ASSERT_TRUE(s.openResourceFile(file).ok);
    const std::string source = dir.file("Ünïcode/tön.wav");
    patternFile(dir / "Ünïcode/tön.wav", 3000, 7);
    ASSERT_TRUE(s.insertItem(0, kWave, source).ok); // replaced once more, by the same name
    std::vector<std::string> names = namesIn(dir / "Ünïcode");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "tön.wav", "资源.zrf" })) << "no temporary file is left";
    std::vector<std::uint8_t> item;
    ResourceStore again;
    ASSERT_TRUE(again.openResourceFile(file).ok && again.readItem(0, item).ok);
    EXPECT_EQ(item, pattern(3000, 7));
    const StoreResult missing = again.insertItem(0, kWave, dir.file("Ünïcode/fehlt.wav"));
    EXPECT_EQ(missing.detail, "Cannot read " + quotedPath(dir.file("Ünïcode/fehlt.wav")) + ": " + systemReason(ENOENT));
}

TEST(PlatformFiles, SeparatorsAndDrivesOfTheSystem)
{
#ifdef _WIN32
    EXPECT_EQ(parseGlyphSize("C:\\fonts\\16X16.hzk"), std::pair(16, 16));
    EXPECT_EQ(parseGlyphSize("D:24X24.hzk"), std::pair(24, 24));
    EXPECT_EQ(lowerExtension("C:\\a.b\\16X16"), "");
    // The same file by backslashes and by slashes, its drive letter included.
    TempDir dir;
    const std::string slashes = utf8Of(dir.path().generic_u8string()) + "/r.zrf";
    ASSERT_TRUE(slashes.size() > 2 && slashes[1] == ':') << slashes;
    ASSERT_TRUE(createResourceFile(slashes, 2404, 320, 240, 4096).ok);
    ResourceStore s;
    ASSERT_TRUE(s.openResourceFile(dir.file("r.zrf")).ok) << dir.file("r.zrf");
    EXPECT_EQ(dir.entryCount(), 1);
#else
    // A backslash is part of a name here.
    EXPECT_EQ(parseGlyphSize("12X12\\16X16.hzk"), std::pair(12, 12));
    EXPECT_EQ(lowerExtension("a.b\\c"), "b\\c");
#endif
}

// On Linux the other handle keeps the old file; where an open file cannot be
// replaced, the change is refused, says why, and the file stays as it was.
TEST(PlatformFiles, AFileHeldOpenElsewhereKeepsItsBytesOrTakesTheChangeWhole)
{
    TempDir dir;
    const std::string file = dir.file("held.zrf");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    const Bytes before = readBytes(file);
    ResourceStore s;
    ASSERT_TRUE(s.openResourceFile(file).ok);
    FileIo& io = defaultFileIo();
    const int other = io.open(file, O_RDONLY);
    ASSERT_GE(other, 0);
    const StoreResult r = s.insertItemData(0, kWave, pattern(3000, 3));
    Bytes seen(before.size());
    EXPECT_EQ(readFully(io, other, seen.data(), seen.size(), 0), 0);
    EXPECT_EQ(seen, before) << "the other handle reads the file it opened";
    io.close(other);
    if (kRenameReplacesOpenFiles) {
        EXPECT_TRUE(r.ok) << r.detail;
    } else {
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find("open in another program"), std::string::npos) << r.message;
        EXPECT_EQ(readBytes(file), before);
        EXPECT_TRUE(s.insertItemData(0, kWave, pattern(3000, 3)).ok) << "once it is closed";
    }
    EXPECT_EQ(dir.entryCount(), 1);
    std::vector<std::uint8_t> item;
    ResourceStore again;
    ASSERT_TRUE(again.openResourceFile(file).ok && again.readItem(0, item).ok);
    EXPECT_EQ(item, pattern(3000, 3));
}
