#pragma once
// The picture the window tests load: a 24-bit BMP in four quarters, red and
// green above, blue and a brown below that is 0xcb26 on the module.
#include "import/BmpWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zarn::test {

inline std::string writeQuartersBmp(const std::string& path, int w, int h)
{
    static const std::uint8_t colours[4][3] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 200, 100, 50 } };
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* c = colours[(x >= w / 2) + 2 * (y >= h / 2)];
            rgb.insert(rgb.end(), c, c + 3);
        }
    std::string error;
    EXPECT_TRUE(writeBmp24(path, w, h, rgb, &error)) << error;
    return path;
}

} // namespace zarn::test
