#pragma once
// "Bitmap Playback Display" ("BMP Dis"): one stored bitmap item shown on the
// module's screen shape, and a new ignore colour picked from it by a click.
//
// The view renders the template below (dialog units), then:
// - when it opens: fitFrame(the frame control's template rectangle in pixels,
//   dialog client coordinates), moves the frame control to m_rcFrame;
// - paints the frame control with render() (m_rcFrame's size, 1:1), the field
//   with m_strIgnoreColor and the swatch with m_crIgnoreColor;
// - a left press inside the frame (its right and bottom edges included):
//   pickAt(press - frame's top left), then shows the field and swatch again;
// - OK closes confirmed, Cancel, Escape and the close box cancelled.
// The caller reads m_bPicked and m_wIgnoreColor after OK.

#include "ui/DialogTemplate.h"
#include "ui/PixelImage.h"

#include <cstdint>
#include <span>
#include <string>

namespace zarn::ui {

// The frame fitted to a screenWidth x screenHeight module: a landscape screen
// gets the 4:3 box (320 x 240 when the frame is wide enough) and its aspect
// ratio's height; a portrait one keeps the frame's height. A 0 x 0 screen
// keeps the 4:3 box rather than dividing by zero.
FrameRect fitDialogFrame(const FrameRect& frame, int screenWidth, int screenHeight);

class CBitmapPreviewDlg {
public:
    static constexpr const char* kTitle = "Bitmap Playback Display"; // font "System" 10
    static constexpr DialogUnits kSize { 0, 0, 264, 181 };
    static constexpr DialogUnits kFrame { 32, 7, 200, 150 }; // black frame; the item is drawn in it
    static constexpr DialogUnits kOk { 145, 162, 42, 12 }; // "OK", the default button
    static constexpr DialogUnits kCancel { 194, 162, 42, 12 }; // "Cancel"
    static constexpr DialogUnits kField { 67, 162, 30, 12 }; // read-only, at most 10 characters
    static constexpr DialogUnits kSwatch { 99, 162, 35, 12 }; // black frame filled with m_crIgnoreColor
    static constexpr DialogUnits kLabel { 14, 164, 50, 8 }; // "Ignore color:"
    static constexpr const char* kLabelText = "Ignore color:";

    void setScreenSize(std::uint16_t width, std::uint16_t height);
    void setIgnoreColor(std::uint16_t value);
    // `data` belongs to the caller and outlives the dialog.
    void setItem(std::uint16_t width, std::uint16_t height, std::span<const std::uint8_t> data, std::uint8_t kind);

    // Fits the frame to the screen's shape (m_rcFrame) and clears m_bPicked.
    // Where one point per module pixel would leave gaps between the points (a
    // screen smaller than the frame: 128 x 160, 160 x 128), the frame shrinks
    // to the screen enlarged by a whole factor (m_nZoom), centred where it
    // was, so that every pixel of the frame belongs to a pixel of the item.
    void fitFrame(const FrameRect& templateFrame);
    // What the frame shows: the screen blue with a black outline, every item
    // pixel one point, or a square of m_nZoom points, in its colour.
    PixelImage render() const;
    // A press at (x, y) in the frame: picks the colour shown there.
    bool pickAt(int x, int y);

    std::uint16_t m_wScreenWidth = 320, m_wScreenHeight = 240;
    std::uint16_t m_wIgnoreColor = 0;
    Rgb m_crIgnoreColor {};
    std::string m_strIgnoreColor; // "0x%.4x" of m_wIgnoreColor
    bool m_bPicked = false;
    FrameRect m_rcFrame {};
    int m_nZoom = 0; // 0: one point per pixel at the screen's own scale; else this many points a pixel
    std::uint16_t m_wWidth = 0, m_wHeight = 0;
    std::span<const std::uint8_t> m_pData;
    std::uint8_t m_nKind = 0;
};

} // namespace zarn::ui
