#include "import/LoadedPicture.h"

#include "common/ByteOrder.h"
#include "import/Dither.h"
#include "import/ModuleBitmap.h"
#include "import/Rgb565.h"
#include "import/StagingFile.h"
#include "platform/FileIo.h"

#include <algorithm>
#include <new>

namespace zarn {

namespace {

    // Files beyond this are damage or not pictures at all; the largest picture taken
    // (65536 x 65536 would be far more) is bounded again by the dimension limit.
    constexpr std::uint64_t kMaxBmpFileBytes = 1ull << 30;

    // `c` with opacity `a` (0 to 255) over `under`.
    Rgb over(Rgb c, std::uint8_t a, Rgb under)
    {
        auto mix = [a](int top, int bottom) {
            return static_cast<std::uint8_t>((top * a + bottom * (255 - a) + 127) / 255);
        };
        return Rgb { mix(c.r, under.r), mix(c.g, under.g), mix(c.b, under.b) };
    }

    bool allOpaque(const std::vector<std::uint8_t>& alpha)
    {
        return std::all_of(alpha.begin(), alpha.end(), [](std::uint8_t a) { return a == 255; });
    }

    // The alpha of a 16- or 32-bit file's pixels, top row first. None when every
    // pixel is opaque, nor when every pixel is fully transparent: writers that know
    // nothing of alpha leave the fourth byte zero, and such a file is meant opaque.
    std::vector<std::uint8_t> fileAlpha(const BmpLayout& l, std::span<const std::uint8_t> file)
    {
        if (l.alpha.mask == 0)
            return {};
        std::vector<std::uint8_t> alpha(static_cast<std::size_t>(l.width) * l.height);
        bool anyShown = false;
        for (int y = 0; y < l.height; ++y) {
            const std::uint64_t row = l.rowOffset(y);
            for (int x = 0; x < l.width; ++x) {
                const std::uint32_t v
                    = l.bitCount == 16 ? getLe16(file.data() + row + 2ull * x) : getLe32(file.data() + row + 4ull * x);
                const std::uint8_t a = l.alpha.expand(v);
                alpha[static_cast<std::size_t>(y) * l.width + x] = a;
                anyShown = anyShown || a != 0;
            }
        }
        if (!anyShown || allOpaque(alpha))
            return {};
        return alpha;
    }

    // Transparency given with a picture of another format, kept where it says something.
    PictureAlpha givenAlpha(PictureAlpha alpha, const BmpLayout& l)
    {
        if (l.isIndexed() || alpha.pixels.size() != static_cast<std::size_t>(l.width) * l.height
            || allOpaque(alpha.pixels))
            alpha.pixels.clear();
        if (!l.isIndexed() || allOpaque(alpha.palette))
            alpha.palette.clear();
        if (alpha.palette.size() > l.paletteEntries)
            alpha.palette.resize(l.paletteEntries);
        return alpha;
    }

} // namespace

BoxFit fitToBox(int width, int height, int boxWidth, int boxHeight)
{
    BoxFit f;
    // A box without area gives nothing to fit to: the picture keeps its size.
    if ((width <= boxWidth && height <= boxHeight) || boxWidth <= 0 || boxHeight <= 0) {
        f.width = width;
        f.height = height;
        f.drawWidth = width - 1;
        f.drawHeight = height;
        return f;
    }
    f.scaled = true;
    const double rx = static_cast<double>(width) / boxWidth;
    const float fx = static_cast<float>(rx);
    const float ry = static_cast<float>(height) / static_cast<float>(boxHeight);
    // The width ratio is compared unrounded, the height ratio after rounding to
    // single precision: equal ratios that a float cannot hold fall to the height.
    if (rx >= static_cast<double>(ry)) {
        f.scale = fx;
        f.width = boxWidth;
        f.height = static_cast<int>(static_cast<double>(static_cast<float>(height)) / static_cast<double>(fx));
    } else {
        f.scale = ry;
        f.height = boxHeight;
        f.width = static_cast<int>(static_cast<double>(width) / static_cast<double>(ry));
    }
    f.drawWidth = f.width;
    f.drawHeight = f.height;
    return f;
}

int scaledSourceIndex(int i, float scale)
{
    return static_cast<int>(static_cast<double>(i) * static_cast<double>(scale) + 0.5);
}

std::string LoadedPicture::unreadable(const std::string& cause) const
{
    return cause.empty() ? std::string() : "Cannot read " + quotedPath(m_strFileName) + ": " + cause;
}

LoadedPicture::Outcome LoadedPicture::readFileBytes(std::vector<std::uint8_t>& bytes)
{
    std::string why;
    WholeRead read = WholeRead::Failed;
    try {
        read = readRegularFile(defaultFileIo(), m_strFileName, kMaxBmpFileBytes, bytes, why);
    } catch (const std::bad_alloc&) {
        why.clear();
    }
    if (read == WholeRead::Read)
        return { true, {}, {} };
    m_bLoaded = false;
    if (read == WholeRead::TooLarge)
        return { false,
            std::string { "Picture too large: the file holds more than " } + std::to_string(kMaxBmpFileBytes)
                + " bytes, more than any picture that can be loaded",
            {} };
    return { false, kMsgReadingFileError,
        "Cannot read " + quotedPath(m_strFileName) + ": " + (why.empty() ? std::string("not enough memory") : why) };
}

LoadedPicture::Outcome LoadedPicture::loadBmpFile()
{
    std::vector<std::uint8_t> data;
    if (Outcome read = readFileBytes(data); !read.ok)
        return read;
    // A file without the BMP signature is refused as unreadable there.
    return loadBmpData(std::move(data));
}

LoadedPicture::Outcome LoadedPicture::loadEmbedded(const BmpLayout& l, std::span<const std::uint8_t> file)
{
    const std::string kind = l.compression == kBmpCompressionPng ? "PNG" : "JPEG";
    m_bLoaded = false;
    if (!m_embeddedReader)
        return { false,
            "Unsupported BMP file: the pixel data is a " + kind + " picture (compression "
                + std::to_string(l.compression) + "), and this build reads no PNG or JPEG pictures",
            {} };
    PictureAsBmp decoded = m_embeddedReader(file.subspan(l.offBits, l.embeddedSize), l.compression);
    // What the reader gives is a standard file; anything else is not read again.
    if (decoded.ok && parseBmpLayout(decoded.bmp).layout.isEmbedded())
        decoded = PictureAsBmp { false, kMsgReadingFileError, {}, {} };
    if (!decoded.ok)
        return { false, decoded.message,
            decoded.message == kMsgReadingFileError
                ? "Cannot read " + quotedPath(m_strFileName) + ": the " + kind + " picture inside it is damaged"
                : std::string() };
    return loadBmpData(std::move(decoded.bmp), std::move(decoded.alpha));
}

LoadedPicture::Outcome LoadedPicture::loadBmpData(std::vector<std::uint8_t> data, PictureAlpha alpha)
{
    // Everything is read and checked into locals first: a refused file leaves
    // the picture held before exactly as it was.
    BmpParseResult parsed = parseBmpLayout(data);
    if (!parsed.ok) {
        m_bLoaded = false;
        return { false, parsed.message, unreadable(parsed.cause) };
    }
    if (parsed.layout.isEmbedded())
        return loadEmbedded(parsed.layout, data);
    const std::uint32_t fileOffBits = parsed.layout.offBits;
    if (parsed.layout.needsStandardForm()) {
        // Compressed rows and short palettes are rewritten as the standard file
        // they stand for, so fitting and conversion see only standard files.
        std::vector<std::uint8_t> standard;
        try {
            standard = standardBmpFrom(parsed.layout, data);
        } catch (const std::bad_alloc&) {
            standard.clear();
        }
        if (standard.empty()) {
            m_bLoaded = false;
            return { false, kMsgReadingFileError,
                unreadable(parsed.layout.isRle() ? "its run-length pixel data is damaged" : "not enough memory") };
        }
        parsed = parseBmpLayout(standard);
        if (!parsed.ok) {
            m_bLoaded = false;
            return { false, kMsgReadingFileError, unreadable("its pixels cannot be put in a standard form") };
        }
        data = std::move(standard);
    }
    // A picture far wider than high (or the reverse) can shrink to no row at all.
    const BoxFit fit = fitToBox(parsed.layout.width, parsed.layout.height, m_nBoxWidth, m_nBoxHeight);
    if (fit.width <= 0 || fit.height <= 0) {
        m_bLoaded = false;
        return { false,
            "The picture (" + std::to_string(parsed.layout.width) + "x" + std::to_string(parsed.layout.height)
                + ") would be " + std::to_string(fit.width) + "x" + std::to_string(fit.height) + " on the module's "
                + std::to_string(m_nBoxWidth) + "x" + std::to_string(m_nBoxHeight)
                + " screen, with nothing left to show",
            {} };
    }

    try {
        if (parsed.layout.alpha.mask != 0)
            alpha = PictureAlpha { fileAlpha(parsed.layout, data), {} };
        else
            alpha = givenAlpha(std::move(alpha), parsed.layout);
    } catch (const std::bad_alloc&) {
        m_bLoaded = false;
        return { false, kMsgReadingFileError, unreadable("not enough memory") };
    }

    m_fileData = std::move(data);
    m_layout = parsed.layout;
    m_alpha = std::move(alpha);
    m_held = true;
    m_nOffBits = fileOffBits;
    m_nBitCount = m_layout.bitCount;
    if (fit.scaled) {
        m_nBitCount += 100;
        m_fScale = fit.scale;
    }
    m_nWidth = fit.width;
    m_nHeight = fit.height;
    m_nDrawWidth = fit.drawWidth;
    m_nDrawHeight = fit.drawHeight;
    m_bLoaded = true;
    return { true, {}, {} };
}

std::vector<std::uint8_t> LoadedPicture::convertedData()
{
    if (m_nBitCount == 0 || !m_held)
        return {};
    const BmpLayout& l = m_layout;
    const std::span<const std::uint8_t> file(m_fileData);
    const int k = l.bitCount;
    const bool scaled = m_nBitCount >= 100;
    const int outW = std::max(m_nWidth, 0), outH = std::max(m_nHeight, 0);

    const auto kind = static_cast<std::uint8_t>(l.isIndexed() ? k : 16);
    const std::size_t paletteBytes = *modulePaletteLength(kind);
    const auto rowLen = static_cast<std::size_t>(*moduleRowLength(kind, outW));
    std::vector<std::uint8_t> out(paletteBytes + rowLen * outH, 0);

    // Transparent palette entries take the ignore colour, blended: the indices stay.
    const Rgb under = fromRgb565(m_wIgnoreColor);
    for (std::uint32_t i = 0; i < l.paletteEntries; ++i) {
        Rgb c = bmpPaletteColour(l, file, i);
        if (i < m_alpha.palette.size())
            c = over(c, m_alpha.palette[i], under);
        putLe16(&out[2 * i], toRgb565(c.r, c.g, c.b));
    }

    // Source columns and rows, clamped so that rounding can never step past the picture.
    std::vector<int> columns(outW);
    for (int x = 0; x < outW; ++x)
        columns[x] = scaled ? std::min(scaledSourceIndex(x, m_fScale), l.width - 1) : x;

    std::uint8_t* dst = out.data() + paletteBytes;
    if (m_bDither && !l.isIndexed()) {
        // Error diffusion over the fitted picture: same sampling, same size.
        std::vector<Rgb> fitted(static_cast<std::size_t>(outW) * outH);
        std::vector<std::size_t> clear; // fully transparent: the ignore colour exactly, not a dithered neighbour
        for (int y = 0; y < outH; ++y) {
            const int sy = scaled ? std::min(scaledSourceIndex(y, m_fScale), l.height - 1) : y;
            const std::uint64_t row = l.rowOffset(sy);
            for (int x = 0; x < outW; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * outW + x;
                fitted[i] = shownPixel(row, columns[x], sy);
                if (!m_alpha.pixels.empty() && m_alpha.pixels[static_cast<std::size_t>(sy) * l.width + columns[x]] == 0)
                    clear.push_back(i);
            }
        }
        ditherToRgb565(outW, outH, fitted, dst);
        for (const std::size_t i : clear)
            putLe16(dst + 2 * i, m_wIgnoreColor);
        m_nFormat = kind;
        m_nSize = static_cast<std::int32_t>(rowLen * outH);
        return out;
    }
    for (int y = 0; y < outH; ++y, dst += rowLen) {
        const int sy = scaled ? std::min(scaledSourceIndex(y, m_fScale), l.height - 1) : y;
        const std::uint64_t row = l.rowOffset(sy);
        if (!scaled && l.isIndexed()) {
            // Unscaled indexed rows are copied as stored, partial last byte included.
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(row), rowLen, dst);
            continue;
        }
        for (int x = 0; x < outW; ++x) {
            const int sx = columns[x];
            switch (k) {
            case 1: {
                const unsigned bit = (file[row + sx / 8] >> (7 - sx % 8)) & 1;
                dst[x / 8] |= static_cast<std::uint8_t>(bit << (7 - x % 8));
                break;
            }
            case 4: {
                const std::uint8_t byte = file[row + sx / 2];
                const unsigned nib = sx % 2 == 0 ? byte >> 4 : byte & 0x0F;
                dst[x / 2] |= static_cast<std::uint8_t>(x % 2 == 0 ? nib << 4 : nib);
                break;
            }
            case 8:
                dst[x] = file[row + sx];
                break;
            default: { // true colour, over the ignore colour where it is transparent
                const Rgb c = shownPixel(row, sx, sy);
                putLe16(dst + 2 * x, toRgb565(c.r, c.g, c.b));
                break;
            }
            }
        }
    }

    m_nFormat = kind;
    m_nSize = static_cast<std::int32_t>(rowLen * outH);
    return out;
}

std::vector<std::uint8_t> LoadedPicture::convertBitmap()
{
    std::vector<std::uint8_t> data;
    try {
        data = convertedData();
    } catch (const std::bad_alloc&) {
        return {};
    }
    if (!data.empty())
        m_nSize = static_cast<std::int32_t>(data.size()); // the palette counts, as in the staging file
    return data;
}

LoadedPicture::Outcome LoadedPicture::convertBitmap(const std::string& stagingPath)
{
    std::vector<std::uint8_t> data;
    try {
        data = convertedData();
    } catch (const std::bad_alloc&) {
        return { false, {}, {} };
    }
    if (data.empty())
        return { false, {}, {} };
    if (const std::string why = writeStagingFile(stagingPath, data); !why.empty()) {
        // The staging file does not hold this picture: ">>LOAD" must not insert it.
        m_bLoaded = false;
        return { false, kMsgFalse, "Cannot write the staging file " + quotedPath(stagingPath) + ": " + why };
    }
    m_nSize = static_cast<std::int32_t>(data.size()); // the palette counts once it is in the file
    return { true, {}, {} };
}

LoadedPicture::Outcome LoadedPicture::refuse(Outcome why)
{
    m_bLoaded = false;
    why.ok = false;
    return why;
}

void LoadedPicture::setScreenBox(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    m_nBoxWidth = width;
    m_nBoxHeight = height;
}

int LoadedPicture::reportedDepth() const
{
    int depth = m_nBitCount >= 100 ? m_nBitCount - 100 : m_nBitCount;
    return depth >= 16 ? 16 : depth;
}

std::string LoadedPicture::loadReportText() const
{
    char text[128];
    std::snprintf(text, sizeof text, "Load Bitmap %dbit color Width:%d Height:%d \r\nSize:%d", reportedDepth(),
        m_nWidth, m_nHeight, m_nSize);
    return text;
}

std::vector<std::uint8_t> LoadedPicture::sourceRgb() const
{
    if (!m_held)
        return {};
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(m_layout.width) * m_layout.height * 3);
    std::size_t o = 0;
    for (int y = 0; y < m_layout.height; ++y) {
        const std::uint64_t row = m_layout.rowOffset(y);
        for (int x = 0; x < m_layout.width; ++x) {
            const Rgb c = shownPixel(row, x, y);
            rgb[o++] = c.r;
            rgb[o++] = c.g;
            rgb[o++] = c.b;
        }
    }
    return rgb;
}

Rgb LoadedPicture::shownPixel(std::uint64_t row, int x, int y) const
{
    const Rgb c = bmpPixel(m_layout, m_fileData, row, x);
    std::uint8_t a = 255;
    if (!m_alpha.pixels.empty()) {
        a = m_alpha.pixels[static_cast<std::size_t>(y) * m_layout.width + x];
    } else if (!m_alpha.palette.empty()) {
        const std::uint32_t index = bmpPixelIndex(m_layout, m_fileData, row, x);
        a = index < m_alpha.palette.size() ? m_alpha.palette[index] : 255;
    }
    return a == 255 ? c : over(c, a, fromRgb565(m_wIgnoreColor));
}

} // namespace zarn
