#pragma once
// What a picture decoder hands to the core: the picture's size and the form of
// its pixels first, then its pixels in runs (a row, a row of an interlaced pass,
// a column of a turned picture), in any order. Fitting to the module's screen,
// the transparency rule, dithering and the conversion into the module's format
// are the core's (FittedPicture); a decoder only decodes, with whatever library
// the system offers.

#include "import/Rgb565.h"

#include <cstdint>
#include <vector>

namespace zarn {

enum class PixelForm : std::uint8_t {
    Indices, // palette indices, PictureForm::indexBits each, packed from the most significant bit
    Rgb, // 3 bytes a pixel: red, green, blue
    Rgba, // 4 bytes a pixel: red, green, blue and opacity (0 transparent, 255 opaque), not premultiplied
};

struct PictureForm {
    int width = 0, height = 0; // the picture as it is fitted to the screen (turned, when the file says so)
    PixelForm pixels = PixelForm::Rgb;
    int indexBits = 8; // Indices: 1, 2, 4 or 8
    std::vector<Rgb> palette; // Indices: the colours of the indices; an index past it is black
    std::vector<std::uint8_t> paletteAlpha; // Indices: the opacity of each entry; entries past it are opaque
    // Indices: the item's depth (1, 4 or 8, the pixels' own); 0: the smallest that holds
    // the palette and every index the picture uses.
    int itemDepth = 0;
    // The depth the load report names: a BMP file's own (1 to 32); 0: that of the item
    // (24 for true colour).
    int reportedBits = 0;
    // Rgb/Rgba: a picture of at most 256 colours becomes an indexed item, its palette
    // those colours in the order of their first use (every fully transparent pixel
    // counting as one colour), as a GIF picture's does.
    bool indexFewColours = false;
    // Rgba: an opacity of zero in every pixel means an opaque picture: writers that
    // know nothing of alpha leave the fourth byte of a 32-bit BMP file empty.
    bool zeroAlphaIsOpaque = false;
};

struct PictureSize {
    int width = 0, height = 0;
};

class PictureSink {
public:
    virtual ~PictureSink() = default;
    // The form, before any pixel. False: the picture is not taken (too large, or
    // nothing of it would be left on the screen); the decoder stops there.
    virtual bool begin(const PictureForm& form) = 0;
    // The least size a decoder that can decode at a fraction of the size (JPEG)
    // may reduce the picture to, in the picture's own orientation.
    virtual PictureSize leastDecodedSize() const = 0;
    // The runs come at this size, not the form's (after begin, before the first run).
    virtual void reducedTo(int width, int height) = 0;
    // Whether the core needs any pixel of row y: a decoder that can skip rows (BMP)
    // need not hand over the others.
    virtual bool wantsRow(int y) const = 0;
    // `count` pixels, the first at (x, y), each next one (dx, dy) further on: a
    // row (1, 0), a row of an interlaced pass (n, 0), a mirrored row (-1, 0), a
    // column of a turned picture (0, 1) or (0, -1).
    virtual void run(int x, int y, int dx, int dy, int count, const std::uint8_t* pixels) = 0;
};

} // namespace zarn
