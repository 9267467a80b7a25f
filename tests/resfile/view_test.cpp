// The pure pieces the main window shows: directory row texts, capacity,
// preview frame, the module type table and the command checks.
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/ModuleModel.h"
#include "resfile/PictureArea.h"
#include "resfile/StoreCommands.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace zarn;
using Row = std::array<std::string, 6>;

TEST(DirectoryView, ColumnsHaveTheirTitlesAndWidths)
{
    const std::pair<const char*, int> columns[] = { { "No.", 40 }, { "type", 60 }, { "points", 55 },
                                                    { "addr", 70 }, { "size", 60 }, { "ignore color", 60 } };
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(kDirectoryColumns[i].title, columns[i].first);
        EXPECT_EQ(kDirectoryColumns[i].width, columns[i].second);
    }
}

TEST(DirectoryView, KindNamesAndUnknownCodesRepeatTheRowNumber)
{
    const std::pair<int, const char*> names[] = { { 1, "1 color bmp" },   { 4, "16 color bmp" }, { 8, "256 color bmp" },
                                                  { 16, "True color bmp" }, { 240, "GB2312 lib" }, { 241, "ASCII lib" },
                                                  { 242, "BIG5 lib" },     { 243, "hanngul lib" }, { 245, "Wave file" },
                                                  { 244, "3" },            { 0, "3" } };
    for (const auto& [code, name] : names)
        EXPECT_EQ(kindName(static_cast<std::uint8_t>(code), 3), name) << code;
}

TEST(DirectoryView, RowTextsOfBitmapFontAndWave)
{
    EXPECT_EQ(directoryRowTexts(ResourceEntry { 4096, 153600, 0, 320, 240, 16, 0xF81F }, 0),
              (Row { "0", "True color bmp", "320*240", "4096", "153600", "0xf81f" }));
    EXPECT_EQ(directoryRowTexts(ResourceEntry { 4096, 261696, 0, 16, 16, 240, 0 }, 1),
              (Row { "1", "GB2312 lib", "16*16", "4096", "261696", "0x0000" }));
    EXPECT_EQ(directoryRowTexts(ResourceEntry { 270336, 1000, 0, 0, 0, 245, 0 }, 2),
              (Row { "2", "Wave file", "", "270336", "1000", "0x0000" }));
    // Codes above Wave leave "points" empty; unknown codes below keep it.
    EXPECT_EQ(directoryRowTexts(ResourceEntry { 8192, 1, 0, 3, 4, 250, 0x12 }, 5)[2], "");
    EXPECT_EQ(directoryRowTexts(ResourceEntry { 8192, 1, 0, 3, 4, 244, 0x12 }, 5),
              (Row { "5", "5", "3*4", "8192", "1", "0x0012" }));
}

TEST(CapacityDisplay, TextAndGauge)
{
    ResourceStore s;
    s.memoryKiB = 4096;
    s.remainingBytes = 4190208;
    EXPECT_EQ(capacityText(s), "Resource File size:4194304 Remaining bytes:4190208");
    EXPECT_EQ(capacityGaugeRange(s), 4096);
    EXPECT_EQ(capacityGaugePosition(s), 4);
    s.remainingBytes = 4182016 + 1; // a partly used KiB counts as used
    EXPECT_EQ(capacityGaugePosition(s), 12);
    s.memoryKiB = 16384;
    s.remainingBytes = 16769024;
    EXPECT_EQ(capacityText(s), "Resource File size:16777216 Remaining bytes:16769024");
}

TEST(PreviewFrame, FitsTheScreenShapeCentredWithoutDividingByZero)
{
    const Rect area { 10, 20, 300, 200 };
    const std::tuple<int, int, Rect> cases[] = {
        { 400, 240, { 10, 30, 300, 180 } },  { 320, 240, { 10, 8, 300, 225 } }, // wide: width kept
        { 240, 320, { 85, 20, 150, 200 } },  { 128, 128, { 60, 20, 200, 200 } }, // upright or square: height kept
        { 128, 160, { 80, 20, 160, 200 } },  { 0, 0, area },
        { 100, 0, { 10, 120, 300, 0 } },     { 0, 100, { 160, 20, 0, 200 } },
    };
    for (const auto& [w, h, expected] : cases)
        EXPECT_EQ(fitPreviewFrame(area, w, h), expected) << w << "x" << h;
    EXPECT_EQ(fitPreviewFrame(Rect { 0, 0, 60000, 60000 }, 65535, 65534).height, 59999) << "no overflow";
}

TEST(ModuleModel, TableRows)
{
    const auto models = moduleModels();
    ASSERT_EQ(models.size(), 12u);
    const std::tuple<const char*, int, int, int, int> rows[] = {
        { "1 Zarn17 V10_V", 1704, 128, 160, 1 }, { "2 Zarn17 V10_W", 1704, 160, 128, 1 }, { "3 Zarn24 V10_V", 2404, 240, 320, 1 },
        { "4 Zarn24 V10_W", 2404, 320, 240, 1 }, { "5 Zarn28 V10_V", 2804, 240, 320, 2 }, { "6 Zarn28 V10_W", 2804, 320, 240, 2 },
        { "7 Zarn32 V10_V", 3204, 240, 400, 2 }, { "8 Zarn32 V10_W", 3204, 400, 240, 2 }, { "9 Zarn35 V10", 3504, 320, 240, 2 },
        { "10 Zarn43 V10", 4308, 480, 272, 4 },  { "11 Zarn50 V10", 5008, 640, 480, 4 },  { "12 ZarnTest_M", 2401, 320, 240, 4 }
    };
    for (std::size_t i = 0; i < 12; ++i) {
        const auto& m = models[i];
        const auto& [text, code, w, h, sizes] = rows[i];
        EXPECT_EQ(m.rowText, text);
        EXPECT_EQ(m.number, static_cast<int>(i + 1));
        EXPECT_EQ(rowNumberOf(m.rowText), m.number);
        EXPECT_EQ(std::tie(m.modelCode, m.screenWidth, m.screenHeight), std::tie(code, w, h));
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(m.sizesOffered[static_cast<std::size_t>(k)], k < sizes) << text << " size " << k;
        EXPECT_EQ(&modelForNumber(m.number), &m);
    }
}

TEST(ModuleModel, NumbersOutsideTheTableGetTheDefaultsAndSizesTheirMemory)
{
    EXPECT_EQ(rowNumberOf(""), 0);
    EXPECT_EQ(rowNumberOf("99999999999999999999 x"), -1) << "long text does not overflow";
    for (int n : { 0, 13, -1 }) {
        const auto& m = modelForNumber(n);
        EXPECT_EQ(std::tie(m.modelCode, m.screenWidth, m.screenHeight), std::make_tuple(2404, 240, 320));
        EXPECT_EQ(m.sizesOffered, (std::array<bool, 4> { true, false, false, false }));
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(memoryKiBForSizeIndex(i), 4096u * (i + 1));
    EXPECT_EQ(sizeIndexOf("4M"), 0);
    EXPECT_EQ(sizeIndexOf("32M"), 3);
    EXPECT_EQ(sizeIndexOf("64M"), -1);
    EXPECT_EQ(sizeIndexOf("4m"), -1);
}

TEST(StoreCommands, LoadChecksInTheirOrder)
{
    ResourceStore s;
    EXPECT_EQ(checkLoadBitmap(true, s, false, 1), "Programming module...");
    EXPECT_EQ(checkLoadBitmap(false, s, false, 1), "Not Resource Open");
    s.isOpen = true;
    s.maxItems = 190;
    s.remainingBytes = 4096;
    EXPECT_EQ(checkLoadBitmap(false, s, false, 1), "Not Pictrue loaded");
    EXPECT_EQ(checkLoadBitmap(false, s, true, 4097), "Resource file space not enough");
    EXPECT_EQ(checkLoadBitmap(false, s, true, 4096), std::nullopt);
    s.itemCount = 190;
    EXPECT_EQ(checkLoadBitmap(false, s, true, 4096), "Exceed the maximum number of resources");
    EXPECT_EQ(checkLoadBitmap(false, s, true, 5000), "Resource file space not enough");
}

TEST(StoreCommands, DeleteNewAndOpenChecksInTheirOrder)
{
    ResourceStore s;
    EXPECT_EQ(checkDelete(true, s, 0), "Programming module...");
    EXPECT_EQ(checkDelete(false, s, 0), "Not Resource Open");
    s.isOpen = true;
    EXPECT_EQ(checkDelete(false, s, std::nullopt), "Not items of Resource file");
    s.itemCount = 2;
    EXPECT_EQ(checkDelete(false, s, std::nullopt), "Please select the items you want to delete the resources");
    EXPECT_EQ(checkDelete(false, s, 1), std::nullopt);
    EXPECT_EQ(checkNewResource(true), "Programming Module...");
    EXPECT_EQ(checkNewResource(false), std::nullopt);
    EXPECT_EQ(checkOpenResource(true), "Programming module...");
    EXPECT_EQ(checkOpenResource(false), std::nullopt);
}

TEST(StoreCommands, OnlyTheLowerCaseZrfExtensionOpens)
{
    for (const char* yes : { "/a/b/TestResource.zrf", "x.y.zrf", ".zrf" })
        EXPECT_TRUE(hasResourceExtension(yes)) << yes;
    for (const char* no : { "/a/b/TestResource.ZRF", "/a/b/TestResource.zrfx", "/a/b.zrf/TestResource", "zrf" })
        EXPECT_FALSE(hasResourceExtension(no)) << no;
}
