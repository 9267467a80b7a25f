// The module's 16-bit colour both ways.
#include "import/Rgb565.h"

#include <gtest/gtest.h>

using zarn::fromRgb565;
using zarn::Rgb;
using zarn::toRgb565;

TEST(Rgb565, TruncatesEachChannel)
{
    EXPECT_EQ(toRgb565(255, 255, 255), 0xFFFF);
    EXPECT_EQ(toRgb565(255, 0, 0), 0xF800);
    EXPECT_EQ(toRgb565(0, 255, 0), 0x07E0);
    EXPECT_EQ(toRgb565(0, 0, 255), 0x001F);
    EXPECT_EQ(toRgb565(200, 100, 50), 0xCB26);
    // 7 and 3 are below the first step of red/blue and green: dropped, not rounded.
    EXPECT_EQ(toRgb565(7, 3, 7), 0x0000);
    EXPECT_EQ(toRgb565(8, 4, 8), 0x0821);
}

TEST(Rgb565, ExpandsWithTheTopBitRepeated)
{
    EXPECT_EQ(fromRgb565(0xFFFF), (Rgb { 255, 255, 255 }));
    EXPECT_EQ(fromRgb565(0x8410), (Rgb { 135, 131, 135 }));
    EXPECT_EQ(fromRgb565(0x7BEF), (Rgb { 120, 124, 120 }));
    EXPECT_EQ(fromRgb565(0x001F), (Rgb { 0, 0, 255 }));
    EXPECT_EQ(fromRgb565(0x0821), (Rgb { 8, 4, 8 }));
}

TEST(Rgb565, ExpansionThenTruncationGivesEveryValueBack)
{
    for (unsigned v = 0; v <= 0xFFFF; ++v) {
        const Rgb c = fromRgb565(static_cast<std::uint16_t>(v));
        ASSERT_EQ(toRgb565(c.r, c.g, c.b), v) << "value " << v;
    }
}
