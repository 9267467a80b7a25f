#include "ui/qt/PixelWidget.h"

#include <QPainter>

namespace zarn::ui {

QImage toQImage(const PixelImage& image)
{
    if (image.width <= 0 || image.height <= 0)
        return {};
    return QImage(image.rgb.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888).copy();
}

PixelWidget::PixelWidget(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PixelWidget::setImage(const PixelImage& image)
{
    m_image = toQImage(image);
    update();
}

void PixelWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.drawImage(0, 0, m_image);
}

} // namespace zarn::ui
