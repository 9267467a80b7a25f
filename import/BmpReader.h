#pragma once
// Reading Windows BMP files. The layout is read from the file's first bytes and
// every offset and length checked against the file's size, so no later read can
// leave the file's data; the rows are then read in bands, only those the fitted
// picture needs (all of them when its statistics need every pixel).

#include "common/Messages.h"
#include "import/FittedPicture.h"
#include "import/PictureDecoder.h"
#include "import/Rgb565.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::uint16_t kBmpSignature = 0x4D42;
inline constexpr std::uint32_t kBmpCompressionRgb = 0;
inline constexpr std::uint32_t kBmpCompressionRle8 = 1;
inline constexpr std::uint32_t kBmpCompressionRle4 = 2;
inline constexpr std::uint32_t kBmpCompressionBitfields = 3;
inline constexpr std::uint32_t kBmpCompressionJpeg = 4; // the pixel data is a whole JPEG file
inline constexpr std::uint32_t kBmpCompressionPng = 5; // the pixel data is a whole PNG file
inline constexpr std::uint32_t kBmpCompressionAlphaBitfields = 6;
// The OS/2 1.x header: 16-bit width and height, 3-byte palette entries.
inline constexpr std::uint32_t kBmpCoreHeaderSize = 12;
// OS/2 2.x headers may stop after the depth (16 bytes); the fields left out are zero.
inline constexpr std::uint32_t kBmpOs2MinHeaderSize = 16;
inline constexpr std::uint32_t kBmpOs2FullHeaderSize = 64;
// The Windows info header; the 52- to 124-byte headers begin the same way.
inline constexpr std::uint32_t kBmpMinInfoHeaderSize = 40;

// One channel of a 16- or 32-bit pixel: its mask, where it starts and how wide it is.
struct BmpChannel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::uint8_t expand(std::uint32_t pixel) const; // to 8 bits, full scale kept
};

struct BmpLayout {
    std::uint32_t offBits = 0; // pixel rows, counted from the start of the file
    std::int32_t width = 0;
    std::int32_t height = 0; // always positive here; see topDown
    bool topDown = false; // the file gave a negative height
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint64_t rowStride = 0; // S: bytes per stored row, 4-byte aligned
    std::uint32_t headerSize = 0; // of the info header, as the file says
    std::uint32_t colorsUsed = 0; // the header's count; 0 means 2^K
    std::uint32_t paletteEntries = 0; // 2^K for K <= 8, else 0
    std::uint32_t paletteHeld = 0; // entries the file really has; the others are black
    std::uint32_t paletteOffset = 0; // file offset of the palette (right after the info header)
    std::uint32_t paletteEntryBytes = 4; // 3 in OS/2 1.x files (b, g, r), else 4 (b, g, r, 0)
    std::array<BmpChannel, 3> channels {}; // red, green, blue for K = 16 and 32
    // The alpha of K = 16 and 32 (mask 0: none): the fourth byte of plain 32-bit
    // pixels, or the alpha mask of bit-field files.
    BmpChannel alpha;
    // Compression 4 and 5: a whole JPEG or PNG file is the pixel data; its own
    // width and height are the picture's, the other fields above are not used.
    std::uint32_t embeddedSize = 0; // the embedded file's bytes from offBits

    bool isIndexed() const { return bitCount <= 8; }
    bool isRle() const { return compression == kBmpCompressionRle8 || compression == kBmpCompressionRle4; }
    bool isEmbedded() const { return embeddedSize > 0; }
    // File offset of row `rowFromTop` (0 = top row of the picture).
    std::uint64_t rowOffset(int rowFromTop) const
    {
        const std::uint64_t stored = topDown ? rowFromTop : static_cast<std::uint64_t>(height - 1 - rowFromTop);
        return offBits + stored * rowStride;
    }
};

struct BmpParseResult {
    bool ok = false;
    std::string message; // "Reading File Error", or why the file is not supported or too large
    std::string cause; // with "Reading File Error": what is wrong with the file
    BmpLayout layout;
};

// The bytes at the start of a BMP file that its layout is read from (the file
// header, the info header's fields and the bit-field masks; the palette is read apart).
inline constexpr std::size_t kBmpHeadBytes = 70;

// `head` is the file's first min(fileSize, kBmpHeadBytes) bytes. Refuses with "Reading File Error" a wrong signature,
// zero or (for the width) negative sizes, an info header, palette or pixel rows that do not lie inside the file; with
// "Picture too large: ..." a picture beyond the limits above whose rows are there (or run-length encoded); with
// "Unsupported BMP file: ..." other compressions, odd info header sizes, unusable bit-field masks and depths. Headers:
// OS/2 1.x (12 bytes), OS/2 2.x (16 to 64 bytes), Windows (40 to 124). Depths 1, 4, 8, 24 (uncompressed), 4 and 8
// run-length encoded, 16 and 32 (uncompressed or with bit-field masks), and an embedded JPEG or PNG file, which the
// caller decodes. The palette follows the info header and has the colours-used count of entries (2^K when 0); a full
// palette right before the pixel data is always taken whole.
BmpParseResult parseBmpLayout(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// Reads a BMP file into `sink`: indexed depths as the file's own indices and
// palette (entries the file lacks are black), run-length streams decoded row by
// row, 16- and 32-bit pixels through their masks (with the opacity of 32-bit
// files, unless it is zero everywhere); a PNG or JPEG file held as the pixel
// data goes to `embedded`'s decoder of that format.
DecodeResult decodeBmp(PictureInput& input, PictureSink& sink, const PictureDecoders& embedded);

} // namespace zarn
