// Outline fonts drawn by FreeType, from the font file's bytes in memory.
#include "platform/GlyphRasteriser.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdio>

namespace zarn {

namespace {

    // An error of the font's own hinting program, not of its outlines.
    bool brokenHinting(FT_Error error)
    {
        const int code = FT_ERROR_BASE(error);
        return (code >= FT_Err_Invalid_Opcode && code <= FT_Err_Too_Many_Instruction_Defs)
            || code == FT_Err_DEF_In_Glyf_Bytecode;
    }

    // Why FreeType cannot use a font (or one of its glyphs), in words: a clause
    // that follows "cannot be read: " and the like.
    std::string fontFault(FT_Error error)
    {
        const int code = FT_ERROR_BASE(error);
        switch (code) {
        case FT_Err_Cannot_Open_Resource:
        case FT_Err_Cannot_Open_Stream:
            return "it cannot be opened";
        case FT_Err_Unknown_File_Format:
            return "it is not a font FreeType knows (unknown file format)";
        case FT_Err_Invalid_File_Format:
        case FT_Err_Invalid_Version:
            return "its header is damaged or of a version FreeType does not know";
        case FT_Err_Invalid_Argument:
            return "it is damaged (FreeType refuses its data)";
        case FT_Err_Out_Of_Memory:
            return "there is not enough memory";
        case FT_Err_Invalid_Pixel_Size:
        case FT_Err_Invalid_PPem:
            return "FreeType cannot scale it to that size";
        case FT_Err_Missing_Bitmap:
            return "it has no bitmap of that size";
        case FT_Err_Unimplemented_Feature:
        case FT_Err_Lower_Module_Version:
        case FT_Err_Missing_Module:
            return "it needs a part of FreeType that this build lacks";
        }
        if (code >= FT_Err_Invalid_Stream_Seek && code <= FT_Err_Invalid_Frame_Read)
            return "it is cut short or damaged (its tables point past the end of the file)";
        if (code >= FT_Err_Table_Missing && code <= FT_Err_Post_Table_Missing)
            return "it is incomplete (a table every font needs is missing)";
        if (brokenHinting(error))
            return "its hinting instructions are broken";
        if ((code >= FT_Err_Invalid_Glyph_Index && code <= FT_Err_Too_Many_Hints)
            || (code >= FT_Err_Raster_Uninitialized && code <= FT_Err_Raster_Negative_Height))
            return "its glyph data are damaged";
        if ((code >= FT_Err_Invalid_Table && code <= FT_Err_Array_Too_Large)
            || (code >= FT_Err_Invalid_Horiz_Metrics && code <= FT_Err_Invalid_Post_Table)
            || code >= FT_Err_Syntax_Error)
            return "it is damaged (one of its tables is broken)";
        char text[64];
        std::snprintf(text, sizeof text, "FreeType cannot use it (its error 0x%02X)", static_cast<unsigned>(code));
        return text;
    }

    class FreeTypeRasteriser final : public GlyphRasteriser {
    public:
        ~FreeTypeRasteriser() override
        {
            closeFace();
            if (m_library)
                FT_Done_FreeType(m_library);
        }

        bool openFile(
            const std::string&, std::vector<std::uint8_t> bytes, int faceIndex, FontOpenFailure& failure) override
        {
            const auto fail = [&](FontOpenFailure::Kind kind, std::string reason, int faces = 0) {
                failure = FontOpenFailure { kind, std::move(reason), faces, faceName() };
                closeFace();
                return false;
            };
            if (!m_library) {
                if (FT_Error e = FT_Init_FreeType(&m_library)) {
                    m_library = nullptr;
                    return fail(FontOpenFailure::Kind::Unreadable, "FreeType cannot start (" + fontFault(e) + ")");
                }
            }
            closeFace(); // the one opened before, if any
            m_fontBytes = std::move(bytes); // the face reads them for as long as it is open
            const auto openFace = [&](FT_Long index, FT_Face* face) {
                return FT_New_Memory_Face(
                    m_library, m_fontBytes.data(), static_cast<FT_Long>(m_fontBytes.size()), index, face);
            };
            FT_Face face = nullptr;
            if (FT_Error e = openFace(faceIndex, &face)) {
                FT_Face first = nullptr;
                if (faceIndex > 0 && openFace(0, &first) == 0) {
                    const FT_Long faces = first->num_faces;
                    FT_Done_Face(first);
                    if (faceIndex >= faces)
                        return fail(FontOpenFailure::Kind::NoSuchFace, {}, static_cast<int>(faces));
                }
                // FreeType gives up at the first reader that fails other than by not knowing
                // the format: a short file of any kind can end its reading of a font header.
                const int code = FT_ERROR_BASE(e);
                if (code == FT_Err_Unknown_File_Format
                    || (code >= FT_Err_Invalid_Stream_Seek && code <= FT_Err_Invalid_Frame_Read))
                    return fail(FontOpenFailure::Kind::UnknownFormat, fontFault(FT_Err_Unknown_File_Format));
                return fail(FontOpenFailure::Kind::Unreadable, fontFault(e));
            }
            m_face = face;
            if (!FT_IS_SCALABLE(face))
                return fail(FontOpenFailure::Kind::Unusable,
                    "it holds bitmaps only, and only outline fonts (TrueType, OpenType) can be drawn at every size");
            if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
                return fail(
                    FontOpenFailure::Kind::Unusable, "it has no Unicode character map, by which characters are found");
            return true;
        }

        bool openInstalled(const std::string&, FontOpenFailure& failure) override
        {
            failure
                = FontOpenFailure { FontOpenFailure::Kind::Unreadable, "FreeType opens fonts from their files", 0, {} };
            return false;
        }

        std::string faceName() const override
        {
            if (!m_face)
                return {};
            std::string name = m_face->family_name ? m_face->family_name : "";
            if (m_face->style_name && *m_face->style_name) {
                if (!name.empty())
                    name += ' ';
                name += m_face->style_name;
            }
            return name;
        }

        FaceMetrics metrics() const override
        {
            FaceMetrics metrics;
            if (!m_face)
                return metrics;
            metrics.unitsPerEm = m_face->units_per_EM;
            metrics.ascender = m_face->ascender;
            metrics.descender = m_face->descender;
            if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2));
                os2 && os2->version != 0xFFFF) {
                metrics.hasTypoMetrics = true;
                metrics.typoAscender = os2->sTypoAscender;
                metrics.typoDescender = os2->sTypoDescender;
            }
            return metrics;
        }

        unsigned glyphIndex(char32_t c) override { return m_face ? FT_Get_Char_Index(m_face, c) : 0; }

        bool designBox(unsigned glyph, GlyphBox& box) override
        {
            if (!m_face || FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_SCALE) != 0
                || m_face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || m_face->glyph->outline.n_points == 0)
                return false;
            FT_BBox cbox;
            FT_Outline_Get_CBox(&m_face->glyph->outline, &cbox);
            box = GlyphBox { cbox.xMin, cbox.yMin, cbox.xMax, cbox.yMax };
            return true;
        }

        bool designAdvance(unsigned glyph, long& advance) override
        {
            FT_Fixed units = 0;
            if (!m_face || FT_Get_Advance(m_face, glyph, FT_LOAD_NO_SCALE, &units) != 0)
                return false;
            advance = units;
            return true;
        }

        bool setSize(int x, int y) override
        {
            if (x == m_sizeX && y == m_sizeY)
                return true;
            if (!m_face)
                return false;
            if ((m_lastError = FT_Set_Pixel_Sizes(m_face, static_cast<FT_UInt>(x), static_cast<FT_UInt>(y))))
                return false;
            m_sizeX = x;
            m_sizeY = y;
            return true;
        }

        bool load(unsigned glyph, GridFit fit, LoadedGlyph& loaded) override
        {
            const FT_Int32 flags = fit == GridFit::Monochrome ? FT_LOAD_TARGET_MONO
                : fit == GridFit::Font                        ? FT_LOAD_TARGET_NORMAL
                                                              : FT_LOAD_TARGET_NORMAL | FT_LOAD_FORCE_AUTOHINT;
            m_lastError = FT_Load_Glyph(m_face, glyph, flags);
            if (brokenHinting(m_lastError)) // the outline may be whole: fitted by the auto-hinter instead
                m_lastError = FT_Load_Glyph(m_face, glyph, flags | FT_LOAD_FORCE_AUTOHINT);
            if (m_lastError)
                return false;
            const FT_GlyphSlot slot = m_face->glyph;
            m_monochrome = fit == GridFit::Monochrome;
            loaded.outline = slot->format == FT_GLYPH_FORMAT_OUTLINE;
            loaded.advance = slot->advance.x;
            loaded.designAdvance = slot->linearHoriAdvance >> 10;
            return true;
        }

        GlyphBox box() const override
        {
            if (!m_face || m_face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
                return {};
            FT_BBox cbox;
            FT_Outline_Get_CBox(&m_face->glyph->outline, &cbox);
            return GlyphBox { cbox.xMin, cbox.yMin, cbox.xMax, cbox.yMax };
        }

        void scale(long across, long down) override
        {
            FT_Matrix matrix { across, 0, 0, down };
            FT_Outline_Transform(&m_face->glyph->outline, &matrix);
        }

        void move(long right, long up) override { FT_Outline_Translate(&m_face->glyph->outline, right, up); }

        bool draw(GlyphBitmap& out) override
        {
            const FT_GlyphSlot slot = m_face->glyph;
            if ((m_lastError = FT_Render_Glyph(slot, m_monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL)))
                return false;
            const FT_Bitmap& bitmap = slot->bitmap;
            const int rows = static_cast<int>(bitmap.rows), cols = static_cast<int>(bitmap.width);
            m_coverage.assign(static_cast<std::size_t>(rows) * cols, 0);
            for (int r = 0; r < rows; ++r) {
                const unsigned char* row = bitmap.pitch >= 0
                    ? bitmap.buffer + static_cast<long>(r) * bitmap.pitch
                    : bitmap.buffer + static_cast<long>(rows - 1 - r) * -bitmap.pitch;
                std::uint8_t* to = m_coverage.data() + static_cast<std::size_t>(r) * cols;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    std::copy(row, row + cols, to);
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    for (int c = 0; c < cols; ++c)
                        to[c] = (row[c >> 3] >> (7 - (c & 7))) & 1 ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_BGRA)
                    for (int c = 0; c < cols; ++c)
                        to[c] = row[c * 4 + 3];
            }
            out = GlyphBitmap { slot->bitmap_left, slot->bitmap_top, cols, rows, m_coverage.data() };
            return true;
        }

        std::string failure() const override { return fontFault(m_lastError); }

    private:
        void closeFace()
        {
            if (m_face)
                FT_Done_Face(m_face);
            m_face = nullptr;
            m_sizeX = m_sizeY = 0;
        }

        FT_Library m_library = nullptr;
        FT_Face m_face = nullptr;
        std::vector<std::uint8_t> m_fontBytes; // the face's file, read for FreeType
        FT_Error m_lastError = 0; // why the last glyph that failed could not be drawn
        int m_sizeX = 0, m_sizeY = 0; // the pixel size the face is set to now
        bool m_monochrome = false; // how the loaded glyph is to be drawn
        std::vector<std::uint8_t> m_coverage; // the glyph drawn last
    };

} // namespace

std::unique_ptr<GlyphRasteriser> makeGlyphRasteriser() { return std::make_unique<FreeTypeRasteriser>(); }

} // namespace zarn
