#include "ui/BitmapItemFrame.h"

namespace zarn::ui {

FrameRect fitDialogFrame(const FrameRect& frame, int screenWidth, int screenHeight)
{
    FrameRect f = frame;
    const int W = screenWidth, H = screenHeight;
    if (W >= H) {
        const int fw = f.width();
        if (fw >= 320) {
            f.left += (fw - 320) >> 1;
            f.right = f.left + 320;
            f.bottom = f.top + 240;
        } else {
            f.bottom = f.top + static_cast<int>(fw * 0.75);
        }
    }
    if (W <= 0 || H <= 0)
        return f;
    const int fw = f.width(), fh = f.height();
    FrameRect out = f;
    if (W > H) {
        const int nh = static_cast<int>(fw * (static_cast<double>(H) / W));
        out.top = f.top + (fh >> 1) - (nh >> 1);
        out.bottom = out.top + nh;
    } else {
        const int nw = static_cast<int>((static_cast<double>(W) / H) * fh);
        out.left = f.left + (fw >> 1) - (nw >> 1);
        out.right = out.left + nw;
    }
    return out;
}

} // namespace zarn::ui
