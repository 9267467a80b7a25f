#include "import/BmpReader.h"

#include <bit>
#include <cstdio>

namespace zarn {

namespace {

    std::uint16_t u16At(std::span<const std::uint8_t> d, std::size_t off)
    {
        return static_cast<std::uint16_t>(d[off] | (d[off + 1] << 8));
    }

    std::uint32_t u32At(std::span<const std::uint8_t> d, std::size_t off)
    {
        return static_cast<std::uint32_t>(d[off]) | (static_cast<std::uint32_t>(d[off + 1]) << 8)
            | (static_cast<std::uint32_t>(d[off + 2]) << 16) | (static_cast<std::uint32_t>(d[off + 3]) << 24);
    }

    BmpParseResult refuse(std::string message)
    {
        BmpParseResult r;
        r.message = std::move(message);
        return r;
    }

    // A usable mask is one run of set bits, within the pixel's width.
    bool makeChannel(std::uint32_t mask, int bitCount, BmpChannel& out)
    {
        if (mask == 0)
            return false;
        if (bitCount == 16 && (mask & 0xFFFF0000u) != 0)
            return false;
        const int shift = std::countr_zero(mask);
        const std::uint64_t run = static_cast<std::uint64_t>(mask) >> shift;
        if ((run & (run + 1)) != 0)
            return false;
        out.mask = mask;
        out.shift = shift;
        out.bits = std::popcount(mask);
        return true;
    }

    // The pixel rows start at the field "pixel-data offset"; the info header fields
    // used lie at fixed offsets, so the file must at least reach the compression field.
    constexpr std::size_t kInfoFieldsEnd = 34;
    constexpr std::size_t kMasksOffset = 54;

} // namespace

std::uint8_t BmpChannel::expand(std::uint32_t pixel) const
{
    const std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8)
        return static_cast<std::uint8_t>(v >> (bits - 8));
    const std::uint32_t max = (1u << bits) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
}

BmpParseResult parseBmpLayout(std::span<const std::uint8_t> file)
{
    if (file.size() < kBmpFileHeaderSize || u16At(file, 0) != kBmpSignature)
        return refuse(kMsgReadingFileError);
    if (file.size() < kInfoFieldsEnd)
        return refuse(kMsgReadingFileError);

    BmpLayout l;
    l.offBits = u32At(file, 10);
    const auto width = static_cast<std::int32_t>(u32At(file, 18));
    const auto height = static_cast<std::int32_t>(u32At(file, 22));
    l.bitCount = u16At(file, 28);
    l.compression = u32At(file, 30);

    // Zero, negative widths and absurd sizes are damage; a negative height means
    // rows stored top row first.
    if (width <= 0 || width > kBmpMaxDimension || height == 0 || height < -kBmpMaxDimension
        || height > kBmpMaxDimension)
        return refuse(kMsgReadingFileError);
    l.width = width;
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height)
        > kBmpMaxPixels)
        return refuse(kMsgReadingFileError);
    l.topDown = height < 0;
    l.height = height < 0 ? -height : height;

    char text[160];
    switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (l.compression != kBmpCompressionRgb) {
            std::snprintf(text, sizeof text,
                          "Unsupported BMP file: the pixel data is compressed (method %u); only uncompressed files can be loaded",
                          static_cast<unsigned>(l.compression));
            return refuse(text);
        }
        break;
    case 16:
    case 32:
        if (l.compression == kBmpCompressionRgb) {
            // The default layouts: 5-5-5 for 16 bits, 8-8-8 for 32 bits.
            const std::uint32_t r = l.bitCount == 16 ? 0x7C00 : 0xFF0000;
            const std::uint32_t g = l.bitCount == 16 ? 0x03E0 : 0x00FF00;
            const std::uint32_t b = l.bitCount == 16 ? 0x001F : 0x0000FF;
            makeChannel(r, l.bitCount, l.channels[0]);
            makeChannel(g, l.bitCount, l.channels[1]);
            makeChannel(b, l.bitCount, l.channels[2]);
        } else if (l.compression == kBmpCompressionBitfields) {
            if (file.size() < kMasksOffset + 12)
                return refuse(kMsgReadingFileError);
            for (int c = 0; c < 3; ++c)
                if (!makeChannel(u32At(file, kMasksOffset + 4 * c), l.bitCount, l.channels[c]))
                    return refuse(kMsgReadingFileError);
        } else {
            std::snprintf(text, sizeof text,
                          "Unsupported BMP file: the pixel data is compressed (method %u); only uncompressed files can be loaded",
                          static_cast<unsigned>(l.compression));
            return refuse(text);
        }
        break;
    default:
        std::snprintf(text, sizeof text,
                      "Unsupported BMP file: %u bits per pixel; only 1, 4, 8, 16, 24 and 32 bits per pixel can be loaded",
                      static_cast<unsigned>(l.bitCount));
        return refuse(text);
    }

    l.rowStride = ((static_cast<std::uint64_t>(l.width) * l.bitCount + 31) & ~std::uint64_t { 31 }) / 8;
    const std::uint64_t rowUsed = (static_cast<std::uint64_t>(l.width) * l.bitCount + 7) / 8;

    if (l.offBits < kBmpFileHeaderSize)
        return refuse(kMsgReadingFileError);
    // The palette is the 2^K entries that end exactly where the pixel data begins;
    // one that would start inside the file header is truncated.
    if (l.isIndexed()) {
        l.paletteEntries = 1u << l.bitCount;
        const std::uint64_t paletteBytes = 4ull * l.paletteEntries;
        if (l.offBits < kBmpFileHeaderSize + paletteBytes)
            return refuse(kMsgReadingFileError);
        l.paletteOffset = static_cast<std::uint32_t>(l.offBits - paletteBytes);
    }
    // Every byte a row's pixels occupy must be held; the padding of the last row may be missing.
    const std::uint64_t pixelEnd = static_cast<std::uint64_t>(l.offBits) + (l.height - 1) * l.rowStride + rowUsed;
    if (pixelEnd > file.size())
        return refuse(kMsgReadingFileError);

    BmpParseResult ok;
    ok.ok = true;
    ok.layout = l;
    return ok;
}

Rgb bmpPixel(const BmpLayout& l, std::span<const std::uint8_t> file, std::uint64_t row, int x)
{
    auto fromPalette = [&](unsigned index) {
        const std::size_t p = l.paletteOffset + 4u * index;
        return Rgb { file[p + 2], file[p + 1], file[p] };
    };
    switch (l.bitCount) {
    case 1:
        return fromPalette((file[row + x / 8] >> (7 - x % 8)) & 1);
    case 4: {
        const std::uint8_t byte = file[row + x / 2];
        return fromPalette(x % 2 == 0 ? byte >> 4 : byte & 0x0F);
    }
    case 8:
        return fromPalette(file[row + x]);
    case 24: {
        const std::size_t p = row + 3ull * x;
        return Rgb { file[p + 2], file[p + 1], file[p] };
    }
    case 16:
    case 32: {
        const std::uint32_t v = l.bitCount == 16 ? u16At(file, row + 2ull * x) : u32At(file, row + 4ull * x);
        return Rgb { l.channels[0].expand(v), l.channels[1].expand(v), l.channels[2].expand(v) };
    }
    default:
        return Rgb {};
    }
}

} // namespace zarn
