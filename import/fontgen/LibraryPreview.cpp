#include "import/fontgen/LibraryPreview.h"

#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace zarn {

namespace {
    constexpr std::uint8_t kPaper = 255, kInk = 0, kGrid = 176;
    // Beyond this a file is plainly not a dot-matrix library (the largest, 99X99.big, is about 18 MB).
    constexpr std::uintmax_t kMaxLibraryBytes = 64u * 1024 * 1024;

    constexpr int kPlainColumns = 16; // glyphs a row when the library's code rows are unknown

    bool validSize(int w, int h)
    {
        return w >= kMinGlyphDots && w <= kMaxGlyphDots && h >= kMinGlyphDots && h <= kMaxGlyphDots;
    }

    // Cells of scale*size dots plus one grid line; the columns never more than the glyphs.
    struct Geometry {
        int scale, columns, cellW, cellH;
        Geometry(int w, int h, const SheetOptions& o, std::uint32_t glyphs)
            : scale(std::clamp(o.scale, 1, kMaxSheetScale))
            , columns(static_cast<int>(std::clamp<std::uint32_t>(
                  o.columns > 0 ? std::min(o.columns, kMaxSheetColumns) : kPlainColumns, 1, std::max(glyphs, 1u))))
            , cellW(w * scale + 1)
            , cellH(h * scale + 1)
        {
        }
    };

    std::string hexCode(FontLibraryType type, std::uint16_t code)
    {
        char text[8];
        std::snprintf(text, sizeof text, type == FontLibraryType::Ascii ? "0x%02X" : "0x%04X", code);
        return text;
    }
}

std::uint32_t sheetGlyphCount(std::size_t libraryBytes, int glyphWidth, int glyphHeight, const SheetOptions& options)
{
    if (!validSize(glyphWidth, glyphHeight))
        return 0;
    const std::uint64_t available = libraryBytes / glyphByteCount(glyphWidth, glyphHeight);
    if (options.first >= available)
        return 0;
    const std::uint32_t wanted = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({ options.count, available - options.first, kMaxSheetGlyphs }));
    const Geometry g(glyphWidth, glyphHeight, options, wanted);
    const std::uint64_t rowPixels = static_cast<std::uint64_t>(g.columns * g.cellW + 1) * g.cellH;
    // One line is left for the bottom edge.
    const std::uint64_t rows
        = rowPixels < kMaxSheetPixels ? (kMaxSheetPixels - 1 - rowPixels / g.cellH) / rowPixels : 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, rows * g.columns));
}

bool glyphDot(std::span<const std::uint8_t> library, int glyphWidth, int glyphHeight, std::uint32_t index, int x, int y)
{
    if (glyphWidth <= 0 || glyphHeight <= 0 || x < 0 || y < 0 || x >= glyphWidth || y >= glyphHeight)
        return false;
    const std::size_t offset = index * glyphByteCount(glyphWidth, glyphHeight)
        + static_cast<std::size_t>(y) * ((glyphWidth + 7) / 8) + static_cast<std::size_t>(x / 8);
    return offset < library.size() && (library[offset] >> (7 - x % 8) & 1);
}

RgbImage renderGlyphSheet(
    std::span<const std::uint8_t> library, int glyphWidth, int glyphHeight, const SheetOptions& options)
{
    RgbImage image;
    const std::uint32_t count = sheetGlyphCount(library.size(), glyphWidth, glyphHeight, options);
    if (count == 0)
        return image;
    const auto [scale, columns, cellW, cellH] = Geometry(glyphWidth, glyphHeight, options, count);
    const int rows = static_cast<int>((count + columns - 1) / columns);
    image.width = columns * cellW + 1;
    image.height = rows * cellH + 1;
    image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, kGrid);
    auto put = [&](int x, int y, std::uint8_t v) {
        std::uint8_t* p = &image.rgb[(static_cast<std::size_t>(y) * image.width + x) * 3];
        p[0] = p[1] = p[2] = v;
    };
    for (std::uint32_t n = 0; n < count; ++n) {
        const int cx = static_cast<int>(n % columns) * cellW + 1, cy = static_cast<int>(n / columns) * cellH + 1;
        for (int y = 0; y < glyphHeight; ++y)
            for (int x = 0; x < glyphWidth; ++x) {
                const std::uint8_t v
                    = glyphDot(library, glyphWidth, glyphHeight, options.first + n, x, y) ? kInk : kPaper;
                for (int sy = 0; sy < scale; ++sy)
                    for (int sx = 0; sx < scale; ++sx)
                        put(cx + x * scale + sx, cy + y * scale + sy, v);
            }
    }
    return image;
}

PreviewResult previewGlyphs(std::span<const std::uint8_t> data, const std::string& name, int width, int height,
    std::optional<FontLibraryType> type, SheetOptions options, std::optional<std::uint16_t> fromCode)
{
    PreviewResult result;
    if (!validSize(width, height)) {
        result.message = "'" + name + "' has no glyph size a library can have (" + std::to_string(width) + "X"
            + std::to_string(height) + ")";
        return result;
    }
    if (fromCode) {
        const auto index = type ? libraryIndexOf(*type, *fromCode) : std::nullopt;
        if (!type) {
            result.message = "The codes of '" + name
                + "' are unknown: its extension is not .hzk (GB2312), .big (BIG5), .kzk (Hangul) or .asc (ASCII)";
            return result;
        }
        if (!index) {
            constexpr const char* kNames[] = { "a GB2312", "a BIG5", "a Hangul", "an ASCII" };
            result.message = hexCode(*type, *fromCode) + " is not a code of " + kNames[static_cast<int>(*type)]
                + " library (" + hexCode(*type, *libraryCodeAt(*type, 0)) + " to "
                + hexCode(*type, *libraryCodeAt(*type, libraryGlyphCount(*type) - 1)) + ")";
            return result;
        }
        options.first = *index;
    }
    if (options.columns <= 0)
        options.columns = type ? libraryRowLength(*type) : kPlainColumns;
    const std::size_t perGlyph = glyphByteCount(width, height);
    const std::uint64_t glyphs = data.size() / perGlyph;
    if (glyphs == 0) {
        result.message = "'" + name + "' holds no complete " + std::to_string(width) + "X" + std::to_string(height)
            + " glyph (" + std::to_string(data.size()) + " bytes)";
        return result;
    }
    if (options.first >= glyphs) {
        result.message = "'" + name + "' has only " + std::to_string(glyphs) + " glyphs; glyph "
            + std::to_string(options.first) + " does not exist";
        return result;
    }
    result.image = renderGlyphSheet(data, width, height, options);
    if (result.image.width == 0) {
        result.message = "One row of " + std::to_string(options.columns)
            + " glyphs would make too large a picture; show fewer glyphs a row or draw the dots smaller";
        return result;
    }
    result.ok = true;
    result.glyphsShown = sheetGlyphCount(data.size(), width, height, options);
    const std::uint32_t last = options.first + result.glyphsShown - 1;
    result.message = "Glyphs " + std::to_string(options.first) + " to " + std::to_string(last) + " of "
        + std::to_string(glyphs) + " (" + std::to_string(width) + "X" + std::to_string(height) + ")";
    if (type && last < libraryGlyphCount(*type))
        result.message += ", codes " + hexCode(*type, *libraryCodeAt(*type, options.first)) + " to "
            + hexCode(*type, *libraryCodeAt(*type, last));
    if (result.glyphsShown < std::min<std::uint64_t>(options.count, glyphs - options.first))
        result.message
            += "; a sheet holds no more glyphs of that size, the next start at glyph " + std::to_string(last + 1);
    if (data.size() % perGlyph != 0)
        result.message += "; warning: " + std::to_string(data.size() % perGlyph) + " bytes after the last whole glyph";
    // A library whose length is off for its type will be refused when loaded.
    if (type && data.size() != perGlyph * libraryGlyphCount(*type))
        result.message += "; warning: a complete " + std::string(libraryExtension(*type)) + " library of that size has "
            + std::to_string(perGlyph * libraryGlyphCount(*type)) + " bytes, this one " + std::to_string(data.size());
    return result;
}

PreviewResult previewFontLibrary(const std::string& libraryPath, int width, int height, const SheetOptions& options,
    std::optional<std::uint16_t> fromCode)
{
    PreviewResult result;
    const std::string name = fileNameOf(libraryPath);
    if (width == 0 || height == 0) {
        const auto [w, h] = parseGlyphSize(name);
        if (width == 0)
            width = w;
        if (height == 0)
            height = h;
    }
    if (!validSize(width, height)) {
        result.message = "Cannot tell the glyph size of '" + libraryPath + "' from its name (got "
            + std::to_string(width) + "X" + std::to_string(height) + "); name it like 16X16.hzk or give the size";
        return result;
    }
    std::string why;
    std::uint64_t length = 0;
    std::vector<std::uint8_t> data;
    switch (readRegularFile(defaultFileIo(), libraryPath, kMaxLibraryBytes, data, why, &length)) {
    case WholeRead::Read:
        break;
    case WholeRead::TooLarge:
        result.message = "'" + libraryPath + "' is " + std::to_string(length) + " bytes, too large for a font library";
        return result;
    case WholeRead::Failed:
        result.message = "Cannot read '" + libraryPath + "': " + why;
        return result;
    }
    return previewGlyphs(
        data, libraryPath, width, height, fontLibraryTypeOfExtension(fileExtension(name)), options, fromCode);
}

} // namespace zarn
