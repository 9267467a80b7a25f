#include "ui/CDibPicture.h"

#include <QPainter>

#include <cstring>

namespace zarn::ui {

CDibPicture::CDibPicture(QWidget* parent)
    : QWidget(parent)
{
    // A press on the picture belongs to the main window, which picks the colour.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CDibPicture::pictureChanged()
{
    m_source = QImage();
    if (m_pic.hasPicture()) {
        const int w = m_pic.sourceWidth(), h = m_pic.sourceHeight();
        const std::vector<std::uint8_t> rgb = m_pic.sourceRgb();
        if (w > 0 && h > 0 && rgb.size() >= static_cast<std::size_t>(w) * h * 3) {
            QImage img(w, h, QImage::Format_RGB888);
            for (int y = 0; y < h; ++y)
                std::memcpy(
                    img.scanLine(y), rgb.data() + static_cast<std::size_t>(y) * w * 3, static_cast<std::size_t>(w) * 3);
            m_source = img;
        }
    }
    update();
}

QImage CDibPicture::render(QSize size) const
{
    QImage out(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    out.fill(Qt::white);
    const int bw = m_pic.boxWidth(), bh = m_pic.boxHeight();
    if (bw <= 0 || bh <= 0)
        return out;
    QPainter p(&out);
    // The box is stretched over the whole control, x and y independently.
    p.scale(static_cast<double>(out.width()) / bw, static_cast<double>(out.height()) / bh);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(0, 0, bw, bh));
    if (m_pic.bitCount() != 0 && !m_source.isNull() && m_pic.drawWidth() > 0 && m_pic.drawHeight() > 0) {
        // Nearest-neighbour drawing keeps the source colours, so a pick reads them back.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRectF(0, 0, m_pic.drawWidth(), m_pic.drawHeight()), m_source);
    }
    return out;
}

void CDibPicture::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, render(size()));
}

} // namespace zarn::ui
