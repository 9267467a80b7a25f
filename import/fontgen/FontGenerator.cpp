#include "import/fontgen/FontGenerator.h"

#include "common/Utf8.h"
#include "platform/FileIo.h"
#include "platform/GlyphRasteriser.h"
#include "platform/InstalledFonts.h"
#include "platform/ReplaceFile.h"
#include "platform/Utf8Path.h"

#include "import/fontgen/FontCharset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace zarn {

namespace fs = std::filesystem;

namespace {

    // Whether `bytes` begin as a TrueType or OpenType font (or a collection of them) does.
    bool looksLikeOutlineFont(const std::vector<std::uint8_t>& bytes)
    {
        if (bytes.size() < 4)
            return false;
        const std::string_view tag(reinterpret_cast<const char*>(bytes.data()), 4);
        return tag == std::string_view("\0\1\0\0", 4) || tag == "OTTO" || tag == "true" || tag == "ttcf"
            || tag == "wOFF" || tag == "wOF2";
    }

    // Whether `font` names a file rather than an installed family: a file of
    // that name exists, or the name has a folder or a font file's extension
    // (so that a mistyped path is called a missing file).
    bool namesAFile(const std::string& font)
    {
        FileStatus status;
        if (defaultFileIo().stat(font, status) == 0 || font.find_first_of("/\\") != std::string::npos)
            return true;
        std::string extension = utf8Of(pathOf(font).extension());
        std::transform(extension.begin(), extension.end(), extension.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const char* known : { ".ttf", ".otf", ".ttc", ".otc", ".woff", ".woff2", ".pfa", ".pfb", ".bdf", ".pcf",
                 ".fon", ".fnt", ".dfont" })
            if (extension == known)
                return true;
        return false;
    }

    // "a GB2312 library", "an ASCII library".
    std::string aLibraryOf(FontLibraryType type)
    {
        switch (type) {
        case FontLibraryType::GB2312:
            return "a GB2312 library";
        case FontLibraryType::Big5:
            return "a BIG5 library";
        case FontLibraryType::Hangul:
            return "a Hangul library";
        case FontLibraryType::Ascii:
            return "an ASCII library";
        }
        return "a library";
    }

    // 16.16 fixed-point products and quotients, rounded to the nearest with
    // halves away from zero: the arithmetic of outline coordinates.
    long mulFix(long a, long b)
    {
        const long long product = static_cast<long long>(a) * b;
        return static_cast<long>((product + 0x8000 - (product < 0)) >> 16);
    }
    long divFix(long a, long b)
    {
        const bool negative = (a < 0) != (b < 0);
        const unsigned long long num = a < 0 ? 0ull - static_cast<unsigned long long>(a) : a;
        const unsigned long long den = b < 0 ? 0ull - static_cast<unsigned long long>(b) : b;
        const long quotient = static_cast<long>(den > 0 ? ((num << 16) + (den >> 1)) / den : 0x7FFFFFFF);
        return negative ? -quotient : quotient;
    }

} // namespace

struct GlyphRenderer::Impl {
    std::unique_ptr<GlyphRasteriser> rasteriser = makeGlyphRasteriser();
    bool open = false;
    std::string what; // how messages name the font: font file "PATH", installed font "FAMILY"
    FaceMetrics metrics;
    int width = 0, height = 0;
    bool fullWidth = false;
    int ppem = 0; // one em, in dots, for the whole library
    double emTop = 0; // the top of the em box above the baseline, in font units
    int baseline = 0; // the cell row the baseline lies on
    int cellBaseline = 0; // the same for box drawing and blocks, whose em fills the cell
    double cellBaselineExact = 0; // where it lies between rows
    // Scratch space of one glyph, kept from glyph to glyph.
    std::vector<std::uint8_t> gray, ink, dots, mark;
    std::vector<int> stack;
};

namespace {
    // The edges of the em a glyph runs to in the font.
    struct Edges {
        bool left = false, right = false, top = false, bottom = false;
    };
} // namespace

// How one glyph is put into the cell.
struct GlyphRenderer::Placement {
    bool fillCell = false; // box drawing or a block element: its em is the cell
    bool fitToEdges = false; // a block or a diagonal: the edges it reaches are put on the cell's
    bool narrow = false; // an advance narrower than the em, in a full-width cell
    Edges edges; // for fillCell
};

namespace {

    // Box drawing and block elements are drawn to join from cell to cell: their
    // em fills the whole cell, also one that is not square.
    bool fillsTheCell(char32_t c) { return c >= 0x2500 && c <= 0x259F; }

    // Blocks and the diagonals meet their neighbours only at the cell's edges and
    // corners, so they may be stretched or moved onto them; lines must stay where
    // "─" and "│" run, to meet the lines of the next cell.
    bool fitsToEdges(char32_t c) { return (c >= 0x2571 && c <= 0x2573) || (c >= 0x2580 && c <= 0x259F); }

    // The top of the ideographic em box above the baseline, in font units. A
    // CJK face draws its box-drawing lines from one edge of that box to the
    // other, so where "│" ends is the box; without it, the typographic ascender
    // and descender when they span about one em; else the usual 88 % of an em.
    double ideographicEmTop(GlyphRasteriser& font, const FaceMetrics& metrics)
    {
        const double upem = metrics.unitsPerEm > 0 ? metrics.unitsPerEm : 1000.0;
        const unsigned vertical = font.glyphIndex(0x2502);
        GlyphBox box;
        if (vertical && font.designBox(vertical, box)) {
            const double h = static_cast<double>(box.yMax - box.yMin);
            if (h > 0.9 * upem && h < 1.1 * upem) {
                return static_cast<double>(box.yMin) + (h - upem) / 2 + upem;
            }
        }
        if (metrics.hasTypoMetrics) {
            const double span = metrics.typoAscender - metrics.typoDescender;
            if (span > 0.9 * upem && span < 1.1 * upem)
                return metrics.typoAscender * upem / span;
        }
        return 0.88 * upem;
    }

    // The edges of the em box (0 to one em across, `emTop` less one em to `emTop`
    // upwards) that the outline of glyph `index` runs to. Fonts draw some blocks
    // and lines a little inside the em; a tenth of the em still counts, which is
    // less than the eighth by which "▇" stops short of the top.
    Edges edgesReached(GlyphRasteriser& font, const FaceMetrics& metrics, unsigned index, double emTop)
    {
        Edges edges;
        GlyphBox box;
        if (!font.designBox(index, box))
            return edges;
        const double em = metrics.unitsPerEm > 0 ? metrics.unitsPerEm : 1000.0, near = em / 10;
        edges.left = box.xMin <= near;
        edges.right = box.xMax >= em - near;
        edges.top = box.yMax >= emTop - near;
        edges.bottom = box.yMin <= emTop - em + near;
        return edges;
    }

    // Scale and shift along one axis that put [lo, hi] on the cell's [cellLo,
    // cellHi] at the ends it reaches: stretched between both, moved onto one.
    void fitAxis(long lo, long hi, bool toLo, bool toHi, long cellLo, long cellHi, long& scale, long& shift)
    {
        scale = 0x10000;
        shift = 0;
        if (toLo && toHi && hi > lo) {
            scale = divFix(cellHi - cellLo, hi - lo);
            shift = cellLo - mulFix(lo, scale);
        } else if (toLo) {
            shift = cellLo - lo;
        } else if (toHi) {
            shift = cellHi - hi;
        }
    }

    // One glyph's coverage placed in the cell: 0..255 per dot, rows top down.
    using Coverage = std::vector<std::uint8_t>;

    // A line that runs to an edge of the em in the font but whose dots stop a dot
    // or two short of the cell's edge (drawn a little inside the em, or its end
    // too faint) is lengthened to the edge, as wide as its ink on its last row or
    // column. A gap deeper than a tenth of the cell and a dot is no shortfall but
    // a line missing there, and stays.
    void lengthenToEdges(Coverage& dots, int w, int h, const Edges& edges)
    {
        const auto dot = [&](int x, int y) -> std::uint8_t& { return dots[static_cast<std::size_t>(y) * w + x]; };
        // `at(i, j)`: the dot i lines in from the edge, j along it.
        const auto lengthen = [](int depth, int span, const auto& at) {
            const int reach = depth / 10 + 1;
            const auto inked = [&](int i) {
                for (int j = 0; j < span; ++j)
                    if (at(i, j))
                        return true;
                return false;
            };
            int first = 0; // the first line from the edge with ink
            while (first < depth && first <= reach && !inked(first))
                ++first;
            if (first == 0 || first > reach || first == depth)
                return;
            for (int j = 0; j < span; ++j)
                for (int i = 0; at(first, j) && i < first; ++i)
                    at(i, j) = 1;
        };
        if (edges.top)
            lengthen(h, w, [&](int i, int j) -> std::uint8_t& { return dot(j, i); });
        if (edges.bottom)
            lengthen(h, w, [&](int i, int j) -> std::uint8_t& { return dot(j, h - 1 - i); });
        if (edges.left)
            lengthen(w, h, [&](int i, int j) -> std::uint8_t& { return dot(i, j); });
        if (edges.right)
            lengthen(w, h, [&](int i, int j) -> std::uint8_t& { return dot(w - 1 - i, j); });
    }

    // Dots where a faint part of the glyph kept none: each 8-connected stroke of
    // faint coverage (no dot) that lies apart from the dots gets those of its
    // dots at least half as dark as its darkest, so no stroke the font draws
    // vanishes at any threshold. Such a stroke is walked over its faint dots at
    // least two dots away from any dot. With `stems`, also one that leaves the
    // dots (the thin stem of "╤" on its double line), joined to them by the
    // fringe dots it meets; an ideograph's faint tails and the gaps of its thin
    // double strokes stay as they are. `mark` and `stack` are scratch.
    void keepStrokes(
        const Coverage& gray, Coverage& dots, Coverage& mark, std::vector<int>& stack, int w, int h, bool stems)
    {
        constexpr std::uint8_t kInked = 16;
        constexpr std::uint8_t kWalked = 1, kFringe = 2;
        const int n = w * h;
        const auto faint = [&](int i) { return gray[i] >= kInked && !dots[i]; };
        bool anyDot = std::find(dots.begin(), dots.end(), 1) != dots.end();
        // Dots with a dot among their eight neighbours or themselves: the fringe of
        // every kept stroke, where anti-aliasing lies and no walk goes.
        mark.assign(n, 0);
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* row = &dots[y * w];
            for (int x = 0; x < w; ++x) {
                const std::uint8_t across = row[x] | (x > 0 ? row[x - 1] : 0) | (x + 1 < w ? row[x + 1] : 0);
                for (int dy = std::max(0, y - 1); dy <= std::min(h - 1, y + 1); ++dy)
                    mark[dy * w + x] |= static_cast<std::uint8_t>(across * kFringe);
            }
        }
        std::vector<int>& group = stack;
        for (int start = 0; start < n; ++start) {
            if (mark[start] || !faint(start))
                continue;
            // Walk this group of faint dots, gathering the faint fringe dots it meets.
            group.assign(1, start);
            mark[start] = kWalked;
            bool meetsDots = false;
            std::uint8_t darkest = 0;
            for (std::size_t k = 0; k < group.size(); ++k) {
                const int i = group[k], x = i % w, y = i / w;
                if (mark[i] & kFringe) {
                    meetsDots = true;
                    continue;
                }
                darkest = std::max(darkest, gray[i]);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        if (x + dx < 0 || x + dx >= w || y + dy < 0 || y + dy >= h)
                            continue;
                        const int j = i + dy * w + dx;
                        if (!(mark[j] & kWalked) && faint(j)) {
                            mark[j] |= kWalked;
                            group.push_back(j);
                        }
                    }
            }
            if (meetsDots && !stems)
                continue;
            for (const int i : group)
                dots[i] = gray[i] * 2 >= darkest;
            anyDot = true;
        }
        // Ink too faint to count as a stroke anywhere: still, a drawn glyph is never blank.
        if (!anyDot) {
            const std::uint8_t darkest = *std::max_element(gray.begin(), gray.end());
            for (int i = 0; darkest > 0 && i < n; ++i)
                dots[i] = gray[i] * 2 >= darkest;
        }
    }

} // namespace

GlyphRenderer::GlyphRenderer()
    : m(std::make_unique<Impl>())
{
}
GlyphRenderer::~GlyphRenderer() = default;

bool GlyphRenderer::open(const std::string& font, int faceIndex, std::string* error)
{
    m->open = false;
    m->what = "font file " + quotedPath(font);
    const auto fail = [&](const std::string& text) {
        if (error)
            *error = text;
        return false;
    };
    std::string path = font;
    if (!namesAFile(font)) {
        const std::optional<InstalledFont> installed = findInstalledFont(font);
        if (!installed)
            return fail("No font file or installed font family is named " + quotedPath(font));
        m->what = "installed font " + quotedPath(installed->family);
        if (faceIndex != 0)
            return fail("The " + m->what + " is chosen by its name alone: a face number is for font files");
        if (installed->file.empty()) {
            FontOpenFailure failure;
            if (!m->rasteriser->openInstalled(installed->family, failure))
                return fail("The " + m->what + " cannot be opened: " + failure.reason);
            return opened();
        }
        path = installed->file;
        faceIndex = installed->faceIndex;
    }
    const std::string unreadable = "The " + m->what + " cannot be read: ";
    // Read here rather than by the rasteriser: the name is UTF-8 on every
    // system, and nothing but a regular file is opened.
    std::vector<std::uint8_t> bytes;
    std::string why;
    try {
        if (readRegularFile(defaultFileIo(), path, 1ull << 30, bytes, why) != WholeRead::Read)
            return fail(unreadable + (why.empty() ? std::string("it is larger than 1 GiB, more than any font") : why));
    } catch (const std::bad_alloc&) {
        return fail(unreadable + "there is not enough memory to read it");
    }
    if (bytes.empty())
        return fail(unreadable + "the file is empty");
    if (faceIndex < 0)
        return fail("The " + m->what + " has no face " + std::to_string(faceIndex) + ": faces are numbered from 0");
    const bool fontHeader = looksLikeOutlineFont(bytes);
    FontOpenFailure failure;
    if (!m->rasteriser->openFile(path, std::move(bytes), faceIndex, failure)) {
        switch (failure.kind) {
        case FontOpenFailure::Kind::NoSuchFace:
            return fail("The " + m->what + " has no face " + std::to_string(faceIndex) + ": it holds "
                + (failure.faces == 1 ? std::string("1 face, numbered 0")
                                      : std::to_string(failure.faces) + " faces, numbered 0 to "
                            + std::to_string(failure.faces - 1)));
        case FontOpenFailure::Kind::UnknownFormat:
            return fail(unreadable
                + (fontHeader ? "it begins as a TrueType or OpenType font does, but is damaged or cut short"
                              : failure.reason));
        case FontOpenFailure::Kind::Unusable:
            return fail("The " + m->what + (failure.name.empty() ? "" : " (" + failure.name + ")")
                + " cannot be used: " + failure.reason);
        case FontOpenFailure::Kind::Unreadable:
            break;
        }
        return fail(unreadable + failure.reason);
    }
    return opened();
}

bool GlyphRenderer::opened()
{
    m->metrics = m->rasteriser->metrics();
    m->open = true;
    return true;
}

bool GlyphRenderer::setCell(int width, int height, bool fullWidth, std::string* error)
{
    if (!m->open) {
        if (error)
            *error = "No font is open";
        return false;
    }
    const double upem = m->metrics.unitsPerEm > 0 ? m->metrics.unitsPerEm : 1000.0;
    m->width = width;
    m->height = height;
    m->fullWidth = fullWidth;
    if (fullWidth) {
        // One em square scaled to the cell and centred in it; box drawing and
        // blocks stretch their em to the whole cell.
        const double top = ideographicEmTop(*m->rasteriser, m->metrics);
        m->emTop = top;
        m->ppem = std::min(width, height);
        m->baseline = static_cast<int>(std::lround((height - m->ppem) / 2.0 + m->ppem * top / upem));
        m->cellBaselineExact = height * top / upem;
        m->cellBaseline = static_cast<int>(std::lround(m->cellBaselineExact));
    } else {
        // Ascender to descender fills the height: one baseline for all letters.
        double ascent = m->metrics.ascender, descent = -static_cast<double>(m->metrics.descender);
        if (ascent + descent <= 0) {
            ascent = 0.8 * upem;
            descent = 0.2 * upem;
        }
        const double lineEm = (ascent + descent) / upem;
        m->ppem = std::max(1, static_cast<int>(std::floor(height / lineEm + 1e-9)));
        const double boxHeight = m->ppem * lineEm;
        m->baseline = static_cast<int>(std::lround((height - boxHeight) / 2 + m->ppem * ascent / upem));
        m->cellBaseline = m->baseline;
    }
    if (!m->rasteriser->setSize(m->ppem, m->ppem)) {
        if (error)
            *error = "The " + described() + " cannot be drawn at " + std::to_string(m->ppem)
                + " dots to the em: " + m->rasteriser->failure();
        return false;
    }
    return true;
}

std::string GlyphRenderer::faceName() const { return m->open ? m->rasteriser->faceName() : std::string(); }

std::string GlyphRenderer::described() const
{
    const std::string name = faceName();
    return m->what + (name.empty() ? "" : " (" + name + ")");
}

std::string GlyphRenderer::failure() const { return m->rasteriser->failure(); }

// Draws glyph `index` into `out` (cell-sized coverage, cleared first) by the
// font's own metrics: its origin on the cell's em box (the advance of a Latin
// glyph, or of a narrow one in a full-width cell, centred in the cell), its
// bearings and its height above the baseline kept. A glyph wider than the cell
// is narrowed to fit; one that would leave the cell by more than anti-aliasing
// is moved back in whole.
bool GlyphRenderer::draw(unsigned index, const Placement& placement, bool mono, std::vector<std::uint8_t>& out)
{
    const bool fillCell = placement.fillCell;
    out.assign(static_cast<std::size_t>(m->width) * m->height, 0);
    GlyphRasteriser& font = *m->rasteriser;
    if (!(fillCell ? font.setSize(m->width, m->height) : font.setSize(m->ppem, m->ppem)))
        return false;
    // For Latin letters automatic hinting fits stems and heights to whole dots
    // the same way for every glyph (one cap height, one x-height), where a
    // font's own hints disagree more; ideographs keep the font's own.
    const GridFit fit = mono ? GridFit::Monochrome : m->fullWidth ? GridFit::Font : GridFit::Automatic;
    LoadedGlyph loaded;
    if (!font.load(index, fit, loaded))
        return false;
    const int baseline = fillCell ? m->cellBaseline : m->baseline;
    int lift = 0; // rows the glyph is moved up (negative: down) to stay in the cell
    if (loaded.outline) {
        long originX; // 1/64 dot
        if (fillCell)
            originX = 0;
        else if (!m->fullWidth)
            originX = (static_cast<long>(m->width) * 64 - loaded.advance) / 2;
        else if (placement.narrow) // the font's own advance, not the hinter's whole dots
            originX = (static_cast<long>(m->width) * 64 - loaded.designAdvance) / 2;
        else
            originX = static_cast<long>(m->width - m->ppem) * 32;
        GlyphBox box = font.box();
        const long cell = static_cast<long>(m->width) * 64;
        if (box.xMax - box.xMin > cell) {
            font.scale(0x10000 * cell / (box.xMax - box.xMin), 0x10000);
            box = font.box();
        }
        // Whole dots, so that grid-fitted stems stay fitted; moved back in whole
        // rather than cut at an edge.
        originX = std::clamp((originX + 32) & -64, -box.xMin, cell - box.xMax);
        // Box drawing and blocks meet their neighbours at the exact cell edge, between rows too.
        const long shiftUp = fillCell ? std::lround((m->cellBaseline - m->cellBaselineExact) * 64) : 0;
        font.move(originX, shiftUp);
        if (placement.fitToEdges) {
            box = font.box();
            const Edges& e = placement.edges;
            long scaleX, scaleY, shiftX, shiftY;
            fitAxis(box.xMin, box.xMax, e.left, e.right, 0, cell, scaleX, shiftX);
            fitAxis(box.yMin, box.yMax, e.bottom, e.top, -static_cast<long>(m->height - m->cellBaseline) * 64,
                static_cast<long>(m->cellBaseline) * 64, scaleY, shiftY);
            font.scale(scaleX, scaleY);
            font.move(shiftX, shiftY);
        }
        // The same vertically, by the outline itself: less than half a dot past
        // an edge is only anti-aliasing to cut, and box drawing is meant to touch.
        const long below = -box.yMin - static_cast<long>(m->height - baseline) * 64;
        const long above = box.yMax - static_cast<long>(baseline) * 64;
        if (!fillCell && box.yMax - box.yMin <= static_cast<long>(m->height) * 64) {
            if (below > 32)
                lift = static_cast<int>((below + 32) / 64);
            else if (above > 32)
                lift = -static_cast<int>((above + 32) / 64);
        }
    }
    GlyphBitmap bitmap;
    if (!font.draw(bitmap))
        return false;
    const int rows = bitmap.rows, cols = bitmap.width;
    int left = bitmap.left, top = baseline - bitmap.top - lift;
    if (!loaded.outline) {
        // A bitmap the font carries at this size: moved back in by its own size.
        left = std::clamp(left, 0, std::max(0, m->width - cols));
        top = std::clamp(top, 0, std::max(0, m->height - rows));
    }
    const int firstCol = std::max(0, -left), shownCols = std::min(cols, m->width - left);
    for (int r = std::max(0, -top); firstCol < shownCols && r < rows && top + r < m->height; ++r) {
        const std::uint8_t* row = bitmap.coverage + static_cast<std::size_t>(r) * cols;
        std::copy(row + firstCol, row + shownCols,
            out.data() + static_cast<std::ptrdiff_t>(top + r) * m->width + left + firstCol);
    }
    return true;
}

GlyphOutcome GlyphRenderer::render(char32_t c, std::span<std::uint8_t> glyph, const FontGenOptions& options)
{
    std::fill(glyph.begin(), glyph.end(), 0);
    if (!m->open || m->ppem <= 0 || c == 0)
        return GlyphOutcome::NotInFont;
    const unsigned index = m->rasteriser->glyphIndex(c);
    if (index == 0)
        return GlyphOutcome::NotInFont;
    Placement placement;
    placement.fillCell = m->fullWidth && fillsTheCell(c);
    if (placement.fillCell) {
        placement.edges = edgesReached(*m->rasteriser, m->metrics, index, m->emTop);
        placement.fitToEdges = fitsToEdges(c);
    } else if (m->fullWidth) {
        long advance = 0;
        placement.narrow = m->rasteriser->designAdvance(index, advance) && advance < m->metrics.unitsPerEm;
    }
    if (!draw(index, placement, false, m->gray) || (options.mono && !draw(index, placement, true, m->ink)))
        return GlyphOutcome::Undrawable;
    const Coverage& source = options.mono ? m->ink : m->gray;
    const int threshold = options.mono ? 1 : std::clamp(options.threshold, 1, 255);
    Coverage& dots = m->dots;
    dots.resize(source.size());
    for (std::size_t i = 0; i < source.size(); ++i)
        dots[i] = source[i] >= threshold;
    keepStrokes(m->gray, dots, m->mark, m->stack, m->width, m->height, placement.fillCell);
    if (placement.fillCell && !placement.fitToEdges)
        lengthenToEdges(dots, m->width, m->height, placement.edges);
    const int rowBytes = (m->width + 7) / 8;
    for (int y = 0; y < m->height; ++y)
        for (int x = 0; x < m->width; ++x)
            if (dots[static_cast<std::size_t>(y) * m->width + x])
                glyph[static_cast<std::size_t>(y) * rowBytes + (x >> 3)] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
    return GlyphOutcome::Drawn;
}

FontGenResult generateFontLibrary(
    const std::string& font, FontLibraryType type, int width, int height, const FontGenOptions& options)
{
    FontGenResult result;
    if (width < kMinGlyphDots || width > kMaxGlyphDots || height < kMinGlyphDots || height > kMaxGlyphDots) {
        result.message = "Glyph width and height must be " + std::to_string(kMinGlyphDots) + " to "
            + std::to_string(kMaxGlyphDots) + " dots (got " + std::to_string(width) + "X" + std::to_string(height)
            + ")";
        return result;
    }
    if (!options.mono && (options.threshold < 1 || options.threshold > 255)) {
        result.message = "The threshold must be 1 to 255 (got " + std::to_string(options.threshold) + ")";
        return result;
    }
    const std::vector<char32_t> characters = libraryCharacters(type);
    std::string error;
    GlyphRenderer renderer;
    if (!renderer.open(font, options.faceIndex, &error)
        || !renderer.setCell(width, height, isFullWidthType(type), &error)) {
        result.message = error;
        return result;
    }
    const std::size_t glyphBytes = glyphByteCount(width, height);
    std::vector<std::uint8_t> data(glyphBytes * characters.size(), 0);
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (characters[i] == 0)
            continue;
        ++result.characters;
        const GlyphOutcome drawn = renderer.render(
            characters[i], std::span<std::uint8_t>(data).subspan(i * glyphBytes, glyphBytes), options);
        if (drawn == GlyphOutcome::Drawn)
            continue;
        ++result.missing;
        auto& first = drawn == GlyphOutcome::NotInFont ? result.firstMissing : result.firstUndrawable;
        if (drawn == GlyphOutcome::Undrawable && result.undrawable++ == 0)
            result.undrawableWhy = renderer.failure();
        if (first.size() < 5)
            first.push_back(characters[i]);
    }
    if (result.characters == result.missing) {
        result.message = "The " + renderer.described()
            + (result.undrawable == 0 ? " has none of the characters of " + aLibraryOf(type)
                                      : " cannot draw any of the " + std::to_string(result.undrawable)
                        + " characters of " + aLibraryOf(type) + " that it has: " + result.undrawableWhy);
        return result;
    }
    result.ok = true;
    result.data = std::move(data);
    return result;
}

FontLibraryOutput makeFontLibrary(const std::string& font, FontLibraryType type, int width, int height,
    const std::string& outputFolder, const FontGenOptions& options)
{
    FontLibraryOutput out;
    const fs::path folder = outputFolder.empty() ? fs::path(".") : pathOf(outputFolder);
    const fs::path target = folder / libraryFileName(type, width, height);
    std::error_code ec;
    // Check the folder before the long rendering, so a typo costs nothing.
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        out.message = "Output folder '" + utf8Of(folder) + "' is not a folder";
        return out;
    }
    if (!fs::exists(folder, ec) && !fs::create_directories(folder, ec)) {
        out.message = "Cannot create output folder '" + utf8Of(folder) + "': " + ec.message();
        return out;
    }
    if (fs::is_directory(target, ec)) {
        out.message = "Cannot write '" + utf8Of(target) + "': a folder of that name is in the way";
        return out;
    }

    FontGenResult generated = generateFontLibrary(font, type, width, height, options);
    if (!generated.ok) {
        out.message = generated.message;
        return out;
    }

    if (const std::string why = replaceFile(defaultFileIo(), utf8Of(target), generated.data); !why.empty()) {
        out.message = "Cannot write '" + utf8Of(target) + "': " + why;
        return out;
    }
    out.ok = true;
    out.path = utf8Of(target);
    out.size = static_cast<std::uint32_t>(generated.data.size());
    out.characters = generated.characters;
    out.missing = generated.missing;
    out.firstMissing = generated.firstMissing;
    out.message = "Wrote " + out.path + " (" + std::to_string(out.size) + " bytes)";
    const auto listed = [](const std::vector<char32_t>& first, std::uint32_t count) {
        return " (" + characterList(first) + (count > first.size() ? ", ..." : "") + ")";
    };
    const auto are = [](std::uint32_t count) { return std::to_string(count) + (count == 1 ? " is" : " are"); };
    const std::uint32_t absent = generated.missing - generated.undrawable;
    if (generated.undrawable == 0 && absent > 0)
        out.message += "; " + std::to_string(absent) + " of its " + std::to_string(out.characters) + " characters "
            + (absent == 1 ? "is" : "are") + " not in the font and left blank" + listed(out.firstMissing, absent);
    else if (generated.undrawable > 0)
        out.message += "; " + std::to_string(out.missing) + " of its " + std::to_string(out.characters) + " characters "
            + (out.missing == 1 ? "is" : "are") + " left blank: "
            + (absent > 0 ? are(absent) + " not in the font" + listed(out.firstMissing, absent) + " and " : "")
            + std::to_string(generated.undrawable) + " cannot be drawn because " + generated.undrawableWhy
            + listed(generated.firstUndrawable, generated.undrawable);
    return out;
}

std::string characterList(const std::vector<char32_t>& characters)
{
    std::string text;
    for (const char32_t c : characters) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
        text += (text.empty() ? "" : ", ") + std::string(code);
        // The character itself in UTF-8, unless it has no face of its own.
        if (c < 0x20 || isPrivateUse(c))
            continue;
        text += ' ';
        appendUtf8(text, c);
    }
    return text;
}

} // namespace zarn
