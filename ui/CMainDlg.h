#pragma once
// The main window: owns the state of a run (the open resource file, the
// picture loaded last, the link and the transfer), shows it, and hands each
// button to its command. Commands are plain member functions so tests can run
// them through a scripted CommandHost without a screen.

#include "import/AddContent.h"
#include "link/LinkPorts.h"
#include "link/ModuleDetection.h"
#include "link/SessionEvents.h"
#include "platform/EventLoop.h"
#include "resfile/PendingItem.h"
#include "resfile/PictureArea.h"
#include "resfile/ResourceStore.h"
#include "ui/CommandHost.h"
#include "ui/IgnoreColor.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QFrame;

namespace zarn {
class ModuleSession;
}

namespace zarn::ui {

class CommandHost;
class CDibPicture;

class CMainDlg : public QDialog {
    Q_OBJECT
public:
    // With the real serial channel and port listing, the session on the
    // process's event loop.
    explicit CMainDlg(CommandHost& host, QWidget* parent = nullptr);
    // With a given port, listing and loop (tests): a module in the process, or a fake.
    CMainDlg(CommandHost& host, zarn::ILinkPort& port, zarn::IPortListing& listing, zarn::IEventLoop& loop,
        QWidget* parent = nullptr);
    ~CMainDlg() override;

    // The commands, one per button.
    void OnNewResource();
    void OnOpenResource(std::optional<std::string> chosen = std::nullopt);
    void OnPortSelect();
    void OnLoadBmp(std::optional<std::string> chosen = std::nullopt);
    void OnLoadHzlib(std::optional<std::string> chosen = std::nullopt);
    void OnLoadAsciilib(std::optional<std::string> chosen = std::nullopt);
    void OnLoadWave(std::optional<std::string> chosen = std::nullopt);
    void OnProgramAll();
    void OnExit();
    void OnLoadItem(); // ">>LOAD"
    void OnDelete();
    void showBitmapItem(); // "BMP Dis"
    // "Preview font library..." (context menu): the selected font library's glyphs.
    void OnPreviewFontLibrary();
    void OnAbout();
    // "Make font library..." (context menu): generates a library beside the
    // open resource file and runs "Load Hzlib" / "Load Asciilib" on it.
    void OnMakeFontLibrary();
    // One detection step now (the session's own timer makes one every 700 ms).
    void OnTimer();
    // A left press at `pos` (window coordinates): picks the ignore colour when
    // it lies on the picture control, edges included.
    bool pickAt(QPoint pos);
    // A dropped file: .zrf opens, .bmp loads, font libraries and WAVE files go
    // through their commands' checks.
    void openDroppedFile(const std::string& path);

    // Fields <-> state.
    void refreshFields();
    void takeFields();

    // The directory list.
    void refreshDirectoryView();
    void insertDirectoryRow(int index);
    void removeAllRows();
    std::optional<int> selectionMark() const;
    // Widens each column past its set width to its header and its widest text.
    void fitDirectoryColumns();
    // The width a cell needs to show `text` whole (margins and grid line included).
    int directoryCellWidth(const QString& text) const;
    // Makes the list, and so the window's default width, show all six columns
    // with the longest texts they usually hold.
    void fitDirectoryListWidth();

    // Controls, for tests and the layout check.
    QPushButton* button(const QString& text) const;
    QTableWidget* directoryList() const { return m_list; }
    CDibPicture* pictureControl() const { return m_picture; }
    QProgressBar* spaceBar() const { return m_progressSpace; }
    QProgressBar* programBar() const { return m_progressProgram; }
    QPlainTextEdit* bitmapField() const { return m_bitmapField; }
    QLineEdit* resourceField() const { return m_resourceField; }
    QPlainTextEdit* moduleField() const { return m_moduleField; }
    QLineEdit* ignoreColorField() const { return m_ignoreField; }
    QLineEdit* counterField() const { return m_counterField; }
    QFrame* swatch() const { return m_swatch; }

    // A programming transfer runs, or "Program All" waits for the session's answer.
    bool busy() const;
    // The link as the session's last event showed it.
    const zarn::SessionSnapshot& linkState() const { return m_link; }
    zarn::ModuleSession& session() { return *m_session; }
    std::string stagingPath() const { return m_stagingPath; }
    // Where "Load BMP" puts its staging file; fills the notice when it had to
    // fall back to the user's cache folder (replaced in tests).
    std::function<std::string(std::string* notice)> stagingPathSource;

    // The state of a run. Before the first pick, bitmaps get 0x0000 (black) as
    // their ignore colour.
    std::uint16_t m_wIgnoreColor = 0x0000;
    Rgb m_crIgnoreColor {};
    zarn::Rect m_rcPictureArea {};
    zarn::ResourceStore m_store;
    bool m_bIgnoreColorPicked = false;
    zarn::PendingItem m_pending;
    std::string m_strBitmapMsg, m_strResourceMsg, m_moduleStatus;
    std::int32_t m_blocksSent = 0;
    std::string m_strIgnoreColor;

protected:
    void mousePressEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;
    void closeEvent(QCloseEvent*) override;

private:
    CMainDlg(CommandHost& host, zarn::IPortListing* listing, QWidget* parent);
    // Every event of the session, on this window's thread.
    std::function<void(const zarn::SessionEvent&)> eventSink();
    void onSessionEvent(const zarn::SessionEvent& event);
    bool guardOpenFile();
    // The selected item for a command that shows one, after guardOpenFile;
    // "no items" or `noSelection` in a box when there is none.
    std::optional<int> itemToShow(const char* noSelection);
    // Reads item `mark`'s data for showing it; false after a refusal in a box or
    // when another program's change was read again instead.
    bool readShownItem(int mark, std::vector<std::uint8_t>& data);
    void build();
    void initDialog();
    void message(const std::string& text);
    bool guard(const char* busyText);
    void updateCapacity();
    void afterStoreOperation(const zarn::StoreResult& result);
    void fileOpened();
    void importFile(std::optional<std::string> chosen, const char* title, const std::vector<FileFilter>& filters,
        zarn::ContentCommand command);
    void setRow(int row, const zarn::ResourceEntry& entry);
    void paintSwatch();

    CommandHost& m_host;
    std::unique_ptr<zarn::IPortListing> m_ownListing;
    zarn::IPortListing& m_listing; // for Port Select's check, asked on this thread
    zarn::SessionSnapshot m_link; // the session's state, copied from its events
    bool m_programRequested = false; // "Program All" asked, TransferStarted or TransferRefused to come
    std::unique_ptr<zarn::ModuleSession> m_session;
    bool m_programBarSet = false;
    std::string m_stagingPath;
    bool m_stagingNoticeShown = false; // the fallback is told once, not on every picture

    QPlainTextEdit* m_bitmapField = nullptr;
    QLineEdit* m_ignoreField = nullptr;
    QFrame* m_swatch = nullptr;
    QWidget* m_pictureArea = nullptr;
    CDibPicture* m_picture = nullptr;
    QLineEdit* m_resourceField = nullptr;
    QProgressBar* m_progressSpace = nullptr;
    QTableWidget* m_list = nullptr;
    QPlainTextEdit* m_moduleField = nullptr;
    QLineEdit* m_counterField = nullptr;
    QProgressBar* m_progressProgram = nullptr;
};

} // namespace zarn::ui
