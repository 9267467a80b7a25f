#pragma once
// How the first frame of a GIF file becomes a picture, whichever library
// decodes the file: the picture is the logical screen (the frame's own extent
// when the screen has no size), the frame's pixels in their colour table,
// around it the background colour, or transparency when the frame has a
// transparent index. An index at or past the table's end is transparent white,
// and one no table gives a colour for transparent black. Without a transparent index every
// pixel is opaque. A picture of at most 256 colours keeps them as its palette,
// in the order of first use.

#include "import/PictureSink.h"

#include <cstdint>
#include <vector>

namespace zarn {

struct GifScreen {
    int width = 0, height = 0; // as the file says (0: the frame's extent)
    int tableBits = 0; // the size field of the global colour table (2 << bits entries), given or not
    bool hasTable = false;
    std::vector<Rgb> table; // the global colour table
    int background = 0; // index of the background colour
};

struct GifFrame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    bool hasTable = false;
    std::vector<Rgb> table; // the frame's own colour table
    int transparent = -1; // the transparent index of the graphic control before the frame; -1 none
};

class GifCanvas {
public:
    GifCanvas(const GifScreen& screen, const GifFrame& frame);
    const PictureForm& form() const { return m_form; }
    // Where the n-th row the frame stores lies in the frame (interlaced frames store rows in four passes).
    int frameRowOf(int n) const;
    // Hands the frame's stored row n (its indices) to the sink as the picture's row it lies on.
    void frameRow(int n, const std::uint8_t* indices, PictureSink& sink);
    // Hands the picture's rows that the frame does not reach to the sink.
    void otherRows(PictureSink& sink);

private:
    // A colour with its opacity, as r, g, b, a.
    struct Pixel {
        std::uint8_t r, g, b, a;
    };
    Pixel colourOf(int index, bool frameTable) const;
    void put(std::uint8_t* at, Pixel p) const;

    GifScreen m_screen;
    GifFrame m_frame;
    PictureForm m_form;
    int m_bytesPerPixel = 3;
    Pixel m_fill {};
    std::vector<std::uint8_t> m_row;
};

} // namespace zarn
