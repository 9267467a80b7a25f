#include "import/BmpWriter.h"

#include "common/ByteOrder.h"
#include "platform/ReplaceFile.h"

#include <algorithm>

namespace zarn {

std::uint32_t standardBmpOffBits(int bitCount) { return 54 + (bitCount <= 8 ? 4u << bitCount : 0u); }

std::uint64_t bmpRowStride(std::uint64_t width, int bitCount)
{
    return ((width * static_cast<std::uint64_t>(bitCount) + 31) & ~std::uint64_t { 31 }) / 8;
}

std::vector<std::uint8_t> blankStandardBmp(int width, int height, int bitCount, std::span<const Rgb> palette)
{
    if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24))
        return {};
    const std::uint64_t stride = bmpRowStride(static_cast<std::uint64_t>(width), bitCount);
    const std::uint32_t offBits = standardBmpOffBits(bitCount);
    const std::uint64_t fileSize = offBits + stride * static_cast<std::uint64_t>(height);
    if (fileSize > 0xFFFFFFFFull)
        return {};
    std::vector<std::uint8_t> out(static_cast<std::size_t>(fileSize), 0);
    putLe16(out.data() + 0, 0x4D42);
    putLe32(out.data() + 2, static_cast<std::uint32_t>(fileSize));
    putLe32(out.data() + 10, offBits);
    putLe32(out.data() + 14, 40);
    putLe32(out.data() + 18, static_cast<std::uint32_t>(width));
    putLe32(out.data() + 22, static_cast<std::uint32_t>(height));
    putLe16(out.data() + 26, 1);
    putLe16(out.data() + 28, static_cast<std::uint16_t>(bitCount));
    putLe32(out.data() + 34, static_cast<std::uint32_t>(stride * height));
    putLe32(out.data() + 38, 2835);
    putLe32(out.data() + 42, 2835);
    if (bitCount <= 8) {
        const std::size_t n = std::min<std::size_t>(palette.size(), std::size_t { 1 } << bitCount);
        for (std::size_t i = 0; i < n; ++i) {
            out[54 + 4 * i] = palette[i].b;
            out[54 + 4 * i + 1] = palette[i].g;
            out[54 + 4 * i + 2] = palette[i].r;
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeBmp24(int width, int height, std::span<const std::uint8_t> rgbTopDown)
{
    if (width <= 0 || height <= 0 || rgbTopDown.size() < 3ull * width * height)
        return {};
    std::vector<std::uint8_t> out = blankStandardBmp(width, height, 24, {});
    if (out.empty())
        return {};
    const std::uint64_t stride = bmpRowStride(static_cast<std::uint64_t>(width), 24);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = rgbTopDown.data() + 3ull * width * y;
        std::uint8_t* dst = out.data() + standardBmpOffBits(24) + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

bool writeBmp24(
    const std::string& path, int width, int height, std::span<const std::uint8_t> rgbTopDown, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    const std::vector<std::uint8_t> image = encodeBmp24(width, height, rgbTopDown);
    if (image.empty())
        return fail("Cannot write " + quotedPath(path) + ": the picture is empty or its pixels are incomplete");

    if (const std::string why = replaceFile(defaultFileIo(), path, image); !why.empty())
        return fail("Cannot write " + quotedPath(path) + ": " + why);
    return true;
}

} // namespace zarn
