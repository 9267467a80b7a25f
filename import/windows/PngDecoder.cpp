// PNG files through the Windows Imaging Component. The chunks before the
// pixels (IHDR, PLTE, tRNS) are read here and give the picture's form by the
// rules every system follows (PngPixels); the component's rows are brought back
// to the samples the file stores where the form keeps them (palette indices,
// grey levels, 16-bit samples rounded as PngPixels rounds them), or taken as
// 8-bit colour and opacity. Every chunk's CRC is checked here as libpng checks
// it on Linux (the component does not): a damaged critical chunk refuses the
// file, a damaged ancillary one is left out.
#include "import/PngPixels.h"
#include "import/windows/Decoders.h"

#include <algorithm>
#include <cstring>

namespace zarn {

namespace {

    std::uint32_t bigEndian32(const std::uint8_t* p)
    {
        return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    }

    // The CRC-32 of PNG chunks (and zlib), eight bytes at a time (the IDAT chunks are most of a file).
    class Crc32 {
    public:
        Crc32()
        {
            for (std::uint32_t n = 0; n < 256; ++n) {
                std::uint32_t c = n;
                for (int k = 0; k < 8; ++k)
                    c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                m_table[0][n] = c;
            }
            for (std::uint32_t n = 0; n < 256; ++n)
                for (int t = 1; t < 8; ++t)
                    m_table[t][n] = m_table[0][m_table[t - 1][n] & 0xFF] ^ (m_table[t - 1][n] >> 8);
        }
        std::uint32_t update(std::uint32_t crc, const std::uint8_t* p, std::size_t n) const
        {
            crc = ~crc;
            for (; n >= 8; n -= 8, p += 8) {
                const std::uint32_t a = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
                crc = m_table[7][a & 0xFF] ^ m_table[6][(a >> 8) & 0xFF] ^ m_table[5][(a >> 16) & 0xFF]
                    ^ m_table[4][a >> 24] ^ m_table[3][p[4]] ^ m_table[2][p[5]] ^ m_table[1][p[6]] ^ m_table[0][p[7]];
            }
            for (; n > 0; --n, ++p)
                crc = m_table[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
            return ~crc;
        }

    private:
        std::uint32_t m_table[8][256];
    };
    const Crc32 kCrc;

    bool critical(const std::uint8_t* type) { return (type[0] & 0x20) == 0; }

    // 16 bits to 8, rounded to the nearest, as PngPixels rounds.
    std::uint8_t eightBits(std::uint32_t v) { return static_cast<std::uint8_t>((v + 128 - ((v + 128) >> 8)) >> 8); }

    bool validDepth(int type, int depth)
    {
        switch (type) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6:
            return depth == 8 || depth == 16;
        default:
            return false;
        }
    }

    // The chunks up to the first IDAT; an empty `why` on success.
    PngHeader readHeader(PictureInput& input, std::string& why)
    {
        PngHeader h;
        std::uint64_t at = 8;
        bool haveHeader = false, havePalette = false;
        std::vector<std::uint8_t> data;
        for (;;) {
            std::uint8_t head[8];
            if (!input.readExactly(at, head, sizeof head)) {
                why = input.error().empty() ? "the file ends before the end of its PNG data"
                                            : "it cannot be read: " + input.error();
                return h;
            }
            const std::uint32_t length = bigEndian32(head);
            const std::string type(reinterpret_cast<const char*>(head + 4), 4);
            if (!haveHeader && type != "IHDR") {
                why = "its PNG data is damaged (IHDR not first)";
                return h;
            }
            if (type == "IDAT")
                break;
            if (length > 0x7FFFFFFF) {
                why = "its PNG data is damaged (a chunk's length is too large)";
                return h;
            }
            if (type == "IHDR" || type == "PLTE" || type == "tRNS") {
                data.resize(length + 4);
                if (length > 1024 || !input.readExactly(at + 8, data.data(), length + 4)) {
                    why = length > 1024 ? "its PNG data is damaged (" + type + " is too long)"
                                        : "the file ends before the end of its PNG data";
                    return h;
                }
                if (kCrc.update(kCrc.update(0, head + 4, 4), data.data(), length) != bigEndian32(&data[length])) {
                    if (critical(head + 4)) {
                        why = "its PNG data is damaged (" + type + ": CRC error)";
                        return h;
                    }
                    at += 12 + static_cast<std::uint64_t>(length);
                    continue;
                }
            }
            if (type == "IHDR") {
                if (length != 13) {
                    why = "its PNG data is damaged (IHDR has the wrong length)";
                    return h;
                }
                const std::uint32_t width = bigEndian32(&data[0]), height = bigEndian32(&data[4]);
                h.bitDepth = data[8];
                h.colorType = data[9];
                h.interlaced = data[12] != 0;
                if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF
                    || !validDepth(h.colorType, h.bitDepth) || data[10] != 0 || data[11] != 0 || data[12] > 1) {
                    why = "its PNG data is damaged (invalid IHDR)";
                    return h;
                }
                h.width = static_cast<int>(width);
                h.height = static_cast<int>(height);
                haveHeader = true;
            } else if (type == "PLTE") {
                h.palette.clear();
                for (std::uint32_t i = 0; i + 2 < length && i < 3 * 256; i += 3)
                    h.palette.push_back(Rgb { data[i], data[i + 1], data[i + 2] });
                havePalette = true;
            } else if (type == "tRNS") {
                if (h.colorType == 3) {
                    h.paletteAlpha.assign(data.begin(), data.begin() + std::min<std::size_t>(length, 256));
                } else if ((h.colorType == 0 && length >= 2) || (h.colorType == 2 && length >= 6)) {
                    h.hasTransparentColour = true;
                    for (std::size_t c = 0; c < (h.colorType == 0 ? 1u : 3u); ++c)
                        h.transparentColour[c] = static_cast<std::uint16_t>(data[2 * c] << 8 | data[2 * c + 1]);
                }
            }
            at += 12 + static_cast<std::uint64_t>(length);
        }
        if (h.colorType == 3 && !havePalette)
            why = "its PNG data is damaged (Missing PLTE before IDAT)";
        return h;
    }

    // The file's chunks whole, their CRCs right, up to IEND: an empty `why`.
    void checkChunks(PictureInput& input, std::string& why)
    {
        std::vector<std::uint8_t> piece(256 * 1024);
        std::uint64_t at = 8;
        for (;;) {
            std::uint8_t head[8] = {}, stored[4];
            const std::uint32_t length = input.readExactly(at, head, sizeof head) ? bigEndian32(head) : 0;
            std::uint32_t crc = kCrc.update(0, head + 4, 4);
            for (std::uint32_t done = 0; done < length;) {
                const std::size_t n = std::min<std::size_t>(piece.size(), length - done);
                if (!input.readExactly(at + 8 + done, piece.data(), n))
                    break;
                crc = kCrc.update(crc, piece.data(), n);
                done += static_cast<std::uint32_t>(n);
            }
            if (!input.readExactly(at + 8 + length, stored, sizeof stored)) {
                why = input.error().empty() ? "the file ends before the end of its PNG data"
                                            : "it cannot be read: " + input.error();
                return;
            }
            if (crc != bigEndian32(stored) && critical(head + 4)) {
                why = "its PNG data is damaged (" + std::string(reinterpret_cast<const char*>(head + 4), 4)
                    + ": CRC error)";
                return;
            }
            if (std::memcmp(head + 4, "IEND", 4) == 0)
                return;
            at += 12 + static_cast<std::uint64_t>(length);
        }
    }

} // namespace

DecodeResult decodePng(PictureInput& input, PictureSink& sink)
{
    std::string why;
    const PngHeader header = readHeader(input, why);
    if (!why.empty())
        return DecodeResult::failed(why);
    PngPixels pixels(header);
    const PictureForm& form = pixels.form();
    // The size is judged before the component allocates anything for it.
    if (!sink.begin(form))
        return DecodeResult::refused();

    WicInput source(input);
    WicFrame frame;
    if (!frame.open(source))
        return wicFailure(frame, input, "PNG");
    if (frame.width() != header.width || frame.height() != header.height)
        return DecodeResult::failed("its PNG data is damaged (the decoder gives another size)");
    const WicPixels native = frame.pixels();
    const bool nativeIndices = native <= WicPixels::Grey8 && wicBitsPerPixel(native) == header.bitDepth;
    if (form.pixels == PixelForm::Indices && !nativeIndices)
        return DecodeResult::failed("it is a kind of PNG file that cannot be read (no palette indices)");
    // Rows brought back to the samples the file stores (for PngPixels to take, a
    // tRNS colour with them), or as colour and opacity where the component has
    // made them so (Wine gives a tRNS colour as opacity).
    enum class Take { Stored, SixteenLittleEndian, Bgr, Bgra, Rgba64 } take = Take::Bgra;
    const bool sixteen = header.bitDepth == 16;
    if (nativeIndices)
        take = Take::Stored;
    else if (sixteen
        && ((native == WicPixels::Grey16 && header.colorType == 0)
            || (native == WicPixels::Rgb48 && header.colorType == 2)))
        take = Take::SixteenLittleEndian;
    else if (native == WicPixels::Bgr24 && header.colorType == 2 && !sixteen)
        take = Take::Bgr;
    else if (native == WicPixels::Rgba64)
        take = Take::Rgba64;
    else if (native != WicPixels::Bgra32 && !frame.convertToBgra())
        return wicFailure(frame, input, "PNG");

    const int width = header.width;
    const std::size_t n = static_cast<std::size_t>(width);
    const std::size_t out = form.pixels == PixelForm::Rgba ? 4 : 3;
    std::vector<std::uint8_t> row((take == Take::SixteenLittleEndian ? 6 : 4) * n);
    WicRows rows(frame);
    for (int y = 0; y < header.height; ++y) {
        const std::uint8_t* in = rows.row(y);
        if (!in)
            return wicFailure(frame, input, "PNG");
        if (!sink.wantsRow(y))
            continue;
        const std::uint8_t* run = row.data();
        switch (take) {
        case Take::Stored:
            run = pixels.convert(in, width);
            break;
        case Take::SixteenLittleEndian: {
            // Back to the file's order, high byte first.
            const std::size_t bytes = (header.colorType == 0 ? 2 : 6) * n;
            for (std::size_t i = 0; i < bytes; i += 2) {
                row[i] = in[i + 1];
                row[i + 1] = in[i];
            }
            run = pixels.convert(row.data(), width);
            break;
        }
        case Take::Bgr:
            for (std::size_t i = 0; i < n; ++i) {
                row[3 * i] = in[3 * i + 2];
                row[3 * i + 1] = in[3 * i + 1];
                row[3 * i + 2] = in[3 * i];
            }
            run = pixels.convert(row.data(), width);
            break;
        case Take::Bgra:
        case Take::Rgba64:
            for (std::size_t i = 0; i < n; ++i) {
                std::uint8_t p[4];
                if (take == Take::Bgra) {
                    p[0] = in[4 * i + 2];
                    p[1] = in[4 * i + 1];
                    p[2] = in[4 * i];
                    p[3] = in[4 * i + 3];
                } else {
                    for (std::size_t c = 0; c < 4; ++c)
                        p[c] = eightBits(static_cast<std::uint32_t>(in[8 * i + 2 * c] | in[8 * i + 2 * c + 1] << 8));
                }
                std::memcpy(&row[out * i], p, out);
            }
            break;
        }
        sink.run(0, y, 1, 0, width, run);
    }
    checkChunks(input, why);
    return why.empty() ? DecodeResult::decoded() : DecodeResult::failed(why);
}

} // namespace zarn
