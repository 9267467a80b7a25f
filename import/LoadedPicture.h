#pragma once
// The state and logic of the picture control CDibPicture: the picture file
// loaded last, fitted to the module's screen while it is decoded, and its
// conversion into a ModuleBitmap. The GUI wraps it and draws sourceRgb();
// nothing here needs a window system.

#include "import/FittedPicture.h"
#include "import/PictureDecoder.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zarn {

class LoadedPicture {
public:
    struct Outcome {
        bool ok = false;
        std::string message; // text to show: "Reading File Error", "False", or why a file is not supported or too large
        std::string detail; // why, when the message alone does not say: the file and the reason
    };

    // The file the next load reads ("Load BMP" sets it from its dialog).
    void setFileName(std::string path) { m_strFileName = std::move(path); }
    // Reads the file named last, read in pieces and never whole: a BMP file with
    // the core's reader, a PNG, JPEG or GIF picture with the decoder `decoders`
    // has for it (without one it is refused). A refused file clears m_bLoaded and
    // keeps the picture held before (its sizes and converted form) untouched.
    Outcome loadPicture(const PictureDecoders& decoders);
    // The same for BMP files only.
    Outcome loadBmpFile() { return loadPicture({}); }
    // The same as loadBmpFile for a BMP file image already in memory; the file name is kept.
    Outcome loadBmpData(std::span<const std::uint8_t> data);
    // Whether the next load keeps the whole picture as decoded, for drawing
    // (sourceRgb); without it a load keeps only the fitted picture. On unless turned off.
    void setKeepSource(bool keep) { m_keepSource = keep; }

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
    bool hasTransparency() const { return m_picture && m_picture->hasTransparency(); }

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

    bool hasPicture() const { return m_picture != nullptr; }
    // The held picture as decoded (a large JPEG may be decoded at a fraction of its size).
    int sourceWidth() const { return m_picture ? m_picture->sourceSize().width : 0; }
    int sourceHeight() const { return m_picture ? m_picture->sourceSize().height : 0; }
    // The held picture, top row first, 3 bytes (r, g, b) per pixel, for drawing;
    // transparency shown over the ignore colour, as the module will show it.
    // Empty when the load did not keep it.
    std::vector<std::uint8_t> sourceRgb() const;

private:
    Outcome load(PictureInput& input, const PictureDecoders& decoders);
    // The converted data (palette, then rows); sets m_nFormat, and m_nSize to the rows' length.
    std::vector<std::uint8_t> convertedData();

    std::string m_strFileName;
    std::int32_t m_nBoxWidth = 320, m_nBoxHeight = 240;
    float m_fScale = 0.0f;
    std::int32_t m_nBitCount = 0;
    std::int32_t m_nFormat = 0;
    std::int32_t m_nWidth = 0, m_nHeight = 0;
    std::int32_t m_nDrawWidth = 0, m_nDrawHeight = 0;
    std::int32_t m_nSize = 0;
    bool m_bLoaded = false;
    bool m_bDither = false;
    bool m_keepSource = true;
    std::uint16_t m_wIgnoreColor = 0;
    std::shared_ptr<const FittedPicture> m_picture; // the picture held; null until a file loads
};

} // namespace zarn
