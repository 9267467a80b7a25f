#pragma once
// zarnres unpack: a resource file taken apart into a manifest and one source
// file per item, such that building the manifest gives back the same header,
// directory and item bytes (and, for a file only ever appended to, the same file).

#include "resfile/ResourceFormat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn {

struct UnpackOutcome {
    bool ok = false;
    std::string message; // what was written, or why nothing was
    std::string manifest; // the manifest written
};

// Writes FOLDER/<name>.toml and the sources in FOLDER/<name>/, <name> being the
// file's name without its extension. Existing files are never replaced: when
// either is there already, nothing is written. A damaged file gives
// "Resource File Error" and nothing is written.
UnpackOutcome unpackResourceFile(const std::string& file, const std::string& folder);

// A bitmap item as the BMP file that converts back to exactly its bytes on a
// screen of that size: indexed kinds as indexed BMPs with the item's palette,
// true colour as 24 bits. Empty, with *why set, when no picture can do that.
std::vector<std::uint8_t> bitmapItemAsBmp(const ResourceEntry& entry, std::span<const std::uint8_t> data,
    int screenWidth, int screenHeight, std::string* why);

} // namespace zarn
