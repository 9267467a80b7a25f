#pragma once
// The system's way of drawing an outline font into dots: FreeType on Linux
// (GlyphRasteriserFreeType.cpp), GDI on Windows (GlyphRasteriserGdi.cpp). It
// opens a font, tells its metrics, loads a glyph at a size, lets its outline be
// scaled and moved, and draws it; where the glyph goes in a library's cell is
// the font generator's (import/fontgen/), the same on every system.
//
// Lengths are font units for a face's own metrics and boxes, and 1/64 dot for
// a glyph loaded at a size; scales are 16.16 fixed point. The y axis points up
// from the baseline.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

struct GlyphBox {
    long xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

struct FaceMetrics {
    int unitsPerEm = 0;
    int ascender = 0, descender = 0; // the horizontal header's; the descender below zero
    bool hasTypoMetrics = false; // an OS/2 table of a version that has them
    int typoAscender = 0, typoDescender = 0;
};

// How a glyph is fitted to the dots: the font's own hinting, the rasteriser's
// automatic hinting (the same fit for every glyph), or a hinted monochrome
// drawing (dots without grey).
enum class GridFit { Font, Automatic, Monochrome };

struct LoadedGlyph {
    bool outline = false; // false: a bitmap the font carries at this size, which cannot be scaled or moved
    long advance = 0; // fitted to the dots, 1/64 dot
    long designAdvance = 0; // the font's own advance at this size, 1/64 dot
};

// A drawn glyph: `coverage` holds width x rows grey levels (0..255, 0 or 255
// when monochrome), top row first; its top-left dot lies `left` dots right of
// the origin and `top` dots above the baseline.
struct GlyphBitmap {
    int left = 0, top = 0, width = 0, rows = 0;
    const std::uint8_t* coverage = nullptr;
};

// Why a font cannot be opened.
struct FontOpenFailure {
    enum class Kind {
        Unreadable, // `reason`: not a font the rasteriser knows, damaged, ...
        UnknownFormat, // no reader of the rasteriser takes it (the caller may know better why)
        NoSuchFace, // faceIndex >= `faces`
        Unusable, // opened, but `reason`: bitmaps only, no Unicode character map, ...
    } kind
        = Kind::Unreadable;
    std::string reason; // a clause: "its header is damaged or of a version FreeType does not know"
    int faces = 0; // NoSuchFace: the faces the file holds
    std::string name; // Unusable: the face's "Family Style"
};

class GlyphRasteriser {
public:
    virtual ~GlyphRasteriser() = default;

    // Opens face `faceIndex` of a font file: `bytes` are the file's, read by
    // the caller, `path` names it. False with `failure` set when it cannot.
    virtual bool openFile(
        const std::string& path, std::vector<std::uint8_t> bytes, int faceIndex, FontOpenFailure& failure)
        = 0;
    // Opens an installed font by its family name, where the system opens fonts
    // by name rather than by file (GDI); false with `failure` set otherwise.
    virtual bool openInstalled(const std::string& family, FontOpenFailure& failure) = 0;
    // "Family Style", empty when the font names neither.
    virtual std::string faceName() const = 0;
    virtual FaceMetrics metrics() const = 0;

    // The glyph of a character, 0 when the font has none.
    virtual unsigned glyphIndex(char32_t c) = 0;
    // A glyph's outline box and advance in font units, unhinted: false when it
    // has no outline (or no glyph data) to measure.
    virtual bool designBox(unsigned glyph, GlyphBox& box) = 0;
    virtual bool designAdvance(unsigned glyph, long& advance) = 0;

    // The size glyphs are loaded at from now on, in dots to the em across and down.
    virtual bool setSize(int x, int y) = 0;
    // Loads a glyph at that size: it can then be measured, transformed and drawn.
    virtual bool load(unsigned glyph, GridFit fit, LoadedGlyph& loaded) = 0;
    // The loaded outline's control box now, 1/64 dot.
    virtual GlyphBox box() const = 0;
    // Scales the loaded outline about the origin (16.16 across and down), or moves it (1/64 dot).
    virtual void scale(long across, long down) = 0;
    virtual void move(long right, long up) = 0;
    // Draws the loaded glyph; the bitmap stays valid until the next call.
    virtual bool draw(GlyphBitmap& bitmap) = 0;

    // Why the last call that failed did, in words: "its glyph data are damaged".
    virtual std::string failure() const = 0;
};

// The system's rasteriser.
std::unique_ptr<GlyphRasteriser> makeGlyphRasteriser();

} // namespace zarn
