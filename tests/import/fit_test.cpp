// Fitting a picture into the module's screen box, with the system's precision.
#include "import/DibPicture.h"

#include <gtest/gtest.h>

#include <vector>

using zarn::BoxFit;
using zarn::fitToBox;
using zarn::scaledSourceIndex;

namespace {
void expectFit(int w, int h, int bw, int bh, bool scaled, int ow, int oh)
{
    const BoxFit f = fitToBox(w, h, bw, bh);
    EXPECT_EQ(f.scaled, scaled) << w << "x" << h << " in " << bw << "x" << bh;
    EXPECT_EQ(f.width, ow) << w << "x" << h << " in " << bw << "x" << bh;
    EXPECT_EQ(f.height, oh) << w << "x" << h << " in " << bw << "x" << bh;
}
} // namespace

TEST(FitToBox, PicturesThatFitKeepTheirSizeAndDrawOneColumnLess)
{
    const BoxFit f = fitToBox(320, 240, 320, 240);
    EXPECT_FALSE(f.scaled);
    EXPECT_EQ(f.width, 320);
    EXPECT_EQ(f.height, 240);
    EXPECT_EQ(f.drawWidth, 319);
    EXPECT_EQ(f.drawHeight, 240);
    expectFit(480, 272, 480, 272, false, 480, 272);
    expectFit(1, 1, 320, 240, false, 1, 1);
}

TEST(FitToBox, WorkedExamplesOfTheScreenBox)
{
    expectFit(640, 480, 320, 240, true, 320, 240);
    expectFit(1024, 768, 320, 240, true, 319, 240); // 3.2 in single precision loses to the width
    expectFit(1000, 300, 320, 240, true, 320, 96);
    expectFit(100, 480, 320, 240, true, 50, 240);
    expectFit(321, 241, 320, 240, true, 319, 240);
    expectFit(321, 240, 320, 240, true, 320, 239);
    expectFit(800, 480, 480, 272, true, 453, 272);
}

TEST(FitToBox, ScaleIsKeptInSinglePrecision)
{
    EXPECT_FLOAT_EQ(fitToBox(321, 240, 320, 240).scale, 1.003125f);
    EXPECT_EQ(fitToBox(321, 240, 320, 240).scale, static_cast<float>(321.0 / 320.0));
    EXPECT_EQ(fitToBox(1024, 768, 320, 240).scale, 3.2f);
    EXPECT_EQ(fitToBox(1000, 300, 320, 240).scale, 3.125f);
    const BoxFit f = fitToBox(640, 480, 320, 240);
    EXPECT_EQ(f.drawWidth, 320); // scaled pictures draw at their full fitted width
    EXPECT_EQ(f.drawHeight, 240);
}

TEST(FitToBox, SourceColumnsOfAScaledPictureTieUpwards)
{
    const float scale = fitToBox(1000, 300, 320, 240).scale;
    const std::vector<int> expected { 0, 3, 6, 9, 13, 16, 19, 22 };
    for (int x = 0; x < static_cast<int>(expected.size()); ++x)
        EXPECT_EQ(scaledSourceIndex(x, scale), expected[x]) << "x " << x;
    EXPECT_EQ(scaledSourceIndex(319, scale), 997);
}

TEST(FitToBox, ABoxWithoutAreaDoesNotDivideByZero)
{
    const BoxFit f = fitToBox(640, 480, 0, 0);
    EXPECT_FALSE(f.scaled);
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
}
