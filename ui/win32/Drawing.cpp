#include "ui/win32/Drawing.h"

#include <cstdint>
#include <vector>

namespace zarn::win32 {

namespace {

    // 32-bit rows, top row first, as the system takes them without padding.
    BITMAPINFO topDownInfo(const zarn::ui::PixelImage& image)
    {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = image.width;
        info.bmiHeader.biHeight = -image.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        return info;
    }

    void copyPixels(const zarn::ui::PixelImage& image, std::uint32_t* out)
    {
        const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
        for (std::size_t i = 0; i < pixels && i * 3 + 2 < image.rgb.size(); ++i) {
            const std::uint8_t* p = image.rgb.data() + i * 3;
            out[i] = (std::uint32_t { p[0] } << 16) | (std::uint32_t { p[1] } << 8) | p[2];
        }
    }

} // namespace

bool drawPixels(HDC dc, const zarn::ui::PixelImage& image, int x, int y)
{
    if (image.width <= 0 || image.height <= 0)
        return true;
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(image.width) * image.height);
    copyPixels(image, bits.data());
    const BITMAPINFO info = topDownInfo(image);
    const int lines = SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(image.width), static_cast<DWORD>(image.height), 0,
        0, 0, static_cast<UINT>(image.height), bits.data(), &info, DIB_RGB_COLORS);
    return lines > 0;
}

HBITMAP makeBitmap(const zarn::ui::PixelImage& image)
{
    if (image.width <= 0 || image.height <= 0)
        return nullptr;
    const BITMAPINFO info = topDownInfo(image);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap)
        copyPixels(image, static_cast<std::uint32_t*>(bits));
    return bitmap;
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
