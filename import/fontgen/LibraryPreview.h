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

struct SheetOptions {
    std::uint32_t first = 0; // first glyph position shown
    std::uint32_t count = 256; // glyphs shown at most
    int columns = 16;
    int scale = 2; // screen pixels per dot
};

inline constexpr int kMaxSheetColumns = 256;
inline constexpr int kMaxSheetScale = 16;
inline constexpr std::uint32_t kMaxSheetGlyphs = 16384;

// Draws glyphs first..first+count-1 (as many as the data holds) on a grid:
// black dots on white cells separated by grey lines. Empty when nothing fits.
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

// Reads a library file and draws its sheet. The glyph size comes from the
// file name as the import reads it unless `width`/`height` are given (non-zero).
PreviewResult previewFontLibrary(const std::string& libraryPath, int width, int height, const SheetOptions& options);

} // namespace zarn
