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
inline constexpr std::uint32_t kBmpCompressionAlphaBitfields = 6;
// The smallest info header whose fields are read here (width, height, depth,
// compression, colours used); the 108- and 124-byte headers begin the same way.
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
    std::array<BmpChannel, 3> channels {}; // red, green, blue for K = 16 and 32

    bool isIndexed() const { return bitCount <= 8; }
    bool isRle() const { return compression == kBmpCompressionRle8 || compression == kBmpCompressionRle4; }
    // Compressed rows or a short palette: the picture is rewritten as a standard
    // file (standardBmpFrom) before it is held.
    bool needsStandardForm() const { return isRle() || paletteHeld < paletteEntries; }
    // File offset of row `rowFromTop` (0 = top row of the picture).
    std::uint64_t rowOffset(int rowFromTop) const
    {
        const std::uint64_t stored = topDown ? rowFromTop : static_cast<std::uint64_t>(height - 1 - rowFromTop);
        return offBits + stored * rowStride;
    }
};

struct BmpParseResult {
    bool ok = false;
    std::string message; // "Reading File Error", or why the file is not supported
    BmpLayout layout;
};

// Largest width or height taken; larger values are treated as damage.
inline constexpr std::int32_t kBmpMaxDimension = 1 << 16;
// Largest pixel count taken (8192 x 8192), so that no picture's display copy is absurd.
inline constexpr std::uint64_t kBmpMaxPixels = 1ull << 26;

// `file` is the whole file. Refuses with "Reading File Error" a wrong signature, zero,
// absurd or (for the width) negative sizes, an info header, palette or pixel rows that
// do not lie inside the file; refuses with a clearer text other compressions, info
// headers shorter than 40 bytes and unsupported depths. Depths 1, 4, 8, 24
// (uncompressed), 4 and 8 run-length encoded, 16 and 32 (uncompressed or with
// bit-field masks). The palette follows the info header and has the colours-used
// count of entries (2^K when 0); a full palette right before the pixel data is
// always taken whole.
BmpParseResult parseBmpLayout(std::span<const std::uint8_t> file);

// Decodes an RLE8 or RLE4 stream into bottom-up rows of layout.rowStride bytes
// (pixels never written stay index 0). Refuses (false) a stream that runs past the
// file, writes outside the picture, or moves outside it.
bool decodeBmpRle(const BmpLayout& layout, std::span<const std::uint8_t> file, std::vector<std::uint8_t>& rows);

// The picture as a standard file: 40-byte info header, the full 2^K palette
// (entries the file lacks black) directly before uncompressed bottom-up rows.
// Only for indexed layouts; empty when an RLE stream is damaged.
std::vector<std::uint8_t> standardBmpFrom(const BmpLayout& layout, std::span<const std::uint8_t> file);

// The colour of pixel x of a row (row bytes from rowOffset), for display and true-colour
// conversion; indexed depths look their colour up in the file's palette (b, g, r, 0).
// The layout must come from parseBmpLayout over the same bytes.
Rgb bmpPixel(const BmpLayout& layout, std::span<const std::uint8_t> file, std::uint64_t rowOffset, int x);

} // namespace zarn
