#include "ui/win32/BitmapPreviewWindow.h"

#include "ui/CBitmapPreviewDlg.h"
#include "ui/win32/ResourceIds.h"

#include <algorithm>

namespace zarn::win32 {

BitmapPreviewWindow::BitmapPreviewWindow(ItemImage item)
    : DialogWindow(IDD_BITMAP_PREVIEW)
    , m_item(std::move(item))
{
}

RECT BitmapPreviewWindow::frameRect() const
{
    RECT r {};
    GetWindowRect(item(IDC_ITEM_FRAME), &r);
    MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool BitmapPreviewWindow::onInit()
{
    // The frame takes the module screen's shape within the template's frame.
    const RECT r = frameRect();
    const zarn::ui::FrameRect fitted
        = zarn::ui::fitDialogFrame({ r.left, r.top, r.right, r.bottom }, m_item.screenWidth, m_item.screenHeight);
    const int width = std::max(1, fitted.width()), height = std::max(1, fitted.height());
    MoveWindow(item(IDC_ITEM_FRAME), fitted.left, fitted.top, width, height, FALSE);
    m_canvas = std::make_unique<Canvas>(width, height);
    drawBitmapItem(*m_canvas, m_item);
    setText(IDC_IGNORE_COLOR, m_colourText);
    return true;
}

void BitmapPreviewWindow::showIgnoreColor(Rgb colour, const std::string& text)
{
    m_colour = colour;
    m_colourText = text;
    if (!hwnd())
        return;
    setText(IDC_IGNORE_COLOR, text);
    InvalidateRect(item(IDC_ITEM_SWATCH), nullptr, FALSE);
}

bool BitmapPreviewWindow::pickAt(POINT point)
{
    const RECT r = frameRect();
    if (!m_canvas || point.x < r.left || point.x > r.right || point.y < r.top || point.y > r.bottom)
        return false;
    const int x = std::min<int>(point.x - r.left, m_canvas->width() - 1);
    const int y = std::min<int>(point.y - r.top, m_canvas->height() - 1);
    if (onPick)
        onPick(m_canvas->pixel(x, y));
    return true;
}

std::optional<INT_PTR> BitmapPreviewWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN) {
        pickAt(POINT { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) });
        return std::nullopt;
    }
    if (message == WM_DRAWITEM) {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw.CtlID == IDC_ITEM_FRAME && m_canvas)
            m_canvas->copyTo(draw.hDC, draw.rcItem.left, draw.rcItem.top);
        else if (draw.CtlID == IDC_ITEM_SWATCH)
            drawSwatch(draw.hDC, draw.rcItem, m_colour);
        return TRUE;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
