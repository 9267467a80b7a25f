#pragma once
// "Port Select": COM1 to COM16, and whether the system lists the one picked.

#include "link/LinkPorts.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zarn::ui {

class CommandHost;

inline constexpr const char* kMsgUnableToOpenRegistry = "Unable to open registry";

class CPortSelectDlg : public QDialog {
    Q_OBJECT
public:
    CPortSelectDlg(CommandHost& host, zarn::IPortListing& listing, std::uint8_t port, QWidget* parent = nullptr);

    // A pick confirmed in the list: item `index` stands for port index + 1.
    void OnSelEndOk(int index);

    QComboBox* portList() const { return m_list; }
    QLineEdit* statusField() const { return m_status; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    std::uint8_t m_port;
    std::string m_portStatus;

private:
    CommandHost& m_host;
    zarn::IPortListing& m_listing;
    QComboBox* m_list;
    QLineEdit* m_status;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace zarn::ui
