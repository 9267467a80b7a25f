#pragma once
// The data of one bitmap item: an optional Rgb565 palette (kinds 1, 4, 8) followed
// by packed pixel rows, top row first, each row starting on a fresh byte.

#include "resfile/ItemLayout.h" // the palette and row lengths

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zarn {

// Decodes item data for display: width*height pixels, top row first, r,g,b each.
// nullopt (never a read past data.size()) when kind is not 1/4/8/16 or the data is
// shorter than the kind and size imply.
std::optional<std::vector<std::uint8_t>> decodeModuleBitmap(
    std::uint8_t kind, int width, int height, std::span<const std::uint8_t> data);

} // namespace zarn
