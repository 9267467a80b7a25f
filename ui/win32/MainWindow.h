#pragma once
// The main window, "Zarn series module resource tools": shows the state of a
// run (three message fields, the ignore colour, the picture, the directory,
// two progress bars and the transfer's progress) and passes the user's
// clicks, presses, drops, menu choices, timer ticks and the module session's
// events on. What they do is the shared commands' business.

#include "link/SessionEvents.h"
#include "resfile/PictureArea.h"
#include "ui/CMainDlg.h"
#include "ui/win32/Controls.h"
#include "ui/win32/DialogWindow.h"
#include "ui/win32/PostedChannel.h"

#include <commctrl.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarn::win32 {

// The buttons, Exit aside (it closes the window).
enum class MainCommand {
    NewResource,
    OpenResource,
    PortSelect,
    LoadBmp,
    LoadHzlib,
    LoadAsciilib,
    LoadWave,
    ProgramAll,
    LoadItem, // ">>LOAD"
    Delete,
    ShowBitmap, // "BMP Dis"
};

// What the window passes on, on its own thread. Nothing happens by default.
class MainWindowEvents {
public:
    virtual ~MainWindowEvents() = default;
    // The controls exist and the window is about to show: the state's first refresh.
    virtual void opened() { }
    // The window shows and takes messages (a file named on the command line opens now).
    virtual void shown() { }
    virtual void command(MainCommand) { }
    // The system menu's About entry.
    virtual void about() { }
    // Timer 1, every 700 ms for as long as the window exists.
    virtual void timerTick() { }
    virtual void filesDropped(const std::vector<std::string>& /*paths*/) { }
    // A left press at (x, y) from the picture control's top left (outside it too).
    virtual void pictureClicked(int /*x*/, int /*y*/) { }
    // The user selected a row of the directory (the row last selected), or none.
    virtual void selectionChanged(std::optional<int> /*row*/) { }
    // The context menu was asked for at `screen` (a point on the screen).
    virtual void contextMenu(POINT /*screen*/) { }
    // The window moved to a monitor of another DPI; its controls are scaled.
    virtual void dpiChanged() { }
    // The session's events, in the order they were posted.
    virtual void sessionEvent(const zarn::SessionEvent&) { }
    // Before the window closes: by Exit (confirmed), or by the close box or Escape.
    virtual void closing(bool /*confirmed*/) { }
};

inline constexpr UINT_PTR kTimerId = 1;
inline constexpr const char* kMsgDrawDibFailed = "DrawDib Failed";

class MainWindow : public DialogWindow {
public:
    explicit MainWindow(MainWindowEvents& events);

    void showFields(const zarn::ui::MainFields& fields);
    void setSpaceBar(int range, int position);
    // The programming bar and the transfer's progress text beside the counter.
    void showProgram(int range, int position, const std::string& progress);
    // Every row, and `selected` selected, without telling selectionChanged.
    void setDirectoryRows(std::span<const ListRow> rows, std::optional<int> selected);

    // The picture control: where it goes (client pixels) and what it shows, 1:1.
    void setPicture(const zarn::Rect& place, zarn::ui::PixelImage image);
    const zarn::ui::PixelImage& picture() const { return m_picture; }
    // Where the template put the picture control (client pixels): the area a file's screen shape is fitted into.
    zarn::Rect pictureArea() const { return m_pictureArea; }
    // The ignore colour's swatch; blank until a colour is picked.
    void setSwatch(std::optional<Rgb> colour);

    // Where the session's thread posts its events.
    PostedChannel<zarn::SessionEvent>& sessionEvents() { return m_sessionEvents; }

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onDestroy() override;

private:
    void drawItem(const DRAWITEMSTRUCT& item);
    void listChanged(const NMLISTVIEW& change);

    MainWindowEvents& m_events;
    PostedChannel<zarn::SessionEvent> m_sessionEvents;
    zarn::ui::PixelImage m_picture;
    bool m_drawFailureShown = false; // one box per picture, not one per paint
    bool m_showingList = false; // rows being set from the state: not the user's selection
    std::optional<Rgb> m_swatch;
    zarn::Rect m_pictureArea {};
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    HICON m_icon = nullptr;
};

} // namespace zarn::win32
