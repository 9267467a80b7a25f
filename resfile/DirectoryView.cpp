#include "resfile/DirectoryView.h"

#include <cstdio>

namespace zarn {

const std::array<DirectoryColumn, 6> kDirectoryColumns { {
    { "No.", 40 },
    { "type", 60 },
    { "points", 55 },
    { "addr", 70 },
    { "size", 60 },
    { "ignore color", 60 },
} };

std::string ignoreColorText(std::uint16_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%.4x", static_cast<unsigned>(value));
    return text;
}

std::string kindName(std::uint8_t kind, int row)
{
    switch (kind) {
    case 1:
        return "1 color bmp";
    case 4:
        return "16 color bmp";
    case 8:
        return "256 color bmp";
    case 16:
        return "True color bmp";
    case 240:
        return "GB2312 lib";
    case 241:
        return "ASCII lib";
    case 242:
        return "BIG5 lib";
    case 243:
        return "hanngul lib";
    case 245:
        return "Wave file";
    default:
        return std::to_string(row);
    }
}

std::array<std::string, 6> directoryRowTexts(const ResourceEntry& entry, int row)
{
    std::string points;
    if (entry.kind < 245)
        points = std::to_string(entry.width) + "*" + std::to_string(entry.height);
    // Addresses and lengths are shown as the signed numbers the list always showed.
    return { std::to_string(row), kindName(entry.kind, row), points,
        std::to_string(static_cast<std::int32_t>(entry.address)),
        std::to_string(static_cast<std::int32_t>(entry.length)), ignoreColorText(entry.ignoreColor) };
}

} // namespace zarn
