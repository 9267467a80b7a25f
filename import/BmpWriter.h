#pragma once
// Writes pictures out as standard uncompressed BMP files (1, 4, 8 or 24 bits,
// bottom-up rows, 4-byte aligned), readable by any viewer.

#include "import/Rgb565.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// A standard file image, all pixels zero: 14 + 40 header bytes, the full 2^K
// palette for K <= 8 (entries beyond `palette` black) directly before bottom-up,
// 4-byte aligned rows. Empty for sizes above 4 GiB or depths other than 1/4/8/24.
std::vector<std::uint8_t> blankStandardBmp(int width, int height, int bitCount, std::span<const Rgb> palette);
// Offset of the pixel rows in such a file.
std::uint32_t standardBmpOffBits(int bitCount);
// Bytes of one stored row of `width` pixels of `bitCount` bits: a whole number of 4-byte words.
std::uint64_t bmpRowStride(std::uint64_t width, int bitCount);

// The complete file image of a 24-bit BMP; rgbTopDown holds width*height r,g,b triples.
std::vector<std::uint8_t> encodeBmp24(int width, int height, std::span<const std::uint8_t> rgbTopDown);

// Writes encodeBmp24 to `path`. On failure returns false, says why in *error
// (naming the file and the system's reason) and leaves no partial file behind.
bool writeBmp24(
    const std::string& path, int width, int height, std::span<const std::uint8_t> rgbTopDown, std::string* error);

} // namespace zarn
