#pragma once
// What the window draws itself: the loaded picture in its screen box, a
// stored bitmap item on the module's screen shape, and colour swatches. Each
// draws into any device context; a Canvas is one in memory whose pixels can
// be read, which is how a click learns the colour it fell on.

#include "import/Rgb565.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace zarn::win32 {

// A 32-bit picture in memory with a device context to draw into.
class Canvas {
public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The colour at (x, y), after everything drawn so far; black outside.
    Rgb pixel(int x, int y) const;
    void setPixel(int x, int y, Rgb colour);
    // Copies the whole canvas to (x, y) of `target`.
    void copyTo(HDC target, int x, int y) const;

private:
    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    std::uint32_t* m_bits = nullptr; // top row first, 0x00RRGGBB
};

// The picture loaded last, fitted to the module's screen box.
struct PictureImage {
    int boxWidth = 320, boxHeight = 240; // the screen box, stretched over the whole control
    int drawWidth = 0, drawHeight = 0; // where the picture goes in the box
    int width = 0, height = 0; // the source picture
    std::vector<std::uint8_t> rgb; // width x height x (r, g, b), top row first; empty: no picture
};

// A PictureImage made ready for drawing (rows as the system's DIB wants them).
class PictureDib {
public:
    PictureDib() = default;
    explicit PictureDib(const PictureImage& image);
    int boxWidth() const { return m_box.cx; }
    int boxHeight() const { return m_box.cy; }
    // Fills the control's `client` area with the blue box (black outline) and
    // stretches the picture into its place; false when the picture could not be drawn.
    bool draw(HDC dc, SIZE client) const;

private:
    SIZE m_box { 320, 240 };
    SIZE m_draw {};
    SIZE m_source {};
    std::vector<std::uint8_t> m_bits; // bottom-up rows of (b, g, r), each a multiple of 4 bytes
};

// A stored bitmap item on its module's screen.
struct ItemImage {
    int screenWidth = 0, screenHeight = 0;
    int width = 0, height = 0; // the item
    std::vector<std::uint8_t> rgb; // width x height x (r, g, b), top row first; empty: nothing to show
    // 0: each item pixel is one point where the screen's own scale puts it (the
    // screen box keeps its shape in the frame); n > 0: each is an n x n block.
    int factor = 0;
};

// Fills the canvas with the dialog's colour, then the screen box in blue (its
// shape kept, at the top left) and the item's pixels.
void drawBitmapItem(Canvas& canvas, const ItemImage& item);

// A swatch: the colour filling `area` inside a black line; the dialog's own colour when there is none.
void drawSwatch(HDC dc, const RECT& area, std::optional<Rgb> colour);

COLORREF colorRef(Rgb colour);
Rgb rgbOf(COLORREF colour);

} // namespace zarn::win32
