#include "import/ModuleBitmap.h"

#include "common/ByteOrder.h"

#include "import/Rgb565.h"

#include <array>

namespace zarn {

std::optional<std::vector<std::uint8_t>> decodeModuleBitmap(
    std::uint8_t kind, int width, int height, std::span<const std::uint8_t> data)
{
    const auto length = moduleBitmapLength(kind, width, height);
    // The entry's sizes are trusted only as far as the data really reaches.
    if (!length || data.size() < *length)
        return std::nullopt;

    const std::uint32_t paletteBytes = *modulePaletteLength(kind);
    const std::size_t rowLen = static_cast<std::size_t>(*moduleRowLength(kind, width));
    std::array<Rgb, 256> palette {};
    for (std::uint32_t i = 0; i < paletteBytes / 2; ++i)
        palette[i] = fromRgb565(getLe16(&data[2 * i]));

    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    std::size_t o = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = data.data() + paletteBytes + rowLen * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {
            Rgb c;
            switch (kind) {
            case 16:
                c = fromRgb565(getLe16(&row[2 * x]));
                break;
            case 8:
                c = palette[row[x]];
                break;
            case 4:
                c = palette[x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F];
                break;
            default: // 1
                c = palette[(row[x / 8] >> (7 - x % 8)) & 1];
                break;
            }
            rgb[o++] = c.r;
            rgb[o++] = c.g;
            rgb[o++] = c.b;
        }
    }
    return rgb;
}

} // namespace zarn
