#pragma once
// "Make font library" as the Win32 window shows it (ui/CMakeFontDlg.h): the
// font, the library type and the glyph size, each action handed to the
// dialog's state and the state shown again.

#include "ui/CMakeFontDlg.h"
#include "ui/win32/DialogWindow.h"

namespace zarn::win32 {

class MakeFontWindow : public DialogWindow {
public:
    explicit MakeFontWindow(zarn::ui::CMakeFontDlg& state);

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void showState();
    // A size field's number within the glyph sizes, as a spin box keeps it.
    int glyphDots(int id, int fallback) const;
    zarn::ui::CMakeFontDlg& m_state;
    bool m_showing = false; // the fields change because the state is shown, not because the user typed
};

} // namespace zarn::win32
