#pragma once
// "Create New Resource File": module type, memory size, name and folder; OK
// writes the blank file and closes only when that succeeded.

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zarn::ui {

class CommandHost;

class CNewResourceDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNewResourceDlg(CommandHost& host, QWidget* parent = nullptr);

    // The folder the dialog starts with: the program's own folder, or the home
    // folder when the program's folder cannot be written (an installed program).
    static std::string defaultFolder();

    // Handlers of the dialog's controls, callable directly.
    void OnModelChange(); // a pick confirmed in the module list
    void OnChooseFolder(); // "...."
    void OnOK();

    // The row the module list has chosen, or -1 when its text is typed (no row).
    int chosenRow() const;
    // The values OK would write: model code, width, height, memoryKiB.
    struct Choice {
        std::uint16_t modelCode, screenWidth, screenHeight;
        std::uint32_t memoryKiB;
    };
    Choice currentChoice() const;
    std::string targetPath() const { return m_strFolder + m_strName + ".zrf"; }

    QComboBox* modelList() const { return m_comboModel; }
    QLineEdit* nameField() const { return m_nameEdit; }
    QLineEdit* saveAtField() const { return m_saveAtEdit; }
    QRadioButton* sizeButton(int k) const { return m_size[k]; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* folderButton() const { return m_browse; }

    std::string m_strFolder;
    bool m_bCreated = false;
    std::string m_strName = "TestResource";
    std::string m_strSaveAt;
    int m_nSizeChoice = 0;

private:
    void enableSizesFor(int number);
    void takeFields();

    CommandHost& m_host;
    QComboBox* m_comboModel;
    QLineEdit* m_nameEdit;
    QLineEdit* m_saveAtEdit;
    std::array<QRadioButton*, 4> m_size {};
    QPushButton* m_browse;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace zarn::ui
