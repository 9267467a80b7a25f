#pragma once
// How zarnres reads the values on its command line: a directory row, a colour,
// a character code, a glyph size. A value that is not of its form is a usage error (status 2).

#include "resfile/ResourceStore.h"

#include <cstdint>
#include <string>
#include <utility>

namespace zarn::cli {

// Ends the program with status 2 and `message`.
[[noreturn]] void usageError(std::string message);

// A directory row as the list shows it under "No." (0 = first item). A row the
// file does not hold is refused (status 1).
int parseRow(const std::string& text, const ResourceStore& store);

// A colour as 0xNNNN or decimal, 0..65535.
std::uint16_t parseColor(const std::string& text);

// A character code in hexadecimal, with or without 0x: "B0A1", "0x41".
std::uint16_t parseCode(const std::string& text);

// A glyph size "WIDTHxHEIGHT" (or "X"), each 1 to 99 dots.
std::pair<int, int> parseGlyphSize(const std::string& text);

} // namespace zarn::cli
