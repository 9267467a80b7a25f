#pragma once
// Dot-matrix font libraries rendered from TrueType/OpenType fonts: each glyph
// `height` rows of ceil(width/8) bytes, leftmost dot in the most significant
// bit, glyphs in the order of the type's character set. Where each glyph goes
// in its cell is decided here, the same on every system; the system's
// rasteriser (platform/GlyphRasteriser.h) only draws it.
//
// A font is a file, or the family name of an installed font: a name that is
// no existing file and has neither a folder nor a font file's extension.

#include "import/FontLibrary.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zarn {

struct FontGenOptions {
    int threshold = kDefaultThreshold; // 1..255: grey level from which a dot is set; lower keeps thinner strokes
    bool mono = false; // the rasteriser's hinted monochrome drawing instead of grey + threshold
    int faceIndex = 0; // face within a collection (.ttc); fonts chosen by family name have none
};

enum class GlyphOutcome { Drawn, NotInFont, Undrawable };

// One opened font face, set up for one cell size.
class GlyphRenderer {
public:
    GlyphRenderer();
    ~GlyphRenderer();
    GlyphRenderer(const GlyphRenderer&) = delete;
    GlyphRenderer& operator=(const GlyphRenderer&) = delete;

    // Opens a font file or an installed family. False with the reason in
    // `error`, which names the font: it cannot be read, is no font the
    // rasteriser knows, is damaged, has no such face, or is not installed.
    bool open(const std::string& font, int faceIndex, std::string* error);
    // Scales the face to the cell: full-width (CJK) glyphs by one em square
    // (the ideographic em box) centred in the cell, Latin glyphs by the span
    // from ascender to descender; one baseline for the whole library.
    bool setCell(int width, int height, bool fullWidth, std::string* error);
    // Draws `c` into `glyph` (ceil(width/8) * height bytes, cleared first) where
    // the font's metrics put it; in a full-width cell, a character narrower than
    // the em has its advance centred. Box drawing and block elements that run to
    // an edge of the em in the font run to that edge of the cell. No stroke the
    // font inks is left without a dot. False, blank glyph, when the font has no
    // such character or cannot draw it (blank glyph).
    GlyphOutcome render(char32_t c, std::span<std::uint8_t> glyph, const FontGenOptions& options);
    // "Family Style", empty when the font names neither.
    std::string faceName() const;
    // The font as messages name it: font file "PATH" (Family Style), installed font "FAMILY" (Family Style).
    std::string described() const;
    // Why the last Undrawable glyph could not be drawn, in words.
    std::string failure() const;

private:
    struct Impl;
    struct Placement;
    bool opened();
    bool draw(unsigned index, const Placement& placement, bool mono, std::vector<std::uint8_t>& out);
    std::unique_ptr<Impl> m;
};

struct FontGenResult {
    bool ok = false;
    std::string message; // the reason when !ok
    std::vector<std::uint8_t> data; // the whole library when ok
    std::uint32_t characters = 0; // positions of the set that hold a character
    std::uint32_t missing = 0; // of those, how many are left blank: the font lacks them or cannot draw them
    std::vector<char32_t> firstMissing; // the first few the font lacks, in library order
    std::uint32_t undrawable = 0; // of `missing`, those the font has but cannot draw (damaged glyph data)
    std::vector<char32_t> firstUndrawable; // the first few of them
    std::string undrawableWhy; // why the first of them cannot be drawn, in words
};

// Renders a complete library in memory.
FontGenResult generateFontLibrary(
    const std::string& font, FontLibraryType type, int width, int height, const FontGenOptions& options = {});

struct FontLibraryOutput {
    bool ok = false;
    std::string message; // why it failed, or a one-line summary of what was written
    std::string path; // the library written, e.g. DIR/16X16.hzk
    std::uint32_t size = 0;
    std::uint32_t characters = 0;
    std::uint32_t missing = 0;
    std::vector<char32_t> firstMissing;
};

// "U+2460 ①, U+3041 ぁ": characters as a user can look them up.
std::string characterList(const std::vector<char32_t>& characters);

// Generates a library and writes it into `outputFolder` (created when missing)
// under the name the import understands. An existing file of that name is
// replaced only once the new one is complete; on failure nothing is left behind.
FontLibraryOutput makeFontLibrary(const std::string& font, FontLibraryType type, int width, int height,
    const std::string& outputFolder, const FontGenOptions& options = {});

} // namespace zarn
