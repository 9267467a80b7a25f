#pragma once
// The dialogs as Qt shows them. Each renders its description (ui/C*Dlg.h):
// it shows the state, hands each user action to the state's handler and
// shows the state again. Dialog units are two pixels each.

#include <QDialog>
#include <QFileDialog>

#include <array>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zarn::ui {

class CBitmapPreviewDlg;
class CFontPreviewDlg;
class CMakeFontDlg;
class CNewResourceDlg;
class CPortSelectDlg;
class PixelWidget;

class QtNewResourceDlg : public QDialog {
    Q_OBJECT
public:
    QtNewResourceDlg(CNewResourceDlg& state, QWidget* parent);
    QComboBox* modelList() const { return m_model; }
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* saveAtField() const { return m_saveAt; }
    QRadioButton* sizeButton(int k) const { return m_size[k]; }
    QPushButton* folderButton() const { return m_browse; }
    QPushButton* okButton() const { return m_ok; }

private:
    void takeFields();
    void showState();
    CNewResourceDlg& m_state;
    QComboBox* m_model;
    QLineEdit* m_name;
    QLineEdit* m_saveAt;
    std::array<QRadioButton*, 4> m_size {};
    QPushButton* m_browse;
    QPushButton* m_ok;
};

class QtPortSelectDlg : public QDialog {
    Q_OBJECT
public:
    QtPortSelectDlg(CPortSelectDlg& state, QWidget* parent);
    QComboBox* portList() const { return m_list; }
    QLineEdit* statusField() const { return m_status; }

private:
    CPortSelectDlg& m_state;
    QComboBox* m_list;
    QLineEdit* m_status;
};

class QtBitmapPreviewDlg : public QDialog {
    Q_OBJECT
public:
    QtBitmapPreviewDlg(CBitmapPreviewDlg& state, QWidget* parent);
    QWidget* frameControl() const;
    QLineEdit* ignoreColorField() const { return m_field; }

protected:
    void mousePressEvent(QMouseEvent*) override;

private:
    void showState();
    CBitmapPreviewDlg& m_state;
    PixelWidget* m_frame;
    QLineEdit* m_field;
    QFrame* m_swatch;
};

class QtAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit QtAboutDlg(QWidget* parent);
};

class QtMakeFontDlg : public QDialog {
    Q_OBJECT
public:
    QtMakeFontDlg(CMakeFontDlg& state, QWidget* parent);

private:
    void showState();
    CMakeFontDlg& m_state;
    QLineEdit* m_font;
    QComboBox* m_type;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QPushButton* m_ok;
    bool m_showing = false; // controls being set from the state: not the user's changes
};

class QtFontPreviewDlg : public QDialog {
    Q_OBJECT
public:
    QtFontPreviewDlg(const CFontPreviewDlg& state, QWidget* parent);
};

// The folder chooser: Qt's own file dialog (the platform's would ignore the
// title and button text) showing folders only.
class QtFolderDialog : public QFileDialog {
    Q_OBJECT
public:
    QtFolderDialog(const std::string& start, QWidget* parent);
    void accept() override;
    const std::string& chosen() const { return m_chosen; }

private:
    std::string m_chosen;
};

} // namespace zarn::ui
