#include "import/GifCanvas.h"

#include <algorithm>

namespace zarn {

GifCanvas::GifCanvas(const GifScreen& screen, const GifFrame& frame)
    : m_screen(screen)
    , m_frame(frame)
{
    PictureForm& f = m_form;
    f.width = screen.width > 0 ? screen.width : frame.left + frame.width;
    f.height = screen.height > 0 ? screen.height : frame.top + frame.height;
    f.pixels = frame.transparent >= 0 ? PixelForm::Rgba : PixelForm::Rgb;
    f.indexFewColours = true;
    m_bytesPerPixel = frame.transparent >= 0 ? 4 : 3;
    // Around a frame smaller than the screen: transparency, else the background
    // colour of the global table, else black.
    const bool covers = frame.left == 0 && frame.top == 0 && frame.width >= f.width && frame.height >= f.height;
    if (!covers && frame.transparent >= 0)
        m_fill = colourOf(frame.transparent, true);
    else if (!covers && screen.hasTable)
        m_fill = colourOf(screen.background, false);
    else
        m_fill = Pixel { 0, 0, 0, 0 };
    m_row.resize(static_cast<std::size_t>(f.width) * m_bytesPerPixel);
}

GifCanvas::Pixel GifCanvas::colourOf(int index, bool frameTable) const
{
    const bool own = frameTable && m_frame.hasTable;
    const std::vector<Rgb>* table = own ? &m_frame.table : m_screen.hasTable ? &m_screen.table : nullptr;
    const int entries = own ? static_cast<int>(m_frame.table.size()) : 2 << m_screen.tableBits;
    // Past the table's end: transparent white; without a table: transparent black.
    Pixel p { 0, 0, 0, 0 };
    if (index > entries || (table && index >= static_cast<int>(table->size())))
        p = Pixel { 255, 255, 255, 0 };
    else if (table)
        p = Pixel { (*table)[index].r, (*table)[index].g, (*table)[index].b, 255 };
    if (frameTable && index == m_frame.transparent)
        p.a = 0;
    return p;
}

void GifCanvas::put(std::uint8_t* at, Pixel p) const
{
    // Without a transparent index the picture has no opacity: every pixel is opaque.
    at[0] = p.r;
    at[1] = p.g;
    at[2] = p.b;
    if (m_bytesPerPixel == 4)
        at[3] = p.a;
}

int GifCanvas::frameRowOf(int n) const
{
    if (!m_frame.interlaced)
        return n;
    // Rows 0, 8, 16, ..., then 4, 12, ..., then 2, 6, ..., then 1, 3, ...
    const int h = m_frame.height;
    const int pass1 = (h + 7) / 8, pass2 = (h + 3) / 8, pass3 = (h + 1) / 4;
    if (n < pass1)
        return 8 * n;
    n -= pass1;
    if (n < pass2)
        return 4 + 8 * n;
    n -= pass2;
    if (n < pass3)
        return 2 + 4 * n;
    return 1 + 2 * (n - pass3);
}

void GifCanvas::frameRow(int n, const std::uint8_t* indices, PictureSink& sink)
{
    const int y = m_frame.top + frameRowOf(n);
    if (y < 0 || y >= m_form.height)
        return;
    for (int x = 0; x < m_form.width; ++x)
        put(&m_row[static_cast<std::size_t>(x) * m_bytesPerPixel], m_fill);
    const int from = std::max(0, m_frame.left), to = std::min(m_form.width, m_frame.left + m_frame.width);
    for (int x = from; x < to; ++x)
        put(&m_row[static_cast<std::size_t>(x) * m_bytesPerPixel], colourOf(indices[x - m_frame.left], true));
    sink.run(0, y, 1, 0, m_form.width, m_row.data());
}

void GifCanvas::otherRows(PictureSink& sink)
{
    for (int x = 0; x < m_form.width; ++x)
        put(&m_row[static_cast<std::size_t>(x) * m_bytesPerPixel], m_fill);
    for (int y = 0; y < m_form.height; ++y)
        if (y < m_frame.top || y >= m_frame.top + m_frame.height)
            sink.run(0, y, 1, 0, m_form.width, m_row.data());
}

} // namespace zarn
