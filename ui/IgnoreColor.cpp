#include "ui/IgnoreColor.h"

#include "import/Rgb565.h"

#include <cstdio>

namespace zarn::ui {

std::uint16_t pickIgnoreColor(PixelColor c) { return zarn::toRgb565(c.r, c.g, c.b); }

std::string ignoreColorText(std::uint16_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%.4x", static_cast<unsigned>(value));
    return buf;
}

} // namespace zarn::ui
