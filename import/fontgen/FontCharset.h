#pragma once
// The character sets of the four dot-matrix library types: which character
// sits at each glyph position of a library, in library order.

#include "import/FontLibrary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

// Glyph positions of a complete library of that type (8178, 13973, 2350, 256).
std::uint32_t libraryGlyphCount(FontLibraryType type);

// The code of glyph position `index`: the two-byte code (lead byte high) for
// GB2312, BIG5 and Hangul, the byte value for ASCII. nullopt past the end.
std::optional<std::uint16_t> libraryCodeAt(FontLibraryType type, std::uint32_t index);

// The glyph position of a code, nullopt when the code lies outside the library.
std::optional<std::uint32_t> libraryIndexOf(FontLibraryType type, std::uint16_t code);

// The Unicode character of every glyph position, 0 where the code has no
// character (such positions stay blank): the same tables on every system.
std::vector<char32_t> libraryCharacters(FontLibraryType type);

// Whether `c` lies in a private-use area, where characters have no agreed face.
bool isPrivateUse(char32_t c);

// Glyphs per lead byte: 94 for GB2312 and Hangul, 157 for BIG5; 16 for ASCII.
int libraryRowLength(FontLibraryType type);

// "hzk", "big", "kzk", "asc": the extension by which the import tells the types apart.
const char* libraryExtension(FontLibraryType type);

// The name under which the import recognises the library: "16X16.hzk", "8X16.asc".
std::string libraryFileName(FontLibraryType type, int width, int height);

// Whether the type holds full-width (CJK) glyphs rather than Latin ones.
bool isFullWidthType(FontLibraryType type);

} // namespace zarn
