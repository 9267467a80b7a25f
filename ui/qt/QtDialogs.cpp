#include "ui/qt/QtDialogs.h"

#include "import/FontLibrary.h"
#include "resfile/ModuleModel.h"
#include "ui/CAboutDlg.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CFolderDialog.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"
#include "ui/qt/AppFont.h"
#include "ui/qt/PixelWidget.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace zarn::ui {

namespace {
    constexpr int kPixelsPerUnit = 2;
    QRect du(DialogUnits u)
    {
        return QRect(u.x * kPixelsPerUnit, u.y * kPixelsPerUnit, u.width * kPixelsPerUnit, u.height * kPixelsPerUnit);
    }
    QString qs(const std::string& s) { return QString::fromStdString(s); }
    void setIfChanged(QLineEdit* field, const std::string& text)
    {
        if (field->text() != qs(text))
            field->setText(qs(text));
    }
    // A label as wide as its text needs at the font in use, never cut short.
    QLabel* label(const char* text, QWidget* parent, QRect at)
    {
        auto* l = new QLabel(QString::fromUtf8(text), parent);
        at.setWidth(std::max(at.width(), l->sizeHint().width()));
        at.setHeight(std::max(at.height(), l->sizeHint().height()));
        l->setGeometry(at);
        return l;
    }
}

// ---- Create New Resource File ----

QtNewResourceDlg::QtNewResourceDlg(CNewResourceDlg& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setWindowTitle(QString::fromLatin1(CNewResourceDlg::kTitle));
    setFont(systemDialogFont());
    m_model = new QComboBox(this);
    m_model->setEditable(true);
    m_model->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& row : CNewResourceDlg::modelRows())
        m_model->addItem(qs(row));
    m_model->setMinimumContentsLength(16);
    m_name = new QLineEdit(this);
    m_name->setMaxLength(256);
    m_saveAt = new QLineEdit(this);
    m_saveAt->setMaxLength(1024);
    m_saveAt->setMinimumWidth(260);
    m_browse = new QPushButton(QString::fromLatin1(CNewResourceDlg::kFolderButton), this);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* sizeBox = new QGroupBox(QString::fromLatin1(CNewResourceDlg::kSizeGroup), this);
    auto* sizeLayout = new QHBoxLayout(sizeBox);
    auto* group = new QButtonGroup(this);
    for (int k = 0; k < 4; ++k) {
        m_size[k] = new QRadioButton(QString::fromLatin1(kSizeLabels[k]), sizeBox);
        group->addButton(m_size[k], k);
        sizeLayout->addWidget(m_size[k]);
    }
    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QString::fromLatin1(CNewResourceDlg::kModelLabel), this), 0, 0);
    form->addWidget(m_model, 0, 1, 1, 2);
    form->addWidget(new QLabel(QString::fromLatin1(CNewResourceDlg::kNameLabel), this), 1, 0);
    form->addWidget(m_name, 1, 1, 1, 2);
    form->addWidget(sizeBox, 2, 0, 1, 3);
    form->addWidget(new QLabel(QString::fromLatin1(CNewResourceDlg::kSaveAtLabel), this), 3, 0);
    form->addWidget(m_saveAt, 3, 1);
    form->addWidget(m_browse, 3, 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(buttons);
    showState();

    connect(m_model, &QComboBox::activated, this, [this](int row) {
        takeFields();
        m_state.OnModelChange(row);
        showState();
    });
    connect(
        m_model, &QComboBox::editTextChanged, this, [this](const QString& t) { m_state.OnModelEdit(t.toStdString()); });
    connect(group, &QButtonGroup::idClicked, this, [this](int k) { m_state.m_nSizeChoice = k; });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        takeFields();
        m_state.OnChooseFolder();
        showState();
    });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        takeFields();
        if (m_state.OnOK())
            accept();
        else
            showState();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The fields the user types in go to the state before each handler runs.
void QtNewResourceDlg::takeFields()
{
    m_state.m_strName = m_name->text().toStdString();
    m_state.m_strSaveAt = m_saveAt->text().toStdString();
}

void QtNewResourceDlg::showState()
{
    if (m_state.m_nModelRow >= 0 && m_model->currentIndex() != m_state.m_nModelRow)
        m_model->setCurrentIndex(m_state.m_nModelRow);
    for (int k = 0; k < 4; ++k) {
        m_size[k]->setEnabled(m_state.m_sizeEnabled[k]);
        m_size[k]->setChecked(k == m_state.m_nSizeChoice);
    }
    setIfChanged(m_name, m_state.m_strName);
    setIfChanged(m_saveAt, m_state.m_strSaveAt);
}

// ---- Port Select ----

QtPortSelectDlg::QtPortSelectDlg(CPortSelectDlg& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setWindowTitle(QString::fromLatin1(CPortSelectDlg::kTitle));
    setFont(systemDialogFont());
    setFixedSize(du(CPortSelectDlg::kSize).size());
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du(CPortSelectDlg::kOk));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du(CPortSelectDlg::kCancel));
    m_list = new QComboBox(this);
    QRect list = du(CPortSelectDlg::kList);
    m_list->setGeometry(list.x(), list.y(), list.width(), m_list->sizeHint().height());
    m_list->setEditable(true);
    m_list->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i < CPortSelectDlg::kPortCount; ++i)
        m_list->addItem(qs(CPortSelectDlg::portName(i)));
    m_list->setCurrentIndex(m_state.initialIndex());
    label(CPortSelectDlg::kLabelText, this, du(CPortSelectDlg::kLabel));
    m_status = new QLineEdit(this);
    m_status->setGeometry(du(CPortSelectDlg::kStatus));
    m_status->setReadOnly(true);
    m_status->setMaxLength(256);
    m_status->setText(qs(m_state.m_portStatus));

    connect(m_list, &QComboBox::activated, this, [this](int index) {
        m_state.OnSelEndOk(index);
        m_status->setText(qs(m_state.m_portStatus));
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// ---- Bitmap Playback Display ----

QtBitmapPreviewDlg::QtBitmapPreviewDlg(CBitmapPreviewDlg& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setWindowTitle(QString::fromLatin1(CBitmapPreviewDlg::kTitle));
    setFont(systemDialogFont());
    setFixedSize(du(CBitmapPreviewDlg::kSize).size());
    const QRect frame = du(CBitmapPreviewDlg::kFrame);
    m_state.fitFrame(
        FrameRect { frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height() });
    const FrameRect& f = m_state.m_rcFrame;
    m_frame = new PixelWidget(this);
    m_frame->setGeometry(f.left, f.top, std::max(0, f.width()), std::max(0, f.height()));
    m_frame->setImage(m_state.render());
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du(CBitmapPreviewDlg::kOk));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setGeometry(du(CBitmapPreviewDlg::kCancel));
    m_field = new QLineEdit(this);
    m_field->setGeometry(du(CBitmapPreviewDlg::kField));
    m_field->setReadOnly(true);
    m_field->setMaxLength(10);
    m_swatch = new QFrame(this);
    m_swatch->setGeometry(du(CBitmapPreviewDlg::kSwatch));
    m_swatch->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_swatch->setAutoFillBackground(true);
    label(CBitmapPreviewDlg::kLabelText, this, du(CBitmapPreviewDlg::kLabel));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showState();
}

QWidget* QtBitmapPreviewDlg::frameControl() const { return m_frame; }

void QtBitmapPreviewDlg::showState()
{
    m_field->setText(qs(m_state.m_strIgnoreColor));
    QPalette pal = m_swatch->palette();
    const Rgb c = m_state.m_crIgnoreColor;
    pal.setColor(QPalette::Window, QColor(c.r, c.g, c.b));
    m_swatch->setPalette(pal);
}

void QtBitmapPreviewDlg::mousePressEvent(QMouseEvent* e)
{
    const QPoint at = e->position().toPoint() - m_frame->pos();
    if (e->button() == Qt::LeftButton && m_state.pickAt(at.x(), at.y()))
        showState();
    QDialog::mousePressEvent(e);
}

// ---- About ----

QtAboutDlg::QtAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(CAboutDlg::kTitle));
    setFont(toolFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint);
    auto* icon = new QLabel(this);
    // The application icon; a program started without one shows the platform's.
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setPixmap(appIcon.pixmap(32, 32));
    auto* version = new QLabel(QString::fromLatin1(CAboutDlg::kVersionLine), this);
    version->setObjectName(QStringLiteral("versionLine"));
    auto* changes = new QLabel(QString::fromLatin1(CAboutDlg::kChanges), this);
    changes->setObjectName(QStringLiteral("changeList"));
    auto* yes = new QPushButton(QString::fromLatin1(CAboutDlg::kButton), this);
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version, 0, 1);
    grid->addWidget(changes, 1, 1);
    grid->addWidget(yes, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
}

// ---- Make font library ----

QtMakeFontDlg::QtMakeFontDlg(CMakeFontDlg& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setWindowTitle(QString::fromLatin1(CMakeFontDlg::kTitle));
    auto* root = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* fontRow = new QHBoxLayout;
    m_font = new QLineEdit(this);
    m_font->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    auto* browse = new QPushButton(QStringLiteral("...."), this);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(browse->text()) + 20);
    fontRow->addWidget(m_font, 1);
    fontRow->addWidget(browse);
    form->addRow(QStringLiteral("Font file:"), fontRow);
    m_type = new QComboBox(this);
    for (const std::string& name : CMakeFontDlg::typeNames())
        m_type->addItem(qs(name));
    form->addRow(QStringLiteral("Type:"), m_type);
    auto* sizeRow = new QHBoxLayout;
    m_width = new QSpinBox(this);
    m_height = new QSpinBox(this);
    for (QSpinBox* b : { m_width, m_height })
        b->setRange(kMinGlyphDots, kMaxGlyphDots);
    sizeRow->addWidget(m_width);
    sizeRow->addWidget(new QLabel(QStringLiteral("X"), this));
    sizeRow->addWidget(m_height);
    sizeRow->addStretch(1);
    form->addRow(QStringLiteral("Glyph size (dots):"), sizeRow);
    root->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    root->addWidget(buttons);
    showState();

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, [this] {
        m_state.OnBrowse();
        showState();
    });
    connect(m_font, &QLineEdit::textEdited, this, [this](const QString& t) {
        m_state.m_strFontPath = t.toStdString();
        showState();
    });
    connect(m_type, &QComboBox::activated, this, [this](int i) {
        m_state.OnTypeChange(i);
        showState();
    });
    connect(m_width, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_showing)
            m_state.m_nWidth = v;
    });
    connect(m_height, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_showing)
            m_state.m_nHeight = v;
    });
}

void QtMakeFontDlg::showState()
{
    m_showing = true;
    setIfChanged(m_font, m_state.m_strFontPath);
    m_type->setCurrentIndex(m_state.m_nType);
    m_width->setValue(m_state.m_nWidth);
    m_height->setValue(m_state.m_nHeight);
    m_ok->setEnabled(m_state.canMake());
    m_showing = false;
}

// ---- Font library preview ----

QtFontPreviewDlg::QtFontPreviewDlg(const CFontPreviewDlg& state, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QString::fromLatin1(CFontPreviewDlg::kTitle));
    setFont(toolFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
        | Qt::WindowMaximizeButtonHint);
    auto* summary = new QLabel(qs(state.m_strSummary), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* sheet = new QLabel;
    const QImage image = toQImage(state.m_sheet);
    sheet->setPixmap(QPixmap::fromImage(image));
    sheet->resize(image.size());
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(sheet);
    scroll->setBackgroundRole(QPalette::Dark);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    // As large as the sheet, within most of the screen.
    const QSize avail
        = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableSize() * 0.8 : QSize(1024, 768);
    const int frame = 2 * 12 + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int above = summary->sizeHint().height() + 48; // the summary and the Close button
    resize(std::min(avail.width(), image.width() + frame), std::min(avail.height(), image.height() + frame + above));
}

// ---- the folder chooser ----

QtFolderDialog::QtFolderDialog(const std::string& start, QWidget* parent)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    setWindowTitle(QString::fromLatin1(kFolderDialogTitle));
    setLabelText(QFileDialog::Accept, QString::fromLatin1(kFolderDialogSelect));
    if (!start.empty())
        setDirectory(qs(start));
}

void QtFolderDialog::accept()
{
    // The folder that is highlighted wins; with nothing highlighted, the one shown.
    QString chosen;
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && QFileInfo(files.first()).isDir())
        chosen = files.first();
    else
        chosen = directory().absolutePath();
    m_chosen = withTrailingSeparator(QDir::cleanPath(chosen).toStdString());
    QFileDialog::accept();
}

} // namespace zarn::ui
