#include "ui/CPortSelectDlg.h"

#include "ui/AppFont.h"
#include "ui/CommandHost.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

namespace zarn::ui {

namespace {
    constexpr int kDu = 2; // two pixels per dialog unit
    QRect du(int x, int y, int w, int h) { return QRect(x * kDu, y * kDu, w * kDu, h * kDu); }
}

CPortSelectDlg::CPortSelectDlg(CommandHost& host, zarn::IPortListing& listing, std::uint8_t port, QWidget* parent)
    : QDialog(parent)
    , m_port(port)
    , m_host(host)
    , m_listing(listing)
{
    setWindowTitle(QStringLiteral("Port Select"));
    setFont(systemDialogFont());
    setFixedSize(241 * kDu, 112 * kDu);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(du(13, 13, 50, 14));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setGeometry(du(13, 33, 50, 14));
    m_list = new QComboBox(this);
    m_list->setGeometry(du(153, 14, 75, 14));
    m_list->setEditable(true);
    m_list->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= 16; ++i)
        m_list->addItem(QStringLiteral("COM%1").arg(i));
    auto* label = new QLabel(QStringLiteral("Select serial port:"), this);
    label->setGeometry(du(82, 14, 68, 10));
    m_status = new QLineEdit(this);
    m_status->setGeometry(du(7, 67, 227, 38));
    m_status->setReadOnly(true);
    m_status->setMaxLength(256);

    // Only picks from the list change the port; a number outside 1..16 shows no item.
    m_list->setCurrentIndex(m_port >= 1 && m_port <= 16 ? m_port - 1 : -1);

    connect(m_list, &QComboBox::activated, this, [this](int index) { OnSelEndOk(index); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CPortSelectDlg::OnSelEndOk(int index)
{
    m_status->setText(QString::fromStdString(m_portStatus));
    if (index < 0 || index >= m_list->count())
        return; // no item: the port stays what it was, never 0
    m_port = static_cast<std::uint8_t>(index + 1);
    char text[64];
    switch (m_listing.FindListedPort(m_port)) {
    case zarn::PortPresence::Listed:
        std::snprintf(text, sizeof text, "COM %d Port has been connected", m_port);
        break;
    case zarn::PortPresence::KeyNotOpened:
        m_host.showMessage(kMsgUnableToOpenRegistry, "");
        [[fallthrough]];
    case zarn::PortPresence::NotListed:
        std::snprintf(text, sizeof text, "COM %d port is no connection ", m_port);
        break;
    }
    m_portStatus = text;
    m_status->setText(QString::fromStdString(m_portStatus));
}

} // namespace zarn::ui
