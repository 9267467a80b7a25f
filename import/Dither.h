#pragma once
// Error diffusion into the module's 16-bit colour, for pictures whose smooth
// gradients would otherwise show the bands of 32 and 64 levels per channel.

#include "import/Rgb565.h"

#include <cstdint>
#include <span>

namespace zarn {

// Floyd-Steinberg over `pixels` (width*height, top row first); each channel goes
// to its nearest level and the difference is spread to the unvisited neighbours,
// so the average colour of an area is kept. Writes width*height Rgb565 values,
// low byte first, row after row, to `out`.
void ditherToRgb565(int width, int height, std::span<const Rgb> pixels, std::uint8_t* out);

} // namespace zarn
