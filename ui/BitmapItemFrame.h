#pragma once
// Where "BMP Dis" shows a bitmap item: its frame shaped like the module's screen.

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

} // namespace zarn::ui
