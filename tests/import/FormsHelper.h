#pragma once
// Loads and converts a picture file the way "Load BMP" does, for comparing the
// forms of one picture.

#include "TestBmp.h"
#include "import/DibPicture.h"
#include "import/ModuleBitmap.h"

#include <functional>
#include <string>
#include <vector>

namespace zarn::test {

inline const std::filesystem::path kFormsDir = std::filesystem::path(ZARN_TEST_DATA_DIR) / "import" / "forms";

struct Converted {
    bool ok = false;
    std::string message;
    int bitCount = 0, kind = 0, width = 0, height = 0, size = 0;
    std::string report;
    std::vector<std::uint8_t> data;    // the staging file
    std::vector<std::uint8_t> decoded; // the module's colours, r, g, b per pixel
};

inline Converted convertWith(const std::function<DibPicture::Outcome(DibPicture&)>& load, const std::string& path,
                             int boxW = 320, int boxH = 240, bool dither = false)
{
    TempDir tmp;
    DibPicture pic;
    pic.setScreenBox(boxW, boxH);
    pic.m_bDither = dither;
    pic.m_strFileName = path;
    Converted c;
    const auto loaded = load(pic);
    c.message = loaded.message;
    if (!loaded.ok)
        return c;
    const auto staging = tmp / "ttt.tmp";
    if (!pic.convertBitmap(staging.string()).ok)
        return c;
    c.ok = true;
    c.bitCount = pic.m_nBitCount;
    c.kind = pic.m_nFormat;
    c.width = pic.m_nWidth;
    c.height = pic.m_nHeight;
    c.size = pic.m_nSize;
    c.report = pic.loadReportText();
    c.data = readBytes(staging);
    if (auto rgb = decodeModuleBitmap(static_cast<std::uint8_t>(c.kind), c.width, c.height, c.data))
        c.decoded = *rgb;
    return c;
}

inline Converted convertBmp(const std::string& name, int boxW = 320, int boxH = 240, bool dither = false)
{
    return convertWith([](DibPicture& p) { return p.loadBmpFile(); }, (kFormsDir / name).string(), boxW, boxH, dither);
}

} // namespace zarn::test
