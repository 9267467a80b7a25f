#include "ui/win32/MainWindow.h"

#include "ui/CommandHost.h"
#include "ui/win32/Drawing.h"
#include "ui/win32/FileDrop.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SystemDialogs.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>
#include <utility>

namespace zarn::win32 {

namespace {
    // The picture failed to draw: told in a box once the paint is over.
    constexpr UINT kWmDrawFailed = WM_APP + 2;
    // The window moved to a monitor of another DPI: the list's columns fit their texts again.
    constexpr UINT kWmFitColumns = WM_APP + 3;
    // The window shows: what waits for it runs now.
    constexpr UINT kWmShown = WM_APP + 4;

    constexpr std::array<std::pair<int, MainCommand>, 11> kButtons { {
        { IDC_NEW_RESOURCE, MainCommand::NewResource },
        { IDC_OPEN_RESOURCE, MainCommand::OpenResource },
        { IDC_PORT_SELECT, MainCommand::PortSelect },
        { IDC_LOAD_BMP, MainCommand::LoadBmp },
        { IDC_LOAD_HZLIB, MainCommand::LoadHzlib },
        { IDC_LOAD_ASCIILIB, MainCommand::LoadAsciilib },
        { IDC_LOAD_WAVE, MainCommand::LoadWave },
        { IDC_PROGRAM_ALL, MainCommand::ProgramAll },
        { IDC_LOAD_ITEM, MainCommand::LoadItem },
        { IDC_DELETE, MainCommand::Delete },
        { IDC_BMP_DIS, MainCommand::ShowBitmap },
    } };

    RECT rectIn(HWND window, HWND control)
    {
        RECT r {};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
}

MainWindow::MainWindow(MainWindowEvents& events)
    : DialogWindow(IDD_ZARNTOOL_DIALOG)
    , m_events(events)
{
}

bool MainWindow::onInit()
{
    // The About entry, when its string is there.
    wchar_t about[128] = {};
    if (LoadStringW(programInstance(), IDS_ABOUTBOX, about, 128) > 0) {
        if (HMENU menu = GetSystemMenu(hwnd(), FALSE)) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    m_icon = static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    const auto small = static_cast<HICON>(LoadImageW(programInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

    setUpReportList(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
    fitListColumns(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
    m_dpi = windowDpi(hwnd());
    const RECT area = rectIn(hwnd(), item(IDC_PICTURE));
    m_pictureArea = { area.left, area.top, area.right - area.left, area.bottom - area.top };
    SetTimer(hwnd(), kTimerId, zarn::ui::kTimerPeriodMs, nullptr);
    DragAcceptFiles(hwnd(), TRUE);
    m_sessionEvents.attach(hwnd(), kWmSessionEvents);
    m_events.opened();
    PostMessageW(hwnd(), kWmShown, 0, 0);
    return true;
}

void MainWindow::onDestroy()
{
    // Nothing of the session reaches a window that is going.
    m_sessionEvents.detach();
    KillTimer(hwnd(), kTimerId);
}

void MainWindow::showFields(const zarn::ui::MainFields& fields)
{
    setText(IDC_BITMAP_MSG, fields.bitmapMessage);
    setText(IDC_RESOURCE_MSG, fields.resourceMessage);
    setText(IDC_MODULE_MSG, fields.moduleStatus);
    setText(IDC_BLOCKS_SENT, fields.blocksSent);
    setText(IDC_IGNORE_COLOR, fields.ignoreColor);
}

void MainWindow::setSpaceBar(int range, int position) { setProgress(item(IDC_SPACE_BAR), range, position); }

void MainWindow::showProgram(int range, int position, const std::string& progress)
{
    setProgress(item(IDC_PROGRAM_BAR), range, position);
    if (text(IDC_PROGRESS_TEXT) != progress)
        setText(IDC_PROGRESS_TEXT, progress);
}

void MainWindow::setDirectoryRows(std::span<const ListRow> rows, std::optional<int> selected)
{
    const HWND list = item(IDC_DIRECTORY);
    m_showingList = true;
    setListRows(list, rows);
    if (selected && *selected < static_cast<int>(rows.size()))
        selectListRow(list, *selected);
    fitListColumns(list, zarn::kDirectoryColumns);
    m_showingList = false;
}

void MainWindow::setPicture(const zarn::Rect& place, zarn::ui::PixelImage image)
{
    m_picture = std::move(image);
    m_drawFailureShown = false;
    const HWND picture = item(IDC_PICTURE);
    const RECT now = rectIn(hwnd(), picture);
    if (now.left != place.left || now.top != place.top || now.right - now.left != place.width
        || now.bottom - now.top != place.height) {
        MoveWindow(picture, place.left, place.top, place.width, place.height, FALSE);
        // The old place shows the window's background again.
        InvalidateRect(hwnd(), nullptr, TRUE);
    }
    InvalidateRect(picture, nullptr, FALSE);
}

void MainWindow::setSwatch(std::optional<Rgb> colour)
{
    m_swatch = colour;
    InvalidateRect(item(IDC_SWATCH), nullptr, FALSE);
}

void MainWindow::drawItem(const DRAWITEMSTRUCT& draw)
{
    if (draw.CtlID == IDC_PICTURE) {
        if (!drawPixels(draw.hDC, m_picture, draw.rcItem.left, draw.rcItem.top) && !m_drawFailureShown) {
            m_drawFailureShown = true;
            PostMessageW(hwnd(), kWmDrawFailed, 0, 0);
        }
    } else if (draw.CtlID == IDC_SWATCH) {
        drawSwatch(draw.hDC, draw.rcItem, m_swatch);
    }
}

// The row last selected, while it is selected: the focused row when it is.
void MainWindow::listChanged(const NMLISTVIEW& change)
{
    if (m_showingList || !(change.uChanged & LVIF_STATE) || !((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
        return;
    const HWND list = item(IDC_DIRECTORY);
    const int focused = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    const bool selected
        = focused >= 0 && (SendMessageW(list, LVM_GETITEMSTATE, focused, LVIS_SELECTED) & LVIS_SELECTED);
    m_events.selectionChanged(selected ? std::optional<int>(focused) : std::nullopt);
}

std::optional<INT_PTR> MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        if (HIWORD(wParam) != BN_CLICKED)
            return std::nullopt;
        const int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            m_events.closing(id == IDOK);
            close(id);
            return TRUE;
        }
        for (const auto& [button, command] : kButtons)
            if (button == id) {
                m_events.command(command);
                return TRUE;
            }
        return std::nullopt;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_DIRECTORY && header->code == LVN_ITEMCHANGED)
            listChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        return std::nullopt;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            m_events.about();
            return TRUE;
        }
        return std::nullopt;
    case WM_CONTEXTMENU: {
        POINT at { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
        if (lParam == -1) { // from the keyboard: at the window's top left
            at = {};
            ClientToScreen(hwnd(), &at);
        }
        m_events.contextMenu(at);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam != kTimerId)
            return std::nullopt;
        m_events.timerTick();
        return TRUE;
    case WM_DROPFILES:
        m_events.filesDropped(takeDroppedFiles(reinterpret_cast<HDROP>(wParam)));
        return TRUE;
    case WM_LBUTTONDOWN: {
        const RECT r = rectIn(hwnd(), item(IDC_PICTURE));
        m_events.pictureClicked(
            static_cast<short>(LOWORD(lParam)) - r.left, static_cast<short>(HIWORD(lParam)) - r.top);
        return std::nullopt; // and the default handling
    }
    case WM_DRAWITEM:
        drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_DPICHANGED: {
        // The system scales the dialog and its controls; the area scales with them.
        const int from = static_cast<int>(m_dpi), to = HIWORD(wParam);
        m_dpi = static_cast<UINT>(to);
        m_pictureArea = { MulDiv(m_pictureArea.left, to, from), MulDiv(m_pictureArea.top, to, from),
            MulDiv(m_pictureArea.width, to, from), MulDiv(m_pictureArea.height, to, from) };
        PostMessageW(hwnd(), kWmFitColumns, 0, 0); // once the system has scaled the dialog and its font
        return std::nullopt;
    }
    case kWmFitColumns:
        fitListColumns(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
        m_events.dpiChanged();
        return TRUE;
    case kWmShown:
        // The dialog manager shows a modal dialog once its queue is empty; a box that a
        // file named on the command line brings goes in front of the window, not before it.
        if (modal() && !IsWindowVisible(hwnd())) {
            ShowWindow(hwnd(), SW_SHOW);
            UpdateWindow(hwnd());
        }
        m_events.shown();
        return TRUE;
    case kWmSessionEvents:
        for (const auto& event : m_sessionEvents.take())
            m_events.sessionEvent(event);
        return TRUE;
    case kWmDrawFailed:
        showMessage(hwnd(), kMsgDrawDibFailed, zarn::ui::kProgramName);
        return TRUE;
    default:
        return std::nullopt;
    }
}

} // namespace zarn::win32
