#include "ui/CBitmapPreviewDlg.h"

#include "import/ModuleBitmap.h"
#include "resfile/DirectoryView.h"

#include <algorithm>
#include <cmath>

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

void CBitmapPreviewDlg::setScreenSize(std::uint16_t width, std::uint16_t height)
{
    m_wScreenWidth = width;
    m_wScreenHeight = height;
}

void CBitmapPreviewDlg::setIgnoreColor(std::uint16_t value)
{
    m_wIgnoreColor = value;
    m_crIgnoreColor = fromRgb565(value);
    m_strIgnoreColor = ignoreColorText(value);
}

void CBitmapPreviewDlg::setItem(
    std::uint16_t width, std::uint16_t height, std::span<const std::uint8_t> data, std::uint8_t kind)
{
    m_wWidth = width;
    m_wHeight = height;
    m_pData = data;
    m_nKind = kind;
}

namespace {
    // The one scale for x and y that maps the screen into the frame.
    double screenScale(const FrameRect& f, int W, int H)
    {
        return std::min(static_cast<double>(f.width()) / W, static_cast<double>(f.height()) / H);
    }
}

void CBitmapPreviewDlg::fitFrame(const FrameRect& templateFrame)
{
    const int W = m_wScreenWidth, H = m_wScreenHeight;
    m_rcFrame = fitDialogFrame(templateFrame, W, H);
    m_nZoom = 0;
    if (W > 0 && H > 0 && screenScale(m_rcFrame, W, H) > 1.0) {
        m_nZoom = static_cast<int>(std::floor(screenScale(m_rcFrame, W, H)));
        const int left = m_rcFrame.left + (m_rcFrame.width() - m_nZoom * W) / 2;
        const int top = m_rcFrame.top + (m_rcFrame.height() - m_nZoom * H) / 2;
        m_rcFrame = FrameRect { left, top, left + m_nZoom * W, top + m_nZoom * H };
    }
    m_bPicked = false;
}

PixelImage CBitmapPreviewDlg::render() const
{
    PixelImage image(m_rcFrame.width(), m_rcFrame.height(), kDialogFace);
    const int W = m_wScreenWidth, H = m_wScreenHeight;
    if (W <= 0 || H <= 0 || image.width <= 0 || image.height <= 0)
        return image;
    const double scale = m_nZoom > 0 ? m_nZoom : screenScale(m_rcFrame, W, H);
    const int bw = std::min(image.width, static_cast<int>(W * scale));
    const int bh = std::min(image.height, static_cast<int>(H * scale));
    for (int y = 0; y < bh; ++y)
        for (int x = 0; x < bw; ++x)
            image.set(x, y, x == 0 || y == 0 || x == bw - 1 || y == bh - 1 ? kBlack : kBlue);
    // An item whose data is shorter than its size and kind imply shows nothing.
    const auto rgb = decodeModuleBitmap(m_nKind, m_wWidth, m_wHeight, m_pData);
    if (!rgb)
        return image;
    const int block = std::max(1, m_nZoom);
    std::size_t i = 0;
    for (int y = 0; y < m_wHeight; ++y)
        for (int x = 0; x < m_wWidth; ++x, i += 3) {
            const Rgb c { (*rgb)[i], (*rgb)[i + 1], (*rgb)[i + 2] };
            const int dx = static_cast<int>(x * scale), dy = static_cast<int>(y * scale);
            for (int by = dy; by < dy + block && by < image.height; ++by)
                for (int bx = dx; bx < dx + block && bx < image.width; ++bx)
                    image.set(bx, by, c);
        }
    return image;
}

bool CBitmapPreviewDlg::pickAt(int x, int y)
{
    const auto colour = render().pick(x, y);
    if (!colour)
        return false;
    m_crIgnoreColor = *colour;
    m_wIgnoreColor = toRgb565(colour->r, colour->g, colour->b);
    m_strIgnoreColor = ignoreColorText(m_wIgnoreColor);
    m_bPicked = true;
    return true;
}

} // namespace zarn::ui
