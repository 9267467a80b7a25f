#include "ui/IgnoreColor.h"

#include "import/Rgb565.h"

namespace zarn::ui {

std::uint16_t pickIgnoreColor(PixelColor c) { return zarn::toRgb565(c.r, c.g, c.b); }

} // namespace zarn::ui
