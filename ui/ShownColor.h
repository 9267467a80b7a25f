#pragma once
// Picking reads the colour a window itself rendered, not the screen, so it
// works the same under X11, Wayland and offscreen.

#include "ui/IgnoreColor.h"

#include <QPoint>
#include <QRect>

#include <optional>

class QWidget;

namespace zarn::ui {

// The colour `widget` shows at `pos` (its own coordinates), when `pos` lies in
// `area` counting its right and bottom edges; nothing otherwise.
std::optional<Rgb> shownColorAt(QWidget& widget, const QRect& area, QPoint pos);

} // namespace zarn::ui
