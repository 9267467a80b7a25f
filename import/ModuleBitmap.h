#pragma once
// The data of one bitmap item: an optional Rgb565 palette (kinds 1, 4, 8) followed
// by packed pixel rows, top row first, each row starting on a fresh byte.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zarn {

// Palette bytes of a bitmap kind (4, 32, 512, or 0 for kind 16); nullopt for other kinds.
std::optional<std::uint32_t> modulePaletteLength(std::uint8_t kind);
// Bytes of one packed row of `width` pixels; nullopt for non-bitmap kinds or a negative width.
std::optional<std::uint64_t> moduleRowLength(std::uint8_t kind, int width);
// Palette + rows; nullopt for non-bitmap kinds, negative sizes, or more than 32 bits can hold.
std::optional<std::uint32_t> moduleBitmapLength(std::uint8_t kind, int width, int height);

// Decodes item data for display: width*height pixels, top row first, r,g,b each.
// nullopt (never a read past data.size()) when kind is not 1/4/8/16 or the data is
// shorter than the kind and size imply.
std::optional<std::vector<std::uint8_t>> decodeModuleBitmap(
    std::uint8_t kind, int width, int height, std::span<const std::uint8_t> data);

} // namespace zarn
