#pragma once
// Where the picture control goes inside the picture area: the area shrunk to
// the module screen's shape and centred.

namespace zarn {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

// A 0 x 0 screen leaves the area as it is.
Rect fitPreviewFrame(const Rect& area, int w, int h);

} // namespace zarn
