#include "ui/win32/Drawing.h"

#include <algorithm>

namespace zarn::win32 {

namespace {
    const COLORREF kBlue = RGB(0, 0, 255);

    // Selects a solid brush and the black pen for as long as it lives.
    class Outline {
    public:
        Outline(HDC dc, COLORREF fill)
            : m_dc(dc)
            , m_brush(CreateSolidBrush(fill))
        {
            m_oldBrush = SelectObject(dc, m_brush);
            m_oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        }
        ~Outline()
        {
            SelectObject(m_dc, m_oldPen);
            SelectObject(m_dc, m_oldBrush);
            DeleteObject(m_brush);
        }
        Outline(const Outline&) = delete;
        Outline& operator=(const Outline&) = delete;

    private:
        HDC m_dc;
        HBRUSH m_brush;
        HGDIOBJ m_oldBrush, m_oldPen;
    };
}

COLORREF colorRef(Rgb c) { return RGB(c.r, c.g, c.b); }

Rgb rgbOf(COLORREF c) { return Rgb { GetRValue(c), GetGValue(c), GetBValue(c) }; }

Canvas::Canvas(int width, int height)
    : m_width(std::max(1, width))
    , m_height(std::max(1, height))
{
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<std::uint32_t*>(bits);
    if (m_bitmap)
        m_previous = SelectObject(m_dc, m_bitmap);
}

Canvas::~Canvas()
{
    if (m_previous)
        SelectObject(m_dc, m_previous);
    if (m_bitmap)
        DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

Rgb Canvas::pixel(int x, int y) const
{
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return {};
    GdiFlush(); // what GDI drew is in the bits
    const std::uint32_t v = m_bits[static_cast<std::size_t>(y) * m_width + x];
    return Rgb { static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v) };
}

void Canvas::setPixel(int x, int y, Rgb c)
{
    if (m_bits && x >= 0 && y >= 0 && x < m_width && y < m_height)
        m_bits[static_cast<std::size_t>(y) * m_width + x] = (std::uint32_t { c.r } << 16) | (c.g << 8) | c.b;
}

void Canvas::copyTo(HDC target, int x, int y) const { BitBlt(target, x, y, m_width, m_height, m_dc, 0, 0, SRCCOPY); }

PictureDib::PictureDib(const PictureImage& image)
    : m_box { image.boxWidth, image.boxHeight }
    , m_draw { image.drawWidth, image.drawHeight }
{
    const std::size_t w = image.width > 0 ? image.width : 0, h = image.height > 0 ? image.height : 0;
    if (w == 0 || h == 0 || image.rgb.size() < w * h * 3)
        return;
    m_source = { image.width, image.height };
    const std::size_t stride = (w * 3 + 3) & ~std::size_t { 3 };
    m_bits.assign(stride * h, 0);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* from = image.rgb.data() + y * w * 3;
        std::uint8_t* to = m_bits.data() + (h - 1 - y) * stride;
        for (std::size_t x = 0; x < w; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}

bool PictureDib::draw(HDC dc, SIZE client) const
{
    if (m_box.cx <= 0 || m_box.cy <= 0) {
        RECT all { 0, 0, client.cx, client.cy };
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    const int saved = SaveDC(dc);
    // The screen box covers the whole control, stretched in x and y independently.
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, m_box.cx, m_box.cy, nullptr);
    SetViewportExtEx(dc, client.cx, client.cy, nullptr);
    bool drawn = true;
    {
        Outline outline(dc, kBlue);
        Rectangle(dc, 0, 0, m_box.cx, m_box.cy);
    }
    if (!m_bits.empty() && m_draw.cx > 0 && m_draw.cy > 0) {
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = m_source.cx;
        info.bmiHeader.biHeight = m_source.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        // Whole pixels, never blended: a click on the picture reads its own colours.
        SetStretchBltMode(dc, COLORONCOLOR);
        const int lines = StretchDIBits(dc, 0, 0, m_draw.cx, m_draw.cy, 0, 0, m_source.cx, m_source.cy, m_bits.data(),
            &info, DIB_RGB_COLORS, SRCCOPY);
        drawn = lines != 0 && lines != static_cast<int>(GDI_ERROR);
    }
    RestoreDC(dc, saved);
    return drawn;
}

void drawBitmapItem(Canvas& canvas, const ItemImage& item)
{
    HDC dc = canvas.dc();
    RECT all { 0, 0, canvas.width(), canvas.height() };
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    const int W = item.screenWidth, H = item.screenHeight;
    if (W <= 0 || H <= 0)
        return;
    // The module's screen with one scale for x and y, so its pixels stay square.
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowExtEx(dc, W, H, nullptr);
    SetViewportExtEx(dc, canvas.width(), canvas.height(), nullptr);
    {
        Outline outline(dc, kBlue);
        Rectangle(dc, 0, 0, W, H);
    }
    const std::size_t w = item.width > 0 ? item.width : 0, h = item.height > 0 ? item.height : 0;
    std::vector<POINT> columns(w), rows(h);
    for (std::size_t x = 0; x < w; ++x)
        columns[x] = { static_cast<LONG>(x), 0 };
    for (std::size_t y = 0; y < h; ++y)
        rows[y] = { 0, static_cast<LONG>(y) };
    // Where the screen's own scale puts each column and row.
    if (w)
        LPtoDP(dc, columns.data(), static_cast<int>(w));
    if (h)
        LPtoDP(dc, rows.data(), static_cast<int>(h));
    RestoreDC(dc, saved);
    if (item.rgb.size() < w * h * 3)
        return;
    GdiFlush();
    const std::uint8_t* p = item.rgb.data();
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x, p += 3) {
            const Rgb colour { p[0], p[1], p[2] };
            if (item.factor <= 0) {
                canvas.setPixel(columns[x].x, rows[y].y, colour);
                continue;
            }
            const int left = static_cast<int>(x) * item.factor, top = static_cast<int>(y) * item.factor;
            for (int dy = 0; dy < item.factor; ++dy)
                for (int dx = 0; dx < item.factor; ++dx)
                    canvas.setPixel(left + dx, top + dy, colour);
        }
}

void drawSwatch(HDC dc, const RECT& area, std::optional<Rgb> colour)
{
    if (!colour) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    Outline outline(dc, colorRef(*colour));
    Rectangle(dc, area.left, area.top, area.right, area.bottom);
}

} // namespace zarn::win32
