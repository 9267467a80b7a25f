// The header and entry codecs and the layout values derived from a header.
#include "resfile/ResourceFormat.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zarn;

TEST(ResourceFormat, HeaderOfANew2404FileHasTheDocumentedBytes)
{
    const auto bytes = encodeHeader(ResourceHeader { 0, 2404, 320, 240, 4096 });
    const std::array<std::uint8_t, 12> expected { 0x00, 0x00, 0x64, 0x09, 0x40, 0x01, 0xF0, 0x00, 0x00, 0x10, 0x00, 0x00 };
    EXPECT_EQ(bytes, expected);
    const ResourceHeader back = decodeHeader(bytes);
    EXPECT_EQ(back.itemCount, 0);
    EXPECT_EQ(back.modelCode, 2404);
    EXPECT_EQ(back.screenWidth, 320);
    EXPECT_EQ(back.screenHeight, 240);
    EXPECT_EQ(back.memoryKiB, 4096u);
}

TEST(ResourceFormat, Gb2312EntryHasTheDocumentedBytes)
{
    ResourceEntry e;
    e.address = 4096;
    e.length = 261696;
    e.width = 16;
    e.height = 16;
    e.kind = static_cast<std::uint8_t>(ResourceKind::FontGB2312);
    const std::array<std::uint8_t, 19> expected { 0x00, 0x10, 0x00, 0x00, 0x40, 0xFE, 0x03, 0x00, 0x00, 0x00,
                                                  0x00, 0x00, 0x10, 0x00, 0x10, 0x00, 0xF0, 0x00, 0x00 };
    EXPECT_EQ(encodeEntry(e), expected);
    EXPECT_EQ(decodeEntry(expected), e);
}

TEST(ResourceFormat, EntryFieldsAreLittleEndianAndIgnoreColorSitsAtOffset17)
{
    ResourceEntry e { 0x11223344, 0x55667788, 0x99AABBCC, 0xDDEE, 0x0102, 0xF5, 0xF81F };
    const auto b = encodeEntry(e);
    EXPECT_EQ(b[0], 0x44);
    EXPECT_EQ(b[3], 0x11);
    EXPECT_EQ(b[4], 0x88);
    EXPECT_EQ(b[8], 0xCC);
    EXPECT_EQ(b[12], 0xEE);
    EXPECT_EQ(b[15], 0x01);
    EXPECT_EQ(b[16], 0xF5);
    EXPECT_EQ(b[17], 0x1F);
    EXPECT_EQ(b[18], 0xF8);
    EXPECT_EQ(decodeEntry(b), e);
}

TEST(ResourceFormat, OnlyTheEightModelCodesAreValid)
{
    for (std::uint16_t code : { 1704, 2401, 2404, 2804, 3204, 3504, 4308, 5008 })
        EXPECT_TRUE(isValidModelCode(code)) << code;
    for (std::uint16_t code : { 0, 2400, 2405, 1700, 5009, 65535 })
        EXPECT_FALSE(isValidModelCode(code)) << code;
}

TEST(ResourceFormat, LayoutValuesChangeAbove4096KiB)
{
    EXPECT_EQ(maxItemsFor(4096), 190);
    EXPECT_EQ(payloadStartFor(4096), 4096u);
    EXPECT_EQ(maxItemsFor(4097), 400);
    EXPECT_EQ(payloadStartFor(4097), 8192u);
    EXPECT_EQ(maxItemsFor(16384), 400);
    // A full directory still ends before the payload.
    EXPECT_LE(kHeaderSize + kEntrySize * maxItemsFor(4096), payloadStartFor(4096));
    EXPECT_LE(kHeaderSize + kEntrySize * maxItemsFor(8192), payloadStartFor(8192));
}

TEST(ResourceFormat, RoundUpToBlock)
{
    EXPECT_EQ(roundUpToBlock(0), 0u);
    EXPECT_EQ(roundUpToBlock(1), 4096u);
    EXPECT_EQ(roundUpToBlock(4096), 4096u);
    EXPECT_EQ(roundUpToBlock(4097), 8192u);
    EXPECT_EQ(roundUpToBlock64(0xFFFFFFFFull), 0x100000000ull);
}
