#include "resfile/PictureArea.h"

#include <cstdint>

namespace zarn {

Rect fitPreviewFrame(const Rect& area, int w, int h)
{
    Rect frame = area;
    if (w > h) {
        frame.height = static_cast<int>(std::int64_t(area.width) * h / w);
        frame.top = area.top + area.height / 2 - frame.height / 2;
    } else if (h != 0) {
        frame.width = static_cast<int>(std::int64_t(area.height) * w / h);
        frame.left = area.left + area.width / 2 - frame.width / 2;
    }
    // A 0 x 0 screen has no shape to fit: the area stays as laid out.
    return frame;
}

} // namespace zarn
