#pragma once
// Reading the layout of a Windows BMP file. Every offset and length is checked
// against the bytes actually held, so no later read can leave the file's data.

#include "common/Messages.h"
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
    // Compressed rows, a short palette or 3-byte palette entries: the picture is
    // rewritten as a standard file (standardBmpFrom) before it is held.
    bool needsStandardForm() const
    {
        return isRle() || paletteHeld < paletteEntries || (isIndexed() && paletteEntryBytes != 4);
    }
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

// Largest width or height taken.
inline constexpr std::int32_t kBmpMaxDimension = 1 << 16;
// Largest pixel count taken (8192 x 8192), so that no picture's display copy is absurd.
inline constexpr std::uint64_t kBmpMaxPixels = 1ull << 26;
// Whether a picture of this size is taken, and the text of one that is not.
bool pictureSizeTaken(std::uint64_t width, std::uint64_t height);
std::string pictureTooLargeText(std::uint64_t width, std::uint64_t height);

// `file` is the whole file. Refuses with "Reading File Error" a wrong signature, zero
// or (for the width) negative sizes, an info header, palette or pixel rows that do
// not lie inside the file; with "Picture too large: ..." a picture beyond the limits
// above whose rows are there (or run-length encoded); with "Unsupported BMP file: ..."
// other compressions, odd info header sizes, unusable bit-field masks and depths.
// Headers: OS/2 1.x (12 bytes), OS/2 2.x (16 to 64 bytes), Windows (40 to 124).
// Depths 1, 4, 8, 24 (uncompressed), 4 and 8 run-length encoded, 16 and 32
// (uncompressed or with bit-field masks), and an embedded JPEG or PNG file, which
// the caller decodes. The palette follows the info header and has the colours-used
// count of entries (2^K when 0); a full palette right before the pixel data is
// always taken whole.
BmpParseResult parseBmpLayout(std::span<const std::uint8_t> file);

// Palette entry `index` of the file (black when the file does not hold it).
Rgb bmpPaletteColour(const BmpLayout& layout, std::span<const std::uint8_t> file, std::uint32_t index);

// Decodes an RLE8 or RLE4 stream into bottom-up rows of layout.rowStride bytes
// (pixels never written stay index 0). Refuses (false) a stream that runs past the
// file, writes outside the picture, or moves outside it.
bool decodeBmpRle(const BmpLayout& layout, std::span<const std::uint8_t> file, std::vector<std::uint8_t>& rows);

// The picture as a standard file: 40-byte info header, the full 2^K palette
// (entries the file lacks black) directly before uncompressed bottom-up rows.
// Only for indexed layouts; empty when an RLE stream is damaged.
std::vector<std::uint8_t> standardBmpFrom(const BmpLayout& layout, std::span<const std::uint8_t> file);

// The palette index of pixel x of an indexed row (row bytes from rowOffset).
std::uint32_t bmpPixelIndex(
    const BmpLayout& layout, std::span<const std::uint8_t> file, std::uint64_t rowOffset, int x);

// The colour of pixel x of a row (row bytes from rowOffset), for display and true-colour
// conversion; indexed depths look their colour up in the file's palette (b, g, r, 0).
// The layout must come from parseBmpLayout over the same bytes.
Rgb bmpPixel(const BmpLayout& layout, std::span<const std::uint8_t> file, std::uint64_t rowOffset, int x);

} // namespace zarn
