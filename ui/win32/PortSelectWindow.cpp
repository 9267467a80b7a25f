#include "ui/win32/PortSelectWindow.h"

#include "ui/win32/ResourceIds.h"

#include <string>

namespace zarn::win32 {

PortSelectWindow::PortSelectWindow(int port)
    : DialogWindow(IDD_PORT_SELECT)
    , m_port(port)
{
}

bool PortSelectWindow::onInit()
{
    const HWND list = item(IDC_PORT_LIST);
    for (int i = 1; i <= kPorts; ++i)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"COM" + std::to_wstring(i)).c_str()));
    SendMessageW(list, CB_SETCURSEL, m_port >= 1 && m_port <= kPorts ? m_port - 1 : -1, 0);
    SendMessageW(item(IDC_PORT_STATUS), EM_LIMITTEXT, 256, 0);
    return true;
}

void PortSelectWindow::showStatus(const std::string& text) { setText(IDC_PORT_STATUS, text); }

int PortSelectWindow::shownIndex() const
{
    return static_cast<int>(SendMessageW(item(IDC_PORT_LIST), CB_GETCURSEL, 0, 0));
}

std::optional<INT_PTR> PortSelectWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_PORT_LIST && HIWORD(wParam) == CBN_SELENDOK) {
        const int index = shownIndex();
        if (onPick && index >= 0 && index < kPorts)
            onPick(index);
        return TRUE;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
