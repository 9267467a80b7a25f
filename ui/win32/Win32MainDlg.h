#pragma once
// The main window on Windows: the view of the shared commands (ui/CMainDlg.h)
// in the window of the templates. It shows the state, passes each click,
// press, drop, menu choice, timer tick and session event to its command, and
// renders the commands' boxes, file dialogs and dialogs natively.

#include "ui/CMainDlg.h"
#include "ui/GeneratorFontTools.h"
#include "ui/WindowStart.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Win32SessionLink.h"

#include <vector>

namespace zarn::win32 {

class Win32MainDlg : public zarn::ui::CommandHost, private MainWindowEvents {
public:
    // `start`: what the command line asked for once the window shows.
    explicit Win32MainDlg(zarn::ui::WindowStart start = {});
    ~Win32MainDlg() override;

    // Runs the window modally, until Exit, Escape or the close box.
    void run();
    // The window without a modal run of its own (tests): the caller pumps its messages.
    HWND create();

    zarn::ui::CMainDlg& state() { return m_state; }
    MainWindow& window() { return m_window; }

    // CommandHost
    void refresh(unsigned parts) override;
    using CommandHost::showMessage;
    void showMessage(const zarn::ui::Message& message) override;
    bool askYesNo(const std::string& text, const std::string& detail) override;
    std::optional<std::string> chooseOpenFile(
        const std::string& title, const std::vector<zarn::ui::FileFilter>& filters, const std::string& folder) override;
    std::optional<std::string> chooseFolder(const std::string& start) override;
    bool runDialog(zarn::ui::CNewResourceDlg& dialog) override;
    bool runDialog(zarn::ui::CPortSelectDlg& dialog) override;
    bool runDialog(zarn::ui::CBitmapPreviewDlg& dialog) override;
    void runDialog(zarn::ui::CAboutDlg& dialog) override;
    bool runDialog(zarn::ui::CMakeFontDlg& dialog) override;
    void runDialog(zarn::ui::CFontPreviewDlg& dialog) override;
    void beginLongWork() override;
    void endLongWork() override;

private:
    // MainWindowEvents
    void opened() override;
    void shown() override;
    void command(MainCommand command) override;
    void about() override;
    void timerTick() override;
    void filesDropped(const std::vector<std::string>& paths) override;
    void pictureClicked(int x, int y) override;
    void selectionChanged(std::optional<int> row) override;
    void contextMenu(POINT screen) override;
    void dpiChanged() override;
    void sessionEvent(const SessionEvent& event) override;

    // The window in front: the dialog of a command that runs, or the main window.
    HWND owner() const;
    // `dialog` run modally in front, the owner of what its handlers show.
    INT_PTR runInFront(DialogWindow& dialog);

    MainWindow m_window;
    Win32SessionLink m_link; // after the window: it goes first, and posts nothing after that
    zarn::ui::GeneratorFontTools m_fonts;
    zarn::ui::CMainDlg m_state;
    zarn::ui::WindowStart m_start;
    std::vector<DialogWindow*> m_dialogs; // the dialogs that run, the last in front
    HCURSOR m_cursorBefore = nullptr;
};

} // namespace zarn::win32
