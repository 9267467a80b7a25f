#pragma once
// "Create New Resource File" as the Win32 window shows it
// (ui/CNewResourceDlg.h): the module list, the name, the size buttons and the
// folder, each action handed to the dialog's state and the state shown again.

#include "ui/CNewResourceDlg.h"
#include "ui/win32/DialogWindow.h"

namespace zarn::win32 {

class NewResourceWindow : public DialogWindow {
public:
    explicit NewResourceWindow(zarn::ui::CNewResourceDlg& state);

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void takeFields();
    void showState();
    zarn::ui::CNewResourceDlg& m_state;
};

} // namespace zarn::win32
