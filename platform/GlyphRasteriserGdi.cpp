// Outline fonts drawn by GDI: a font file is added for this process alone
// (AddFontResourceExW, FR_PRIVATE) and chosen by the family name its own name
// table gives; an installed font by its family name. Glyphs are measured and
// drawn by GetGlyphOutlineW: their outline (GGO_NATIVE) for the boxes, grey
// levels (GGO_GRAY8_BITMAP) or dots (GGO_BITMAP) for the drawing. A face's
// metrics come from GetOutlineTextMetricsW and its advances from
// GetCharABCWidthsI, both at one dot to the font unit.
// GDI draws a glyph with its origin on a dot: one moved by part of a dot is
// drawn larger, moved by whole small dots and gathered back.
#include "platform/GlyphRasteriser.h"

#include "platform/SfntTables.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <exception>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarn {

namespace {

    FIXED fixedOf(long value) // 16.16
    {
        FIXED f;
        f.value = static_cast<short>(value >> 16);
        f.fract = static_cast<WORD>(value & 0xFFFF);
        return f;
    }
    long longOf(FIXED f) { return static_cast<long>(f.value) * 65536 + f.fract; }

    long mulFix(long a, long b)
    {
        const long long product = static_cast<long long>(a) * b;
        return static_cast<long>((product + 0x8000 - (product < 0)) >> 16);
    }

    // The control box of a GGO_NATIVE outline, in 1/64 of its units.
    bool outlineBox(const std::vector<std::uint8_t>& data, GlyphBox& box)
    {
        bool any = false;
        const auto add = [&](const POINTFX& p) {
            const long x = longOf(p.x) >> 10, y = longOf(p.y) >> 10;
            if (!any)
                box = GlyphBox { x, y, x, y };
            box.xMin = std::min(box.xMin, x);
            box.yMin = std::min(box.yMin, y);
            box.xMax = std::max(box.xMax, x);
            box.yMax = std::max(box.yMax, y);
            any = true;
        };
        std::size_t at = 0;
        while (at + sizeof(TTPOLYGONHEADER) <= data.size()) {
            TTPOLYGONHEADER header;
            std::memcpy(&header, data.data() + at, sizeof header);
            if (header.cb < sizeof header || at + header.cb > data.size())
                break;
            add(header.pfxStart);
            std::size_t curve = at + sizeof header;
            while (curve + sizeof(WORD) * 2 <= at + header.cb) {
                WORD type, count;
                std::memcpy(&type, data.data() + curve, sizeof type);
                std::memcpy(&count, data.data() + curve + sizeof type, sizeof count);
                const std::size_t points = curve + offsetof(TTPOLYCURVE, apfx);
                if (points + count * sizeof(POINTFX) > at + header.cb)
                    break;
                for (WORD i = 0; i < count; ++i) {
                    POINTFX p;
                    std::memcpy(&p, data.data() + points + i * sizeof(POINTFX), sizeof p);
                    add(p);
                }
                curve = points + count * sizeof(POINTFX);
            }
            at += header.cb;
        }
        return any;
    }

    class GdiRasteriser final : public GlyphRasteriser {
    public:
        static constexpr int kSub = 8; // small dots to the dot across and down, for moves by part of a dot
        GdiRasteriser()
            : m_design(CreateCompatibleDC(nullptr))
            , m_sized(CreateCompatibleDC(nullptr))
        {
        }
        ~GdiRasteriser() override
        {
            close();
            DeleteDC(m_design);
            DeleteDC(m_sized);
        }

        bool openFile(
            const std::string& path, std::vector<std::uint8_t> bytes, int faceIndex, FontOpenFailure& failure) override
        {
            close();
            const auto faces = sfntFaces(bytes);
            if (!faces)
                return fail(failure, FontOpenFailure::Kind::UnknownFormat,
                    "it is not a font Windows knows (unknown file format)");
            if (faceIndex >= static_cast<int>(faces->size()))
                return fail(failure, FontOpenFailure::Kind::NoSuchFace, {}, static_cast<int>(faces->size()));
            const SfntFace& face = (*faces)[static_cast<std::size_t>(faceIndex)];
            m_addedFile = wideOf(path);
            if (m_addedFile.empty() || AddFontResourceExW(m_addedFile.c_str(), FR_PRIVATE, nullptr) == 0) {
                // Its header is a font's (sfntFaces read it), the rest not one Windows takes.
                m_addedFile.clear();
                return fail(failure, FontOpenFailure::Kind::UnknownFormat,
                    "Windows does not take it as a font (it is damaged, or of a kind GDI cannot draw)");
            }
            if (face.family.empty())
                return fail(
                    failure, FontOpenFailure::Kind::Unusable, "it names no family, by which Windows finds its fonts");
            if (!select(wideOf(face.family), failure))
                return false;
            // Another font of the same family name may be installed: only this file's own will do.
            if (tableOf("head") != face.head)
                return fail(failure, FontOpenFailure::Kind::Unusable,
                    "Windows draws another font of its family name (" + face.family
                        + ") in its place, one installed on the system: choose that one by name, or install this file");
            return checkUsable(failure);
        }

        bool openInstalled(const std::string& family, FontOpenFailure& failure) override
        {
            close();
            return select(wideOf(family), failure) && checkUsable(failure);
        }

        std::string faceName() const override { return m_name; }
        FaceMetrics metrics() const override { return m_metrics; }

        unsigned glyphIndex(char32_t c) override
        {
            if (!m_open || c > 0xFFFF || (c >= 0xD800 && c < 0xE000))
                return 0;
            const wchar_t text = static_cast<wchar_t>(c);
            WORD glyph = 0xFFFF;
            if (GetGlyphIndicesW(m_design, &text, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR
                || glyph == 0xFFFF)
                return 0;
            return glyph;
        }

        bool designBox(unsigned glyph, GlyphBox& box) override
        {
            GLYPHMETRICS metrics;
            if (!outline(m_design, glyph, GGO_NATIVE | GGO_UNHINTED, identity(), metrics, m_data)
                || !outlineBox(m_data, box))
                return false;
            // The design font has one dot to the font unit.
            box = GlyphBox { box.xMin >> 6, box.yMin >> 6, (box.xMax + 63) >> 6, (box.yMax + 63) >> 6 };
            return true;
        }

        bool designAdvance(unsigned glyph, long& advance) override
        {
            WORD index = static_cast<WORD>(glyph);
            ABC abc;
            if (!m_open || !GetCharABCWidthsI(m_design, 0, 1, &index, &abc))
                return false;
            advance = abc.abcA + static_cast<long>(abc.abcB) + abc.abcC;
            return true;
        }

        bool setSize(int x, int y) override
        {
            if (!m_open || x <= 0 || y <= 0) {
                m_error = "Windows cannot draw it at that size";
                return false;
            }
            if (x == m_sizeX && y == m_sizeY)
                return true;
            // One font for each height; a width other than the height is a scale across.
            auto font
                = std::find_if(m_sizedFonts.begin(), m_sizedFonts.end(), [&](const auto& f) { return f.first == y; });
            if (font == m_sizedFonts.end()) {
                const HFONT made = create(m_family, -y);
                if (!made) {
                    m_error = "Windows cannot draw it at that size";
                    return false;
                }
                m_sizedFonts.emplace_back(y, made);
                font = m_sizedFonts.end() - 1;
            }
            SelectObject(m_sized, font->second);
            m_sizeX = x;
            m_sizeY = y;
            m_across = static_cast<long>(std::lround(65536.0 * x / y));
            return true;
        }

        bool load(unsigned glyph, GridFit fit, LoadedGlyph& loaded) override
        {
            m_glyph = glyph;
            m_monochrome = fit == GridFit::Monochrome;
            m_scaleX = m_scaleY = 0x10000;
            m_moveX = m_moveY = 0;
            GLYPHMETRICS metrics;
            if (!outline(m_sized, glyph, GGO_NATIVE, matrix(), metrics, m_data))
                return false;
            if (!outlineBox(m_data, m_box))
                m_box = GlyphBox {};
            long advance = 0;
            designAdvance(glyph, advance);
            loaded.outline = true;
            loaded.advance = static_cast<long>(metrics.gmCellIncX) * 64;
            loaded.designAdvance
                = static_cast<long>(std::lround(advance * 64.0 * m_sizeX / std::max(1, m_metrics.unitsPerEm)));
            return true;
        }

        GlyphBox box() const override
        {
            return GlyphBox { mulFix(m_box.xMin, m_scaleX) + m_moveX, mulFix(m_box.yMin, m_scaleY) + m_moveY,
                mulFix(m_box.xMax, m_scaleX) + m_moveX, mulFix(m_box.yMax, m_scaleY) + m_moveY };
        }

        void scale(long across, long down) override
        {
            m_scaleX = mulFix(m_scaleX, across);
            m_scaleY = mulFix(m_scaleY, down);
            m_moveX = mulFix(m_moveX, across);
            m_moveY = mulFix(m_moveY, down);
        }

        void move(long right, long up) override
        {
            m_moveX += right;
            m_moveY += up;
        }

        bool draw(GlyphBitmap& bitmap) override
        {
            // GDI draws a glyph with its origin on a dot: a move by whole dots
            // moves the drawing. One moved by part of a dot is drawn kSub times
            // larger, moved there by whole small dots and gathered back: the
            // grey of all its small dots, or the dot of the middle one in a
            // monochrome drawing (a dot is set where its middle is inside).
            const bool partDot = m_moveX % 64 != 0 || m_moveY % 64 != 0;
            const int sub = partDot ? kSub : 1;
            GLYPHMETRICS metrics;
            const UINT format = m_monochrome ? GGO_BITMAP : GGO_GRAY8_BITMAP;
            if (!outline(m_sized, m_glyph, format, matrix(sub), metrics, m_data))
                return false;
            const int width = m_data.empty() ? 0 : static_cast<int>(metrics.gmBlackBoxX);
            const int rows = m_data.empty() ? 0 : static_cast<int>(metrics.gmBlackBoxY);
            const std::size_t pitch = m_monochrome ? (static_cast<std::size_t>(width) + 31) / 32 * 4
                                                   : (static_cast<std::size_t>(width) + 3) & ~std::size_t { 3 };
            if (pitch * static_cast<std::size_t>(rows) > m_data.size()) {
                m_error = "Windows draws it in less room than it says it needs";
                return false;
            }
            const auto grey = [&](int r, int c) {
                const std::uint8_t* row = m_data.data() + pitch * static_cast<std::size_t>(r);
                return m_monochrome ? ((row[c >> 3] >> (7 - (c & 7))) & 1 ? 64 : 0) : std::min<int>(row[c], 64);
            };
            // Whole (small) dots, rounded down: x right, y up.
            const auto floorDiv = [](long a, long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
            const long step = 64 / sub; // 1/64 dot to the small dot
            const long moveX = m_moveX + step / 2, moveY = m_moveY + step / 2;
            // The drawing's first column and top edge, in small dots.
            const long x0 = metrics.gmptGlyphOrigin.x + floorDiv(moveX, step);
            const long y0 = metrics.gmptGlyphOrigin.y + floorDiv(moveY, step);
            const int left = static_cast<int>(floorDiv(x0, sub));
            const int top = static_cast<int>(floorDiv(y0 + sub - 1, sub));
            const int cols = width == 0 ? 0 : static_cast<int>(floorDiv(x0 + width - 1, sub)) - left + 1;
            const int lines = rows == 0 ? 0 : top - static_cast<int>(floorDiv(y0 - rows, sub));
            m_coverage.assign(static_cast<std::size_t>(cols) * lines, 0);
            m_sums.assign(m_coverage.size(), 0);
            for (int r = 0; r < rows; ++r) {
                // The small row's top edge lies at y0 - r: in the dot whose top edge is at ceil((y0 - r) / sub).
                const long line = top - floorDiv(y0 - r + sub - 1, sub);
                if (m_monochrome && (y0 - r) - floorDiv(y0 - r, sub) * sub != sub / 2)
                    continue;
                for (int c = 0; c < width; ++c)
                    if (!m_monochrome || (x0 + c) - floorDiv(x0 + c, sub) * sub == sub / 2)
                        m_sums[static_cast<std::size_t>(line) * cols + (floorDiv(x0 + c, sub) - left)] += grey(r, c);
            }
            const long full = m_monochrome ? 64L : 64L * sub * sub;
            for (std::size_t i = 0; i < m_sums.size(); ++i)
                m_coverage[i] = static_cast<std::uint8_t>((std::min(m_sums[i], full) * 255 + full / 2) / full);
            bitmap = GlyphBitmap { left, top, cols, lines, m_coverage.data() };
            return true;
        }

        std::string failure() const override { return m_error; }

    private:
        bool fail(FontOpenFailure& failure, FontOpenFailure::Kind kind, std::string reason, int faces = 0)
        {
            failure = FontOpenFailure { kind, std::move(reason), faces, m_name };
            close();
            return false;
        }

        HFONT create(const std::wstring& family, int height) const
        {
            LOGFONTW font {};
            font.lfHeight = height;
            font.lfCharSet = DEFAULT_CHARSET;
            font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
            font.lfQuality = ANTIALIASED_QUALITY;
            family.copy(font.lfFaceName, LF_FACESIZE - 1);
            return CreateFontIndirectW(&font);
        }

        // Chooses the family at its design size (one dot to the font unit) and
        // reads what the generator asks of the face.
        bool select(const std::wstring& family, FontOpenFailure& failure)
        {
            if (family.empty() || family.size() >= LF_FACESIZE)
                return fail(failure, FontOpenFailure::Kind::Unusable, "its family name is not one Windows can choose");
            m_family = family;
            HFONT probe = create(family, -1000);
            const HGDIOBJ before = SelectObject(m_design, probe);
            std::vector<std::uint8_t> buffer;
            const OUTLINETEXTMETRICW* otm = outlineMetrics(buffer);
            const UINT em = otm ? otm->otmEMSquare : 0;
            SelectObject(m_design, before);
            DeleteObject(probe);
            if (!otm || em == 0)
                return fail(failure, FontOpenFailure::Kind::Unusable,
                    "it holds bitmaps only, and only outline fonts (TrueType, OpenType) can be drawn at every size");
            // At one dot to the font unit its metrics are the font's own numbers.
            m_designFont = create(family, -static_cast<int>(em));
            SelectObject(m_design, m_designFont);
            if (!(otm = outlineMetrics(buffer)))
                return fail(failure, FontOpenFailure::Kind::Unusable, "Windows cannot draw it at its design size");
            const auto text = [&](PSTR offset) {
                return utf8OfWide(
                    reinterpret_cast<const wchar_t*>(buffer.data() + reinterpret_cast<std::uintptr_t>(offset)));
            };
            m_name = text(otm->otmpFamilyName);
            if (const std::string style = text(otm->otmpStyleName); !style.empty())
                m_name += (m_name.empty() ? "" : " ") + style;
            // The horizontal header's line (Windows' "Macintosh" one) and the
            // typographic one; a font without the first has the second, else
            // its Windows line, as FreeType reads them.
            m_metrics.unitsPerEm = static_cast<int>(otm->otmEMSquare);
            m_metrics.ascender = otm->otmMacAscent;
            m_metrics.descender = otm->otmMacDescent;
            m_metrics.hasTypoMetrics = true; // Windows takes no font without them (its OS/2 table)
            m_metrics.typoAscender = otm->otmAscent;
            m_metrics.typoDescender = otm->otmDescent;
            if (m_metrics.ascender == 0 && m_metrics.descender == 0) {
                const bool typo = m_metrics.typoAscender != 0 || m_metrics.typoDescender != 0;
                m_metrics.ascender = typo ? m_metrics.typoAscender : otm->otmTextMetrics.tmAscent;
                m_metrics.descender = typo ? m_metrics.typoDescender : -otm->otmTextMetrics.tmDescent;
            }
            m_open = true;
            return true;
        }

        // GetOutlineTextMetricsW of the font in m_design into `buffer`; nullptr
        // when it has none (not an outline font).
        const OUTLINETEXTMETRICW* outlineMetrics(std::vector<std::uint8_t>& buffer) const
        {
            const UINT size = GetOutlineTextMetricsW(m_design, 0, nullptr);
            if (size < sizeof(OUTLINETEXTMETRICW))
                return nullptr;
            buffer.assign(size, 0);
            auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
            return GetOutlineTextMetricsW(m_design, size, otm) != 0 ? otm : nullptr;
        }

        // Characters are found through the font's Unicode map: without one, none are.
        bool checkUsable(FontOpenFailure& failure)
        {
            const DWORD size = GetFontUnicodeRanges(m_design, nullptr);
            std::vector<std::uint8_t> buffer(std::max<DWORD>(size, sizeof(GLYPHSET)));
            auto* set = reinterpret_cast<GLYPHSET*>(buffer.data());
            if (size == 0 || GetFontUnicodeRanges(m_design, set) == 0 || set->cGlyphsSupported == 0)
                return fail(failure, FontOpenFailure::Kind::Unusable,
                    "it has no Unicode character map, by which characters are found");
            return true;
        }

        std::vector<std::uint8_t> tableOf(const char* tag) const
        {
            const DWORD name = static_cast<DWORD>(static_cast<unsigned char>(tag[0]))
                | static_cast<DWORD>(static_cast<unsigned char>(tag[1])) << 8
                | static_cast<DWORD>(static_cast<unsigned char>(tag[2])) << 16
                | static_cast<DWORD>(static_cast<unsigned char>(tag[3])) << 24;
            const DWORD size = GetFontData(m_design, name, 0, nullptr, 0);
            if (size == GDI_ERROR || size == 0)
                return {};
            std::vector<std::uint8_t> data(size);
            if (GetFontData(m_design, name, 0, data.data(), size) != size)
                return {};
            return data;
        }

        static MAT2 identity() { return MAT2 { fixedOf(0x10000), fixedOf(0), fixedOf(0), fixedOf(0x10000) }; }
        // The size set, the scale given and `times` larger.
        MAT2 matrix(int times = 1) const
        {
            return MAT2 { fixedOf(mulFix(m_across, m_scaleX) * times), fixedOf(0), fixedOf(0),
                fixedOf(m_scaleY * times) };
        }

        // GetGlyphOutlineW into `data`; false with the reason kept.
        bool outline(HDC dc, unsigned glyph, UINT format, const MAT2& transform, GLYPHMETRICS& metrics,
            std::vector<std::uint8_t>& data)
        {
            data.clear();
            if (!m_open) {
                m_error = "no font is open";
                return false;
            }
            format |= GGO_GLYPH_INDEX;
            const DWORD size = GetGlyphOutlineW(dc, glyph, format, &metrics, 0, nullptr, &transform);
            if (size == GDI_ERROR) {
                m_error = "Windows cannot draw its glyph (its glyph data may be damaged)";
                return false;
            }
            if (size == 0)
                return true; // no outline: a blank glyph
            data.resize(size);
            if (GetGlyphOutlineW(dc, glyph, format, &metrics, size, data.data(), &transform) == GDI_ERROR) {
                m_error = "Windows cannot draw its glyph (its glyph data may be damaged)";
                return false;
            }
            return true;
        }

        void close()
        {
            SelectObject(m_design, GetStockObject(SYSTEM_FONT));
            SelectObject(m_sized, GetStockObject(SYSTEM_FONT));
            if (m_designFont)
                DeleteObject(m_designFont);
            m_designFont = nullptr;
            for (const auto& [height, font] : m_sizedFonts)
                DeleteObject(font);
            m_sizedFonts.clear();
            if (!m_addedFile.empty())
                RemoveFontResourceExW(m_addedFile.c_str(), FR_PRIVATE, nullptr);
            m_addedFile.clear();
            m_open = false;
            m_name.clear();
            m_metrics = {};
            m_sizeX = m_sizeY = 0;
        }

        HDC m_design, m_sized; // the font at one dot to the font unit; the font at the size set
        HFONT m_designFont = nullptr;
        std::vector<std::pair<int, HFONT>> m_sizedFonts; // by height
        std::wstring m_family;
        std::wstring m_addedFile; // added for this process, removed on close
        bool m_open = false;
        std::string m_name;
        FaceMetrics m_metrics;
        int m_sizeX = 0, m_sizeY = 0;
        long m_across = 0x10000; // the width set over the height, 16.16
        // The loaded glyph: its outline box at the size set, and the scale and move given since.
        unsigned m_glyph = 0;
        bool m_monochrome = false;
        GlyphBox m_box;
        long m_scaleX = 0x10000, m_scaleY = 0x10000, m_moveX = 0, m_moveY = 0;
        std::vector<std::uint8_t> m_data, m_coverage;
        std::vector<long> m_sums;
        std::string m_error;
    };

} // namespace

std::unique_ptr<GlyphRasteriser> makeGlyphRasteriser() { return std::make_unique<GdiRasteriser>(); }

} // namespace zarn
