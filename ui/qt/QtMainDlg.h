#pragma once
// The main window as Qt shows it: the controls of CMainDlg's state, each
// button, press, drop and menu entry handed to its command, and CommandHost's
// boxes, file dialogs and dialogs as Qt widgets.

#include "ui/CMainDlg.h"
#include "ui/GeneratorFontTools.h"
#include "ui/qt/QtSessionLink.h"

#include <QDialog>

#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace zarn::ui {

class PixelWidget;

class QtMainDlg : public QDialog, public CommandHost {
    Q_OBJECT
public:
    // With a module session on the system's serial ports.
    explicit QtMainDlg(QWidget* parent = nullptr);
    ~QtMainDlg() override;

    CMainDlg& state() { return m_state; }

    // CommandHost
    void refresh(unsigned parts) override;
    using CommandHost::showMessage;
    void showMessage(const Message& message) override;
    bool askYesNo(const std::string& text, const std::string& detail) override;
    std::optional<std::string> chooseOpenFile(
        const std::string& title, const std::vector<FileFilter>& filters, const std::string& folder) override;
    std::optional<std::string> chooseFolder(const std::string& start) override;
    bool runDialog(CNewResourceDlg& dialog) override;
    bool runDialog(CPortSelectDlg& dialog) override;
    bool runDialog(CBitmapPreviewDlg& dialog) override;
    void runDialog(CAboutDlg& dialog) override;
    bool runDialog(CMakeFontDlg& dialog) override;
    void runDialog(CFontPreviewDlg& dialog) override;
    void beginLongWork() override;
    void endLongWork() override;

    // Controls, for tests and the layout.
    QPushButton* button(const QString& text) const;
    QTableWidget* directoryList() const { return m_list; }
    PixelWidget* pictureControl() const { return m_picture; }
    QProgressBar* spaceBar() const { return m_progressSpace; }
    QProgressBar* programBar() const { return m_progressProgram; }
    QPlainTextEdit* bitmapField() const { return m_bitmapField; }
    QLineEdit* resourceField() const { return m_resourceField; }
    QPlainTextEdit* moduleField() const { return m_moduleField; }
    QLineEdit* ignoreColorField() const { return m_ignoreField; }
    QLineEdit* counterField() const { return m_counterField; }
    QLabel* progressText() const { return m_progressText; }
    QFrame* swatch() const { return m_swatch; }

protected:
    void mousePressEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    void build();
    QWidget* boxOwner();
    void showList();
    void listSelectionChanged();
    int directoryCellWidth(const QString& text) const;
    void fitDirectoryColumns();
    void fitDirectoryListWidth();

    GeneratorFontTools m_fonts;
    QtSessionLink m_link;
    CMainDlg m_state;
    bool m_showingList = false; // rows being set from the state: not the user's selection

    QPlainTextEdit* m_bitmapField = nullptr;
    QLineEdit* m_ignoreField = nullptr;
    QFrame* m_swatch = nullptr;
    QFrame* m_pictureArea = nullptr;
    PixelWidget* m_picture = nullptr;
    QLineEdit* m_resourceField = nullptr;
    QProgressBar* m_progressSpace = nullptr;
    QTableWidget* m_list = nullptr;
    QPlainTextEdit* m_moduleField = nullptr;
    QLineEdit* m_counterField = nullptr;
    QLabel* m_progressText = nullptr;
    QProgressBar* m_progressProgram = nullptr;
};

} // namespace zarn::ui
