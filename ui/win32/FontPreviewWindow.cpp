#include "ui/win32/FontPreviewWindow.h"

#include "ui/win32/Drawing.h"
#include "ui/win32/ResourceIds.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

namespace zarn::win32 {

namespace {
    constexpr int kLineStep = 16; // pixels an arrow of a scroll bar moves the sheet

    RECT placeIn(HWND parent, HWND control)
    {
        RECT r {};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
}

FontPreviewWindow::FontPreviewWindow(const zarn::ui::CFontPreviewDlg& state)
    : DialogWindow(IDD_FONT_PREVIEW)
    , m_state(state)
{
}

FontPreviewWindow::~FontPreviewWindow()
{
    if (m_bitmap)
        DeleteObject(m_bitmap);
}

bool FontPreviewWindow::onInit()
{
    setText(IDC_PREVIEW_SUMMARY, m_state.m_strSummary);
    m_bitmap = makeBitmap(m_state.m_sheet);
    const HWND sheet = item(IDC_PREVIEW_SHEET);
    SetWindowSubclass(sheet, sheetProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
    ShowScrollBar(sheet, SB_BOTH, FALSE);

    RECT client {}, window {}, sheetClient {};
    GetClientRect(hwnd(), &client);
    GetWindowRect(hwnd(), &window);
    GetClientRect(sheet, &sheetClient);
    const RECT summary = placeIn(hwnd(), item(IDC_PREVIEW_SUMMARY)), frame = placeIn(hwnd(), sheet),
               close = placeIn(hwnd(), item(IDCANCEL));
    m_summaryRight = client.right - summary.right;
    m_sheetRight = client.right - frame.right;
    m_sheetBottom = client.bottom - frame.bottom;
    m_closeRight = client.right - close.right;
    m_closeBottom = client.bottom - close.bottom;
    const int width = window.right - window.left, height = window.bottom - window.top;
    m_least = { width / 2, height / 2 };

    // As large as the sheet (and its scroll bars), within most of the screen, never smaller than the template.
    MONITORINFO monitor { sizeof(MONITORINFO), {}, {}, 0 };
    GetMonitorInfoW(
        MonitorFromWindow(GetParent(hwnd()) ? GetParent(hwnd()) : hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int bars = GetSystemMetrics(SM_CXVSCROLL);
    const int wantW = m_state.m_sheet.width + bars + width - (sheetClient.right - sheetClient.left);
    const int wantH = m_state.m_sheet.height + bars + height - (sheetClient.bottom - sheetClient.top);
    const int w = std::max<int>(width, std::min<int>(wantW, (work.right - work.left) * 4 / 5));
    const int h = std::max<int>(height, std::min<int>(wantH, (work.bottom - work.top) * 4 / 5));
    SetWindowPos(hwnd(), nullptr, work.left + (work.right - work.left - w) / 2,
        work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(hwnd(), &client);
    layOut(client.right, client.bottom);
    return true;
}

void FontPreviewWindow::onDestroy() { RemoveWindowSubclass(item(IDC_PREVIEW_SHEET), sheetProcedure, 1); }

void FontPreviewWindow::layOut(int width, int height)
{
    const HWND summary = item(IDC_PREVIEW_SUMMARY), sheet = item(IDC_PREVIEW_SHEET), close = item(IDCANCEL);
    if (!summary || !sheet || !close)
        return;
    const RECT s = placeIn(hwnd(), summary), f = placeIn(hwnd(), sheet), c = placeIn(hwnd(), close);
    const int closeW = c.right - c.left, closeH = c.bottom - c.top;
    MoveWindow(summary, s.left, s.top, std::max<int>(0, width - m_summaryRight - s.left), s.bottom - s.top, TRUE);
    MoveWindow(sheet, f.left, f.top, std::max<int>(0, width - m_sheetRight - f.left),
        std::max<int>(0, height - m_sheetBottom - f.top), TRUE);
    MoveWindow(close, width - m_closeRight - closeW, height - m_closeBottom - closeH, closeW, closeH, TRUE);
    fitScrollBars();
    InvalidateRect(sheet, nullptr, FALSE);
}

// Each bar shown only where the sheet is larger than the frame; the frame's size changes with them.
void FontPreviewWindow::fitScrollBars()
{
    const HWND sheet = item(IDC_PREVIEW_SHEET);
    for (int round = 0; round < 2; ++round) {
        RECT client {};
        GetClientRect(sheet, &client);
        const int page[2] = { client.right, client.bottom },
                  size[2] = { m_state.m_sheet.width, m_state.m_sheet.height };
        LONG* position[2] = { &m_scroll.x, &m_scroll.y };
        for (int k = 0; k < 2; ++k) {
            *position[k] = std::clamp<LONG>(*position[k], 0, std::max(0, size[k] - page[k]));
            SCROLLINFO info { sizeof(SCROLLINFO), SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, size[k] - 1),
                static_cast<UINT>(std::max(0, page[k])), static_cast<int>(*position[k]), 0 };
            SetScrollInfo(sheet, k == 0 ? SB_HORZ : SB_VERT, &info, TRUE);
        }
    }
}

void FontPreviewWindow::scroll(int bar, int code, int amount)
{
    const HWND sheet = item(IDC_PREVIEW_SHEET);
    SCROLLINFO info { sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0 };
    GetScrollInfo(sheet, bar, &info);
    int to = info.nPos;
    const int page = static_cast<int>(info.nPage);
    switch (code) {
    case SB_LINEUP:
        to -= kLineStep;
        break;
    case SB_LINEDOWN:
        to += kLineStep;
        break;
    case SB_PAGEUP:
        to -= page;
        break;
    case SB_PAGEDOWN:
        to += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        to = info.nTrackPos;
        break;
    case SB_TOP:
        to = 0;
        break;
    case SB_BOTTOM:
        to = info.nMax;
        break;
    default:
        to += amount;
        break;
    }
    to = std::clamp(to, 0, std::max(0, info.nMax + 1 - page));
    (bar == SB_HORZ ? m_scroll.x : m_scroll.y) = to;
    info.fMask = SIF_POS;
    info.nPos = to;
    SetScrollInfo(sheet, bar, &info, TRUE);
    InvalidateRect(sheet, nullptr, FALSE);
}

void FontPreviewWindow::drawSheet(const DRAWITEMSTRUCT& draw) const
{
    const RECT& area = draw.rcItem;
    const int w = std::min<int>(area.right - area.left, m_state.m_sheet.width - m_scroll.x);
    const int h = std::min<int>(area.bottom - area.top, m_state.m_sheet.height - m_scroll.y);
    if (m_bitmap && w > 0 && h > 0) {
        const HDC source = CreateCompatibleDC(draw.hDC);
        const HGDIOBJ old = SelectObject(source, m_bitmap);
        BitBlt(draw.hDC, area.left, area.top, w, h, source, m_scroll.x, m_scroll.y, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    // Around the sheet, the frame's dark background.
    const HBRUSH dark = GetSysColorBrush(COLOR_BTNSHADOW);
    const RECT right { area.left + std::max(0, w), area.top, area.right, area.bottom };
    const RECT below { area.left, area.top + std::max(0, h), area.left + std::max(0, w), area.bottom };
    FillRect(draw.hDC, &right, dark);
    FillRect(draw.hDC, &below, dark);
}

LRESULT CALLBACK FontPreviewWindow::sheetProcedure(
    HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    auto* window = reinterpret_cast<FontPreviewWindow*>(self);
    if (message == WM_HSCROLL || message == WM_VSCROLL) {
        window->scroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

std::optional<INT_PTR> FontPreviewWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        layOut(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = { m_least.cx, m_least.cy };
        return TRUE;
    case WM_MOUSEWHEEL: {
        const int lines = -GET_WHEEL_DELTA_WPARAM(wParam) * 3 / WHEEL_DELTA;
        scroll((GET_KEYSTATE_WPARAM(wParam) & MK_SHIFT) ? SB_HORZ : SB_VERT, -1, lines * kLineStep);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw.CtlID != IDC_PREVIEW_SHEET)
            break;
        drawSheet(draw);
        return TRUE;
    }
    default:
        break;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
