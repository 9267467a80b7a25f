#pragma once
// The state and logic of the picture control CDibPicture: the BMP file loaded
// last, its fit to the module's screen and its conversion into a ModuleBitmap.
// The GUI wraps it and draws sourceRgb(); nothing here needs a window system.

#include "import/BmpReader.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// Transparency a BMP file cannot carry, for pictures read from other formats:
// 0 fully transparent, 255 opaque; empty: opaque.
struct PictureAlpha {
    std::vector<std::uint8_t> pixels; // one value per pixel, top row first (true colour)
    std::vector<std::uint8_t> palette; // one value per palette index (indexed; missing entries opaque)
};

// A picture of another format as the standard BMP file it stands for.
struct PictureAsBmp {
    bool ok = false;
    std::string message; // "Reading File Error", or why the picture is not taken
    std::vector<std::uint8_t> bmp; // the standard BMP file image
    PictureAlpha alpha;
};

// Reads the JPEG or PNG file that a BMP file holds as its pixel data
// (compression 4 or 5); the core has no such reader of its own.
using EmbeddedPictureReader
    = std::function<PictureAsBmp(std::span<const std::uint8_t> bytes, std::uint32_t compression)>;

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

class LoadedPicture {
public:
    struct Outcome {
        bool ok = false;
        std::string message; // text to show: "Reading File Error", "False", or why a file is not supported or too large
        std::string detail; // why, when the message alone does not say: the file and the system's reason
    };

    // The file the next load reads ("Load BMP" sets it from its dialog).
    void setFileName(std::string path) { m_strFileName = std::move(path); }
    // Reads the file named last. A refused file clears m_bLoaded and keeps the picture held
    // before (its data, sizes and converted form) untouched.
    Outcome loadBmpFile();
    // Reads the whole file named last (a regular file no larger than a picture
    // file can be) into `bytes`; a file that cannot be read is refused as loadBmpFile refuses it.
    Outcome readFileBytes(std::vector<std::uint8_t>& bytes);
    // The same as loadBmpFile for a file image already in memory (a picture read
    // from another format and written out as a standard BMP, with the transparency
    // it had); the file name is kept.
    Outcome loadBmpData(std::vector<std::uint8_t> data, PictureAlpha alpha = {});
    // Who reads the JPEG and PNG pictures embedded in BMP files; without one they are refused.
    void setEmbeddedPictureReader(EmbeddedPictureReader reader) { m_embeddedReader = std::move(reader); }
    // A file that a caller could not read at all: as a refused file, nothing is
    // loaded and the picture held before stays.
    Outcome refuse(Outcome why);

    // Converts the held picture and writes the ModuleBitmap to `stagingPath`.
    // A failure to write clears m_bLoaded, so the stale staging file is never inserted.
    Outcome convertBitmap(const std::string& stagingPath);
    // The same conversion kept in memory (palette, then rows); m_nFormat and
    // m_nSize are those the staging file would have. Empty when nothing is held.
    std::vector<std::uint8_t> convertBitmap();

    // New box for the next file read; boxes without area are ignored (nothing to fit to).
    void setScreenBox(int width, int height);
    // Error diffusion for the true-colour format instead of plain truncation;
    // off unless the user asks, and read at conversion time.
    void setDither(bool on) { m_bDither = on; }
    bool dither() const { return m_bDither; }
    // The item's ignore colour, which the module leaves transparent: a fully
    // transparent pixel becomes it, a half-transparent one is blended over it.
    // Read at conversion time and when the source is drawn.
    void setIgnoreColor(std::uint16_t color) { m_wIgnoreColor = color; }
    std::uint16_t ignoreColor() const { return m_wIgnoreColor; }
    // The held picture has pixels that are not fully opaque, so its conversion
    // depends on the ignore colour.
    bool hasTransparency() const { return m_held && (!m_alpha.pixels.empty() || !m_alpha.palette.empty()); }

    // "Load Bitmap %dbit color Width:%d Height:%d \r\nSize:%d" from the values held.
    std::string loadReportText() const;
    int reportedDepth() const;

    const std::string& fileName() const { return m_strFileName; }
    bool loaded() const { return m_bLoaded; }
    std::int32_t bitCount() const { return m_nBitCount; } // K of the file read last, +100 when scaled
    std::int32_t format() const { return m_nFormat; } // the ResourceKind of the converted data
    std::int32_t width() const { return m_nWidth; }
    std::int32_t height() const { return m_nHeight; }
    std::int32_t drawWidth() const { return m_nDrawWidth; }
    std::int32_t drawHeight() const { return m_nDrawHeight; }
    std::int32_t size() const { return m_nSize; }
    std::int32_t boxWidth() const { return m_nBoxWidth; }
    std::int32_t boxHeight() const { return m_nBoxHeight; }
    float scale() const { return m_fScale; }

    bool hasPicture() const { return m_held; }
    int sourceWidth() const { return m_held ? m_layout.width : 0; }
    int sourceHeight() const { return m_held ? m_layout.height : 0; }
    // The held picture, top row first, 3 bytes (r, g, b) per pixel, for drawing;
    // transparency shown over the ignore colour, as the module will show it.
    std::vector<std::uint8_t> sourceRgb() const;

private:
    // The converted data (palette, then rows); sets m_nFormat, and m_nSize to the rows' length.
    std::vector<std::uint8_t> convertedData();
    // Source pixel (x, y) (y from the top; `row` its file offset) as shown: over the ignore colour.
    Rgb shownPixel(std::uint64_t row, int x, int y) const;
    Outcome loadEmbedded(const BmpLayout& layout, std::span<const std::uint8_t> file);
    // "Cannot read \"file\": cause", the detail of "Reading File Error"; empty without a cause.
    std::string unreadable(const std::string& cause) const;

    std::string m_strFileName;
    std::uint32_t m_nOffBits = 0;
    std::int32_t m_nBoxWidth = 320, m_nBoxHeight = 240;
    float m_fScale = 0.0f;
    std::int32_t m_nBitCount = 0;
    std::int32_t m_nFormat = 0;
    std::int32_t m_nWidth = 0, m_nHeight = 0;
    std::int32_t m_nDrawWidth = 0, m_nDrawHeight = 0;
    std::int32_t m_nSize = 0;
    bool m_bLoaded = false;
    bool m_bDither = false;
    std::uint16_t m_wIgnoreColor = 0;
    bool m_held = false;
    BmpLayout m_layout;
    std::vector<std::uint8_t> m_fileData; // the whole file read last; layout offsets are file offsets
    PictureAlpha m_alpha; // of the held picture; empty when it is opaque
    EmbeddedPictureReader m_embeddedReader;
};

} // namespace zarn
