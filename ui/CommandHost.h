#pragma once
// What the window's commands need from a view: bring its controls up to date
// from the state, show a message box, ask a question, choose a file or a
// folder, and run a dialog. The Qt window (ui/qt) implements it; a Win32
// window implements it the same way; tests implement it with a script.
//
// Every call comes on the user-interface thread, from inside a command or an
// event handler of CMainDlg or of one of its dialogs, and returns when the user
// has answered (boxes and dialogs are modal). While a box or dialog is open the
// view goes on delivering session events (CMainDlg::onSessionEvent), so a
// transfer's progress and end are shown meanwhile.

#include <optional>
#include <string>
#include <vector>

namespace zarn::ui {

class CNewResourceDlg;
class CPortSelectDlg;
class CBitmapPreviewDlg;
class CAboutDlg;
class CMakeFontDlg;
class CFontPreviewDlg;

// The program's name: the caption of every message box unless one is given.
inline constexpr const char* kProgramName = "ZarnTool";

struct FileFilter {
    std::string label; // what the dialog lists, e.g. "BMP File(*.BMP)"
    std::string pattern; // e.g. "*.BMP", or several: "*.PNG *.JPG"; a file matches whatever its case
};

enum class BoxIcon { None, Error };

// A modal message box with one OK button, owned by the window or dialog in front.
struct Message {
    std::string text; // the short text, shown first and as given; "\r", "\r\n" and "\n" break lines
    std::string detail; // the cause (the file and the system's reason), shown as the box's
                        // secondary or expanded text; empty when there is none
    std::string caption = kProgramName;
    BoxIcon icon = BoxIcon::None;
};

// The parts of the main window a refresh brings up to date (CommandHost::refresh).
enum RefreshPart : unsigned {
    kRefreshFields = 1u << 0, // the bitmap, resource file and module fields, the ignore colour text, the counter
    kRefreshSwatch = 1u << 1, // the ignore colour swatch: blank, or filled with m_crIgnoreColor once picked
    kRefreshPicture = 1u << 2, // the picture control: its place (pictureFrame()) and pixels (pictureImage())
    kRefreshList = 1u << 3, // the directory list: every row (directoryRows()), selected row selectionMark()
    kRefreshSpace = 1u << 4, // the resource space bar (spaceGauge())
    kRefreshProgram = 1u << 5, // the programming bar (programGauge()) and the progress text (fields().progress)
    kRefreshAll = (1u << 6) - 1,
};

class CommandHost {
public:
    virtual ~CommandHost() = default;

    // Copy the named parts of CMainDlg's state into the controls (see RefreshPart).
    virtual void refresh(unsigned parts) = 0;

    // A modal box; returns when it is closed.
    virtual void showMessage(const Message& message) = 0;
    void showMessage(const std::string& text, const std::string& detail = {}) { showMessage(Message { text, detail }); }
    // A modal question with Yes and No, No the default; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& detail = {}) = 0;

    // The system's file-open dialog (existing files only, no read-only box);
    // starts in `folder` when it is not empty. Nothing when cancelled.
    virtual std::optional<std::string> chooseOpenFile(
        const std::string& title, const std::vector<FileFilter>& filters, const std::string& folder)
        = 0;
    // The folder chooser (CFolderDialog.h): starts in `start`; the chosen
    // folder with one path separator at its end, nothing when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& start) = 0;

    // Runs a dialog modally. The dialog object holds its state and handlers
    // (see each class); the view shows that state in native controls, passes
    // each user action to the named handler, and shows the state again after
    // it. True when the dialog closed confirmed (OK), false when cancelled.
    virtual bool runDialog(CNewResourceDlg& dialog) = 0;
    virtual bool runDialog(CPortSelectDlg& dialog) = 0;
    virtual bool runDialog(CBitmapPreviewDlg& dialog) = 0;
    virtual void runDialog(CAboutDlg& dialog) = 0;
    virtual bool runDialog(CMakeFontDlg& dialog) = 0;
    virtual void runDialog(CFontPreviewDlg& dialog) = 0;

    // Long work runs between these two (a wait cursor).
    virtual void beginLongWork() { }
    virtual void endLongWork() { }
};

// `text` with each "\r\n", lone "\r" and "\n" made `lineBreak` ("\n" for Qt, "\r\n" for Win32 controls).
std::string withLineBreaks(const std::string& text, const char* lineBreak = "\n");

} // namespace zarn::ui
