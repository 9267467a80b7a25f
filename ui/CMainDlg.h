#pragma once
// The main window's state and commands, apart from any toolkit. It owns the
// state of a run (the open resource file, the pending item, the picture loaded
// last, the link as the session last reported it, the transfer's progress),
// runs every command with its refusals and texts, and tells its view what to
// show through CommandHost. A view (ui/qt/QtMainDlg, a Win32 window) shows the
// state, passes clicks, drops and session events on, and refreshes.
//
// Every member function runs on the user-interface thread. A command checks
// the busy flag first (all but "Load BMP", "Port Select", the pick and the
// About box), then its own preconditions in a fixed order, stopping at the
// first failure with a message box. A command that fails leaves the file, the
// list, the picture and the messages exactly as they were; the one exception
// is a file that another program changed meanwhile: it is read again, shown as
// it is now, and the resource file field says so.
//
// What the view shows, and where it reads it (see RefreshPart):
// - buttons, top row: "New Resource" OnNewResource, "Open Resource"
//   OnOpenResource, "Port Select" OnPortSelect, "Load BMP" OnLoadBmp, "Load
//   Hzlib" OnLoadHzlib, "Load Asciilib" OnLoadAsciilib, "Load WAVE" OnLoadWave,
//   "Program All" OnProgramAll, "Exit" (the default button: closes the window);
//   beside the picture: ">>LOAD" OnLoadItem, "Delete" OnDelete, "BMP Dis"
//   showBitmapItem; the system menu (or context menu): kAboutMenuText OnAbout,
//   and where hasFontTools(): CMakeFontDlg::kMenuText OnMakeFontLibrary,
//   CFontPreviewDlg::kMenuText OnPreviewFontLibrary; kDitherMenuText, a
//   check item: dither() / setDither().
// - the bitmap message field m_strBitmapMsg (multi-line), the ignore colour
//   field m_strIgnoreColor, the swatch (m_crIgnoreColor once
//   m_bIgnoreColorPicked), the resource file field m_strResourceMsg, the
//   space bar spaceGauge(), the list directoryRows() with its column titles
//   and widths from resfile/DirectoryView.h, the module field m_moduleStatus,
//   the counter m_blocksSent, the programming bar programGauge() and beside
//   them the transfer's progress m_strProgress; fields() gives the texts of
//   the fields within the limits they take.
// - the picture area: m_rcPictureArea (kPictureAreaWidth x
//   kPictureAreaHeight pixels unless the view sets its own with
//   setPictureArea); the picture control inside it at pictureFrame(), in the
//   area's coordinates, showing pictureImage() 1:1. A left press in the
//   control (its right and bottom edges included): pickAt(press - control's
//   top left).
// - the context menu: contextMenu(), each entry's text, check mark and command.
// - a timer: OnTimer() about every 700 ms, for the progress of a transfer
//   that has stopped moving.
// - the list's selection: the view calls setSelectionMark(row) whenever the
//   user selects a row (the row last selected), setSelectionMark({}) when
//   nothing is selected; after a list refresh it selects selectionMark().
// - files dropped on the window: openDroppedFile(path) for each.
// - session events: onSessionEvent(event), on the user-interface thread.

#include "import/AddContent.h"
#include "import/LoadedPicture.h"
#include "link/SessionEvents.h"
#include "link/TransferProgress.h"
#include "platform/FileIo.h"
#include "resfile/PendingItem.h"
#include "resfile/PictureArea.h"
#include "resfile/ResourceStore.h"
#include "ui/CDibPicture.h"
#include "ui/CommandHost.h"
#include "ui/FontTools.h"
#include "ui/ModuleLink.h"
#include "ui/WindowStart.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zarn::ui {

inline constexpr int kPictureAreaWidth = 400;
inline constexpr int kPictureAreaHeight = 300;
// The period of the view's timer (OnTimer), in milliseconds: the window's timer 1.
inline constexpr int kTimerPeriodMs = 700;

// The texts of the main window's fields, each within what its field takes.
struct MainFields {
    std::string bitmapMessage, resourceMessage, moduleStatus; // up to 1024 characters each
    std::string ignoreColor; // up to 20
    std::string blocksSent; // the counter, 0 to 100000000
    std::string progress; // the transfer's bytes, percentage, rate and time left; empty before the first
};

// An entry of the main window's context menu.
struct MenuEntry {
    std::string text;
    bool checkable = false, checked = false;
    std::function<void()> run;
};

class CMainDlg {
public:
    // What the program gives the commands besides the view.
    struct Services {
        ModuleLink* link = nullptr; // the module session; required
        FileIo* io = nullptr; // every file call of the store and the staging file; nullptr: the system's
        // Reads pic.fileName() into `pic` (BMP, and other formats where the view's toolkit reads them);
        // empty: BMP files only.
        std::function<LoadedPicture::Outcome(LoadedPicture& pic)> readPicture;
        FontTools* fonts = nullptr; // nullptr: no font library commands
        // Where "Load BMP" writes its staging file; fills the notice when it had to fall back
        // (empty: zarn::stagingFilePath).
        std::function<std::string(std::string* notice)> stagingPath;
        // Seconds on a steady clock, for the transfer's rate and time left (empty: the system's).
        std::function<double()> clock;
    };

    CMainDlg(CommandHost& view, Services services);

    // ---- the commands, one per button ----
    void OnNewResource();
    // `chosen`: a file given without the dialog (a drop, a test).
    void OnOpenResource(std::optional<std::string> chosen = std::nullopt);
    void OnPortSelect();
    void OnLoadBmp(std::optional<std::string> chosen = std::nullopt);
    void OnLoadHzlib(std::optional<std::string> chosen = std::nullopt);
    void OnLoadAsciilib(std::optional<std::string> chosen = std::nullopt);
    void OnLoadWave(std::optional<std::string> chosen = std::nullopt);
    void OnProgramAll();
    void OnLoadItem(); // ">>LOAD"
    void OnDelete();
    void showBitmapItem(); // "BMP Dis"
    void OnAbout();
    // Generates a library beside the open resource file and runs "Load Hzlib" or "Load Asciilib" on it.
    void OnMakeFontLibrary();
    // The selected font library's glyphs.
    void OnPreviewFontLibrary();
    // A press at (x, y) in the picture control picks the ignore colour shown there.
    bool pickAt(int x, int y);
    // .zrf opens, pictures load, font libraries and WAVE files go through their
    // commands; anything else is refused with a box.
    void openDroppedFile(const std::string& path);
    // The file named on the command line, opened as "Open Resource" opens a
    // file, or the box that refuses it; once the window shows.
    void openAtStart(const WindowStart& start);

    // ---- from the view and the session ----
    void setSelectionMark(std::optional<int> row);
    void onSessionEvent(const SessionEvent& event);
    // The view's timer: a transfer that has stopped moving is told as stalled.
    void OnTimer();
    // The picture area as the view lays it out, in the coordinates the view places the picture control in.
    void setPictureArea(const Rect& area) { m_rcPictureArea = area; }
    bool dither() const { return m_picture.picture().dither(); }
    void setDither(bool on) { m_picture.picture().setDither(on); } // applies from the next "Load BMP"
    bool hasFontTools() const { return m_services.fonts != nullptr; }

    // ---- what the view shows ----
    MainFields fields() const;
    std::vector<MenuEntry> contextMenu();
    struct Gauge {
        int maximum = 100, position = 0; // a progress bar's range (from 0) and position
    };
    std::vector<std::array<std::string, 6>> directoryRows() const; // the open file's directory
    std::optional<int> selectionMark() const { return m_selectionMark; }
    Gauge spaceGauge() const; // the system's default until a file is open
    Gauge programGauge() const; // the system's default until a transfer started
    Rect pictureFrame() const; // the picture control's place in the picture area
    PixelImage pictureImage() const; // its pixels, pictureFrame()'s size
    const CDibPicture& picture() const { return m_picture; }
    const SessionSnapshot& link() const { return m_link; }
    bool busy() const { return m_programming; }
    const std::string& stagingPath() const { return m_stagingPath; }

    // ---- the state of a run ----
    std::uint16_t m_wIgnoreColor = 0x0000; // before the first pick bitmaps get black
    Rgb m_crIgnoreColor {};
    bool m_linkEnabled = false, m_portOpen = false, m_moduleIdentified = false;
    std::uint8_t m_comPort = 3;
    Rect m_rcPictureArea { 0, 0, kPictureAreaWidth, kPictureAreaHeight };
    ResourceStore m_store;
    bool m_bIgnoreColorPicked = false;
    // Set when "Program All" is sent, before the session answers, and then as
    // the session reports it: no command slips in between.
    bool m_programming = false;
    PendingItem m_pending;
    std::string m_strBitmapMsg, m_strResourceMsg, m_moduleStatus;
    std::int32_t m_blocksSent = 0;
    std::string m_strIgnoreColor;
    std::string m_strProgress;

private:
    void refresh(unsigned parts) { m_view.refresh(parts); }
    void message(const std::string& text, const std::string& detail = {}) { m_view.showMessage(text, detail); }
    bool guard(const char* busyText);
    bool guardOpenFile();
    std::optional<std::string> chooseFile(
        const char* title, const std::vector<FileFilter>& filters, std::optional<std::string> chosen);
    // After a store operation that failed: a refusal in a box, or the file
    // another program changed shown as it is now. True when it was read again.
    bool storeFailed(const StoreResult& result);
    void showFileReadAgain();
    void fileOpened(const std::string& status);
    bool openFile(const std::string& path);
    void importFile(std::optional<std::string> chosen, const char* title, const std::vector<FileFilter>& filters,
        ContentCommand command);
    std::optional<int> itemToShow(const char* noSelection);
    bool readShownItem(int mark, std::vector<std::uint8_t>& data);
    void takeSnapshot(const SessionSnapshot& snapshot);
    void showProgress(const SessionEvent& event);
    double now() const;

    CommandHost& m_view;
    Services m_services;
    FileIo& m_io;
    CDibPicture m_picture;
    std::vector<std::uint8_t> m_staged; // the converted picture ">>LOAD" stores
    std::string m_stagingPath;
    bool m_stagingNoticeShown = false; // the fallback is told once, not on every picture
    std::optional<int> m_selectionMark;
    SessionSnapshot m_link; // as the session last reported it
    bool m_programAllSent = false; // posted, not yet answered
    std::string m_programAllDetail; // why the file's image could not be read, for the refusal's box
    bool m_programBarSet = false;
    TransferProgress m_progress; // of the transfer shown, while m_progressRunning
    bool m_progressRunning = false;
    double m_progressStart = 0;
    std::map<std::string, std::string> m_lastFolders; // of each file dialog, by its title
};

} // namespace zarn::ui
