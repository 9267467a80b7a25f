#pragma once
// Writes pictures out as plain 24-bit uncompressed BMP files (bottom-up rows,
// 4-byte aligned), readable by any viewer.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// The complete file image of a 24-bit BMP; rgbTopDown holds width*height r,g,b triples.
std::vector<std::uint8_t> encodeBmp24(int width, int height, std::span<const std::uint8_t> rgbTopDown);

// Writes encodeBmp24 to `path`. On failure returns false, says why in *error
// (naming the file and the system's reason) and leaves no partial file behind.
bool writeBmp24(const std::string& path, int width, int height, std::span<const std::uint8_t> rgbTopDown,
                std::string* error);

} // namespace zarn
