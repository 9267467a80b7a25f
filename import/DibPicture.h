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

class DibPicture {
public:
    struct Outcome {
        bool ok = false;
        std::string message; // text to show: "Reading File Error", "False", or why a file is not supported
        std::string detail;  // why, when the message alone does not say: the file and the system's reason
    };

    std::string m_strFileName;
    std::uint32_t m_nOffBits = 0;
    std::int32_t m_nBoxWidth = 320, m_nBoxHeight = 240;
    float m_fScale = 0.0f;
    std::int32_t m_nBitCount = 0; // K of the file read last, +100 when scaled
    std::int32_t m_nFormat = 0;   // the ResourceKind of the converted data
    std::int32_t m_nWidth = 0, m_nHeight = 0;
    std::int32_t m_nDrawWidth = 0, m_nDrawHeight = 0;
    std::int32_t m_nSize = 0;
    std::int32_t m_bLoaded = 0;
    // Error diffusion for the true-colour format instead of plain truncation;
    // off unless the user asks, and read at conversion time.
    bool m_bDither = false;

    // Reads m_strFileName. A refused file clears m_bLoaded and keeps the picture held
    // before (its data, sizes and converted form) untouched.
    Outcome loadBmpFile();
    // The same as loadBmpFile for a file image already in memory (a picture read
    // from another format and written out as a standard BMP); m_strFileName is kept.
    Outcome loadBmpData(std::vector<std::uint8_t> data);
    // Converts the held picture and writes the ModuleBitmap to `stagingPath`.
    // A failure to write clears m_bLoaded, so the stale staging file is never inserted.
    Outcome convertBitmap(const std::string& stagingPath);
    // The converted data itself (palette, then rows); empty when nothing is held.
    // Sets m_nFormat; m_nSize becomes the rows' length (the palette is added on writing).
    std::vector<std::uint8_t> convertedData();

    // New box for the next file read; boxes without area are ignored (nothing to fit to).
    void setScreenBox(int width, int height);
    // "Load Bitmap %dbit color Width:%d Height:%d \r\nSize:%d" from the values held.
    std::string loadReportText() const;
    int reportedDepth() const;

    bool hasPicture() const { return m_held; }
    int sourceWidth() const { return m_held ? m_layout.width : 0; }
    int sourceHeight() const { return m_held ? m_layout.height : 0; }
    int sourceBitCount() const { return m_held ? m_layout.bitCount : 0; }
    // The held picture, top row first, 3 bytes (r, g, b) per pixel, for drawing.
    std::vector<std::uint8_t> sourceRgb() const;
    const BmpLayout& layout() const { return m_layout; }

private:
    bool m_held = false;
    BmpLayout m_layout;
    std::vector<std::uint8_t> m_fileData; // the whole file read last; layout offsets are file offsets
};

} // namespace zarn
