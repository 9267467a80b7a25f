#include "ui/CPortSelectDlg.h"

#include "ui/CommandHost.h"
#include "ui/ModuleLink.h"

#include <cstdio>

namespace zarn::ui {

CPortSelectDlg::CPortSelectDlg(CommandHost& host, ModuleLink& link, std::uint8_t port)
    : m_port(port)
    , m_host(host)
    , m_link(link)
{
}

std::string CPortSelectDlg::portName(int index) { return "COM" + std::to_string(index + 1); }

int CPortSelectDlg::initialIndex() const { return m_port >= 1 && m_port <= kPortCount ? m_port - 1 : -1; }

void CPortSelectDlg::OnSelEndOk(int index)
{
    if (index < 0 || index >= kPortCount)
        return; // no item: the port stays what it was, never 0
    m_port = static_cast<std::uint8_t>(index + 1);
    char text[64];
    switch (m_link.findListedPort(m_port)) {
    case PortPresence::Listed:
        std::snprintf(text, sizeof text, "COM %d Port has been connected", m_port);
        break;
    case PortPresence::KeyNotOpened:
        m_host.showMessage(Message { kMsgUnableToOpenRegistry, {}, "" });
        [[fallthrough]];
    case PortPresence::NotListed:
        std::snprintf(text, sizeof text, "COM %d port is no connection ", m_port);
        break;
    }
    m_portStatus = text;
}

} // namespace zarn::ui
