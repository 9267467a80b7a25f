#pragma once
// "Port Select" as the Win32 window shows it (ui/CPortSelectDlg.h): COM1 to
// COM16 to pick from, and the line that tells whether the system lists the
// port picked.

#include "ui/CPortSelectDlg.h"
#include "ui/win32/DialogWindow.h"

namespace zarn::win32 {

class PortSelectWindow : public DialogWindow {
public:
    explicit PortSelectWindow(zarn::ui::CPortSelectDlg& state);

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    zarn::ui::CPortSelectDlg& m_state;
};

} // namespace zarn::win32
