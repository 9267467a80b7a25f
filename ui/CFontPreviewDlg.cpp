#include "ui/CFontPreviewDlg.h"

#include "ui/AppFont.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace zarn::ui {

CFontPreviewDlg::CFontPreviewDlg(QWidget* parent)
    : QDialog(parent)
    , m_summary(new QLabel(this))
    , m_view(new QLabel)
{
    setWindowTitle(QString::fromLatin1(kFontPreviewTitle));
    setFont(toolFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
        | Qt::WindowMaximizeButtonHint);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_view);
    scroll->setBackgroundRole(QPalette::Dark);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
}

void CFontPreviewDlg::setSheet(const PreviewResult& preview, const QString& heading)
{
    m_summary->setText(heading + QStringLiteral("\n") + QString::fromStdString(preview.message));
    // A copy of its own: the result's buffer goes when the command ends.
    m_sheet = QImage(preview.image.rgb.data(), preview.image.width, preview.image.height, preview.image.width * 3,
        QImage::Format_RGB888)
                  .copy();
    m_view->setPixmap(QPixmap::fromImage(m_sheet));
    m_view->resize(m_sheet.size());
    // As large as the sheet, within most of the screen.
    const QSize avail
        = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableSize() * 0.8 : QSize(1024, 768);
    const int frame = 2 * 12 + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int above = m_summary->sizeHint().height() + 48; // the summary and the Close button
    resize(
        std::min(avail.width(), m_sheet.width() + frame), std::min(avail.height(), m_sheet.height() + frame + above));
}

QString CFontPreviewDlg::summary() const { return m_summary->text(); }

} // namespace zarn::ui
