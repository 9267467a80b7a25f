#include "ui/win32/Drawing.h"

#include <cstdint>
#include <vector>

namespace zarn::win32 {

bool drawPixels(HDC dc, const zarn::ui::PixelImage& image, int x, int y)
{
    if (image.width <= 0 || image.height <= 0)
        return true;
    // 32-bit rows, top row first, as the system takes them without padding.
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        const std::uint8_t* p = image.rgb.data() + i * 3;
        bits[i] = (std::uint32_t { p[0] } << 16) | (std::uint32_t { p[1] } << 8) | p[2];
    }
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int lines = SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(image.width), static_cast<DWORD>(image.height), 0,
        0, 0, static_cast<UINT>(image.height), bits.data(), &info, DIB_RGB_COLORS);
    return lines > 0;
}

void drawSwatch(HDC dc, const RECT& area, std::optional<Rgb> colour)
{
    if (!colour) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    const HBRUSH brush = CreateSolidBrush(RGB(colour->r, colour->g, colour->b));
    const HGDIOBJ oldBrush = SelectObject(dc, brush);
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(brush);
}

} // namespace zarn::win32
