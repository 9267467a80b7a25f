#pragma once
// "Port Select": COM1 to COM16, and whether the system lists the one picked.
//
// The view renders the template below (dialog units), fills the list with
// portName(0..kPortCount - 1) unsorted and selects item initialIndex(); a
// pick confirmed in the list (CBN_SELENDOK): OnSelEndOk(item index), then it
// shows m_portStatus again. OK closes confirmed and the caller reads m_port;
// Cancel, Escape and the close box cancel.

#include "ui/DialogTemplate.h"

#include <cstdint>
#include <string>

namespace zarn::ui {

class CommandHost;
class ModuleLink;

inline constexpr const char* kMsgUnableToOpenRegistry = "Unable to open registry";

class CPortSelectDlg {
public:
    static constexpr const char* kTitle = "Port Select"; // font "System" 10
    static constexpr DialogUnits kSize { 0, 0, 241, 112 };
    static constexpr DialogUnits kOk { 13, 13, 50, 14 }; // "OK", the default button
    static constexpr DialogUnits kCancel { 13, 33, 50, 14 }; // "Cancel"
    static constexpr DialogUnits kList { 153, 14, 75, 71 }; // drop-down with an edit field, vertical scroll bar
    static constexpr DialogUnits kLabel { 82, 14, 60, 10 }; // "Select serial port:"
    static constexpr DialogUnits kStatus { 7, 67, 227, 38 }; // read-only, bordered, one line, 256 characters
    static constexpr const char* kLabelText = "Select serial port:";
    static constexpr int kPortCount = 16;

    CPortSelectDlg(CommandHost& host, ModuleLink& link, std::uint8_t port);

    static std::string portName(int index); // "COM1" for item 0
    int initialIndex() const; // the item of m_port, -1 when it has none
    // A pick confirmed in the list: item `index` stands for port index + 1;
    // the status says whether the system lists that port.
    void OnSelEndOk(int index);

    std::uint8_t m_port;
    std::string m_portStatus;

private:
    CommandHost& m_host;
    ModuleLink& m_link;
};

} // namespace zarn::ui
