#pragma once
// What the window draws itself: pictures whose every pixel the commands have
// decided (ui/PixelImage.h), copied 1:1, and the ignore colour's swatches.

#include "ui/PixelImage.h"

#include <windows.h>

#include <optional>

namespace zarn::win32 {

// Copies `image` to (x, y) of `dc`, pixel for pixel; false when the system could not draw it.
bool drawPixels(HDC dc, const zarn::ui::PixelImage& image, int x, int y);

// The image as a bitmap the system can copy from, top row first (the caller
// deletes it); null when it has no pixels or the system refuses one.
HBITMAP makeBitmap(const zarn::ui::PixelImage& image);

// A swatch: the colour filling `area` inside a black line; the dialog's own colour when there is none.
void drawSwatch(HDC dc, const RECT& area, std::optional<Rgb> colour);

} // namespace zarn::win32
