#pragma once
// The state and logic of the picture control CDibPicture: the BMP file loaded
// last, its fit to the module's screen and its conversion into a ModuleBitmap.
// The GUI wraps it and draws sourceRgb(); nothing here needs a window system.

#include "import/BmpReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

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
        std::string message; // text to show: "Reading File Error", "False", or why a file is not supported
        std::string detail; // why, when the message alone does not say: the file and the system's reason
    };

    // The file the next load reads ("Load BMP" sets it from its dialog).
    void setFileName(std::string path) { m_strFileName = std::move(path); }
    // Reads the file named last. A refused file clears m_bLoaded and keeps the picture held
    // before (its data, sizes and converted form) untouched.
    Outcome loadBmpFile();
    // The same as loadBmpFile for a file image already in memory (a picture read
    // from another format and written out as a standard BMP); the file name is kept.
    Outcome loadBmpData(std::vector<std::uint8_t> data);
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
    std::uint32_t offBits() const { return m_nOffBits; }

    bool hasPicture() const { return m_held; }
    int sourceWidth() const { return m_held ? m_layout.width : 0; }
    int sourceHeight() const { return m_held ? m_layout.height : 0; }
    int sourceBitCount() const { return m_held ? m_layout.bitCount : 0; }
    // The held picture, top row first, 3 bytes (r, g, b) per pixel, for drawing.
    std::vector<std::uint8_t> sourceRgb() const;

private:
    // The converted data (palette, then rows); sets m_nFormat, and m_nSize to the rows' length.
    std::vector<std::uint8_t> convertedData();

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
    bool m_held = false;
    BmpLayout m_layout;
    std::vector<std::uint8_t> m_fileData; // the whole file read last; layout offsets are file offsets
};

} // namespace zarn
