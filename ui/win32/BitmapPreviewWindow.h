#pragma once
// "Bitmap Playback Display" as the Win32 window shows it
// (ui/CBitmapPreviewDlg.h): one stored bitmap item on its module's screen
// shape, the item's ignore colour, and a press on the item to pick another.

#include "ui/CBitmapPreviewDlg.h"
#include "ui/win32/DialogWindow.h"

namespace zarn::win32 {

class BitmapPreviewWindow : public DialogWindow {
public:
    explicit BitmapPreviewWindow(zarn::ui::CBitmapPreviewDlg& state);
    // What the frame shows, 1:1.
    const zarn::ui::PixelImage& frameImage() const { return m_image; }

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    zarn::ui::CBitmapPreviewDlg& m_state;
    zarn::ui::PixelImage m_image; // drawn once, when the frame is fitted
};

} // namespace zarn::win32
