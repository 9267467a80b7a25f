#include "ui/PreviewGeometry.h"

#include "import/ModuleBitmap.h"
#include "import/Rgb565.h"

#include <cstdio>

namespace zarn::ui {

FrameRect fitDialogFrame(const FrameRect& frame, int screenWidth, int screenHeight)
{
    FrameRect f = frame;
    const int W = screenWidth, H = screenHeight;
    if (W >= H) {
        const int fw = f.width();
        if (fw >= 320) {
            f.left += (fw - 320) >> 1;
            f.right = f.left + 320;
            f.bottom = f.top + 240;
        } else {
            f.bottom = f.top + static_cast<int>(fw * 0.75);
        }
    }
    if (W <= 0 || H <= 0)
        return f;
    const int fw = f.width(), fh = f.height();
    FrameRect out = f;
    if (W > H) {
        const int nh = static_cast<int>(fw * (static_cast<double>(H) / W));
        out.top = f.top + (fh >> 1) - (nh >> 1);
        out.bottom = out.top + nh;
    } else {
        const int nw = static_cast<int>((static_cast<double>(W) / H) * fh);
        out.left = f.left + (fw >> 1) - (nw >> 1);
        out.right = out.left + nw;
    }
    return out;
}

bool drawItemPixels(std::uint8_t kind, int width, int height, std::span<const std::uint8_t> data, const PixelSink& setPixel)
{
    const auto rgb = zarn::decodeModuleBitmap(kind, width, height, data);
    if (!rgb)
        return false;
    std::size_t i = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, i += 3)
            setPixel(x, y, PixelColor { (*rgb)[i], (*rgb)[i + 1], (*rgb)[i + 2] });
    return true;
}

std::uint16_t pickIgnoreColor(PixelColor c) { return zarn::toRgb565(c.r, c.g, c.b); }

std::string ignoreColorText(std::uint16_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%.4x", static_cast<unsigned>(value));
    return buf;
}

} // namespace zarn::ui
