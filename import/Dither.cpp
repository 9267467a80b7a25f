#include "import/Dither.h"

#include "common/ByteOrder.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zarn {

namespace {

    // Channel values are kept in sixteenths, so the 7/3/5/1 shares stay whole.
    constexpr int kUnit = 16;
    constexpr int kTop = 255 * kUnit;

    struct Channel {
        int levels; // 31 or 63
        // Nearest level of a value in sixteenths, and that level's value in sixteenths.
        int level(int v) const { return (std::clamp(v, 0, kTop) * levels + kTop / 2) / kTop; }
        int value(int q) const { return (q * kTop + levels / 2) / levels; }
    };

    constexpr std::array<Channel, 3> kChannels { Channel { 31 }, Channel { 63 }, Channel { 31 } };

} // namespace

void ditherToRgb565(int width, int height, std::span<const Rgb> pixels, std::uint8_t* out)
{
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height)
        return;
    // Errors for this row and the next, with a spare column at either side.
    const std::size_t w = static_cast<std::size_t>(width);
    std::vector<std::array<int, 3>> cur(w + 2), next(w + 2);
    for (int y = 0; y < height; ++y) {
        std::fill(next.begin(), next.end(), std::array<int, 3> {});
        for (std::size_t x = 0; x < w; ++x) {
            const Rgb& p = pixels[static_cast<std::size_t>(y) * w + x];
            const int in[3] = { p.r * kUnit, p.g * kUnit, p.b * kUnit };
            int q[3];
            for (int c = 0; c < 3; ++c) {
                const int v = in[c] + cur[x + 1][c];
                q[c] = kChannels[c].level(v);
                const int err = std::clamp(v, 0, kTop) - kChannels[c].value(q[c]);
                cur[x + 2][c] += err * 7 / 16;
                next[x][c] += err * 3 / 16;
                next[x + 1][c] += err * 5 / 16;
                next[x + 2][c] += err / 16;
            }
            const std::uint16_t v565 = static_cast<std::uint16_t>((q[0] << 11) | (q[1] << 5) | q[2]);
            putLe16(out + 2 * (static_cast<std::size_t>(y) * w + x), v565);
        }
        std::swap(cur, next);
    }
}

} // namespace zarn
