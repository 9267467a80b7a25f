#pragma once
// The ignore colour: a colour picked on screen, the module's 16-bit value of
// it, and how that value is shown.

#include "resfile/DirectoryView.h"

#include <cstdint>

namespace zarn::ui {

struct PixelColor {
    std::uint8_t r = 0, g = 0, b = 0;
};

// The Rgb565 value of a colour picked on screen.
std::uint16_t pickIgnoreColor(PixelColor c);

// "0x%.4x", as the directory list shows it.
using zarn::ignoreColorText;

} // namespace zarn::ui
