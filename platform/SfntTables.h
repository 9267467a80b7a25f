#pragma once
// What a system that opens fonts by name (GDI) needs to read from a font file
// itself: which faces a TrueType/OpenType file (or collection) holds and the
// family name by which each is chosen. Font files are untrusted: every offset
// is checked against the bytes.

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

} // namespace zarn
