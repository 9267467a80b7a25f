#include "ui/win32/PortSelectWindow.h"

#include "ui/win32/ResourceIds.h"
#include "ui/win32/Utf16.h"

namespace zarn::win32 {

using zarn::ui::CPortSelectDlg;

PortSelectWindow::PortSelectWindow(CPortSelectDlg& state)
    : DialogWindow(IDD_PORT_SELECT)
    , m_state(state)
{
}

bool PortSelectWindow::onInit()
{
    const HWND list = item(IDC_PORT_LIST);
    for (int i = 0; i < CPortSelectDlg::kPortCount; ++i)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(CPortSelectDlg::portName(i)).c_str()));
    SendMessageW(list, CB_SETCURSEL, m_state.initialIndex(), 0);
    SendMessageW(item(IDC_PORT_STATUS), EM_LIMITTEXT, 256, 0);
    setText(IDC_PORT_STATUS, m_state.m_portStatus);
    return true;
}

std::optional<INT_PTR> PortSelectWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_PORT_LIST && HIWORD(wParam) == CBN_SELENDOK) {
        m_state.OnSelEndOk(static_cast<int>(SendMessageW(item(IDC_PORT_LIST), CB_GETCURSEL, 0, 0)));
        setText(IDC_PORT_STATUS, m_state.m_portStatus);
        return TRUE;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
