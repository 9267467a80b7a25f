#include "import/FittedPicture.h"

#include "common/ByteOrder.h"
#include "common/Messages.h"
#include "import/Dither.h"
#include "import/ModuleBitmap.h"

#include <algorithm>
#include <cstdio>

namespace zarn {

namespace {

    // The smallest item depth that holds `colours` palette entries.
    int depthFor(std::size_t colours) { return colours <= 2 ? 1 : colours <= 16 ? 4 : 8; }

    unsigned indexAt(const std::uint8_t* p, int i, int bits)
    {
        switch (bits) {
        case 8:
            return p[i];
        case 4:
            return (p[i >> 1] >> (4 - 4 * (i & 1))) & 0x0F;
        case 2:
            return (p[i >> 2] >> (6 - 2 * (i & 3))) & 0x03;
        default:
            return (p[i >> 3] >> (7 - (i & 7))) & 0x01;
        }
    }

    std::uint32_t packRgba(Rgb c, std::uint8_t a)
    {
        return std::uint32_t { c.r } | std::uint32_t { c.g } << 8 | std::uint32_t { c.b } << 16
            | std::uint32_t { a } << 24;
    }
    Rgb rgbOf(std::uint32_t v)
    {
        return Rgb { static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16) };
    }
    std::uint8_t alphaOf(std::uint32_t v) { return static_cast<std::uint8_t>(v >> 24); }

    constexpr std::size_t kColourSlots = 1024; // open addressing for up to 257 colours

} // namespace

bool pictureSizeTaken(std::uint64_t width, std::uint64_t height)
{
    return width <= static_cast<std::uint64_t>(kBmpMaxDimension)
        && height <= static_cast<std::uint64_t>(kBmpMaxDimension) && width * height <= kBmpMaxPixels;
}

std::string pictureTooLargeText(std::uint64_t width, std::uint64_t height)
{
    char text[200];
    std::snprintf(text, sizeof text,
        "Picture too large: %llu x %llu pixels; pictures of up to %d pixels a side and %llu pixels in all (8192 x "
        "8192) can be loaded",
        static_cast<unsigned long long>(width), static_cast<unsigned long long>(height), kBmpMaxDimension,
        static_cast<unsigned long long>(kBmpMaxPixels));
    return text;
}

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

Rgb colourOver(Rgb c, std::uint8_t a, Rgb under)
{
    auto mix
        = [a](int top, int bottom) { return static_cast<std::uint8_t>((top * a + bottom * (255 - a) + 127) / 255); };
    return Rgb { mix(c.r, under.r), mix(c.g, under.g), mix(c.b, under.b) };
}

FittedPicture::FittedPicture(int boxWidth, int boxHeight, bool keepSource)
    : m_boxWidth(boxWidth)
    , m_boxHeight(boxHeight)
    , m_keepSource(keepSource)
{
}

bool FittedPicture::begin(const PictureForm& form)
{
    m_form = form;
    if (form.width <= 0 || form.height <= 0) {
        m_refusal = kMsgReadingFileError;
        return false;
    }
    if (!pictureSizeTaken(static_cast<std::uint64_t>(form.width), static_cast<std::uint64_t>(form.height))) {
        m_refusal
            = pictureTooLargeText(static_cast<std::uint64_t>(form.width), static_cast<std::uint64_t>(form.height));
        return false;
    }
    // A picture far wider than high (or the reverse) can shrink to no row at all.
    m_fit = fitToBox(form.width, form.height, m_boxWidth, m_boxHeight);
    if (m_fit.width <= 0 || m_fit.height <= 0) {
        m_refusal = "The picture (" + std::to_string(form.width) + "x" + std::to_string(form.height) + ") would be "
            + std::to_string(m_fit.width) + "x" + std::to_string(m_fit.height) + " on the module's "
            + std::to_string(m_boxWidth) + "x" + std::to_string(m_boxHeight) + " screen, with nothing left to show";
        return false;
    }
    const bool indices = form.pixels == PixelForm::Indices;
    m_everyPixel = m_keepSource || form.indexFewColours || form.pixels == PixelForm::Rgba
        || (indices && form.itemDepth == 0 && form.palette.size() <= 16);
    if (form.indexFewColours)
        m_colours.assign(kColourSlots, ColourUse {});
    const std::size_t pixels = static_cast<std::size_t>(m_fit.width) * static_cast<std::size_t>(m_fit.height);
    m_rawRows = indices && form.itemDepth == form.indexBits && !m_fit.scaled;
    if (m_rawRows) {
        m_rowLength
            = static_cast<std::size_t>(*moduleRowLength(static_cast<std::uint8_t>(form.itemDepth), m_fit.width));
        m_target.assign(m_rowLength * static_cast<std::size_t>(m_fit.height), 0);
    } else {
        m_target.assign(indices ? pixels : 4 * pixels, 0);
    }
    reducedTo(form.width, form.height);
    return true;
}

PictureSize FittedPicture::leastDecodedSize() const { return { m_fit.width, m_fit.height }; }

void FittedPicture::reducedTo(int width, int height)
{
    m_decodedWidth = std::clamp(width, 1, m_form.width);
    m_decodedHeight = std::clamp(height, 1, m_form.height);
    // A reduced picture is not copied as stored.
    if (m_decodedWidth != m_form.width || m_decodedHeight != m_form.height) {
        if (m_rawRows)
            m_target.assign(static_cast<std::size_t>(m_fit.width) * static_cast<std::size_t>(m_fit.height), 0);
        m_rawRows = false;
    }
    mapSamples();
    m_source.clear();
}

void FittedPicture::mapSamples()
{
    // The source pixel each fitted pixel takes, then where it lies in the decoded
    // picture: the same pixel, or the reduced one that covers its centre.
    auto map = [&](int out, int full, int decoded, std::vector<int>& samples, std::vector<int>& start) {
        samples.resize(static_cast<std::size_t>(out));
        for (int i = 0; i < out; ++i) {
            const int s = m_fit.scaled ? std::min(scaledSourceIndex(i, m_fit.scale), full - 1) : i;
            samples[i] = decoded == full ? s
                                         : static_cast<int>(std::min<std::int64_t>(decoded - 1,
                                             (2 * std::int64_t { s } + 1) * decoded / (2 * std::int64_t { full })));
        }
        // Samples never decrease: decoded line d gives the fitted lines start[d] .. start[d + 1] - 1.
        start.resize(static_cast<std::size_t>(decoded) + 1);
        int i = 0;
        for (int d = 0; d <= decoded; ++d) {
            while (i < out && samples[i] < d)
                ++i;
            start[d] = i;
        }
    };
    map(m_fit.width, m_form.width, m_decodedWidth, m_columns, m_columnStart);
    map(m_fit.height, m_form.height, m_decodedHeight, m_rows, m_rowStart);
}

bool FittedPicture::wantsRow(int y) const
{
    if (y < 0 || y >= m_decodedHeight)
        return false;
    return m_everyPixel || m_rowStart[y] < m_rowStart[y + 1];
}

std::uint32_t FittedPicture::rgbaAt(const std::uint8_t* p, int i) const
{
    switch (m_form.pixels) {
    case PixelForm::Indices: {
        const unsigned index = indexAt(p, i, m_form.indexBits);
        const Rgb c = index < m_form.palette.size() ? m_form.palette[index] : Rgb {};
        return packRgba(c, index < m_form.paletteAlpha.size() ? m_form.paletteAlpha[index] : 255);
    }
    case PixelForm::Rgb:
        return packRgba(Rgb { p[3 * i], p[3 * i + 1], p[3 * i + 2] }, 255);
    case PixelForm::Rgba: {
        const std::uint8_t* q = p + 4 * static_cast<std::size_t>(i);
        // Every fully transparent pixel is one colour where colours are counted.
        if (q[3] == 0 && m_form.indexFewColours)
            return 0;
        return packRgba(Rgb { q[0], q[1], q[2] }, q[3]);
    }
    }
    return 0;
}

void FittedPicture::noteColour(std::uint32_t colour, std::uint64_t position)
{
    if (m_lastSlot >= 0 && colour == m_lastColour) {
        ColourUse& u = m_colours[static_cast<std::size_t>(m_lastSlot)];
        u.first = std::min(u.first, position);
        return;
    }
    std::size_t slot = (colour * 2654435761u) % kColourSlots;
    while (m_colours[slot].used && m_colours[slot].colour != colour)
        slot = (slot + 1) % kColourSlots;
    ColourUse& u = m_colours[slot];
    if (!u.used) {
        if (m_colourCount > 256)
            return; // too many for a palette: the picture stays true colour
        u = ColourUse { colour, position, true };
        ++m_colourCount;
    }
    u.first = std::min(u.first, position);
    m_lastColour = colour;
    m_lastSlot = static_cast<int>(slot);
}

void FittedPicture::takeStatistics(int x, int y, int dx, int dy, int count, const std::uint8_t* p)
{
    switch (m_form.pixels) {
    case PixelForm::Indices:
        if (m_form.itemDepth == 0 && m_form.palette.size() <= 16 && m_highestIndex < 255)
            for (int i = 0; i < count; ++i)
                m_highestIndex = std::max(m_highestIndex, static_cast<int>(indexAt(p, i, m_form.indexBits)));
        break;
    case PixelForm::Rgba:
        if (!m_anyAlphaNonZero || !m_anyAlphaNotOpaque)
            for (int i = 0; i < count; ++i) {
                const std::uint8_t a = p[4 * static_cast<std::size_t>(i) + 3];
                m_anyAlphaNonZero = m_anyAlphaNonZero || a != 0;
                m_anyAlphaNotOpaque = m_anyAlphaNotOpaque || a != 255;
            }
        break;
    case PixelForm::Rgb:
        break;
    }
    if (m_form.indexFewColours && m_colourCount <= 256)
        for (int i = 0; i < count; ++i) {
            const std::uint64_t px = static_cast<std::uint64_t>(x + i * dx),
                                py = static_cast<std::uint64_t>(y + i * dy);
            noteColour(rgbaAt(p, i), py * static_cast<std::uint64_t>(m_decodedWidth) + px);
        }
}

void FittedPicture::keepSource(int x, int y, int dx, int dy, int count, const std::uint8_t* p)
{
    if (m_source.empty())
        m_source.assign(4 * static_cast<std::size_t>(m_decodedWidth) * static_cast<std::size_t>(m_decodedHeight), 0);
    for (int i = 0; i < count; ++i) {
        const int px = x + i * dx, py = y + i * dy;
        if (px < 0 || py < 0 || px >= m_decodedWidth || py >= m_decodedHeight)
            continue;
        const std::uint32_t v = rgbaAt(p, i);
        std::uint8_t* q = &m_source[4 * (static_cast<std::size_t>(py) * m_decodedWidth + px)];
        q[0] = static_cast<std::uint8_t>(v);
        q[1] = static_cast<std::uint8_t>(v >> 8);
        q[2] = static_cast<std::uint8_t>(v >> 16);
        q[3] = static_cast<std::uint8_t>(v >> 24);
    }
}

void FittedPicture::store(int ox, int oy, const std::uint8_t* p, int i)
{
    const std::size_t at = static_cast<std::size_t>(oy) * static_cast<std::size_t>(m_fit.width) + ox;
    if (m_rawRows) {
        const int bits = m_form.indexBits;
        std::uint8_t& byte = m_target[m_rowLength * static_cast<std::size_t>(oy) + (ox * bits) / 8];
        const int shift = 8 - bits - (ox * bits) % 8;
        const unsigned mask = ((1u << bits) - 1) << shift;
        byte = static_cast<std::uint8_t>((byte & ~mask) | (indexAt(p, i, bits) << shift));
    } else if (m_form.pixels == PixelForm::Indices) {
        m_target[at] = static_cast<std::uint8_t>(indexAt(p, i, m_form.indexBits));
    } else {
        const std::uint32_t v = rgbaAt(p, i);
        std::uint8_t* q = &m_target[4 * at];
        q[0] = static_cast<std::uint8_t>(v);
        q[1] = static_cast<std::uint8_t>(v >> 8);
        q[2] = static_cast<std::uint8_t>(v >> 16);
        q[3] = static_cast<std::uint8_t>(v >> 24);
    }
}

void FittedPicture::run(int x, int y, int dx, int dy, int count, const std::uint8_t* p)
{
    if (count <= 0 || (dx != 0) == (dy != 0))
        return;
    if (m_everyPixel) {
        takeStatistics(x, y, dx, dy, count, p);
        if (m_keepSource)
            keepSource(x, y, dx, dy, count, p);
    }
    // The run's pixel i lies at decoded position `at` along its line when (at - start) / step is whole.
    auto along = [count](int at, int start, int step) {
        const int d = at - start;
        return d % step == 0 && d / step >= 0 && d / step < count ? d / step : -1;
    };
    if (dy == 0) {
        if (y < 0 || y >= m_decodedHeight || m_rowStart[y] == m_rowStart[y + 1])
            return;
        const int first = m_rowStart[y], last = m_rowStart[y + 1];
        if (m_rawRows && x == 0 && dx == 1 && count >= m_fit.width) {
            // Rows of the item's own depth are copied as stored, the last byte's spare bits included.
            std::copy_n(p, m_rowLength, &m_target[m_rowLength * static_cast<std::size_t>(first)]);
            return;
        }
        int from = 0, to = m_fit.width;
        if (dx == 1) { // only the fitted columns the run covers
            from = m_columnStart[std::clamp(x, 0, m_decodedWidth)];
            to = m_columnStart[std::clamp(x + count, 0, m_decodedWidth)];
        }
        for (int ox = from; ox < to; ++ox) {
            const int i = along(m_columns[ox], x, dx);
            if (i >= 0)
                for (int oy = first; oy < last; ++oy)
                    store(ox, oy, p, i);
        }
    } else {
        if (x < 0 || x >= m_decodedWidth || m_columnStart[x] == m_columnStart[x + 1])
            return;
        const int first = m_columnStart[x], last = m_columnStart[x + 1];
        for (int oy = 0; oy < m_fit.height; ++oy) {
            const int i = along(m_rows[oy], y, dy);
            if (i >= 0)
                for (int ox = first; ox < last; ++ox)
                    store(ox, oy, p, i);
        }
    }
}

void FittedPicture::finish()
{
    const PictureForm& f = m_form;
    m_palette.clear();
    m_paletteAlpha.clear();
    if (f.pixels == PixelForm::Indices) {
        const std::size_t colours
            = std::max<std::size_t>(f.palette.size(), static_cast<std::size_t>(m_highestIndex + 1));
        m_kind = static_cast<std::uint8_t>(f.itemDepth ? f.itemDepth : depthFor(colours));
        m_palette = f.palette;
        if (std::any_of(f.paletteAlpha.begin(), f.paletteAlpha.end(), [](std::uint8_t a) { return a != 255; }))
            m_paletteAlpha = f.paletteAlpha;
    } else if (f.indexFewColours && m_colourCount <= 256) {
        // The palette in the order of first use, and each fitted pixel's index in it.
        std::vector<ColourUse> used;
        for (const ColourUse& u : m_colours)
            if (u.used)
                used.push_back(u);
        std::sort(used.begin(), used.end(), [](const ColourUse& a, const ColourUse& b) { return a.first < b.first; });
        for (const ColourUse& u : used) {
            m_palette.push_back(rgbOf(u.colour));
            m_paletteAlpha.push_back(alphaOf(u.colour));
        }
        if (std::all_of(m_paletteAlpha.begin(), m_paletteAlpha.end(), [](std::uint8_t a) { return a == 255; }))
            m_paletteAlpha.clear();
        std::vector<std::uint8_t> indices(m_target.size() / 4);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            const std::uint32_t v = getLe32(&m_target[4 * i]);
            const auto it = std::find_if(used.begin(), used.end(), [v](const ColourUse& u) { return u.colour == v; });
            indices[i] = static_cast<std::uint8_t>(it == used.end() ? 0 : it - used.begin());
        }
        m_target = std::move(indices);
        m_form.pixels = PixelForm::Indices;
        m_kind = static_cast<std::uint8_t>(depthFor(std::max<std::size_t>(used.size(), 1)));
    } else {
        m_kind = 16;
        m_alphaApplies = f.pixels == PixelForm::Rgba && !(f.zeroAlphaIsOpaque && !m_anyAlphaNonZero);
    }
    m_transparent = indexedItem() ? !m_paletteAlpha.empty() : m_alphaApplies && m_anyAlphaNotOpaque;
    m_reportedBits = f.reportedBits ? f.reportedBits : indexedItem() ? m_kind : 24;
}

Rgb FittedPicture::paletteColour(std::size_t i, Rgb under) const
{
    const Rgb c = i < m_palette.size() ? m_palette[i] : Rgb {};
    return i < m_paletteAlpha.size() ? colourOver(c, m_paletteAlpha[i], under) : c;
}

std::vector<std::uint8_t> FittedPicture::convert(std::uint16_t ignoreColor, bool dither) const
{
    const int outW = m_fit.width, outH = m_fit.height;
    const std::size_t paletteBytes = *modulePaletteLength(m_kind);
    const auto rowLength = static_cast<std::size_t>(*moduleRowLength(m_kind, outW));
    std::vector<std::uint8_t> out(paletteBytes + rowLength * static_cast<std::size_t>(outH), 0);
    const Rgb under = fromRgb565(ignoreColor);
    std::uint8_t* rows = out.data() + paletteBytes;

    if (indexedItem()) {
        // Transparent palette entries take the ignore colour, blended: the indices stay.
        for (std::size_t i = 0; i < paletteBytes / 2; ++i) {
            const Rgb c = paletteColour(i, under);
            putLe16(&out[2 * i], toRgb565(c.r, c.g, c.b));
        }
        if (m_rawRows) {
            std::copy(m_target.begin(), m_target.end(), rows);
            return out;
        }
        const int bits = m_kind;
        for (int oy = 0; oy < outH; ++oy) {
            std::uint8_t* row = rows + rowLength * static_cast<std::size_t>(oy);
            const std::uint8_t* indices = &m_target[static_cast<std::size_t>(oy) * outW];
            for (int ox = 0; ox < outW; ++ox)
                row[(ox * bits) / 8] |= static_cast<std::uint8_t>(indices[ox] << (8 - bits - (ox * bits) % 8));
        }
        return out;
    }

    const std::size_t pixels = static_cast<std::size_t>(outW) * static_cast<std::size_t>(outH);
    auto shown = [&](std::size_t i) {
        const std::uint8_t* q = &m_target[4 * i];
        const Rgb c { q[0], q[1], q[2] };
        return m_alphaApplies && q[3] != 255 ? colourOver(c, q[3], under) : c;
    };
    if (!dither) {
        for (std::size_t i = 0; i < pixels; ++i) {
            const Rgb c = shown(i);
            putLe16(rows + 2 * i, toRgb565(c.r, c.g, c.b));
        }
        return out;
    }
    // Error diffusion over the fitted picture; fully transparent pixels are the
    // ignore colour exactly, not a dithered neighbour of it.
    std::vector<Rgb> fitted(pixels);
    for (std::size_t i = 0; i < pixels; ++i)
        fitted[i] = shown(i);
    ditherToRgb565(outW, outH, fitted, rows);
    if (m_alphaApplies)
        for (std::size_t i = 0; i < pixels; ++i)
            if (m_target[4 * i + 3] == 0)
                putLe16(rows + 2 * i, ignoreColor);
    return out;
}

std::vector<std::uint8_t> FittedPicture::sourceRgb(std::uint16_t ignoreColor) const
{
    if (m_source.empty())
        return {};
    const Rgb under = fromRgb565(ignoreColor);
    // Colour pictures whose opacity does not count are drawn opaque; palette entries keep theirs.
    const bool alphaCounts = m_form.pixels != PixelForm::Rgba || m_alphaApplies;
    const std::size_t pixels = m_source.size() / 4;
    std::vector<std::uint8_t> rgb(3 * pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* q = &m_source[4 * i];
        Rgb c { q[0], q[1], q[2] };
        if (alphaCounts && q[3] != 255)
            c = colourOver(c, q[3], under);
        rgb[3 * i] = c.r;
        rgb[3 * i + 1] = c.g;
        rgb[3 * i + 2] = c.b;
    }
    return rgb;
}

} // namespace zarn
