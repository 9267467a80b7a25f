#include "ui/CBitmapPreviewDlg.h"

#include "import/ModuleBitmap.h"
#include "import/Rgb565.h"
#include "ui/AppFont.h"
#include "ui/ShownColor.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace zarn::ui {

namespace {
    // The template's dialog units at two pixels each.
    constexpr int kDu = 2;
    QRect du(int x, int y, int w, int h) { return QRect(x * kDu, y * kDu, w * kDu, h * kDu); }
    QColor qcolor(Rgb c) { return QColor(c.r, c.g, c.b); }
}

BitmapItemView::BitmapItemView(CBitmapPreviewDlg* owner)
    : QWidget(owner)
    , m_owner(owner)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BitmapItemView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    // The screen box's own black outline takes the place of the frame's.
    p.drawImage(0, 0, m_owner->renderFrame(size()));
}

CBitmapPreviewDlg::CBitmapPreviewDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Bitmap Playback Display"));
    setFont(systemDialogFont());
    setFixedSize(264 * kDu, 181 * kDu);

    m_frame = new BitmapItemView(this);
    m_frame->setGeometry(du(32, 7, 200, 150));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setGeometry(du(145, 162, 42, 12));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setGeometry(du(194, 162, 42, 12));
    m_field = new QLineEdit(this);
    m_field->setGeometry(du(67, 162, 30, 12));
    m_field->setReadOnly(true);
    m_field->setMaxLength(10);
    m_swatch = new QFrame(this);
    m_swatch->setGeometry(du(99, 162, 35, 12));
    m_swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_swatch->setAutoFillBackground(true);
    auto* label = new QLabel(QStringLiteral("Ignore color:"), this);
    label->setGeometry(du(14, 164, 50, 8));
    label->adjustSize();

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* CBitmapPreviewDlg::frameControl() const { return m_frame; }

void CBitmapPreviewDlg::setScreenSize(std::uint16_t width, std::uint16_t height)
{
    m_wScreenWidth = width;
    m_wScreenHeight = height;
}

void CBitmapPreviewDlg::setIgnoreColor(std::uint16_t value)
{
    m_wIgnoreColor = value;
    m_crIgnoreColor = fromRgb565(value);
    updateFields();
}

void CBitmapPreviewDlg::setItem(
    std::uint16_t width, std::uint16_t height, std::span<const std::uint8_t> data, std::uint8_t kind)
{
    m_wWidth = width;
    m_wHeight = height;
    m_pData = data;
    m_nKind = kind;
}

void CBitmapPreviewDlg::fitFrame()
{
    const QRect g = du(32, 7, 200, 150);
    const FrameRect f { g.left(), g.top(), g.left() + g.width(), g.top() + g.height() };
    m_rcFrame = fitDialogFrame(f, m_wScreenWidth, m_wScreenHeight);
    m_frame->setGeometry(
        m_rcFrame.left, m_rcFrame.top, std::max(0, m_rcFrame.width()), std::max(0, m_rcFrame.height()));
    m_bPicked = false;
    m_fitted = true;
}

QImage CBitmapPreviewDlg::renderFrame(QSize size) const
{
    QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    img.fill(palette().color(QPalette::Window));
    const int W = m_wScreenWidth, H = m_wScreenHeight;
    if (W <= 0 || H <= 0)
        return img;
    // One scale for x and y, so the module's pixels stay square.
    const double scale = std::min(static_cast<double>(size.width()) / W, static_cast<double>(size.height()) / H);
    const int bw = static_cast<int>(W * scale), bh = static_cast<int>(H * scale);
    {
        QPainter p(&img);
        p.setPen(Qt::black);
        p.setBrush(QColor(0, 0, 255));
        p.drawRect(0, 0, std::max(0, bw - 1), std::max(0, bh - 1));
    }
    // An item whose data is shorter than its size and kind imply shows nothing.
    const auto rgb = zarn::decodeModuleBitmap(m_nKind, m_wWidth, m_wHeight, m_pData);
    if (!rgb)
        return img;
    std::size_t i = 0;
    for (int y = 0; y < m_wHeight; ++y)
        for (int x = 0; x < m_wWidth; ++x, i += 3) {
            const int dx = static_cast<int>(x * scale), dy = static_cast<int>(y * scale);
            if (dx < img.width() && dy < img.height())
                img.setPixel(dx, dy, qRgb((*rgb)[i], (*rgb)[i + 1], (*rgb)[i + 2]));
        }
    return img;
}

bool CBitmapPreviewDlg::pickAt(QPoint pos)
{
    const auto colour = shownColorAt(*this, m_frame->geometry(), pos);
    if (!colour)
        return false;
    m_crIgnoreColor = *colour;
    m_wIgnoreColor = toRgb565(m_crIgnoreColor.r, m_crIgnoreColor.g, m_crIgnoreColor.b);
    m_bPicked = true;
    updateFields();
    return true;
}

void CBitmapPreviewDlg::updateFields()
{
    m_strIgnoreColor = ignoreColorText(m_wIgnoreColor);
    m_field->setText(QString::fromStdString(m_strIgnoreColor));
    QPalette pal = m_swatch->palette();
    pal.setColor(QPalette::Window, qcolor(m_crIgnoreColor));
    m_swatch->setPalette(pal);
    m_swatch->update();
}

void CBitmapPreviewDlg::showEvent(QShowEvent* e)
{
    if (!m_fitted)
        fitFrame();
    updateFields();
    QDialog::showEvent(e);
}

void CBitmapPreviewDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        pickAt(e->position().toPoint());
    QDialog::mousePressEvent(e);
}

} // namespace zarn::ui
