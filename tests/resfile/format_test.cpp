// The header and entry codecs and the layout values derived from a header.
#include "resfile/ResourceFormat.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace zarn;

TEST(ResourceFormat, HeaderOfANew2404FileHasTheDocumentedBytes)
{
    const ResourceHeader header { 0, 2404, 320, 240, 4096 };
    const std::array<std::uint8_t, 12> expected { 0x00, 0x00, 0x64, 0x09, 0x40, 0x01, 0xF0, 0x00, 0x00, 0x10, 0x00, 0x00 };
    EXPECT_EQ(encodeHeader(header), expected);
    const ResourceHeader back = decodeHeader(expected);
    EXPECT_EQ(std::tie(back.itemCount, back.modelCode, back.screenWidth, back.screenHeight, back.memoryKiB),
              std::tie(header.itemCount, header.modelCode, header.screenWidth, header.screenHeight, header.memoryKiB));
}

TEST(ResourceFormat, EntryFieldsAreLittleEndianAndIgnoreColorSitsAtOffset17)
{
    const ResourceEntry e { 0x11223344, 0x55667788, 0x99AABBCC, 0xDDEE, 0x0102, 0xF5, 0xF81F };
    const std::array<std::uint8_t, 19> expected { 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55, 0xCC, 0xBB,
                                                  0xAA, 0x99, 0xEE, 0xDD, 0x02, 0x01, 0xF5, 0x1F, 0xF8 };
    EXPECT_EQ(encodeEntry(e), expected);
    EXPECT_EQ(decodeEntry(expected), e);
}

TEST(ResourceFormat, OnlyTheEightModelCodesAreValid)
{
    for (std::uint16_t code : { 1704, 2401, 2404, 2804, 3204, 3504, 4308, 5008 })
        EXPECT_TRUE(isValidModelCode(code)) << code;
    for (std::uint16_t code : { 0, 2400, 2405, 1700, 5009, 65535 })
        EXPECT_FALSE(isValidModelCode(code)) << code;
}

TEST(ResourceFormat, LayoutValuesChangeAbove4096KiBAndBlocksRoundUp)
{
    EXPECT_EQ(maxItemsFor(4096), 190);
    EXPECT_EQ(payloadStartFor(4096), 4096u);
    EXPECT_EQ(maxItemsFor(4097), 400);
    EXPECT_EQ(payloadStartFor(4097), 8192u);
    // A full directory still ends before the payload.
    EXPECT_LE(kHeaderSize + kEntrySize * maxItemsFor(8192), payloadStartFor(8192));
    const std::pair<std::uint32_t, std::uint32_t> rounds[] = { { 0, 0 }, { 1, 4096 }, { 4096, 4096 }, { 4097, 8192 } };
    for (const auto& [in, out] : rounds)
        EXPECT_EQ(roundUpToBlock(in), out) << in;
    EXPECT_EQ(roundUpToBlock64(0xFFFFFFFFull), 0x100000000ull);
}
