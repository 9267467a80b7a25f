#include "ui/ShownColor.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace zarn::ui {

std::optional<Rgb> shownColorAt(QWidget& widget, const QRect& area, QPoint pos)
{
    if (pos.x() < area.left() || pos.x() > area.right() + 1 || pos.y() < area.top() || pos.y() > area.bottom() + 1)
        return std::nullopt;
    const QImage shown = widget.grab().toImage();
    const qreal dpr = shown.devicePixelRatio();
    const QPoint px(static_cast<int>(pos.x() * dpr), static_cast<int>(pos.y() * dpr));
    if (!shown.rect().contains(px))
        return std::nullopt;
    const QColor c = shown.pixelColor(px);
    return Rgb { static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
        static_cast<std::uint8_t>(c.blue()) };
}

} // namespace zarn::ui
