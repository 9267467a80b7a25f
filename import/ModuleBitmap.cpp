#include "import/ModuleBitmap.h"

#include "common/ByteOrder.h"

#include "import/Rgb565.h"

#include <array>
#include <limits>

namespace zarn {

std::optional<std::uint32_t> modulePaletteLength(std::uint8_t kind)
{
    switch (kind) {
    case 1:
        return 4;
    case 4:
        return 32;
    case 8:
        return 512;
    case 16:
        return 0;
    default:
        return std::nullopt;
    }
}

std::optional<std::uint64_t> moduleRowLength(std::uint8_t kind, int width)
{
    if (width < 0 || !modulePaletteLength(kind))
        return std::nullopt;
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    return kind == 16 ? 2 * w : (w * kind + 7) / 8;
}

std::optional<std::uint32_t> moduleBitmapLength(std::uint8_t kind, int width, int height)
{
    const auto palette = modulePaletteLength(kind);
    const auto row = moduleRowLength(kind, width);
    if (!palette || !row || height < 0)
        return std::nullopt;
    const std::uint64_t total = *palette + *row * static_cast<std::uint64_t>(height);
    if (total > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(total);
}

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
