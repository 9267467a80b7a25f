#pragma once
// The texts of the directory list: column titles and widths, and each row's
// six cells formatted from one directory entry.

#include "resfile/ResourceFormat.h"

#include <array>
#include <cstdint>
#include <string>

namespace zarn {

struct DirectoryColumn {
    const char* title;
    int width;
};
extern const std::array<DirectoryColumn, 6> kDirectoryColumns;

// An ignore colour as shown in the list and the window: "0x%.4x".
std::string ignoreColorText(std::uint16_t value);
// The "type" text; an unknown code repeats the row number.
std::string kindName(std::uint8_t kind, int row);
// No., type, points, addr, size, ignore color.
std::array<std::string, 6> directoryRowTexts(const ResourceEntry& entry, int row);

} // namespace zarn
