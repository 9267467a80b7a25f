#include "ui/win32/Win32MainDlg.h"

#include "import/PictureFile.h"
#include "ui/CAboutDlg.h"
#include "ui/win32/BitmapPreviewWindow.h"
#include "ui/win32/FontPreviewWindow.h"
#include "ui/win32/MakeFontWindow.h"
#include "ui/win32/NewResourceWindow.h"
#include "ui/win32/PortSelectWindow.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/SystemDialogs.h"

namespace zarn::win32 {

using namespace zarn::ui;

Win32MainDlg::Win32MainDlg(WindowStart start)
    : m_window(*this)
    , m_link(m_window.sessionEvents())
    // BMP pictures only: the Windows build reads no other picture format yet.
    , m_state(*this, CMainDlg::Services { &m_link, nullptr, loadPictureFile, &m_fonts, {}, {} })
    , m_start(std::move(start))
{
}

Win32MainDlg::~Win32MainDlg()
{
    if (m_window.hwnd())
        m_window.close(IDCANCEL);
}

void Win32MainDlg::run() { m_window.runModal(nullptr); }

HWND Win32MainDlg::create() { return m_window.create(nullptr); }

HWND Win32MainDlg::owner() const
{
    return !m_dialogs.empty() && m_dialogs.back()->hwnd() ? m_dialogs.back()->hwnd() : m_window.hwnd();
}

INT_PTR Win32MainDlg::runInFront(DialogWindow& dialog)
{
    const HWND front = owner();
    m_dialogs.push_back(&dialog);
    const INT_PTR result = dialog.runModal(front);
    m_dialogs.pop_back();
    return result;
}

// ---- showing the state ----

void Win32MainDlg::refresh(unsigned parts)
{
    if (!m_window.hwnd())
        return;
    const MainFields fields = m_state.fields();
    if (parts & kRefreshFields)
        m_window.showFields(fields);
    if (parts & kRefreshSwatch)
        m_window.setSwatch(m_state.m_bIgnoreColorPicked ? std::optional<Rgb>(m_state.m_crIgnoreColor) : std::nullopt);
    if (parts & kRefreshPicture)
        m_window.setPicture(m_state.pictureFrame(), m_state.pictureImage());
    if (parts & kRefreshList)
        m_window.setDirectoryRows(m_state.directoryRows(), m_state.selectionMark());
    if (parts & kRefreshSpace) {
        const auto gauge = m_state.spaceGauge();
        m_window.setSpaceBar(gauge.maximum, gauge.position);
    }
    if (parts & kRefreshProgram) {
        const auto gauge = m_state.programGauge();
        m_window.showProgram(gauge.maximum, gauge.position, fields.progress);
    }
}

// ---- boxes, file dialogs and dialogs ----

void Win32MainDlg::showMessage(const Message& message)
{
    win32::showMessage(owner(), message.text, message.caption, message.detail,
        message.icon == BoxIcon::Error ? BoxKind::Error : BoxKind::Plain);
}

bool Win32MainDlg::askYesNo(const std::string& text, const std::string& detail)
{
    return win32::askYesNo(owner(), text, kProgramName, detail);
}

std::optional<std::string> Win32MainDlg::chooseOpenFile(
    const std::string& title, const std::vector<FileFilter>& filters, const std::string& folder)
{
    std::vector<FilterPair> pairs;
    for (const auto& f : filters)
        pairs.push_back({ f.label, f.pattern });
    return win32::chooseOpenFile(owner(), title, pairs, folder);
}

std::optional<std::string> Win32MainDlg::chooseFolder(const std::string& start)
{
    return win32::chooseFolder(owner(), start);
}

bool Win32MainDlg::runDialog(CNewResourceDlg& dialog)
{
    NewResourceWindow window(dialog);
    return runInFront(window) == IDOK;
}

bool Win32MainDlg::runDialog(CPortSelectDlg& dialog)
{
    PortSelectWindow window(dialog);
    return runInFront(window) == IDOK;
}

bool Win32MainDlg::runDialog(CBitmapPreviewDlg& dialog)
{
    BitmapPreviewWindow window(dialog);
    return runInFront(window) == IDOK;
}

void Win32MainDlg::runDialog(CAboutDlg&)
{
    DialogWindow window(IDD_ABOUTBOX);
    runInFront(window);
}

bool Win32MainDlg::runDialog(CMakeFontDlg& dialog)
{
    MakeFontWindow window(dialog);
    return runInFront(window) == IDOK;
}

void Win32MainDlg::runDialog(CFontPreviewDlg& dialog)
{
    FontPreviewWindow window(dialog);
    runInFront(window);
}

void Win32MainDlg::beginLongWork() { m_cursorBefore = SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

void Win32MainDlg::endLongWork() { SetCursor(m_cursorBefore); }

// ---- what the window passes on ----

void Win32MainDlg::opened()
{
    m_state.setPictureArea(m_window.pictureArea());
    refresh(kRefreshAll);
}

void Win32MainDlg::shown() { m_state.openAtStart(m_start); }

void Win32MainDlg::command(MainCommand command)
{
    switch (command) {
    case MainCommand::NewResource:
        return m_state.OnNewResource();
    case MainCommand::OpenResource:
        return m_state.OnOpenResource();
    case MainCommand::PortSelect:
        return m_state.OnPortSelect();
    case MainCommand::LoadBmp:
        return m_state.OnLoadBmp();
    case MainCommand::LoadHzlib:
        return m_state.OnLoadHzlib();
    case MainCommand::LoadAsciilib:
        return m_state.OnLoadAsciilib();
    case MainCommand::LoadWave:
        return m_state.OnLoadWave();
    case MainCommand::ProgramAll:
        return m_state.OnProgramAll();
    case MainCommand::LoadItem:
        return m_state.OnLoadItem();
    case MainCommand::Delete:
        return m_state.OnDelete();
    case MainCommand::ShowBitmap:
        return m_state.showBitmapItem();
    }
}

void Win32MainDlg::about() { m_state.OnAbout(); }

void Win32MainDlg::timerTick() { m_state.OnTimer(); }

void Win32MainDlg::filesDropped(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        m_state.openDroppedFile(path);
}

void Win32MainDlg::pictureClicked(int x, int y) { m_state.pickAt(x, y); }

void Win32MainDlg::selectionChanged(std::optional<int> row) { m_state.setSelectionMark(row); }

void Win32MainDlg::contextMenu(POINT screen)
{
    auto entries = m_state.contextMenu();
    std::vector<MenuChoice> choices;
    for (const MenuEntry& entry : entries)
        choices.push_back({ entry.text, entry.checkable && entry.checked });
    if (const auto chosen = popUpMenu(m_window.hwnd(), screen, choices))
        entries[*chosen].run();
}

void Win32MainDlg::dpiChanged()
{
    m_state.setPictureArea(m_window.pictureArea());
    refresh(kRefreshPicture);
}

void Win32MainDlg::sessionEvent(const SessionEvent& event) { m_state.onSessionEvent(event); }

} // namespace zarn::win32
