#include "import/fontgen/LibraryPreview.h"

#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "resfile/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>

namespace zarn {

namespace {
    constexpr std::uint8_t kPaper = 255, kInk = 0, kGrid = 176;
    // Beyond this a file is plainly not a dot-matrix library (the largest, 99X99.big, is about 18 MB).
    constexpr std::uintmax_t kMaxLibraryBytes = 64u * 1024 * 1024;

    std::size_t glyphBytes(int w, int h) { return static_cast<std::size_t>((w + 7) / 8) * static_cast<std::size_t>(h); }
}

bool glyphDot(std::span<const std::uint8_t> library, int glyphWidth, int glyphHeight, std::uint32_t index, int x, int y)
{
    if (glyphWidth <= 0 || glyphHeight <= 0 || x < 0 || y < 0 || x >= glyphWidth || y >= glyphHeight)
        return false;
    const std::size_t offset = index * glyphBytes(glyphWidth, glyphHeight)
        + static_cast<std::size_t>(y) * ((glyphWidth + 7) / 8) + static_cast<std::size_t>(x / 8);
    return offset < library.size() && (library[offset] >> (7 - x % 8) & 1);
}

RgbImage renderGlyphSheet(
    std::span<const std::uint8_t> library, int glyphWidth, int glyphHeight, const SheetOptions& options)
{
    RgbImage image;
    if (glyphWidth <= 0 || glyphHeight <= 0 || glyphWidth > kMaxGlyphDots || glyphHeight > kMaxGlyphDots)
        return image;
    const std::size_t perGlyph = glyphBytes(glyphWidth, glyphHeight);
    const std::uint64_t available = library.size() / perGlyph;
    if (options.first >= available)
        return image;
    const std::uint32_t count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({ options.count, available - options.first, kMaxSheetGlyphs }));
    if (count == 0)
        return image;
    const int scale = std::clamp(options.scale, 1, kMaxSheetScale);
    const int columns
        = static_cast<int>(std::min<std::uint32_t>(std::clamp(options.columns, 1, kMaxSheetColumns), count));
    const int rows = static_cast<int>((count + columns - 1) / columns);
    const int cellW = glyphWidth * scale + 1, cellH = glyphHeight * scale + 1;
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

PreviewResult previewFontLibrary(const std::string& libraryPath, int width, int height, const SheetOptions& options)
{
    PreviewResult result;
    const std::string name = std::filesystem::path(libraryPath).filename().string();
    if (width == 0 || height == 0) {
        const auto [w, h] = parseGlyphSize(name);
        if (width == 0)
            width = w;
        if (height == 0)
            height = h;
    }
    if (width < kMinGlyphDots || width > kMaxGlyphDots || height < kMinGlyphDots || height > kMaxGlyphDots) {
        result.message = "Cannot tell the glyph size of '" + libraryPath + "' from its name (got "
            + std::to_string(width) + "X" + std::to_string(height) + "); name it like 16X16.hzk or give the size";
        return result;
    }
    std::string why;
    FileStatus status;
    const int fd = openRegularFile(defaultFileIo(), libraryPath, O_RDONLY, why, &status);
    if (fd < 0) {
        result.message = "Cannot read '" + libraryPath + "': " + why;
        return result;
    }
    const std::uint64_t length = static_cast<std::uint64_t>(status.size);
    std::vector<std::uint8_t> data;
    if (length <= kMaxLibraryBytes) {
        data.resize(static_cast<std::size_t>(length));
        if (const int r = readFully(defaultFileIo(), fd, data.data(), data.size(), 0); r != 0)
            why = r < 0 ? systemReason(errno) : "the file became shorter while it was read";
    }
    defaultFileIo().close(fd);
    if (length > kMaxLibraryBytes) {
        result.message = "'" + libraryPath + "' is " + std::to_string(length) + " bytes, too large for a font library";
        return result;
    }
    if (!why.empty()) {
        result.message = "Cannot read '" + libraryPath + "': " + why;
        return result;
    }
    const std::size_t perGlyph = glyphBytes(width, height);
    const std::uint64_t glyphs = data.size() / perGlyph;
    if (glyphs == 0) {
        result.message = "'" + libraryPath + "' holds no complete " + std::to_string(width) + "X"
            + std::to_string(height) + " glyph (" + std::to_string(data.size()) + " bytes)";
        return result;
    }
    if (options.first >= glyphs) {
        result.message = "'" + libraryPath + "' has only " + std::to_string(glyphs) + " glyphs; glyph "
            + std::to_string(options.first) + " does not exist";
        return result;
    }
    result.image = renderGlyphSheet(data, width, height, options);
    result.glyphsShown = static_cast<std::uint32_t>(
        std::min<std::uint64_t>({ options.count, glyphs - options.first, kMaxSheetGlyphs }));
    result.ok = result.image.width > 0;
    result.message = "Glyphs " + std::to_string(options.first) + " to "
        + std::to_string(options.first + result.glyphsShown - 1) + " of " + std::to_string(glyphs) + " ("
        + std::to_string(width) + "X" + std::to_string(height) + ")";
    if (data.size() % perGlyph != 0)
        result.message += "; warning: " + std::to_string(data.size() % perGlyph) + " bytes after the last whole glyph";
    // A name the import knows whose length is off will be refused when loaded.
    const std::string ext = fileExtension(name);
    for (FontLibraryType t :
        { FontLibraryType::GB2312, FontLibraryType::Big5, FontLibraryType::Hangul, FontLibraryType::Ascii })
        if (ext == libraryExtension(t) && data.size() != perGlyph * libraryGlyphCount(t))
            result.message += "; warning: a complete " + std::string(libraryExtension(t)) + " library of that size has "
                + std::to_string(perGlyph * libraryGlyphCount(t)) + " bytes, this one " + std::to_string(data.size());
    return result;
}

} // namespace zarn
