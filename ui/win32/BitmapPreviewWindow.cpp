#include "ui/win32/BitmapPreviewWindow.h"

#include "ui/win32/Drawing.h"
#include "ui/win32/ResourceIds.h"

namespace zarn::win32 {

BitmapPreviewWindow::BitmapPreviewWindow(zarn::ui::CBitmapPreviewDlg& state)
    : DialogWindow(IDD_BITMAP_PREVIEW)
    , m_state(state)
{
}

bool BitmapPreviewWindow::onInit()
{
    // The frame takes the module screen's shape within the template's frame.
    RECT r {};
    GetWindowRect(item(IDC_ITEM_FRAME), &r);
    MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    m_state.fitFrame({ r.left, r.top, r.right, r.bottom });
    const auto& f = m_state.m_rcFrame;
    MoveWindow(item(IDC_ITEM_FRAME), f.left, f.top, f.width(), f.height(), FALSE);
    m_image = m_state.render();
    setText(IDC_IGNORE_COLOR, m_state.m_strIgnoreColor);
    return true;
}

std::optional<INT_PTR> BitmapPreviewWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        const POINT at { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
        if (m_state.pickAt(at.x - m_state.m_rcFrame.left, at.y - m_state.m_rcFrame.top)) {
            setText(IDC_IGNORE_COLOR, m_state.m_strIgnoreColor);
            InvalidateRect(item(IDC_ITEM_SWATCH), nullptr, FALSE);
        }
        return std::nullopt; // and the default handling
    }
    if (message == WM_DRAWITEM) {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw.CtlID == IDC_ITEM_FRAME)
            drawPixels(draw.hDC, m_image, draw.rcItem.left, draw.rcItem.top);
        else if (draw.CtlID == IDC_ITEM_SWATCH)
            drawSwatch(draw.hDC, draw.rcItem, m_state.m_crIgnoreColor);
        return TRUE;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
