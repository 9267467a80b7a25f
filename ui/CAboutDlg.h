#pragma once
// "About Resource tool": the version and the list of changes.

#include <QDialog>

class QPushButton;

namespace zarn::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    QPushButton* yesButton() const { return m_yes; }

private:
    QPushButton* m_yes;
};

inline constexpr const char* kAboutVersionLine = "Zarn Resource tool Ver 2.2 ";
inline constexpr const char* kAboutChanges
    = "1.Suport new module,\n2.Add resource memory size select,\n3.Suport BIG5 fontlib,\n4.Serial port select.";

} // namespace zarn::ui
