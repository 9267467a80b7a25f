#include "import/PictureOrientation.h"

#include <algorithm>
#include <cstring>

namespace zarn {

int exifOrientation(std::span<const std::uint8_t> app1)
{
    constexpr std::uint8_t kExif[] = { 'E', 'x', 'i', 'f', 0, 0 };
    if (app1.size() < sizeof kExif || std::memcmp(app1.data(), kExif, sizeof kExif) != 0)
        return 1;
    const std::span<const std::uint8_t> tiff = app1.subspan(sizeof kExif);
    if (tiff.size() < 8)
        return 1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42 && tiff[3] == 0;
    const bool big = tiff[0] == 'M' && tiff[1] == 'M' && tiff[2] == 0 && tiff[3] == 42;
    if (!little && !big)
        return 1;
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1]);
    };
    auto u32 = [&](std::size_t at) { return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
    // The directories in order, never backwards, at most ten of them.
    std::size_t at = 4;
    std::uint32_t next = u32(4);
    for (int directory = 0; directory < 10; ++directory) {
        if (next < at + 4 || next + 8 >= tiff.size())
            return 1;
        at = next;
        std::uint32_t entries = u16(at);
        at += 2;
        for (; entries > 0 && at + 12 <= tiff.size(); --entries, at += 12) {
            if (u16(at) != 0x0112)
                continue;
            // One unsigned short from 1 to 8; the first such entry counts.
            const std::uint32_t value = u16(at + 8);
            return u16(at + 2) == 3 && u32(at + 4) == 1 && value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
        if (at + 4 > tiff.size())
            return 1;
        next = u32(at);
        if (next == 0)
            return 1;
    }
    return 1;
}

PictureSize turnedSize(int orientation, int width, int height)
{
    return orientation >= 5 ? PictureSize { height, width } : PictureSize { width, height };
}

RowPlace placeOfRow(int orientation, int w, int h, int row)
{
    switch (orientation) {
    case 2: // mirrored
        return { w - 1, row, -1, 0 };
    case 3: // turned half way round
        return { w - 1, h - 1 - row, -1, 0 };
    case 4: // upside down
        return { 0, h - 1 - row, 1, 0 };
    case 5: // mirrored along the diagonal
        return { row, 0, 0, 1 };
    case 6: // turned a quarter clockwise
        return { h - 1 - row, 0, 0, 1 };
    case 7: // mirrored along the other diagonal
        return { h - 1 - row, w - 1, 0, -1 };
    case 8: // turned a quarter anticlockwise
        return { row, w - 1, 0, -1 };
    default:
        return { 0, row, 1, 0 };
    }
}

bool beginTurnedRgb(PictureSink& sink, int orientation, int width, int height, PictureSize* leastStored)
{
    const PictureSize turned = turnedSize(orientation, width, height);
    PictureForm form;
    form.width = turned.width;
    form.height = turned.height;
    form.pixels = PixelForm::Rgb;
    if (!sink.begin(form))
        return false;
    const PictureSize least = sink.leastDecodedSize();
    *leastStored = turnedSize(orientation, least.width, least.height);
    return true;
}

} // namespace zarn
