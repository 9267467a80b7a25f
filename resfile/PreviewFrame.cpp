#include "resfile/PreviewFrame.h"

#include <cstdint>

namespace zarn {

Rect fitPreviewFrame(const Rect& area, int w, int h)
{
    // A screen with no height (and so no width either on the second branch)
    // has no shape to fit; the area stays as laid out.
    if (w <= 0 || h <= 0)
        return area;
    Rect frame = area;
    if (w > h) {
        frame.height = static_cast<int>(std::int64_t(area.width) * h / w);
        frame.top = area.top + area.height / 2 - frame.height / 2;
    } else {
        frame.width = static_cast<int>(std::int64_t(area.height) * w / h);
        frame.left = area.left + area.width / 2 - frame.width / 2;
    }
    return frame;
}

} // namespace zarn
