#pragma once
// Pure pieces of the bitmap display: where the preview dialog's frame goes,
// how a stored bitmap item turns into pixels, and the picked colour's value.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace zarn::ui {

// A rectangle as (left, top, right, bottom), right and bottom exclusive.
struct FrameRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const FrameRect&) const = default;
};

// The preview dialog's frame for a screenWidth x screenHeight module: a landscape
// screen gets the 4:3 box (320 x 240 when the frame is wide enough) and its
// aspect ratio's height; a portrait one keeps the frame's height. A 0 x 0 screen
// keeps the 4:3 box rather than dividing by zero.
FrameRect fitDialogFrame(const FrameRect& frame, int screenWidth, int screenHeight);

struct PixelColor {
    std::uint8_t r = 0, g = 0, b = 0;
};
using PixelSink = std::function<void(int x, int y, PixelColor colour)>;

// Calls `setPixel` once per item pixel, rows top to bottom, left to right.
// Returns false and calls nothing when the kind is not a bitmap kind or the
// data is shorter than its width, height and kind imply; never reads past data.
bool drawItemPixels(std::uint8_t kind, int width, int height, std::span<const std::uint8_t> data, const PixelSink& setPixel);

// The Rgb565 value of a colour picked on screen.
std::uint16_t pickIgnoreColor(PixelColor c);

// "0x%.4x"
std::string ignoreColorText(std::uint16_t value);

} // namespace zarn::ui
