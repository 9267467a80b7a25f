#pragma once
// What a system that opens fonts by name (GDI) needs to read from a font's own
// tables itself: which faces a TrueType/OpenType file (or collection) holds and
// the family name by which each is chosen, and a face's metrics from its
// 'head', 'hhea' and 'OS/2' tables, read as FreeType reads them. Font files
// are untrusted: every offset is checked against the bytes.

#include "platform/GlyphRasteriser.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn {

struct SfntFace {
    std::string family; // UTF-8; the Windows name of the family (name 1), in English where it has one
    std::vector<std::uint8_t> head; // the face's 'head' table, which tells one font from another of the same name
};

// The faces of a font file in order, nullopt when the bytes are no TrueType or
// OpenType font or collection, or its directory lies outside them.
std::optional<std::vector<SfntFace>> sfntFaces(std::span<const std::uint8_t> file);

// A face's metrics from its tables' bytes (any of them may be empty when the face lacks it).
FaceMetrics sfntMetrics(
    std::span<const std::uint8_t> head, std::span<const std::uint8_t> hhea, std::span<const std::uint8_t> os2);

} // namespace zarn
