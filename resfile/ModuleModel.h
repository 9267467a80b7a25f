#pragma once
// The module type table: the system's one list of module models.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zarn {

struct ModuleModel {
    std::string rowText;
    int number;
    std::uint16_t modelCode, screenWidth, screenHeight;
    std::array<bool, 4> sizesOffered; // 4M 8M 16M 32M
};

std::span<const ModuleModel> moduleModels(); // the twelve rows, in list order
std::uint32_t memoryKiBForSizeIndex(int k); // 4096 * (k + 1)
inline constexpr std::array<const char*, 4> kSizeLabels { "4M", "8M", "16M", "32M" };

// The number at the start of a row text: digits up to the first space; "" gives 0.
int rowNumberOf(std::string_view rowText);
// The values for a row number; a number outside 1..12 gets the defaults
// (2404, 240 x 320, "4M" only).
const ModuleModel& modelForNumber(int number);
// The sizes a row offers, for messages: "4M, 8M".
std::string offeredSizesText(const ModuleModel& model);
// Index 0..3 of "4M".."32M", or -1.
int sizeIndexOf(std::string_view label);

} // namespace zarn
