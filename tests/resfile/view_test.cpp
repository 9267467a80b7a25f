// What the main window shows of a resource file: the directory list's rows and
// where the picture goes in its area.
#include "resfile/DirectoryView.h"
#include "resfile/PictureArea.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace zarn;

TEST(DirectoryView, RowTextsOfBitmapFontWaveAndUnknownKinds)
{
    // An unknown kind repeats the row number; from Wave's code on, "points" stays empty.
    const std::tuple<ResourceEntry, int, std::array<std::string, 6>> rows[] = {
        { { 4096, 153600, 0, 320, 240, 16, 0xF81F }, 0,
            { "0", "True color bmp", "320*240", "4096", "153600", "0xf81f" } },
        { { 4096, 261696, 0, 16, 16, 240, 0 }, 1, { "1", "GB2312 lib", "16*16", "4096", "261696", "0x0000" } },
        { { 270336, 1000, 0, 0, 0, 245, 0 }, 2, { "2", "Wave file", "", "270336", "1000", "0x0000" } },
        { { 8192, 1, 0, 3, 4, 244, 0x12 }, 5, { "5", "5", "3*4", "8192", "1", "0x0012" } },
        { { 8192, 1, 0, 3, 4, 250, 0x12 }, 6, { "6", "6", "", "8192", "1", "0x0012" } },
    };
    for (const auto& [entry, row, texts] : rows)
        EXPECT_EQ(directoryRowTexts(entry, row), texts);
}

TEST(PictureArea, FitsTheScreenShapeCentredWithoutDividingByZero)
{
    // Wide: the width is kept; upright or square: the height. A 0 x 0 screen leaves the area.
    const Rect area { 10, 20, 300, 200 };
    const std::tuple<int, int, Rect> cases[] = { { 400, 240, { 10, 30, 300, 180 } }, { 320, 240, { 10, 8, 300, 225 } },
        { 240, 320, { 85, 20, 150, 200 } }, { 128, 128, { 60, 20, 200, 200 } }, { 0, 0, area },
        { 100, 0, { 10, 120, 300, 0 } }, { 0, 100, { 160, 20, 0, 200 } } };
    for (const auto& [w, h, expected] : cases)
        EXPECT_EQ(fitPreviewFrame(area, w, h), expected) << w << "x" << h;
    EXPECT_EQ(fitPreviewFrame(Rect { 0, 0, 60000, 60000 }, 65535, 65534).height, 59999) << "no overflow";
}
