#include "import/BmpReader.h"

#include "common/ByteOrder.h"
#include "import/BmpWriter.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <string>

namespace zarn {

namespace {

    BmpParseResult refuse(std::string message, std::string cause = {})
    {
        BmpParseResult r;
        r.message = std::move(message);
        r.cause = std::move(cause);
        return r;
    }
    BmpParseResult damaged(std::string cause) { return refuse(kMsgReadingFileError, std::move(cause)); }

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

BmpParseResult parseBmpLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize)
{
    if (fileSize < kBmpFileHeaderSize + 4 || head.size() < kBmpFileHeaderSize + 4)
        return damaged("it holds " + std::to_string(fileSize) + " bytes, fewer than a BMP file's headers");
    if (getLe16(head.data() + 0) != kBmpSignature)
        return damaged("it does not begin with \"BM\", as every BMP file does");

    BmpLayout l;
    l.offBits = getLe32(head.data() + 10);
    l.headerSize = getLe32(head.data() + 14);
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
    if (kBmpFileHeaderSize + static_cast<std::uint64_t>(l.headerSize) > fileSize)
        return damaged("its " + std::to_string(l.headerSize) + "-byte info header goes past the end of the file");
    if (kBmpFileHeaderSize + static_cast<std::uint64_t>(l.headerSize) > l.offBits)
        return damaged("its pixels start at byte " + std::to_string(l.offBits) + ", inside its "
            + std::to_string(l.headerSize) + "-byte info header");

    // OS/2 headers: 1.x with 16-bit sizes and 3-byte palette entries; 2.x like
    // Windows' as far as they go, but compressions 3 and 4 mean other things there.
    const bool os2 = core || l.headerSize < kBmpMinInfoHeaderSize || l.headerSize == kBmpOs2FullHeaderSize;
    std::int64_t width = 0, height = 0;
    if (core) {
        width = getLe16(head.data() + 18);
        height = getLe16(head.data() + 20);
        l.bitCount = getLe16(head.data() + 24);
        l.paletteEntryBytes = 3;
    } else {
        width = static_cast<std::int32_t>(getLe32(head.data() + 18));
        height = static_cast<std::int32_t>(getLe32(head.data() + 22));
        l.bitCount = getLe16(head.data() + 28);
        l.compression = l.headerSize >= 20 ? getLe32(head.data() + 30) : 0;
        l.colorsUsed = l.headerSize >= 36 ? getLe32(head.data() + 46) : 0;
    }

    // A whole JPEG or PNG file as the pixel data: its own size is the picture's,
    // whatever the header says.
    if (!os2 && (l.compression == kBmpCompressionJpeg || l.compression == kBmpCompressionPng)) {
        if (l.offBits >= fileSize)
            return damaged("its picture starts at byte " + std::to_string(l.offBits) + ", past the end of the file");
        const std::uint64_t held = fileSize - l.offBits;
        const std::uint32_t imageSize = getLe32(head.data() + 34);
        l.embeddedSize = static_cast<std::uint32_t>(imageSize > 0 && imageSize <= held ? imageSize : held);
        BmpParseResult ok;
        ok.ok = true;
        ok.layout = l;
        return ok;
    }

    // Zero and negative widths are damage; a negative height means rows stored
    // top row first (never in OS/2 files, whose sizes are unsigned).
    if (width <= 0 || height == 0)
        return damaged(
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
                return damaged("its run-length rows are marked as stored top row first, which they never are");
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
            if (fileSize < (alphaMask ? kAlphaMaskOffset + 4 : kAlphaMaskOffset))
                return damaged("the file ends before its colour masks");
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t mask = getLe32(head.data() + kMasksOffset + 4 * c);
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
                    return damaged(text);
                }
            }
            // An alpha mask that is zero or unusable leaves the picture opaque.
            if (alphaMask)
                makeChannel(getLe32(head.data() + kAlphaMaskOffset), l.bitCount, l.alpha);
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
                return damaged("its palette of " + std::to_string(l.paletteHeld)
                    + " colours does not fit before its pixels at byte " + std::to_string(l.offBits));
        }
    }
    if (l.offBits > fileSize)
        return damaged("its pixels start at byte " + std::to_string(l.offBits) + ", past the end of the file ("
            + std::to_string(fileSize) + " bytes)");
    // Every byte a row's pixels occupy must be held; the padding of the last row may be missing.
    // Run-length streams are bounded while they are decoded.
    const std::uint64_t held = fileSize - l.offBits;
    if (!l.isRle() && (rowUsed > held || rows - 1 > (held - rowUsed) / l.rowStride))
        return damaged("it is cut short: " + std::to_string(width) + " x " + std::to_string(rows)
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

namespace {

    // Rows are read in bands of about this many bytes.
    constexpr std::size_t kBandBytes = 1 << 20;

    std::string readFailure(const PictureInput& input)
    {
        return input.error().empty() ? "the file ended while it was read" : "it cannot be read: " + input.error();
    }

    // Turns the stored rows of a 16-, 24- or 32-bit file into the sink's r, g, b (and opacity).
    class ColourRows {
    public:
        explicit ColourRows(const BmpLayout& l)
            : m_l(l)
            , m_alpha(l.bitCount != 24 && l.alpha.mask != 0)
            , m_row(static_cast<std::size_t>(l.width) * (m_alpha ? 4 : 3))
        {
        }
        bool alpha() const { return m_alpha; }
        const std::uint8_t* convert(const std::uint8_t* stored)
        {
            std::uint8_t* out = m_row.data();
            for (int x = 0; x < m_l.width; ++x) {
                if (m_l.bitCount == 24) {
                    const std::uint8_t* p = stored + 3 * static_cast<std::size_t>(x);
                    *out++ = p[2];
                    *out++ = p[1];
                    *out++ = p[0];
                    continue;
                }
                const std::uint32_t v = m_l.bitCount == 16 ? getLe16(stored + 2 * static_cast<std::size_t>(x))
                                                           : getLe32(stored + 4 * static_cast<std::size_t>(x));
                *out++ = m_l.channels[0].expand(v);
                *out++ = m_l.channels[1].expand(v);
                *out++ = m_l.channels[2].expand(v);
                if (m_alpha)
                    *out++ = m_l.alpha.expand(v);
            }
            return m_row.data();
        }

    private:
        const BmpLayout& m_l;
        bool m_alpha;
        std::vector<std::uint8_t> m_row;
    };

    // Uncompressed rows, in the order they are stored, in bands of the rows the sink wants.
    DecodeResult readRows(PictureInput& input, PictureSink& sink, const BmpLayout& l)
    {
        ColourRows colour(l);
        const std::uint64_t rowUsed = (static_cast<std::uint64_t>(l.width) * l.bitCount + 7) / 8;
        const auto rowsPerBand = static_cast<int>(std::max<std::uint64_t>(1, kBandBytes / l.rowStride));
        std::vector<std::uint8_t> band;
        auto pictureRow = [&l](int stored) { return l.topDown ? stored : l.height - 1 - stored; };
        for (int s = 0; s < l.height;) {
            if (!sink.wantsRow(pictureRow(s))) {
                ++s;
                continue;
            }
            int end = s + 1;
            while (end < l.height && end - s < rowsPerBand && sink.wantsRow(pictureRow(end)))
                ++end;
            // The last row's padding may be missing at the end of the file.
            const std::uint64_t from = l.offBits + static_cast<std::uint64_t>(s) * l.rowStride;
            const std::uint64_t bytes = static_cast<std::uint64_t>(end - s - 1) * l.rowStride + rowUsed;
            band.resize(static_cast<std::size_t>(bytes));
            if (!input.readExactly(from, band.data(), band.size()))
                return DecodeResult::failed(readFailure(input));
            for (int r = s; r < end; ++r) {
                const std::uint8_t* stored = band.data() + static_cast<std::size_t>(r - s) * l.rowStride;
                sink.run(0, pictureRow(r), 1, 0, l.width, l.isIndexed() ? stored : colour.convert(stored));
            }
            s = end;
        }
        return DecodeResult::decoded();
    }

    // A run-length stream, decoded a row at a time; rows the stream skips or
    // never reaches are index 0. Refused when it runs past the file, writes
    // outside the picture or moves outside it.
    DecodeResult readRunLengthRows(PictureInput& input, PictureSink& sink, const BmpLayout& l)
    {
        const bool four = l.compression == kBmpCompressionRle4;
        const std::int64_t w = l.width, h = l.height;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(l.rowStride), 0);
        std::int64_t x = 0, y = 0; // y counts from the bottom row, as the stream does
        // Writers pad rows inside the stream too (runs reaching into the row's last
        // 32-bit word): such pixels are taken and dropped, anything further is damage.
        const std::int64_t capacity = static_cast<std::int64_t>(l.rowStride * 8 / l.bitCount);
        const auto damaged = [] { return DecodeResult::failed("its run-length encoded pixel data is damaged"); };
        // Hands over the row being written and moves up to row `to`, the rows between empty.
        auto rowsUpTo = [&](std::int64_t to) {
            for (; y < to; ++y) {
                if (y < h)
                    sink.run(0, static_cast<int>(h - 1 - y), 1, 0, l.width, row.data());
                std::fill(row.begin(), row.end(), 0);
            }
        };
        auto put = [&](unsigned index) {
            if (x >= capacity || y >= h)
                return false;
            if (x < w) {
                if (four)
                    row[static_cast<std::size_t>(x / 2)]
                        |= static_cast<std::uint8_t>(x % 2 == 0 ? (index & 0x0F) << 4 : index & 0x0F);
                else
                    row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(index);
            }
            ++x;
            return true;
        };

        input.seek(l.offBits);
        std::uint8_t absolute[128];
        for (;;) {
            std::uint8_t pair[2];
            // A stream that stops without its end mark is taken only when every row is done.
            if (input.read(pair, 2) < 2) {
                if (!input.error().empty())
                    return DecodeResult::failed(readFailure(input));
                if (y < h)
                    return damaged();
                return DecodeResult::decoded();
            }
            const unsigned count = pair[0], value = pair[1];
            if (count > 0) {
                for (unsigned i = 0; i < count; ++i)
                    if (!put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value))
                        return damaged();
                continue;
            }
            switch (value) {
            case 0: // end of line
                if (y + 1 > h)
                    return damaged();
                rowsUpTo(y + 1);
                x = 0;
                break;
            case 1: // end of picture
                rowsUpTo(h);
                return DecodeResult::decoded();
            case 2: { // delta: move right and up, never out of the picture
                std::uint8_t move[2];
                if (input.read(move, 2) < 2)
                    return damaged();
                if (x + move[0] > capacity || y + move[1] > h)
                    return damaged();
                const std::int64_t keepX = x + move[0];
                rowsUpTo(y + move[1]);
                x = keepX;
                break;
            }
            default: { // absolute run of `value` pixels, padded to a 16-bit boundary
                const std::size_t bytes = four ? (value + 1) / 2 : value;
                if (input.read(absolute, bytes) < bytes)
                    return damaged();
                for (unsigned i = 0; i < value; ++i) {
                    const std::uint8_t b = absolute[four ? i / 2 : i];
                    if (!put(four ? (i % 2 == 0 ? b >> 4 : b & 0x0F) : b))
                        return damaged();
                }
                if (bytes & 1) // the pad byte, which the end of the file may have cut
                    input.read(absolute, 1);
                break;
            }
            }
        }
    }

    DecodeResult readEmbedded(
        PictureInput& input, PictureSink& sink, const BmpLayout& l, const PictureDecoders& decoders)
    {
        const bool png = l.compression == kBmpCompressionPng;
        const char* kind = png ? "PNG" : "JPEG";
        const PictureDecoder& decode = png ? decoders.png : decoders.jpeg;
        if (!decode)
            return DecodeResult::unsupported(std::string("Unsupported BMP file: the pixel data is a ") + kind
                + " picture (compression " + std::to_string(l.compression)
                + "), and this build reads no PNG or JPEG pictures");
        PartPictureInput part(input, l.offBits, l.embeddedSize);
        // The format is found from the bytes, never from the compression alone, and must be the one named.
        std::uint8_t head[8] = {};
        const std::size_t got = part.read(head, sizeof head);
        const PictureFileFormat format = pictureFileFormatOf(std::span(head, got));
        if (format != (png ? PictureFileFormat::Png : PictureFileFormat::Jpeg))
            return DecodeResult::failed(std::string("the ") + kind + " picture it should hold is no " + kind + " file");
        part.seek(0);
        DecodeResult r = decode(part, sink);
        if (r.status == DecodeResult::Status::Failed && !r.cause.empty())
            r.cause = std::string("the ") + kind + " picture it holds cannot be read: " + r.cause;
        return r;
    }

} // namespace

DecodeResult decodeBmp(PictureInput& input, PictureSink& sink, const PictureDecoders& embedded)
{
    std::uint8_t head[kBmpHeadBytes] = {};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(input.size(), kBmpHeadBytes));
    if (!input.readExactly(0, head, got))
        return DecodeResult::failed(readFailure(input));
    const BmpParseResult parsed = parseBmpLayout(std::span(head, got), input.size());
    if (!parsed.ok)
        return DecodeResult { DecodeResult::Status::Failed, parsed.message, parsed.cause };
    const BmpLayout& l = parsed.layout;
    if (l.isEmbedded())
        return readEmbedded(input, sink, l, embedded);

    PictureForm form;
    form.width = l.width;
    form.height = l.height;
    form.reportedBits = l.bitCount;
    if (l.isIndexed()) {
        form.pixels = PixelForm::Indices;
        form.indexBits = l.bitCount;
        form.itemDepth = l.bitCount;
        std::vector<std::uint8_t> entries(static_cast<std::size_t>(l.paletteHeld) * l.paletteEntryBytes);
        if (!input.readExactly(l.paletteOffset, entries.data(), entries.size()))
            return DecodeResult::failed(readFailure(input));
        for (std::uint32_t i = 0; i < l.paletteHeld; ++i) {
            const std::uint8_t* p = &entries[static_cast<std::size_t>(i) * l.paletteEntryBytes];
            form.palette.push_back(Rgb { p[2], p[1], p[0] });
        }
    } else if (l.bitCount != 24 && l.alpha.mask != 0) {
        form.pixels = PixelForm::Rgba;
        form.zeroAlphaIsOpaque = true;
    }
    if (!sink.begin(form))
        return DecodeResult::refused();
    return l.isRle() ? readRunLengthRows(input, sink, l) : readRows(input, sink, l);
}

} // namespace zarn
