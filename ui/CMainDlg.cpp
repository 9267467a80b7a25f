#include "ui/CMainDlg.h"

#include "link/ModuleSession.h"
#include "link/ProgramTransfer.h"
#include "link/SystemPortListing.h"
#include "link/SystemSession.h"
#include "resfile/DirectoryView.h"
#include "ui/AppFont.h"
#include "ui/CAboutDlg.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CDibPicture.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"
#include "ui/CommandHost.h"
#include "ui/MainDlgLayout.h"
#include "ui/ShownColor.h"
#include "ui/UiTexts.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

namespace zarn::ui {

namespace {
    constexpr int kMessageLimit = 1024;
    constexpr int kIgnoreColorLimit = 20;
    constexpr int kCounterLimit = 100000000;

    std::string clip(const std::string& s, std::size_t limit) { return s.size() > limit ? s.substr(0, limit) : s; }

    QString toField(const std::string& s) { return QString::fromStdString(boxText(s)); }

}

CMainDlg::CMainDlg(CommandHost& host, QWidget* parent)
    : CMainDlg(host, nullptr, parent)
{
    m_session = zarn::makeModuleSession(eventSink());
}

CMainDlg::CMainDlg(
    CommandHost& host, zarn::ILinkPort& port, zarn::IPortListing& listing, zarn::IEventLoop& loop, QWidget* parent)
    : CMainDlg(host, &listing, parent)
{
    m_session = std::make_unique<zarn::ModuleSession>(loop, port, listing, eventSink());
}

CMainDlg::CMainDlg(CommandHost& host, zarn::IPortListing* listing, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_ownListing(listing ? nullptr : std::make_unique<zarn::SystemPortListing>())
    , m_listing(listing ? *listing : *m_ownListing)
{
    m_host.setOwner(this);
    m_link.moduleStatus = zarn::kMsgModuleInfoInitial;
    build();
    initDialog();
}

CMainDlg::~CMainDlg()
{
    // The session goes first: once it is gone no event comes, and those on
    // their way die with this window.
    m_session.reset();
    m_host.setOwner(nullptr);
}

std::function<void(const zarn::SessionEvent&)> CMainDlg::eventSink()
{
    // The session's thread hands each event over to this window's thread.
    return [this](const zarn::SessionEvent& event) {
        if (QThread::currentThread() == thread())
            onSessionEvent(event);
        else
            QMetaObject::invokeMethod(
                this, [this, event] { onSessionEvent(event); }, Qt::QueuedConnection);
    };
}

void CMainDlg::onSessionEvent(const zarn::SessionEvent& event)
{
    m_link = event.snapshot;
    switch (event.kind) {
    case zarn::SessionEventKind::TransferStarted:
        m_programRequested = false;
        m_programBarSet = true;
        break;
    case zarn::SessionEventKind::TransferRefused:
        m_programRequested = false;
        refreshFields();
        message(event.text);
        return;
    case zarn::SessionEventKind::TransferCompleted:
        refreshFields();
        message(event.text);
        return;
    case zarn::SessionEventKind::TransferFailed:
        refreshFields();
        // One box for one failure: the channel's text, if any, is its cause.
        message(event.detail.empty() ? event.text : event.text + "\n\n" + event.detail);
        return;
    case zarn::SessionEventKind::ChannelError:
        refreshFields();
        m_host.showMessage(event.text, kApplicationErrorCaption, BoxIcon::Error);
        return;
    default:
        break;
    }
    refreshFields();
}

void CMainDlg::build()
{
    setWindowTitle(QString::fromUtf8(kMainTitle));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    setFont(toolFont());
    setAcceptDrops(true);

    auto* root = new QVBoxLayout(this);

    // Top row of commands; "Exit" is the default button.
    auto* top = new QHBoxLayout;
    const char* topButtons[] = { "New Resource", "Open Resource", "Port Select", "Load BMP", "Load Hzlib",
        "Load Asciilib", "Load WAVE", "Program All", "Exit" };
    std::array<QPushButton*, 9> tb {};
    for (int i = 0; i < 9; ++i) {
        tb[i] = new QPushButton(QString::fromLatin1(topButtons[i]), this);
        top->addWidget(tb[i]);
    }
    tb[8]->setDefault(true);
    root->addLayout(top);

    auto* middle = new QHBoxLayout;
    root->addLayout(middle, 1);

    // Left: the bitmap message with the ignore colour beside it, then the
    // picture area with the item buttons in a column of their own.
    auto* left = new QVBoxLayout;
    auto* msgRow = new QHBoxLayout;
    m_bitmapField = new QPlainTextEdit(this);
    m_bitmapField->setReadOnly(true);
    m_bitmapField->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_bitmapField->setFixedHeight(2 * fontMetrics().lineSpacing() + 14);
    msgRow->addWidget(m_bitmapField, 1);
    auto* colourBox = new QGridLayout;
    colourBox->addWidget(new QLabel(QStringLiteral("Ignore color:"), this), 0, 0, 1, 2);
    m_ignoreField = new QLineEdit(this);
    m_ignoreField->setReadOnly(true);
    m_ignoreField->setMaxLength(kIgnoreColorLimit);
    m_ignoreField->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0xffff")) + 16);
    colourBox->addWidget(m_ignoreField, 1, 0);
    m_swatch = new QFrame(this);
    m_swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_swatch->setFixedSize(40, m_ignoreField->sizeHint().height());
    m_swatch->setAutoFillBackground(true);
    colourBox->addWidget(m_swatch, 1, 1);
    colourBox->setContentsMargins(0, 0, 4, 0);
    msgRow->addLayout(colourBox);
    left->addLayout(msgRow);

    auto* pictureRow = new QHBoxLayout;
    m_pictureArea = new QFrame(this);
    static_cast<QFrame*>(m_pictureArea)->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_pictureArea->setFixedSize(kPictureAreaWidth, kPictureAreaHeight);
    m_pictureArea->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_picture = new CDibPicture(m_pictureArea);
    m_picture->setGeometry(0, 0, kPictureAreaWidth, kPictureAreaHeight);
    pictureRow->addWidget(m_pictureArea, 0, Qt::AlignTop);

    auto* mid = new QVBoxLayout;
    QPushButton* load = new QPushButton(QStringLiteral(">>LOAD"), this);
    QPushButton* del = new QPushButton(QStringLiteral("Delete"), this);
    QPushButton* dis = new QPushButton(QStringLiteral("BMP Dis"), this);
    mid->addWidget(load);
    mid->addWidget(del);
    mid->addWidget(dis);
    mid->addStretch(1);
    pictureRow->addLayout(mid);
    left->addLayout(pictureRow);
    left->addStretch(1);
    middle->addLayout(left);

    // Right: resource file message, space bar, directory, module connection.
    auto* right = new QVBoxLayout;
    m_resourceField = new QLineEdit(this);
    m_resourceField->setReadOnly(true);
    m_resourceField->setMaxLength(kMessageLimit);
    right->addWidget(m_resourceField);
    m_progressSpace = new QProgressBar(this);
    m_progressSpace->setTextVisible(false);
    m_progressSpace->setFixedHeight(14);
    right->addWidget(m_progressSpace);
    m_list = new QTableWidget(0, 6, this);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->setVisible(false);
    m_list->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setWordWrap(false);
    right->addWidget(m_list, 1);
    m_moduleField = new QPlainTextEdit(this);
    m_moduleField->setReadOnly(true);
    m_moduleField->setFixedHeight(60);
    right->addWidget(m_moduleField);
    middle->addLayout(right, 1);

    // Bottom row.
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("Programming Process:"), this));
    m_counterField = new QLineEdit(this);
    m_counterField->setReadOnly(true);
    m_counterField->setFixedWidth(90);
    bottom->addWidget(m_counterField);
    m_progressProgram = new QProgressBar(this);
    m_progressProgram->setTextVisible(false);
    bottom->addWidget(m_progressProgram, 1);
    root->addLayout(bottom);

    connect(tb[0], &QPushButton::clicked, this, [this] { OnNewResource(); });
    connect(tb[1], &QPushButton::clicked, this, [this] { OnOpenResource(); });
    connect(tb[2], &QPushButton::clicked, this, [this] { OnPortSelect(); });
    connect(tb[3], &QPushButton::clicked, this, [this] { OnLoadBmp(); });
    connect(tb[4], &QPushButton::clicked, this, [this] { OnLoadHzlib(); });
    connect(tb[5], &QPushButton::clicked, this, [this] { OnLoadAsciilib(); });
    connect(tb[6], &QPushButton::clicked, this, [this] { OnLoadWave(); });
    connect(tb[7], &QPushButton::clicked, this, [this] { OnProgramAll(); });
    connect(tb[8], &QPushButton::clicked, this, [this] { OnExit(); });
    connect(load, &QPushButton::clicked, this, [this] { OnLoadItem(); });
    connect(del, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(dis, &QPushButton::clicked, this, [this] { showBitmapItem(); });

    // No system menu to extend here: the About entry lives in the window's
    // context menu and on F1.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OnAbout(); });
}

void CMainDlg::message(const std::string& text) { m_host.showMessage(text); }

bool CMainDlg::busy() const { return m_link.programming || m_programRequested; }

bool CMainDlg::guard(const char* busyText)
{
    if (!busy())
        return true;
    message(busyText);
    return false;
}

void CMainDlg::refreshFields()
{
    m_moduleStatus = m_link.moduleStatus;
    m_blocksSent = m_link.blocksSent;
    m_bitmapField->setPlainText(toField(clip(m_strBitmapMsg, kMessageLimit)));
    m_resourceField->setText(toField(clip(m_strResourceMsg, kMessageLimit)));
    m_resourceField->setCursorPosition(0); // a text longer than the field shows its start
    m_resourceField->setToolTip(m_resourceField->text());
    m_moduleField->setPlainText(toField(clip(m_moduleStatus, kMessageLimit)));
    m_counterField->setText(QString::number(std::clamp(m_blocksSent, 0, kCounterLimit)));
    m_ignoreField->setText(QString::fromStdString(clip(m_strIgnoreColor, kIgnoreColorLimit)));
    if (m_programBarSet) {
        m_progressProgram->setRange(0, std::max(0, m_link.progressMaxKiB));
        m_progressProgram->setValue(std::min(m_link.progressKiB, m_progressProgram->maximum()));
    }
}

void CMainDlg::takeFields()
{
    // The fields are read-only: they give back what the last refresh showed.
    m_strBitmapMsg = clip(m_strBitmapMsg, kMessageLimit);
    m_strResourceMsg = clip(m_strResourceMsg, kMessageLimit);
    m_strIgnoreColor = clip(m_strIgnoreColor, kIgnoreColorLimit);
    m_blocksSent = std::clamp(m_blocksSent, 0, kCounterLimit);
}

void CMainDlg::paintSwatch()
{
    QPalette pal = m_swatch->palette();
    if (m_bIgnoreColorPicked)
        pal.setColor(QPalette::Window, QColor(m_crIgnoreColor.r, m_crIgnoreColor.g, m_crIgnoreColor.b));
    else
        pal.setColor(QPalette::Window, palette().color(QPalette::Window));
    m_swatch->setPalette(pal);
    m_swatch->update();
}

void CMainDlg::OnProgramAll()
{
    // The session runs the checks and answers with TransferStarted or TransferRefused.
    auto shared = std::make_shared<zarn::ResourceFileFacts>();
    zarn::ResourceFileFacts& facts = *shared;
    facts.isOpen = m_store.isOpen();
    facts.modelCode = m_store.modelCode();
    facts.memoryKiB = m_store.memoryKiB();
    facts.itemCount = m_store.itemCount();
    facts.usedEnd = m_store.isOpen() ? m_store.usedEnd() : 0;
    // The image is read whole, under the file's shared lock, with the values it
    // is checked by; a file another program changed is read again first.
    if (m_store.isOpen() && !busy()) {
        auto read = m_store.readImage(facts.image);
        if (read.reloaded) {
            afterStoreOperation(read);
            facts.modelCode = m_store.modelCode();
            facts.memoryKiB = m_store.memoryKiB();
            facts.itemCount = m_store.itemCount();
            facts.usedEnd = m_store.usedEnd();
            read = m_store.readImage(facts.image);
        }
        if (!read.ok)
            facts.imageError = read.message;
    }
    m_programRequested = true;
    m_session->programAll(std::move(shared));
}

void CMainDlg::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.setWindowIcon(windowIcon());
    m_host.runDialog(dlg);
}

void CMainDlg::OnTimer() { m_session->step(); }

bool CMainDlg::pickAt(QPoint pos)
{
    const auto colour = shownColorAt(*this, QRect(m_picture->mapTo(this, QPoint(0, 0)), m_picture->size()), pos);
    if (!colour)
        return false;
    m_crIgnoreColor = *colour;
    m_wIgnoreColor = toRgb565(m_crIgnoreColor.r, m_crIgnoreColor.g, m_crIgnoreColor.b);
    m_strIgnoreColor = ignoreColorText(m_wIgnoreColor);
    m_bIgnoreColorPicked = true;
    // A transparent picture is shown over the colour it will be inserted with.
    if (m_picture->picture().hasTransparency()) {
        m_picture->picture().setIgnoreColor(m_wIgnoreColor);
        m_picture->pictureChanged();
    }
    paintSwatch();
    refreshFields();
    return true;
}

// ---- events ----

void CMainDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        pickAt(e->position().toPoint());
    QDialog::mousePressEvent(e);
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromUtf8(kAboutMenuText));
    QAction* makeFont = menu.addAction(QString::fromLatin1(kMakeFontMenuText));
    QAction* previewFont = menu.addAction(QString::fromLatin1(kFontPreviewMenuText));
    // Error diffusion for true-colour pictures; off by default, applies from the next "Load BMP".
    QAction* dither = menu.addAction(QString::fromLatin1(kDitherMenuText));
    dither->setCheckable(true);
    dither->setChecked(m_picture->picture().dither());
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == dither)
        m_picture->picture().setDither(dither->isChecked());
    else if (chosen == about)
        OnAbout();
    else if (chosen == makeFont)
        OnMakeFontLibrary();
    else if (chosen == previewFont)
        OnPreviewFontLibrary();
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent* e)
{
    const auto urls = e->mimeData()->urls();
    e->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            openDroppedFile(url.toLocalFile().toStdString());
}

void CMainDlg::closeEvent(QCloseEvent* e)
{
    // Closing needs no confirmation, whatever runs.
    e->accept();
    QDialog::closeEvent(e);
}

} // namespace zarn::ui
