#pragma once
// A contact sheet of a font library's glyphs, so that a user can see what a
// library holds before it goes into a module.

#include "import/FontLibrary.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width*height r,g,b triples, top row first
};

inline constexpr int kMaxSheetColumns = 256;
inline constexpr int kMaxSheetScale = 16;
inline constexpr std::uint32_t kMaxSheetGlyphs = 16384; // more than the largest library (13973)
inline constexpr std::uint64_t kMaxSheetPixels = 64u * 1024 * 1024;

struct SheetOptions {
    std::uint32_t first = 0; // first glyph position shown
    std::uint32_t count = kMaxSheetGlyphs; // glyphs shown at most: the whole library
    int columns = 0; // glyphs per row; 0: one code row of the library's type (16 when it is unknown)
    int scale = 2; // screen pixels per dot
};

// How many glyphs a sheet of these options shows: from `first`, as many as
// the library holds and `count` allows, in whole rows while the picture stays
// within kMaxSheetPixels.
std::uint32_t sheetGlyphCount(std::size_t libraryBytes, int glyphWidth, int glyphHeight, const SheetOptions& options);

// Draws those glyphs on a grid: black dots on white cells separated by grey
// lines. Empty when nothing fits.
RgbImage renderGlyphSheet(
    std::span<const std::uint8_t> library, int glyphWidth, int glyphHeight, const SheetOptions& options);

// The dot at (x, y) of glyph `index` in a library of that glyph size.
bool glyphDot(
    std::span<const std::uint8_t> library, int glyphWidth, int glyphHeight, std::uint32_t index, int x, int y);

struct PreviewResult {
    bool ok = false;
    std::string message; // the reason when !ok; otherwise a summary, possibly with a warning
    RgbImage image;
    std::uint32_t glyphsShown = 0;
};

// Draws the sheet of a library's bytes and says what it shows ("Glyphs 0 to
// 8177 of 8178 (16X16), codes 0xA1A1 to 0xF7FE"). `name` (a file, an item)
// names the library in messages; the type, when known, gives the code rows
// and codes. `fromCode`, a code in the library's encoding (0xB0A1 in GB2312,
// 0x41 in ASCII), replaces options.first.
PreviewResult previewGlyphs(std::span<const std::uint8_t> data, const std::string& name, int width, int height,
    std::optional<FontLibraryType> type, SheetOptions options, std::optional<std::uint16_t> fromCode = std::nullopt);

// The same for a library file: the glyph size comes from the file name as the
// import reads it unless `width`/`height` are given (non-zero), the type from
// its extension.
PreviewResult previewFontLibrary(const std::string& libraryPath, int width, int height, const SheetOptions& options,
    std::optional<std::uint16_t> fromCode = std::nullopt);

} // namespace zarn
