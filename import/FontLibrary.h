#pragma once
// Dot-matrix font libraries (GB2312, BIG5, Hangul, ASCII): headerless glyph
// tables whose glyph size comes from the file name; accepted only at exact length.

#include "import/ImportCheck.h"
#include "resfile/ItemLayout.h" // glyph counts and sizes

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zarn {

enum class FontLibraryType { GB2312, Big5, Hangul, Ascii };

// Grey level from which a rendered dot is set, unless the user names another.
inline constexpr int kDefaultThreshold = 80;

struct FontLibraryInfo {
    FontLibraryType type;
    const char* extension; // lower case; files carry it in any case
    std::uint32_t glyphCount;
    std::uint8_t kind; // ResourceKind code
    const char* invalidMessage;
    const char* openFailureMessage;
    const char* confirmationFormat; // printf format: glyph width, glyph height, file length
};

const FontLibraryInfo& fontLibraryInfo(FontLibraryType type);
// The type whose extension `ext` is, in any case ("hzk" and "HZK" -> GB2312).
std::optional<FontLibraryType> fontLibraryTypeOfExtension(const std::string& ext);
// The type of a stored item of that kind (240-243); nullopt for other kinds.
std::optional<FontLibraryType> fontLibraryTypeOfKind(std::uint8_t kind);

// (width, height) from a file name (folder part ignored), 0 where absent:
// "16X16.hzk" -> (16,16), "24x24song.big" -> (24,24), "HZK16.hzk" -> (0,16).
std::pair<int, int> parseGlyphSize(const std::string& fileName);

// "16x16" or "16X16": width and height, each a whole number of dots from
// kMinGlyphDots to kMaxGlyphDots; nullopt for anything else.
std::optional<std::pair<int, int>> parseGlyphSizeText(std::string_view text);

// "gb2312", "big5", "hangul", "ascii" (any case) -> type.
std::optional<FontLibraryType> parseLibraryTypeName(const std::string& name);
const char* libraryTypeName(FontLibraryType type);

// Length a complete library of that glyph size must have.
std::uint32_t expectedFontLibraryLength(FontLibraryType type, int width, int height);

enum class FontCommand { Hzlib, Asciilib };

// The checks after the file dialog of "Load Hzlib" / "Load Asciilib", in their order:
// extension (silently ignored when unknown), glyph size from the name, opening,
// length, space, directory count.
ImportCheck checkFontLibrary(FontCommand command, const std::string& path, std::uint32_t remainingBytes,
    std::uint16_t itemCount, std::uint16_t maxItems);

} // namespace zarn
