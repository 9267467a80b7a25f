#include "import/BmpReader.h"

#include "common/ByteOrder.h"
#include "import/BmpWriter.h"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace zarn {

namespace {

    BmpParseResult refuse(std::string message)
    {
        BmpParseResult r;
        r.message = std::move(message);
        return r;
    }

    // "Reading File Error", with what is wrong with the file.
    BmpParseResult unreadable(std::string cause)
    {
        BmpParseResult r = refuse(kMsgReadingFileError);
        r.cause = std::move(cause);
        return r;
    }

    enum class Mask { Usable, Zero, NotOneRun, TooWide };

    // A usable mask is one run of set bits, within the pixel's width.
    Mask makeChannel(std::uint32_t mask, int bitCount, BmpChannel& out)
    {
        if (mask == 0)
            return Mask::Zero;
        if (bitCount == 16 && (mask & 0xFFFF0000u) != 0)
            return Mask::TooWide;
        const int shift = std::countr_zero(mask);
        const std::uint64_t run = static_cast<std::uint64_t>(mask) >> shift;
        if ((run & (run + 1)) != 0)
            return Mask::NotOneRun;
        out.mask = mask;
        out.shift = shift;
        out.bits = std::popcount(mask);
        return Mask::Usable;
    }

    // The red, green and blue masks follow a 40-byte header or are its own fields
    // in longer headers: at file offset 54 either way. The alpha mask comes next,
    // in headers of 56 bytes and more and with compression 6.
    constexpr std::size_t kMasksOffset = 54;
    constexpr std::size_t kAlphaMaskOffset = 66;
    constexpr std::uint32_t kAlphaMaskHeaderSize = 56;
    constexpr const char* kChannelNames[] = { "red", "green", "blue" };

} // namespace

std::uint8_t BmpChannel::expand(std::uint32_t pixel) const
{
    const std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8)
        return static_cast<std::uint8_t>(v >> (bits - 8));
    const std::uint32_t max = (1u << bits) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
}

bool pictureSizeTaken(std::uint64_t width, std::uint64_t height)
{
    return width <= static_cast<std::uint64_t>(kBmpMaxDimension)
        && height <= static_cast<std::uint64_t>(kBmpMaxDimension) && width * height <= kBmpMaxPixels;
}

std::string pictureTooLargeText(std::uint64_t width, std::uint64_t height)
{
    char text[200];
    std::snprintf(text, sizeof text,
        "Picture too large: %llu x %llu pixels; pictures of up to %d pixels a side and %llu pixels in all (8192 x "
        "8192) can be loaded",
        static_cast<unsigned long long>(width), static_cast<unsigned long long>(height), kBmpMaxDimension,
        static_cast<unsigned long long>(kBmpMaxPixels));
    return text;
}

BmpParseResult parseBmpLayout(std::span<const std::uint8_t> file)
{
    if (file.size() < kBmpFileHeaderSize + 4)
        return unreadable("it holds " + std::to_string(file.size()) + " bytes, fewer than a BMP file's headers");
    if (getLe16(file.data() + 0) != kBmpSignature)
        return unreadable("it does not begin with \"BM\", as every BMP file does");

    BmpLayout l;
    l.offBits = getLe32(file.data() + 10);
    l.headerSize = getLe32(file.data() + 14);
    char text[200];
    const bool core = l.headerSize == kBmpCoreHeaderSize;
    if (!core && l.headerSize < kBmpOs2MinHeaderSize) {
        std::snprintf(text, sizeof text,
            "Unsupported BMP file: a %u-byte info header; only info headers of 12 bytes or of 16 bytes and more can be "
            "loaded",
            static_cast<unsigned>(l.headerSize));
        return refuse(text);
    }
    // The whole info header must be held and end before the pixel rows.
    if (kBmpFileHeaderSize + static_cast<std::uint64_t>(l.headerSize) > file.size())
        return unreadable("its " + std::to_string(l.headerSize) + "-byte info header goes past the end of the file");
    if (kBmpFileHeaderSize + static_cast<std::uint64_t>(l.headerSize) > l.offBits)
        return unreadable("its pixels start at byte " + std::to_string(l.offBits) + ", inside its "
            + std::to_string(l.headerSize) + "-byte info header");

    // OS/2 headers: 1.x with 16-bit sizes and 3-byte palette entries; 2.x like
    // Windows' as far as they go, but compressions 3 and 4 mean other things there.
    const bool os2 = core || l.headerSize < kBmpMinInfoHeaderSize || l.headerSize == kBmpOs2FullHeaderSize;
    std::int64_t width = 0, height = 0;
    if (core) {
        width = getLe16(file.data() + 18);
        height = getLe16(file.data() + 20);
        l.bitCount = getLe16(file.data() + 24);
        l.paletteEntryBytes = 3;
    } else {
        width = static_cast<std::int32_t>(getLe32(file.data() + 18));
        height = static_cast<std::int32_t>(getLe32(file.data() + 22));
        l.bitCount = getLe16(file.data() + 28);
        l.compression = l.headerSize >= 20 ? getLe32(file.data() + 30) : 0;
        l.colorsUsed = l.headerSize >= 36 ? getLe32(file.data() + 46) : 0;
    }

    // A whole JPEG or PNG file as the pixel data: its own size is the picture's,
    // whatever the header says.
    if (!os2 && (l.compression == kBmpCompressionJpeg || l.compression == kBmpCompressionPng)) {
        if (l.offBits >= file.size())
            return unreadable("its picture starts at byte " + std::to_string(l.offBits) + ", past the end of the file");
        const std::uint64_t held = file.size() - l.offBits;
        const std::uint32_t imageSize = getLe32(file.data() + 34);
        l.embeddedSize = static_cast<std::uint32_t>(imageSize > 0 && imageSize <= held ? imageSize : held);
        BmpParseResult ok;
        ok.ok = true;
        ok.layout = l;
        return ok;
    }

    // Zero and negative widths are damage; a negative height means rows stored
    // top row first (never in OS/2 files, whose sizes are unsigned).
    if (width <= 0 || height == 0)
        return unreadable(
            "its header gives a size of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    l.topDown = height < 0;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);

    auto compressedText = [&] {
        if (os2 && (l.compression == 3 || l.compression == 4))
            std::snprintf(text, sizeof text,
                "Unsupported BMP file: the OS/2 pixel data is compressed (method %u, %s); only uncompressed and 4- "
                "and 8-bit run-length encoded files can be loaded",
                static_cast<unsigned>(l.compression), l.compression == 3 ? "Huffman" : "24-bit run-length");
        else
            std::snprintf(text, sizeof text,
                "Unsupported BMP file: the pixel data is compressed (method %u); only uncompressed and run-length "
                "encoded files can be loaded",
                static_cast<unsigned>(l.compression));
        return refuse(text);
    };
    switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (l.compression == kBmpCompressionRgb)
            break;
        if ((l.compression == kBmpCompressionRle8 && l.bitCount == 8)
            || (l.compression == kBmpCompressionRle4 && l.bitCount == 4)) {
            // Run-length rows are always stored bottom row first.
            if (l.topDown)
                return unreadable("its run-length rows are marked as stored top row first, which they never are");
            break;
        }
        return compressedText();
    case 16:
    case 32:
        if (l.compression == kBmpCompressionRgb) {
            // The default layouts: 5-5-5 for 16 bits, 8-8-8 for 32 bits, whose fourth
            // byte is taken as alpha (unless it is zero everywhere: see LoadedPicture).
            const bool wide = l.bitCount == 32;
            makeChannel(wide ? 0xFF0000 : 0x7C00, l.bitCount, l.channels[0]);
            makeChannel(wide ? 0x00FF00 : 0x03E0, l.bitCount, l.channels[1]);
            makeChannel(wide ? 0x0000FF : 0x001F, l.bitCount, l.channels[2]);
            if (wide)
                makeChannel(0xFF000000u, l.bitCount, l.alpha);
        } else if (!os2
            && (l.compression == kBmpCompressionBitfields || l.compression == kBmpCompressionAlphaBitfields)) {
            const bool alphaMask
                = l.compression == kBmpCompressionAlphaBitfields || l.headerSize >= kAlphaMaskHeaderSize;
            if (file.size() < (alphaMask ? kAlphaMaskOffset + 4 : kAlphaMaskOffset))
                return unreadable("the file ends before its colour masks");
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t mask = getLe32(file.data() + kMasksOffset + 4 * c);
                switch (makeChannel(mask, l.bitCount, l.channels[c])) {
                case Mask::Usable:
                    continue;
                case Mask::Zero:
                    std::snprintf(text, sizeof text,
                        "Unsupported BMP file: the bit fields give the %s channel no bits (its mask is zero)",
                        kChannelNames[c]);
                    return refuse(text);
                case Mask::NotOneRun:
                    std::snprintf(text, sizeof text, "Unsupported BMP file: the %s mask 0x%08X is not one run of bits",
                        kChannelNames[c], static_cast<unsigned>(mask));
                    return refuse(text);
                case Mask::TooWide:
                    std::snprintf(text, sizeof text, "its %s mask 0x%08X has bits beyond a 16-bit pixel",
                        kChannelNames[c], static_cast<unsigned>(mask));
                    return unreadable(text);
                }
            }
            // An alpha mask that is zero or unusable leaves the picture opaque.
            if (alphaMask)
                makeChannel(getLe32(file.data() + kAlphaMaskOffset), l.bitCount, l.alpha);
        } else {
            return compressedText();
        }
        break;
    default:
        std::snprintf(text, sizeof text,
            "Unsupported BMP file: %u bits per pixel; only 1, 4, 8, 16, 24 and 32 bits per pixel can be loaded",
            static_cast<unsigned>(l.bitCount));
        return refuse(text);
    }

    l.rowStride = bmpRowStride(static_cast<std::uint64_t>(width), l.bitCount);
    const std::uint64_t rowUsed = (static_cast<std::uint64_t>(width) * l.bitCount + 7) / 8;

    // The palette follows the info header. A full palette that ends exactly where
    // the pixel data begins is taken whole; otherwise the colours-used count says
    // how many entries the file has, and they must lie before the pixel data.
    // OS/2 1.x files have no count: they hold what fits before the pixel data.
    if (l.isIndexed()) {
        l.paletteEntries = 1u << l.bitCount;
        l.paletteOffset = static_cast<std::uint32_t>(kBmpFileHeaderSize + l.headerSize);
        const std::uint64_t room = l.offBits - l.paletteOffset;
        if (static_cast<std::uint64_t>(l.paletteEntryBytes) * l.paletteEntries == room) {
            l.paletteHeld = l.paletteEntries;
        } else if (core) {
            l.paletteHeld = static_cast<std::uint32_t>(std::min<std::uint64_t>(l.paletteEntries, room / 3));
        } else {
            l.paletteHeld = l.colorsUsed > 0 && l.colorsUsed < l.paletteEntries ? l.colorsUsed : l.paletteEntries;
            if (4ull * l.paletteHeld > room)
                return unreadable("its palette of " + std::to_string(l.paletteHeld)
                    + " colours does not fit before its pixels at byte " + std::to_string(l.offBits));
        }
    }
    if (l.offBits > file.size())
        return unreadable("its pixels start at byte " + std::to_string(l.offBits) + ", past the end of the file ("
            + std::to_string(file.size()) + " bytes)");
    // Every byte a row's pixels occupy must be held; the padding of the last row may be missing.
    // Run-length streams are bounded while they are decoded.
    const std::uint64_t held = file.size() - l.offBits;
    if (!l.isRle() && (rowUsed > held || rows - 1 > (held - rowUsed) / l.rowStride))
        return unreadable("it is cut short: " + std::to_string(width) + " x " + std::to_string(rows)
            + " pixels need more bytes than the " + std::to_string(held) + " after byte " + std::to_string(l.offBits));
    // Rows that are all there, or could be (run-length), but more than is taken.
    if (!pictureSizeTaken(static_cast<std::uint64_t>(width), rows))
        return refuse(pictureTooLargeText(static_cast<std::uint64_t>(width), rows));
    l.width = static_cast<std::int32_t>(width);
    l.height = static_cast<std::int32_t>(rows);

    BmpParseResult ok;
    ok.ok = true;
    ok.layout = l;
    return ok;
}

Rgb bmpPaletteColour(const BmpLayout& l, std::span<const std::uint8_t> file, std::uint32_t index)
{
    if (index >= l.paletteHeld)
        return Rgb {};
    const std::size_t p = l.paletteOffset + static_cast<std::size_t>(l.paletteEntryBytes) * index;
    return Rgb { file[p + 2], file[p + 1], file[p] };
}

std::uint32_t bmpPixelIndex(const BmpLayout& l, std::span<const std::uint8_t> file, std::uint64_t row, int x)
{
    switch (l.bitCount) {
    case 1:
        return (file[row + x / 8] >> (7 - x % 8)) & 1;
    case 4: {
        const std::uint8_t byte = file[row + x / 2];
        return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    }
    case 8:
        return file[row + x];
    default:
        return 0;
    }
}

Rgb bmpPixel(const BmpLayout& l, std::span<const std::uint8_t> file, std::uint64_t row, int x)
{
    switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
        return bmpPaletteColour(l, file, bmpPixelIndex(l, file, row, x));
    case 24: {
        const std::size_t p = row + 3ull * x;
        return Rgb { file[p + 2], file[p + 1], file[p] };
    }
    case 16:
    case 32: {
        const std::uint32_t v
            = l.bitCount == 16 ? getLe16(file.data() + row + 2ull * x) : getLe32(file.data() + row + 4ull * x);
        return Rgb { l.channels[0].expand(v), l.channels[1].expand(v), l.channels[2].expand(v) };
    }
    default:
        return Rgb {};
    }
}

bool decodeBmpRle(const BmpLayout& l, std::span<const std::uint8_t> file, std::vector<std::uint8_t>& rows)
{
    if (!l.isRle() || l.offBits > file.size())
        return false;
    rows.assign(static_cast<std::size_t>(l.rowStride * l.height), 0);
    const bool four = l.compression == kBmpCompressionRle4;
    const std::int64_t w = l.width, h = l.height;
    std::int64_t x = 0, y = 0; // y counts from the bottom row, as the stream does
    std::size_t pos = l.offBits;
    const std::size_t end = file.size();

    // Writers pad rows inside the stream too (runs reaching into the row's last
    // 32-bit word): such pixels are taken and dropped, anything further is damage.
    const std::int64_t capacity = static_cast<std::int64_t>(l.rowStride * 8 / l.bitCount);
    auto put = [&](unsigned index) {
        if (x >= capacity || y >= h)
            return false;
        if (x >= w) {
            ++x;
            return true;
        }
        std::uint8_t* row = rows.data() + static_cast<std::size_t>(y) * l.rowStride;
        if (four)
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? (index & 0x0F) << 4 : index & 0x0F);
        else
            row[x] = static_cast<std::uint8_t>(index);
        ++x;
        return true;
    };

    for (;;) {
        // A stream that stops without its end mark is taken only when every row is done.
        if (end - pos < 2)
            return y >= h;
        const unsigned count = file[pos], value = file[pos + 1];
        pos += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                if (!put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value))
                    return false;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            if (++y > h)
                return false;
            break;
        case 1: // end of picture
            return true;
        case 2: { // delta: move right and up, never out of the picture
            if (end - pos < 2)
                return false;
            x += file[pos];
            y += file[pos + 1];
            pos += 2;
            if (x > capacity || y > h)
                return false;
            break;
        }
        default: { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (end - pos < bytes)
                return false;
            for (unsigned i = 0; i < value; ++i) {
                const std::uint8_t b = file[pos + (four ? i / 2 : i)];
                if (!put(four ? (i % 2 == 0 ? b >> 4 : b & 0x0F) : b))
                    return false;
            }
            pos += std::min(bytes + (bytes & 1), end - pos);
            break;
        }
        }
    }
}

std::vector<std::uint8_t> standardBmpFrom(const BmpLayout& l, std::span<const std::uint8_t> file)
{
    if (!l.isIndexed())
        return {};
    std::vector<std::uint8_t> rows;
    if (l.isRle()) {
        if (!decodeBmpRle(l, file, rows))
            return {};
    } else {
        rows.resize(static_cast<std::size_t>(l.rowStride * l.height), 0);
        for (int y = 0; y < l.height; ++y) {
            // Stored bottom row first, as the standard file wants; the last row's padding may be missing.
            const std::uint64_t src = l.rowOffset(l.height - 1 - y);
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(l.rowStride, file.size() - src));
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(src), n,
                rows.begin() + static_cast<std::ptrdiff_t>(y * l.rowStride));
        }
    }
    std::vector<Rgb> palette(l.paletteHeld);
    for (std::uint32_t i = 0; i < l.paletteHeld; ++i)
        palette[i] = bmpPaletteColour(l, file, i);
    std::vector<std::uint8_t> out = blankStandardBmp(l.width, l.height, l.bitCount, palette);
    if (out.empty())
        return {};
    std::copy(rows.begin(), rows.end(), out.end() - static_cast<std::ptrdiff_t>(rows.size()));
    return out;
}

} // namespace zarn
