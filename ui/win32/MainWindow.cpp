#include "ui/win32/MainWindow.h"

#include "ui/CommandHost.h"
#include "ui/win32/FileDrop.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SystemDialogs.h"
#include "ui/win32/Utf16.h"

#include <shellapi.h>

#include <array>
#include <utility>

namespace zarn::win32 {

namespace {
    // The picture failed to draw: told in a box once the paint is over.
    constexpr UINT kWmDrawFailed = WM_APP + 2;
    // The window moved to a monitor of another DPI: the list's columns fit their texts again.
    constexpr UINT kWmFitColumns = WM_APP + 3;

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

    SIZE clientSize(HWND control)
    {
        RECT r {};
        GetClientRect(control, &r);
        return { r.right - r.left, r.bottom - r.top };
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
    const RECT area = rectIn(hwnd(), item(IDC_PICTURE));
    m_pictureArea = { area.left, area.top, area.right - area.left, area.bottom - area.top };
    SetTimer(hwnd(), kDetectionTimer, kDetectionPeriodMs, nullptr);
    DragAcceptFiles(hwnd(), TRUE);
    m_sessionEvents.attach(hwnd(), kWmSessionEvents);
    m_events.opened();
    return true;
}

void MainWindow::onDestroy()
{
    // Nothing of the session reaches a window that is going.
    m_sessionEvents.detach();
    KillTimer(hwnd(), kDetectionTimer);
}

void MainWindow::showFields(const MainFields& fields)
{
    setText(IDC_BITMAP_MSG, fields.bitmapMessage);
    setText(IDC_RESOURCE_MSG, fields.resourceMessage);
    setText(IDC_MODULE_MSG, fields.moduleStatus);
    setText(IDC_BLOCKS_SENT, std::to_string(fields.blocksSent));
    setText(IDC_IGNORE_COLOR, fields.ignoreColor);
}

void MainWindow::setSpaceBar(int range, int position) { setProgress(item(IDC_SPACE_BAR), range, position); }

void MainWindow::setProgramBar(int range, int position) { setProgress(item(IDC_PROGRAM_BAR), range, position); }

void MainWindow::setDirectoryRows(std::span<const ListRow> rows)
{
    setListRows(item(IDC_DIRECTORY), rows);
    fitListColumns(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
}

void MainWindow::insertDirectoryRow(int index, const ListRow& row)
{
    insertListRow(item(IDC_DIRECTORY), index, row);
    fitListColumns(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
}

void MainWindow::setDirectoryCell(int row, int column, const std::string& text)
{
    setListCell(item(IDC_DIRECTORY), row, column, text);
    fitListColumns(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
}

std::optional<int> MainWindow::selectionMark() const { return listSelectionMark(item(IDC_DIRECTORY)); }

void MainWindow::setPicture(const PictureImage& picture)
{
    m_picture = PictureDib(picture);
    m_drawFailureShown = false;
    InvalidateRect(item(IDC_PICTURE), nullptr, FALSE);
}

void MainWindow::movePicture(const zarn::Rect& place)
{
    MoveWindow(item(IDC_PICTURE), place.left, place.top, place.width, place.height, FALSE);
    // The old place shows the window's background again.
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void MainWindow::setSwatch(std::optional<Rgb> colour)
{
    m_swatch = colour;
    InvalidateRect(item(IDC_SWATCH), nullptr, FALSE);
}

bool MainWindow::pickAt(POINT point)
{
    const HWND picture = item(IDC_PICTURE);
    const RECT r = rectIn(hwnd(), picture);
    if (point.x < r.left || point.x > r.right || point.y < r.top || point.y > r.bottom)
        return false;
    // The colour the control shows there, drawn again off screen: the same
    // under any display, and whatever covers the window.
    const SIZE size = clientSize(picture);
    Canvas canvas(size.cx, size.cy);
    m_picture.draw(canvas.dc(), size);
    const int x = std::min<int>(point.x - r.left, canvas.width() - 1);
    const int y = std::min<int>(point.y - r.top, canvas.height() - 1);
    m_events.colourPicked(canvas.pixel(x, y));
    return true;
}

void MainWindow::drawItem(const DRAWITEMSTRUCT& draw)
{
    const SIZE size { draw.rcItem.right - draw.rcItem.left, draw.rcItem.bottom - draw.rcItem.top };
    if (draw.CtlID == IDC_PICTURE) {
        // Drawn whole off screen, then shown at once: no flicker.
        Canvas canvas(size.cx, size.cy);
        const bool drawn = m_picture.draw(canvas.dc(), size);
        canvas.copyTo(draw.hDC, draw.rcItem.left, draw.rcItem.top);
        if (!drawn && !m_drawFailureShown) {
            m_drawFailureShown = true;
            PostMessageW(hwnd(), kWmDrawFailed, 0, 0);
        }
    } else if (draw.CtlID == IDC_SWATCH) {
        drawSwatch(draw.hDC, draw.rcItem, m_swatch);
    }
}

void MainWindow::showAbout()
{
    DialogWindow about(IDD_ABOUTBOX);
    about.runModal(hwnd());
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
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            showAbout();
            return TRUE;
        }
        return std::nullopt;
    case WM_TIMER:
        if (wParam != kDetectionTimer)
            return std::nullopt;
        m_events.timerTick();
        return TRUE;
    case WM_DROPFILES:
        m_events.filesDropped(takeDroppedFiles(reinterpret_cast<HDROP>(wParam)));
        return TRUE;
    case WM_LBUTTONDOWN:
        pickAt(POINT { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) });
        return std::nullopt; // and the default handling
    case WM_DRAWITEM:
        drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_DPICHANGED:
        PostMessageW(hwnd(), kWmFitColumns, 0, 0); // once the system has scaled the dialog and its font
        return std::nullopt;
    case kWmFitColumns:
        fitListColumns(item(IDC_DIRECTORY), zarn::kDirectoryColumns);
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
