#include "ui/CDibPicture.h"

#include <algorithm>

namespace zarn::ui {

void CDibPicture::adopt(LoadedPicture picture)
{
    m_pic = std::move(picture);
    pictureChanged();
}

void CDibPicture::pictureChanged()
{
    m_shown.clear();
    if (m_pic.hasPicture())
        m_shown = m_pic.sourceRgb();
}

PixelImage CDibPicture::render(int width, int height) const
{
    PixelImage image(width, height, kBlue);
    for (int x = 0; x < image.width; ++x) {
        image.set(x, 0, kBlack);
        image.set(x, image.height - 1, kBlack);
    }
    for (int y = 0; y < image.height; ++y) {
        image.set(0, y, kBlack);
        image.set(image.width - 1, y, kBlack);
    }
    const int bw = m_pic.boxWidth(), bh = m_pic.boxHeight();
    const int sw = m_pic.sourceWidth(), sh = m_pic.sourceHeight();
    const int dw = m_pic.drawWidth(), dh = m_pic.drawHeight();
    if (bw <= 0 || bh <= 0 || m_pic.bitCount() == 0 || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0
        || m_shown.size() < static_cast<std::size_t>(sw) * sh * 3)
        return image;
    // Pixel centres in the box's units; the picture covers [0, dw) x [0, dh) of them.
    for (int y = 0; y < image.height; ++y) {
        const double ly = (y + 0.5) * bh / image.height;
        if (ly >= dh)
            break;
        const int sy = std::min(sh - 1, static_cast<int>(ly * sh / dh));
        for (int x = 0; x < image.width; ++x) {
            const double lx = (x + 0.5) * bw / image.width;
            if (lx >= dw)
                break;
            const int sx = std::min(sw - 1, static_cast<int>(lx * sw / dw));
            const std::size_t i = (static_cast<std::size_t>(sy) * sw + sx) * 3;
            image.set(x, y, Rgb { m_shown[i], m_shown[i + 1], m_shown[i + 2] });
        }
    }
    return image;
}

} // namespace zarn::ui
