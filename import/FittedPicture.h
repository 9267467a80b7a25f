#pragma once
// A picture fitted to the module's screen as its decoder hands it over: for each
// pixel of the fitted picture the nearest source pixel is kept (ties going up),
// and nothing else of the source unless a window asks to draw it, so that a
// conversion takes the memory of the fitted picture whatever the source's size.
// Then converted into the module's format: an indexed bitmap with the picture's
// own palette, or 16-bit colour with the transparent pixels over the ignore colour.

#include "import/PictureSink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

// Largest width or height taken.
inline constexpr std::int32_t kBmpMaxDimension = 1 << 16;
// Largest pixel count taken (8192 x 8192), so that no picture's display copy is absurd.
inline constexpr std::uint64_t kBmpMaxPixels = 1ull << 26;
// Whether a picture of this size is taken, and the text of one that is not.
bool pictureSizeTaken(std::uint64_t width, std::uint64_t height);
std::string pictureTooLargeText(std::uint64_t width, std::uint64_t height);

// The fit of a W x H picture into a BW x BH box, with the system's own precision:
// the width ratio in double, the height ratio in single precision.
struct BoxFit {
    bool scaled = false;
    float scale = 0.0f;
    int width = 0, height = 0;
    int drawWidth = 0, drawHeight = 0;
};
BoxFit fitToBox(int width, int height, int boxWidth, int boxHeight);

// Nearest source index for output index i of a scaled picture (ties go up).
int scaledSourceIndex(int i, float scale);

// `c` with opacity `a` (0 to 255) over `under`.
Rgb colourOver(Rgb c, std::uint8_t a, Rgb under);

class FittedPicture final : public PictureSink {
public:
    // `keepSource`: keep every pixel as decoded too, for a window to draw.
    FittedPicture(int boxWidth, int boxHeight, bool keepSource);

    bool begin(const PictureForm& form) override;
    PictureSize leastDecodedSize() const override;
    void reducedTo(int width, int height) override;
    bool wantsRow(int y) const override;
    void run(int x, int y, int dx, int dy, int count, const std::uint8_t* pixels) override;

    // After the last pixel: the item's depth and palette follow from what the picture holds.
    void finish();

    // Why begin() did not take the picture (a text to show).
    const std::string& refusal() const { return m_refusal; }
    const PictureForm& form() const { return m_form; }
    const BoxFit& fit() const { return m_fit; }
    // The depth the load report names: the file's own, or the item's (24 for true colour).
    int reportedBits() const { return m_reportedBits; }
    std::uint8_t kind() const { return m_kind; } // 1, 4, 8 or 16
    // Pixels that are not fully opaque: the conversion depends on the ignore colour.
    bool hasTransparency() const { return m_transparent; }
    // The item's data: palette, then rows, top row first.
    std::vector<std::uint8_t> convert(std::uint16_t ignoreColor, bool dither) const;

    bool hasSource() const { return !m_source.empty(); }
    PictureSize sourceSize() const { return { m_decodedWidth, m_decodedHeight }; }
    // The picture as decoded, 3 bytes (r, g, b) a pixel, top row first, its
    // transparency shown over the ignore colour as the module will show it.
    std::vector<std::uint8_t> sourceRgb(std::uint16_t ignoreColor) const;

private:
    struct ColourUse {
        std::uint32_t colour = 0;
        std::uint64_t first = 0; // raster position of its first pixel
        bool used = false;
    };

    void mapSamples();
    void takeStatistics(int x, int y, int dx, int dy, int count, const std::uint8_t* pixels);
    void keepSource(int x, int y, int dx, int dy, int count, const std::uint8_t* pixels);
    void store(int ox, int oy, const std::uint8_t* pixels, int i);
    void noteColour(std::uint32_t colour, std::uint64_t position);
    std::uint32_t rgbaAt(const std::uint8_t* pixels, int i) const;
    bool indexedItem() const { return m_kind != 16; }
    Rgb paletteColour(std::size_t i, Rgb under) const;

    int m_boxWidth, m_boxHeight;
    bool m_keepSource;
    std::string m_refusal;
    PictureForm m_form;
    BoxFit m_fit;
    int m_decodedWidth = 0, m_decodedHeight = 0;
    // Which decoded column and row each fitted pixel takes, and the first fitted
    // column and row each decoded column and row gives (one more entry at the end).
    std::vector<int> m_columns, m_rows, m_columnStart, m_rowStart;
    bool m_everyPixel = false; // the statistics need every pixel, not only those kept
    bool m_rawRows = false; // an unscaled picture of the item's own depth: its rows are kept as stored
    std::size_t m_rowLength = 0; // of m_rawRows
    std::vector<std::uint8_t> m_target; // indices, raw rows, or r, g, b, a per fitted pixel
    std::vector<std::uint8_t> m_source; // r, g, b, a per decoded pixel, when kept

    int m_highestIndex = -1;
    bool m_anyAlphaNonZero = false, m_anyAlphaNotOpaque = false;
    std::vector<ColourUse> m_colours; // open addressing; at most 257 in use
    int m_colourCount = 0;
    std::uint32_t m_lastColour = 0;
    int m_lastSlot = -1;

    // Made by finish().
    std::uint8_t m_kind = 16;
    int m_reportedBits = 0;
    bool m_transparent = false;
    bool m_alphaApplies = false; // true colour: the pixels' opacity counts
    std::vector<Rgb> m_palette;
    std::vector<std::uint8_t> m_paletteAlpha; // empty when every entry is opaque
};

} // namespace zarn
