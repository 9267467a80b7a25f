#include "import/fontgen/FontGenerator.h"

#include "resfile/ReplaceFile.h"

#include "import/fontgen/FontCharset.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

namespace fs = std::filesystem;

namespace {

    std::string freetypeError(FT_Error code)
    {
        const char* text = FT_Error_String(code);
        return text ? text : "FreeType error " + std::to_string(code);
    }

} // namespace

struct GlyphRenderer::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    int width = 0, height = 0;
    int ppem = 0;
    int baseline = 0;

    ~Impl()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

GlyphRenderer::GlyphRenderer()
    : m(std::make_unique<Impl>())
{
}
GlyphRenderer::~GlyphRenderer() = default;

bool GlyphRenderer::open(const std::string& fontPath, int faceIndex, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "Cannot open font file '" + fontPath + "': " + why;
        return false;
    };
    std::error_code ec;
    if (!fs::is_regular_file(fontPath, ec))
        return fail(fs::exists(fontPath, ec) ? "not a regular file" : std::strerror(ENOENT));
    if (!m->library) {
        if (FT_Error e = FT_Init_FreeType(&m->library)) {
            m->library = nullptr;
            return fail(freetypeError(e));
        }
    }
    if (m->face) {
        FT_Done_Face(m->face);
        m->face = nullptr;
    }
    if (faceIndex < 0)
        return fail("face index " + std::to_string(faceIndex) + " is negative");
    FT_Face face = nullptr;
    if (FT_Error e = FT_New_Face(m->library, fontPath.c_str(), faceIndex, &face)) {
        if (e == FT_Err_Unknown_File_Format)
            return fail("not a font file FreeType can read");
        if (e == FT_Err_Invalid_Argument && faceIndex > 0)
            return fail("the file has no face " + std::to_string(faceIndex));
        return fail(freetypeError(e));
    }
    m->face = face;
    if (!FT_IS_SCALABLE(face))
        return fail("not an outline font (only TrueType/OpenType outlines can be scaled to any size)");
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0)
        return fail("the font has no Unicode character map");
    return true;
}

bool GlyphRenderer::setCell(int width, int height, bool fullWidth, std::string* error)
{
    if (!m->face) {
        if (error)
            *error = "No font is open";
        return false;
    }
    FT_Face face = m->face;
    const double upem = face->units_per_EM > 0 ? face->units_per_EM : 1000.0;
    double ascent = face->ascender, descent = -static_cast<double>(face->descender);
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        fullWidth && os2 && os2->version != 0xFFFF && os2->sTypoAscender - os2->sTypoDescender > 0) {
        // CJK faces describe their ideographic em box in the typographic metrics.
        ascent = os2->sTypoAscender;
        descent = -static_cast<double>(os2->sTypoDescender);
    }
    if (ascent + descent <= 0) {
        ascent = 0.8 * upem;
        descent = 0.2 * upem;
    }
    int ppem, boxHeight;
    double ascentPx;
    if (fullWidth) {
        // The em box fills the cell; its share above the baseline follows the face.
        ppem = std::min(width, height);
        boxHeight = ppem;
        ascentPx = ppem * ascent / (ascent + descent);
    } else {
        const double lineEm = (ascent + descent) / upem;
        ppem = std::max(1, static_cast<int>(std::floor(height / lineEm + 1e-9)));
        boxHeight = static_cast<int>(std::lround(ppem * lineEm));
        ascentPx = ppem * ascent / upem;
    }
    m->width = width;
    m->height = height;
    m->ppem = ppem;
    m->baseline = std::max(0, (height - boxHeight) / 2) + static_cast<int>(std::lround(ascentPx));
    if (FT_Error e = FT_Set_Pixel_Sizes(face, ppem, ppem)) {
        if (error)
            *error = "Cannot scale the font to " + std::to_string(ppem) + " pixels: " + freetypeError(e);
        return false;
    }
    return true;
}

bool GlyphRenderer::hasCharacter(char32_t c) const { return m->face && c != 0 && FT_Get_Char_Index(m->face, c) != 0; }

int GlyphRenderer::baselineRow() const { return m->baseline; }

std::string GlyphRenderer::faceName() const
{
    if (!m->face)
        return {};
    std::string name = m->face->family_name ? m->face->family_name : "";
    if (m->face->style_name)
        name += std::string(" ") + m->face->style_name;
    return name;
}

bool GlyphRenderer::render(char32_t c, std::span<std::uint8_t> glyph, const FontGenOptions& options)
{
    std::fill(glyph.begin(), glyph.end(), 0);
    if (!m->face || m->ppem <= 0 || c == 0)
        return false;
    FT_Face face = m->face;
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0)
        return false;
    const FT_Int32 flags = FT_LOAD_RENDER | (options.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face, index, flags) != 0)
        return false;
    // A glyph wider than the cell is narrowed until its ink fits.
    int ppemX = m->ppem;
    for (int tries = 0; face->glyph->bitmap.width > static_cast<unsigned>(m->width) && ppemX > 1 && tries < 8;
         ++tries) {
        const int fitted = static_cast<int>(static_cast<long>(ppemX) * m->width / face->glyph->bitmap.width);
        ppemX = std::max(1, std::min(ppemX - 1, fitted));
        if (FT_Set_Pixel_Sizes(face, ppemX, m->ppem) != 0 || FT_Load_Glyph(face, index, flags) != 0)
            break;
    }
    if (ppemX != m->ppem)
        FT_Set_Pixel_Sizes(face, m->ppem, m->ppem);

    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int rows = static_cast<int>(bitmap.rows), cols = static_cast<int>(bitmap.width);
    const int rowBytes = (m->width + 7) / 8;
    // Ink past the cell is clipped; a glyph that would leave the cell is moved back in whole if it fits.
    int top = m->baseline - slot->bitmap_top;
    if (top + rows > m->height)
        top = m->height - rows;
    if (top < 0)
        top = 0;
    const int left = (m->width - cols) / 2; // negative only when narrowing could not make it fit
    const int threshold = std::clamp(options.threshold, 1, 255);
    const int pitch = bitmap.pitch;
    for (int r = 0; r < rows; ++r) {
        const int y = top + r;
        if (y >= m->height)
            break;
        const unsigned char* row = pitch >= 0 ? bitmap.buffer + static_cast<long>(r) * pitch
                                              : bitmap.buffer + static_cast<long>(rows - 1 - r) * -pitch;
        for (int x0 = 0; x0 < cols; ++x0) {
            const int x = left + x0;
            if (x < 0 || x >= m->width)
                continue;
            bool on = false;
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_MONO:
                on = (row[x0 >> 3] >> (7 - (x0 & 7))) & 1;
                break;
            case FT_PIXEL_MODE_GRAY:
                on = row[x0] >= threshold;
                break;
            case FT_PIXEL_MODE_BGRA:
                on = row[x0 * 4 + 3] >= threshold;
                break;
            default:
                break;
            }
            if (on)
                glyph[static_cast<std::size_t>(y) * rowBytes + (x >> 3)] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    return true;
}

FontGenResult generateFontLibrary(
    const std::string& fontPath, FontLibraryType type, int width, int height, const FontGenOptions& options)
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
    std::string error;
    const std::vector<char32_t> characters = libraryCharacters(type, &error);
    if (characters.empty()) {
        result.message = error;
        return result;
    }
    GlyphRenderer renderer;
    if (!renderer.open(fontPath, options.faceIndex, &error)
        || !renderer.setCell(width, height, isFullWidthType(type), &error)) {
        result.message = error;
        return result;
    }
    const std::size_t glyphBytes = static_cast<std::size_t>((width + 7) / 8) * height;
    std::vector<std::uint8_t> data(glyphBytes * characters.size(), 0);
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (characters[i] == 0)
            continue;
        ++result.characters;
        if (!renderer.render(characters[i], std::span<std::uint8_t>(data).subspan(i * glyphBytes, glyphBytes), options))
            ++result.missing;
    }
    if (result.characters == result.missing) {
        result.message = "The font '" + fontPath + "' (" + renderer.faceName() + ") has none of the characters of a "
            + libraryExtension(type) + " library";
        return result;
    }
    result.ok = true;
    result.data = std::move(data);
    return result;
}

FontLibraryOutput makeFontLibrary(const std::string& fontPath, FontLibraryType type, int width, int height,
    const std::string& outputFolder, const FontGenOptions& options)
{
    FontLibraryOutput out;
    const fs::path folder = outputFolder.empty() ? fs::path(".") : fs::path(outputFolder);
    const fs::path target = folder / libraryFileName(type, width, height);
    std::error_code ec;
    // Check the folder before the long rendering, so a typo costs nothing.
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        out.message = "Output folder '" + folder.string() + "' is not a folder";
        return out;
    }
    if (!fs::exists(folder, ec) && !fs::create_directories(folder, ec)) {
        out.message = "Cannot create output folder '" + folder.string() + "': " + ec.message();
        return out;
    }
    if (fs::is_directory(target, ec)) {
        out.message = "Cannot write '" + target.string() + "': a folder of that name is in the way";
        return out;
    }

    FontGenResult generated = generateFontLibrary(fontPath, type, width, height, options);
    if (!generated.ok) {
        out.message = generated.message;
        return out;
    }

    if (const std::string why = replaceFile(defaultFileIo(), target.string(), generated.data); !why.empty()) {
        out.message = "Cannot write '" + target.string() + "': " + why;
        return out;
    }
    out.ok = true;
    out.path = target.string();
    out.size = static_cast<std::uint32_t>(generated.data.size());
    out.characters = generated.characters;
    out.missing = generated.missing;
    out.message = "Wrote " + out.path + " (" + std::to_string(out.size) + " bytes)";
    if (out.missing > 0)
        out.message += "; " + std::to_string(out.missing) + " of its " + std::to_string(out.characters)
            + " characters are not in the font and are left blank";
    return out;
}

} // namespace zarn
