#pragma once
// The main window, "Zarn series module resource tools": shows the state of a
// run (three message fields, the ignore colour, the picture, the directory,
// two progress bars) and passes the user's clicks, drops, timer ticks and the
// module session's events on. What they do is the shared commands' business.

#include "link/SessionEvents.h"
#include "resfile/PictureArea.h"
#include "ui/win32/Controls.h"
#include "ui/win32/DialogWindow.h"
#include "ui/win32/Drawing.h"
#include "ui/win32/PostedChannel.h"

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
    virtual void command(MainCommand) { }
    // Timer 1, every 700 ms for as long as the window exists.
    virtual void timerTick() { }
    virtual void filesDropped(const std::vector<std::string>& /*paths*/) { }
    // A left click on the picture: the colour shown under it.
    virtual void colourPicked(Rgb) { }
    // The session's events, in the order they were posted.
    virtual void sessionEvent(const zarn::SessionEvent&) { }
    // Before the window closes: by Exit (confirmed), or by the close box or Escape.
    virtual void closing(bool /*confirmed*/) { }
};

// The five fields that a refresh copies from the state.
struct MainFields {
    std::string bitmapMessage, resourceMessage, moduleStatus, ignoreColor;
    int blocksSent = 0;
};

inline constexpr UINT_PTR kDetectionTimer = 1;
inline constexpr UINT kDetectionPeriodMs = 700;
inline constexpr const char* kMsgDrawDibFailed = "DrawDib Failed";

class MainWindow : public DialogWindow {
public:
    explicit MainWindow(MainWindowEvents& events);

    void showFields(const MainFields& fields);
    void setSpaceBar(int range, int position);
    void setProgramBar(int range, int position);
    void setDirectoryRows(std::span<const ListRow> rows);
    void insertDirectoryRow(int index, const ListRow& row);
    void setDirectoryCell(int row, int column, const std::string& text);
    std::optional<int> selectionMark() const;

    // The picture loaded last; drawn at once.
    void setPicture(const PictureImage& picture);
    // The picture control's place in the window's client area, in pixels: where
    // the template put it (the area a file's screen shape is fitted into) ...
    zarn::Rect pictureArea() const { return m_pictureArea; }
    // ... and where the fit puts it.
    void movePicture(const zarn::Rect& place);
    // The ignore colour's swatch; nothing until a colour is picked.
    void setSwatch(std::optional<Rgb> colour);

    // Where the session's thread posts its events.
    PostedChannel<zarn::SessionEvent>& sessionEvents() { return m_sessionEvents; }

    // A left press at `point` (client pixels): picks the colour shown there when
    // it lies on the picture, its edges included.
    bool pickAt(POINT point);

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onDestroy() override;

private:
    void drawItem(const DRAWITEMSTRUCT& item);
    void showAbout();

    MainWindowEvents& m_events;
    PostedChannel<zarn::SessionEvent> m_sessionEvents;
    PictureDib m_picture;
    bool m_drawFailureShown = false; // one box per picture, not one per paint
    std::optional<Rgb> m_swatch;
    zarn::Rect m_pictureArea {};
    HICON m_icon = nullptr;
};

} // namespace zarn::win32
