#pragma once
// Builds BMP files byte by byte for the tests: any depth, palette, masks, order
// of rows, and room to damage them afterwards.

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace zarn::test {

struct TestBmp {
    int width = 1;
    int height = 1; // positive; see topDown
    int bitCount = 24;
    std::uint32_t compression = 0;
    bool topDown = false;
    std::vector<std::array<std::uint8_t, 3>> palette; // r, g, b; padded with zeros to 2^K entries
    std::array<std::uint32_t, 3> masks {};           // written after the info header when compression == 3
    // Stored value of pixel (x, y), y counted from the top: a palette index for K <= 8,
    // 0xRRGGBB for K = 24, the raw 16- or 32-bit value otherwise.
    std::function<std::uint32_t(int, int)> pixel = [](int, int) { return 0u; };
    // The unused bits after the last pixel of a row, to show what an unscaled copy keeps.
    std::uint8_t rowPadding = 0;

    std::uint32_t paletteEntries() const { return bitCount <= 8 ? (1u << bitCount) : 0; }
    std::uint32_t stride() const { return ((static_cast<std::uint32_t>(width) * bitCount + 31) & ~31u) / 8; }
    std::uint32_t offBits() const { return 54 + (compression == 3 ? 12 : 0) + 4 * paletteEntries(); }

    std::vector<std::uint8_t> bytes() const
    {
        std::vector<std::uint8_t> b(offBits() + static_cast<std::size_t>(stride()) * height, 0);
        auto put16 = [&](std::size_t o, std::uint32_t v) { b[o] = v & 0xFF; b[o + 1] = (v >> 8) & 0xFF; };
        auto put32 = [&](std::size_t o, std::uint32_t v) { for (int i = 0; i < 4; ++i) b[o + i] = (v >> (8 * i)) & 0xFF; };
        put16(0, 0x4D42);
        put32(2, static_cast<std::uint32_t>(b.size()));
        put32(10, offBits());
        put32(14, 40);
        put32(18, static_cast<std::uint32_t>(width));
        put32(22, static_cast<std::uint32_t>(topDown ? -height : height));
        put16(26, 1);
        put16(28, static_cast<std::uint32_t>(bitCount));
        put32(30, compression);
        std::size_t o = 54;
        if (compression == 3) {
            for (auto m : masks) { put32(o, m); o += 4; }
        }
        for (std::uint32_t i = 0; i < paletteEntries(); ++i, o += 4) {
            if (i < palette.size()) {
                b[o] = palette[i][2];
                b[o + 1] = palette[i][1];
                b[o + 2] = palette[i][0];
            }
        }
        for (int y = 0; y < height; ++y) {
            const int stored = topDown ? y : height - 1 - y;
            std::uint8_t* row = b.data() + offBits() + static_cast<std::size_t>(stored) * stride();
            for (std::uint32_t i = 0; i < stride(); ++i)
                row[i] = rowPadding;
            if (bitCount <= 8) // clear the pixels' own bits, keep the padding after them
                for (int x = 0; x < width; ++x)
                    row[x * bitCount / 8] &= static_cast<std::uint8_t>(~(((1u << bitCount) - 1) << (8 - bitCount - (x * bitCount) % 8)));
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = pixel(x, y);
                switch (bitCount) {
                case 1: case 4: case 8: {
                    const int bit = x * bitCount;
                    row[bit / 8] |= static_cast<std::uint8_t>((v & ((1u << bitCount) - 1)) << (8 - bitCount - bit % 8));
                    break;
                }
                case 16: row[2 * x] = v & 0xFF; row[2 * x + 1] = (v >> 8) & 0xFF; break;
                case 24: row[3 * x] = v & 0xFF; row[3 * x + 1] = (v >> 8) & 0xFF; row[3 * x + 2] = (v >> 16) & 0xFF; break;
                case 32: for (int i = 0; i < 4; ++i) row[4 * x + i] = (v >> (8 * i)) & 0xFF; break;
                default: break;
                }
            }
        }
        return b;
    }
};

inline void writeBytes(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A fresh folder under /tmp, removed with the object.
struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        char tmpl[] = "/tmp/zarn-import-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

} // namespace zarn::test
