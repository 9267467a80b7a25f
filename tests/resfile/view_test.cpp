// The pure pieces the main window shows: directory row texts, capacity,
// preview frame, the module type table and the command checks.
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/ModuleModel.h"
#include "resfile/PreviewFrame.h"
#include "resfile/StoreCommands.h"

#include <gtest/gtest.h>

using namespace zarn;
using Row = std::array<std::string, 6>;

TEST(DirectoryView, ColumnsHaveTheirTitlesAndWidths)
{
    const char* titles[] = { "No.", "type", "points", "addr", "size", "ignore color" };
    const int widths[] = { 40, 60, 55, 70, 60, 60 };
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_STREQ(kDirectoryColumns[i].title, titles[i]);
        EXPECT_EQ(kDirectoryColumns[i].width, widths[i]);
    }
}

TEST(DirectoryView, KindNamesAndUnknownCodesRepeatTheRowNumber)
{
    const std::pair<int, const char*> names[] = { { 1, "1 color bmp" },   { 4, "16 color bmp" }, { 8, "256 color bmp" },
                                                  { 16, "True color bmp" }, { 240, "GB2312 lib" }, { 241, "ASCII lib" },
                                                  { 242, "BIG5 lib" },     { 243, "hanngul lib" }, { 245, "Wave file" } };
    for (const auto& [code, name] : names)
        EXPECT_EQ(kindName(static_cast<std::uint8_t>(code), 3), name);
    EXPECT_EQ(kindName(244, 7), "7");
    EXPECT_EQ(kindName(0, 12), "12");
    EXPECT_EQ(kindName(2, 0), "0");
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

TEST(PreviewFrame, WideScreenKeepsWidthAndCentresVertically)
{
    const Rect area { 10, 20, 300, 200 };
    EXPECT_EQ(fitPreviewFrame(area, 400, 240), (Rect { 10, 20 + 100 - 90, 300, 180 }));
    EXPECT_EQ(fitPreviewFrame(area, 320, 240), (Rect { 10, 20 + 100 - 112, 300, 225 }));
}

TEST(PreviewFrame, UprightOrSquareScreenKeepsHeightAndCentresHorizontally)
{
    const Rect area { 10, 20, 300, 200 };
    EXPECT_EQ(fitPreviewFrame(area, 240, 320), (Rect { 10 + 150 - 75, 20, 150, 200 }));
    EXPECT_EQ(fitPreviewFrame(area, 128, 128), (Rect { 10 + 150 - 100, 20, 200, 200 }));
    EXPECT_EQ(fitPreviewFrame(area, 128, 160), (Rect { 10 + 150 - 80, 20, 160, 200 }));
}

TEST(PreviewFrame, EmptyScreenDoesNotDivideByZero)
{
    const Rect area { 10, 20, 300, 200 };
    EXPECT_EQ(fitPreviewFrame(area, 0, 0), area);
    EXPECT_EQ(fitPreviewFrame(area, 100, 0), (Rect { 10, 120, 300, 0 }));
    EXPECT_EQ(fitPreviewFrame(area, 0, 100), (Rect { 160, 20, 0, 200 }));
    EXPECT_EQ(fitPreviewFrame(Rect { 0, 0, 60000, 60000 }, 65535, 65534).height, 59999) << "no overflow";
}

TEST(ModuleModel, TableRows)
{
    const auto models = moduleModels();
    ASSERT_EQ(models.size(), 12u);
    struct Expect {
        const char* text;
        int code, w, h, sizes;
    };
    const Expect rows[] = { { "1 Zarn17 V10_V", 1704, 128, 160, 1 }, { "2 Zarn17 V10_W", 1704, 160, 128, 1 },
                            { "3 Zarn24 V10_V", 2404, 240, 320, 1 }, { "4 Zarn24 V10_W", 2404, 320, 240, 1 },
                            { "5 Zarn28 V10_V", 2804, 240, 320, 2 }, { "6 Zarn28 V10_W", 2804, 320, 240, 2 },
                            { "7 Zarn32 V10_V", 3204, 240, 400, 2 }, { "8 Zarn32 V10_W", 3204, 400, 240, 2 },
                            { "9 Zarn35 V10", 3504, 320, 240, 2 },   { "10 Zarn43 V10", 4308, 480, 272, 4 },
                            { "11 Zarn50 V10", 5008, 640, 480, 4 },  { "12 ZarnTest_M", 2401, 320, 240, 4 } };
    for (std::size_t i = 0; i < 12; ++i) {
        const auto& m = models[i];
        EXPECT_EQ(m.rowText, rows[i].text);
        EXPECT_EQ(m.number, static_cast<int>(i + 1));
        EXPECT_EQ(rowNumberOf(m.rowText), m.number);
        EXPECT_EQ(m.modelCode, rows[i].code);
        EXPECT_EQ(m.screenWidth, rows[i].w);
        EXPECT_EQ(m.screenHeight, rows[i].h);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(m.sizesOffered[static_cast<std::size_t>(k)], k < rows[i].sizes) << m.rowText << " size " << k;
        EXPECT_TRUE(isValidModelCode(m.modelCode));
        EXPECT_EQ(&modelForNumber(m.number), &m);
    }
}

TEST(ModuleModel, NumbersOutsideTheTableGetTheDefaults)
{
    EXPECT_EQ(rowNumberOf(""), 0);
    for (int n : { 0, 13, -1, 99 }) {
        const auto& m = modelForNumber(n);
        EXPECT_EQ(m.modelCode, 2404);
        EXPECT_EQ(m.screenWidth, 240);
        EXPECT_EQ(m.screenHeight, 320);
        EXPECT_EQ(m.sizesOffered, (std::array<bool, 4> { true, false, false, false }));
    }
    EXPECT_EQ(rowNumberOf("99999999999999999999 x"), -1) << "long text does not overflow";
}

TEST(ModuleModel, SizesAndMemory)
{
    EXPECT_EQ(memoryKiBForSizeIndex(0), 4096u);
    EXPECT_EQ(memoryKiBForSizeIndex(1), 8192u);
    EXPECT_EQ(memoryKiBForSizeIndex(2), 12288u);
    EXPECT_EQ(memoryKiBForSizeIndex(3), 16384u);
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

TEST(StoreCommands, DeleteChecksInTheirOrder)
{
    ResourceStore s;
    EXPECT_EQ(checkDelete(true, s, 0), "Programming module...");
    EXPECT_EQ(checkDelete(false, s, 0), "Not Resource Open");
    s.isOpen = true;
    EXPECT_EQ(checkDelete(false, s, std::nullopt), "Not items of Resource file");
    s.itemCount = 2;
    EXPECT_EQ(checkDelete(false, s, std::nullopt), "Please select the items you want to delete the resources");
    EXPECT_EQ(checkDelete(false, s, 1), std::nullopt);
}

TEST(StoreCommands, BusyGuardsOfNewAndOpen)
{
    EXPECT_EQ(checkNewResource(true), "Programming Module...");
    EXPECT_EQ(checkNewResource(false), std::nullopt);
    EXPECT_EQ(checkOpenResource(true), "Programming module...");
    EXPECT_EQ(checkOpenResource(false), std::nullopt);
}

TEST(StoreCommands, OnlyTheLowerCaseZrfExtensionOpens)
{
    EXPECT_TRUE(hasResourceExtension("/a/b/TestResource.zrf"));
    EXPECT_TRUE(hasResourceExtension("x.y.zrf"));
    EXPECT_TRUE(hasResourceExtension(".zrf"));
    EXPECT_FALSE(hasResourceExtension("/a/b/TestResource.ZRF"));
    EXPECT_FALSE(hasResourceExtension("/a/b/TestResource.zrfx"));
    EXPECT_FALSE(hasResourceExtension("/a/b.zrf/TestResource"));
    EXPECT_FALSE(hasResourceExtension("zrf"));
}
