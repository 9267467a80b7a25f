#include "ui/PixelImage.h"

#include <algorithm>

namespace zarn::ui {

PixelImage::PixelImage(int w, int h, Rgb fill)
    : width(std::max(0, w))
    , height(std::max(0, h))
{
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = fill.r;
        rgb[i + 1] = fill.g;
        rgb[i + 2] = fill.b;
    }
}

void PixelImage::set(int x, int y, Rgb c)
{
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    rgb[i] = c.r;
    rgb[i + 1] = c.g;
    rgb[i + 2] = c.b;
}

Rgb PixelImage::at(int x, int y) const
{
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return Rgb { rgb[i], rgb[i + 1], rgb[i + 2] };
}

std::optional<Rgb> PixelImage::pick(int x, int y) const
{
    if (width <= 0 || height <= 0 || x < 0 || y < 0 || x > width || y > height)
        return std::nullopt;
    return at(std::min(x, width - 1), std::min(y, height - 1));
}

} // namespace zarn::ui
