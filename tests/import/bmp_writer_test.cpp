// Pictures written out as 24-bit BMP files read back the same, and a write that
// cannot happen leaves nothing half-written.
#include "import/BmpWriter.h"
#include "import/TestBmp.h"

#include <gtest/gtest.h>

using namespace zarn::test;
namespace fs = std::filesystem;

TEST(BmpWriter, WrittenFileReadsBackWithTheSamePixelsAndReplacesTheOldOne)
{
    TempDir dir;
    const auto path = (dir / "out.bmp").string();
    writeBytes(path, Bytes(5000, 7));
    Bytes rgb;
    for (int i = 0; i < 5 * 3; ++i)
        rgb.insert(rgb.end(), { static_cast<std::uint8_t>(i * 17), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i) });
    std::string error;
    ASSERT_TRUE(zarn::writeBmp24(path, 5, 3, rgb, &error)) << error;
    EXPECT_EQ(fs::file_size(path), 54u + 3 * 16); // rows of 15 bytes padded to 16
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);

    zarn::LoadedPicture pic;
    pic.m_strFileName = path;
    ASSERT_TRUE(pic.loadBmpFile().ok);
    EXPECT_EQ(pic.m_nBitCount, 24);
    EXPECT_EQ(pic.sourceWidth(), 5);
    EXPECT_EQ(pic.sourceHeight(), 3);
    EXPECT_EQ(pic.sourceRgb(), rgb);
}

TEST(BmpWriter, FailuresNameTheFileAndLeaveNothingBehind)
{
    TempDir dir;
    const Bytes rgb(3 * 4, 0x80);
    std::string error;
    const auto missing = (dir / "no-folder" / "out.bmp").string();
    EXPECT_FALSE(zarn::writeBmp24(missing, 2, 2, rgb, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    const auto path = (dir / "out.bmp").string();
    EXPECT_FALSE(zarn::writeBmp24(path, 3, 2, rgb, &error)); // pixels missing for 3x2
    EXPECT_FALSE(zarn::writeBmp24(path, 0, 2, rgb, &error));
    EXPECT_TRUE(fs::is_empty(dir.path));
}
