#include "ui/CAboutDlg.h"

#include "ui/AppFont.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace zarn::ui {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Resource tool"));
    setFont(toolFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    // The application icon; a program started without one shows the platform's.
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setPixmap(appIcon.pixmap(32, 32));
    auto* version = new QLabel(QString::fromUtf8(kAboutVersionLine), this);
    version->setObjectName(QStringLiteral("versionLine"));
    auto* changes = new QLabel(QString::fromUtf8(kAboutChanges), this);
    changes->setObjectName(QStringLiteral("changeList"));
    m_yes = new QPushButton(QStringLiteral("yes"), this);
    m_yes->setDefault(true);
    connect(m_yes, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(changes, 1, 1);
    grid->addWidget(m_yes, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
}

} // namespace zarn::ui
