#pragma once
// What a picture control shows, pixel for pixel. The shared layer decides
// every pixel (so that a click picks exactly the colour the user sees, in
// either view); a view only copies the image to the screen at 1:1.

#include "import/Rgb565.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zarn::ui {

struct PixelImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // width * height (r, g, b) triples, top row first

    PixelImage() = default;
    PixelImage(int w, int h, Rgb fill);
    void set(int x, int y, Rgb c);
    Rgb at(int x, int y) const;
    // The pixel under a press at (x, y), counting the right and bottom edges
    // as the control's own; nothing outside.
    std::optional<Rgb> pick(int x, int y) const;
};

inline constexpr Rgb kBlue { 0, 0, 255 };
inline constexpr Rgb kBlack { 0, 0, 0 };
// The face of a dialog around a frame that the screen box does not fill.
inline constexpr Rgb kDialogFace { 240, 240, 240 };

} // namespace zarn::ui
