#pragma once
// Controls placed in dialog units, as the dialogs given that way are laid out
// (a Win32 view takes them into its .rc templates; the Qt view maps a unit to
// two pixels).

namespace zarn::ui {

struct DialogUnits {
    int x = 0, y = 0, width = 0, height = 0;
};

// A rectangle in pixels as (left, top, right, bottom), right and bottom exclusive.
struct FrameRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const FrameRect&) const = default;
};

} // namespace zarn::ui
