#pragma once
// How a PNG picture's pixels are taken, whichever library decodes the file:
// palette pictures and grey pictures of 2 and 4 bits (and of 8 bits with a
// transparent grey) as palette indices (an index past the palette is index 0),
// 1-bit grey as a two-colour palette of white and black, everything else as
// 8-bit colour; 16-bit samples are rounded to 8 bits, and a tRNS colour
// becomes a transparent pixel.

#include "import/PictureSink.h"

#include <cstdint>
#include <vector>

namespace zarn {

// What a PNG file's IHDR, PLTE and tRNS chunks say.
struct PngHeader {
    int width = 0, height = 0;
    int bitDepth = 8;
    int colorType = 2; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool interlaced = false;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> paletteAlpha; // a palette picture's tRNS
    bool hasTransparentColour = false; // a grey or RGB picture's tRNS
    std::uint16_t transparentColour[3] = {}; // grey in the first; at the picture's own depth
};

class PngPixels {
public:
    explicit PngPixels(const PngHeader& header);
    const PictureForm& form() const { return m_form; }
    // `count` pixels of a row as the file stores them (samples packed from the most
    // significant bit, 16-bit samples high byte first) in the form's layout.
    const std::uint8_t* convert(const std::uint8_t* stored, int count);

private:
    enum class Step {
        AsStored,
        IndexPastPaletteIsZero,
        InvertBits,
        GreyToRgb,
        ToRgba,
        SixteenToRgb
    } m_step
        = Step::AsStored;
    PngHeader m_header;
    PictureForm m_form;
    std::vector<std::uint8_t> m_row;
};

} // namespace zarn
