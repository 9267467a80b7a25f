#include "import/BmpWriter.h"

#include "resfile/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

namespace {
    void put16(std::vector<std::uint8_t>& v, std::size_t off, std::uint16_t x)
    {
        v[off] = static_cast<std::uint8_t>(x);
        v[off + 1] = static_cast<std::uint8_t>(x >> 8);
    }
    void put32(std::vector<std::uint8_t>& v, std::size_t off, std::uint32_t x)
    {
        for (int i = 0; i < 4; ++i)
            v[off + i] = static_cast<std::uint8_t>(x >> (8 * i));
    }
} // namespace

std::uint32_t standardBmpOffBits(int bitCount)
{
    return 54 + (bitCount <= 8 ? 4u << bitCount : 0u);
}

std::vector<std::uint8_t> blankStandardBmp(int width, int height, int bitCount, std::span<const Rgb> palette)
{
    if (width <= 0 || height <= 0 || (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24))
        return {};
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) & ~std::uint64_t { 31 }) / 8;
    const std::uint32_t offBits = standardBmpOffBits(bitCount);
    const std::uint64_t fileSize = offBits + stride * static_cast<std::uint64_t>(height);
    if (fileSize > 0xFFFFFFFFull)
        return {};
    std::vector<std::uint8_t> out(static_cast<std::size_t>(fileSize), 0);
    put16(out, 0, 0x4D42);
    put32(out, 2, static_cast<std::uint32_t>(fileSize));
    put32(out, 10, offBits);
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, static_cast<std::uint16_t>(bitCount));
    put32(out, 34, static_cast<std::uint32_t>(stride * height));
    put32(out, 38, 2835);
    put32(out, 42, 2835);
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
    if (width <= 0 || height <= 0)
        return {};
    const std::uint64_t stride = (3ull * width + 3) & ~std::uint64_t { 3 };
    const std::uint64_t pixels = 3ull * width * height;
    const std::uint64_t fileSize = 54 + stride * height;
    if (rgbTopDown.size() < pixels || fileSize > 0xFFFFFFFFull)
        return {};

    std::vector<std::uint8_t> out(static_cast<std::size_t>(fileSize), 0);
    put16(out, 0, 0x4D42);
    put32(out, 2, static_cast<std::uint32_t>(fileSize));
    put32(out, 10, 54);
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, 24);
    put32(out, 34, static_cast<std::uint32_t>(stride * height));
    put32(out, 38, 2835); // 72 dpi
    put32(out, 42, 2835);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = rgbTopDown.data() + 3ull * width * y;
        std::uint8_t* dst = out.data() + 54 + stride * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

bool writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error)
{
    if (const std::string why = replaceFile(defaultFileIo(), path, bytes); !why.empty()) {
        if (error)
            *error = "Cannot write " + path + ": " + why;
        return false;
    }
    return true;
}

bool writeBmp24(const std::string& path, int width, int height, std::span<const std::uint8_t> rgbTopDown,
                std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    const std::vector<std::uint8_t> image = encodeBmp24(width, height, rgbTopDown);
    if (image.empty())
        return fail("Cannot write " + path + ": the picture is empty or its pixels are incomplete");

    return writeFileReplacing(path, image, error);
}

} // namespace zarn
