#include "import/PngPixels.h"

namespace zarn {

namespace {

    // 16 bits to 8, rounded to the nearest.
    std::uint8_t eightBits(std::uint32_t v) { return static_cast<std::uint8_t>((v + 128 - ((v + 128) >> 8)) >> 8); }

    std::uint16_t sampleAt(const std::uint8_t* p, int bitDepth, std::size_t i)
    {
        if (bitDepth == 16)
            return static_cast<std::uint16_t>(p[2 * i] << 8 | p[2 * i + 1]);
        return p[i];
    }

} // namespace

PngPixels::PngPixels(const PngHeader& h)
    : m_header(h)
{
    PictureForm& f = m_form;
    f.width = h.width;
    f.height = h.height;
    const bool sixteen = h.bitDepth == 16;
    switch (h.colorType) {
    case 3: // palette
        f.pixels = PixelForm::Indices;
        f.indexBits = h.bitDepth;
        f.palette = h.palette;
        f.paletteAlpha = h.paletteAlpha;
        if (h.bitDepth == 1) {
            // Two entries: those of the palette, white when it has only one.
            f.palette.resize(2, Rgb { 255, 255, 255 });
            if (f.paletteAlpha.size() > 2)
                f.paletteAlpha.resize(2);
        } else if (h.palette.size() < (1u << h.bitDepth)) {
            m_step = Step::IndexPastPaletteIsZero;
        }
        break;
    case 0: // grey
        if (h.bitDepth == 1) {
            // White then black, the stored bits inverted; a transparent level is transparent white or black.
            f.pixels = PixelForm::Indices;
            f.indexBits = 1;
            f.palette = { Rgb { 255, 255, 255 }, Rgb {} };
            if (h.hasTransparentColour && h.transparentColour[0] <= 1)
                f.paletteAlpha = h.transparentColour[0] == 0 ? std::vector<std::uint8_t> { 255, 0 }
                                                             : std::vector<std::uint8_t> { 0, 255 };
            m_step = Step::InvertBits;
        } else if (h.bitDepth == 16 || (h.bitDepth == 8 && !h.hasTransparentColour)) {
            f.pixels = h.hasTransparentColour ? PixelForm::Rgba : PixelForm::Rgb;
            m_step = h.hasTransparentColour ? Step::ToRgba : sixteen ? Step::SixteenToRgb : Step::GreyToRgb;
        } else {
            // The grey levels as a palette; the transparent level transparent black.
            f.pixels = PixelForm::Indices;
            f.indexBits = h.bitDepth;
            const int levels = 1 << h.bitDepth;
            for (int i = 0; i < levels; ++i) {
                const auto c = static_cast<std::uint8_t>(i * 255 / (levels - 1));
                f.palette.push_back(Rgb { c, c, c });
            }
            f.paletteAlpha.assign(static_cast<std::size_t>(levels), 255);
            if (h.hasTransparentColour && h.transparentColour[0] < levels) {
                f.palette[h.transparentColour[0]] = Rgb {};
                f.paletteAlpha[h.transparentColour[0]] = 0;
            }
        }
        break;
    case 2: // RGB
        f.pixels = h.hasTransparentColour ? PixelForm::Rgba : PixelForm::Rgb;
        m_step = h.hasTransparentColour ? Step::ToRgba : sixteen ? Step::SixteenToRgb : Step::AsStored;
        break;
    default: // grey and alpha, RGBA
        f.pixels = PixelForm::Rgba;
        m_step = h.colorType == 6 && !sixteen ? Step::AsStored : Step::ToRgba;
        break;
    }
}

const std::uint8_t* PngPixels::convert(const std::uint8_t* stored, int count)
{
    const auto n = static_cast<std::size_t>(count);
    const PngHeader& h = m_header;
    switch (m_step) {
    case Step::AsStored:
        return stored;
    case Step::IndexPastPaletteIsZero: {
        // An index the palette does not have is index 0.
        const int bits = h.bitDepth;
        const unsigned entries = static_cast<unsigned>(h.palette.size()), mask = (1u << bits) - 1;
        m_row.assign(stored, stored + (n * static_cast<std::size_t>(bits) + 7) / 8);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t bit = i * static_cast<std::size_t>(bits);
            const int shift = 8 - bits - static_cast<int>(bit % 8);
            if (((m_row[bit / 8] >> shift) & mask) >= entries)
                m_row[bit / 8] = static_cast<std::uint8_t>(m_row[bit / 8] & ~(mask << shift));
        }
        return m_row.data();
    }
    case Step::InvertBits:
        m_row.assign(stored, stored + (n + 7) / 8);
        for (auto& b : m_row)
            b = static_cast<std::uint8_t>(~b);
        return m_row.data();
    case Step::GreyToRgb:
        m_row.resize(3 * n);
        for (std::size_t i = 0; i < n; ++i)
            m_row[3 * i] = m_row[3 * i + 1] = m_row[3 * i + 2] = stored[i];
        return m_row.data();
    case Step::SixteenToRgb: {
        const std::size_t channels = h.colorType == 0 ? 1 : 3;
        m_row.resize(3 * n);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t c = 0; c < 3; ++c)
                m_row[3 * i + c] = eightBits(sampleAt(stored, 16, i * channels + (channels == 1 ? 0 : c)));
        return m_row.data();
    }
    case Step::ToRgba: {
        // Grey, grey and alpha, RGB or RGBA, at 8 or 16 bits; a tRNS colour is compared at the file's own depth.
        const std::size_t colours = h.colorType == 0 || h.colorType == 4 ? 1 : 3;
        const bool alpha = h.colorType == 4 || h.colorType == 6;
        const std::size_t channels = colours + (alpha ? 1 : 0);
        m_row.resize(4 * n);
        for (std::size_t i = 0; i < n; ++i) {
            std::uint16_t v[4];
            for (std::size_t c = 0; c < channels; ++c)
                v[c] = sampleAt(stored, h.bitDepth, i * channels + c);
            std::uint8_t* out = &m_row[4 * i];
            for (std::size_t c = 0; c < 3; ++c) {
                const std::uint16_t s = v[colours == 1 ? 0 : c];
                out[c] = h.bitDepth == 16 ? eightBits(s) : static_cast<std::uint8_t>(s);
            }
            if (alpha) {
                out[3] = h.bitDepth == 16 ? eightBits(v[colours]) : static_cast<std::uint8_t>(v[colours]);
            } else {
                // An 8-bit picture's tRNS colour is compared by its low byte, as libpng compares it.
                bool match = true;
                for (std::size_t c = 0; c < colours; ++c)
                    match
                        = match && v[c] == (h.bitDepth == 16 ? h.transparentColour[c] : h.transparentColour[c] & 0xFF);
                out[3] = match ? 0 : 255;
            }
        }
        return m_row.data();
    }
    }
    return stored;
}

} // namespace zarn
