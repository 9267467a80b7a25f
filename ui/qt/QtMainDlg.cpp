#include "ui/qt/QtMainDlg.h"

#include "import/PictureFile.h"
#include "resfile/DirectoryView.h"
#include "ui/CAboutDlg.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/UiTexts.h"
#include "ui/qt/AppFont.h"
#include "ui/qt/PixelWidget.h"
#include "ui/qt/QtDialogs.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace zarn::ui {

namespace {
    QString qs(const std::string& s) { return QString::fromStdString(s); }
    QString fieldText(const std::string& s) { return qs(withLineBreaks(s)); }
    // The longest progress text a transfer shows, for the width of its label.
    constexpr const char* kWidestProgress = "16777216 of 16777216 bytes (100%), 1023.9 KiB/s, 59:59 left";

    // "*.BMP" also finds "x.bmp" and "x.Bmp": file names match whatever their case.
    QString anyCase(const QString& pattern)
    {
        if (pattern == QLatin1String("*.*"))
            return QStringLiteral("*");
        QString out;
        for (const QChar c : pattern)
            out += c.toLower() == c.toUpper() ? QString(c) : QStringLiteral("[%1%2]").arg(c.toLower(), c.toUpper());
        return out;
    }

    // The cause beneath the short text, in a box wide enough for a path on a line of its own.
    void showDetail(QMessageBox& box, const std::string& detail)
    {
        const QString text = qs(withLineBreaks(detail));
        box.setInformativeText(text);
        int widest = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, box.fontMetrics().horizontalAdvance(line));
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(std::min(widest, 560), 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                grid->rowCount(), 0, 1, grid->columnCount());
    }
}

QtMainDlg::QtMainDlg(QWidget* parent)
    : QDialog(parent)
    , m_state(*this, CMainDlg::Services { &m_link, nullptr, loadPictureFile, &m_fonts, {}, {} })
{
    build();
    m_link.setReceiver([this](const SessionEvent& event) { m_state.onSessionEvent(event); });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { m_state.OnTimer(); });
    timer->start(kTimerPeriodMs);
    refresh(kRefreshAll);
}

QtMainDlg::~QtMainDlg()
{
    m_link.setReceiver(nullptr);
    // The controls go while the state they report to still exists.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void QtMainDlg::build()
{
    setWindowTitle(QString::fromLatin1(kMainTitle));
    // A close box and the system menu; no minimise or maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint);
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
    colourBox->addWidget(new QLabel(QString::fromLatin1(kIgnoreColorLabel), this), 0, 0, 1, 2);
    m_ignoreField = new QLineEdit(this);
    m_ignoreField->setReadOnly(true);
    m_ignoreField->setMaxLength(20);
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
    m_pictureArea->setFixedSize(kPictureAreaWidth, kPictureAreaHeight);
    m_pictureArea->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_picture = new PixelWidget(m_pictureArea);
    pictureRow->addWidget(m_pictureArea, 0, Qt::AlignTop);
    auto* itemButtons = new QVBoxLayout;
    auto* load = new QPushButton(QStringLiteral(">>LOAD"), this);
    auto* del = new QPushButton(QStringLiteral("Delete"), this);
    auto* dis = new QPushButton(QStringLiteral("BMP Dis"), this);
    itemButtons->addWidget(load);
    itemButtons->addWidget(del);
    itemButtons->addWidget(dis);
    itemButtons->addStretch(1);
    pictureRow->addLayout(itemButtons);
    left->addLayout(pictureRow);
    left->addStretch(1);
    middle->addLayout(left);

    // Right: resource file message, space bar, directory, module connection.
    auto* right = new QVBoxLayout;
    m_resourceField = new QLineEdit(this);
    m_resourceField->setReadOnly(true);
    m_resourceField->setMaxLength(1024);
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
    for (int i = 0; i < 6; ++i) {
        m_list->setHorizontalHeaderItem(i, new QTableWidgetItem(QString::fromLatin1(kDirectoryColumns[i].title)));
        m_list->setColumnWidth(i, kDirectoryColumns[i].width);
    }
    right->addWidget(m_list, 1);
    m_moduleField = new QPlainTextEdit(this);
    m_moduleField->setReadOnly(true);
    m_moduleField->setFixedHeight(60);
    right->addWidget(m_moduleField);
    middle->addLayout(right, 1);

    // Bottom row.
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QString::fromLatin1(kProgrammingLabel), this));
    m_counterField = new QLineEdit(this);
    m_counterField->setReadOnly(true);
    m_counterField->setFixedWidth(90);
    bottom->addWidget(m_counterField);
    m_progressText = new QLabel(this);
    m_progressText->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestProgress)) + 8);
    bottom->addWidget(m_progressText);
    m_progressProgram = new QProgressBar(this);
    m_progressProgram->setTextVisible(false);
    bottom->addWidget(m_progressProgram, 1);
    root->addLayout(bottom);
    fitDirectoryColumns();
    fitDirectoryListWidth();

    CMainDlg& s = m_state;
    const auto on = [this](QPushButton* b, auto command) { connect(b, &QPushButton::clicked, this, command); };
    on(tb[0], [&s] { s.OnNewResource(); });
    on(tb[1], [&s] { s.OnOpenResource(); });
    on(tb[2], [&s] { s.OnPortSelect(); });
    on(tb[3], [&s] { s.OnLoadBmp(); });
    on(tb[4], [&s] { s.OnLoadHzlib(); });
    on(tb[5], [&s] { s.OnLoadAsciilib(); });
    on(tb[6], [&s] { s.OnLoadWave(); });
    on(tb[7], [&s] { s.OnProgramAll(); });
    on(tb[8], [this] { accept(); });
    on(load, [&s] { s.OnLoadItem(); });
    on(del, [&s] { s.OnDelete(); });
    on(dis, [&s] { s.showBitmapItem(); });
    connect(m_list, &QTableWidget::itemSelectionChanged, this, [this] { listSelectionChanged(); });
    // The About entry lives in the window's context menu and on F1.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [&s] { s.OnAbout(); });
}

// ---- showing the state ----

void QtMainDlg::refresh(unsigned parts)
{
    const MainFields fields = m_state.fields();
    if (parts & kRefreshFields) {
        m_bitmapField->setPlainText(fieldText(fields.bitmapMessage));
        m_resourceField->setText(fieldText(fields.resourceMessage));
        m_resourceField->setCursorPosition(0); // a text longer than the field shows its start
        m_resourceField->setToolTip(m_resourceField->text());
        m_moduleField->setPlainText(fieldText(fields.moduleStatus));
        m_counterField->setText(qs(fields.blocksSent));
        m_ignoreField->setText(qs(fields.ignoreColor));
    }
    if (parts & kRefreshSwatch) {
        QPalette pal = m_swatch->palette();
        const Rgb c = m_state.m_crIgnoreColor;
        pal.setColor(
            QPalette::Window, m_state.m_bIgnoreColorPicked ? QColor(c.r, c.g, c.b) : palette().color(QPalette::Window));
        m_swatch->setPalette(pal);
    }
    if (parts & kRefreshPicture) {
        const Rect frame = m_state.pictureFrame();
        m_picture->setGeometry(frame.left, frame.top, frame.width, frame.height);
        m_picture->setImage(m_state.pictureImage());
    }
    if (parts & kRefreshList)
        showList();
    if (parts & kRefreshSpace) {
        const auto gauge = m_state.spaceGauge();
        m_progressSpace->setRange(0, gauge.maximum);
        m_progressSpace->setValue(gauge.position);
    }
    if (parts & kRefreshProgram) {
        const auto gauge = m_state.programGauge();
        m_progressProgram->setRange(0, gauge.maximum);
        m_progressProgram->setValue(gauge.position);
        m_progressText->setText(qs(fields.progress));
    }
}

void QtMainDlg::showList()
{
    m_showingList = true;
    const auto rows = m_state.directoryRows();
    m_list->setUpdatesEnabled(false);
    m_list->clearSelection();
    m_list->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < 6; ++c) {
            const QString text = qs(rows[r][c]);
            if (auto* item = m_list->item(r, c))
                item->setText(text);
            else
                m_list->setItem(r, c, new QTableWidgetItem(text));
            m_list->item(r, c)->setToolTip(text); // the columns widen to their texts; the tip repeats them
        }
    if (const auto mark = m_state.selectionMark(); mark && *mark < m_list->rowCount()) {
        m_list->setCurrentCell(*mark, 0);
        m_list->selectRow(*mark);
    } else {
        m_list->setCurrentIndex(QModelIndex());
    }
    fitDirectoryColumns();
    m_list->setUpdatesEnabled(true);
    m_showingList = false;
}

// The selection mark: the row last selected, while it is selected.
void QtMainDlg::listSelectionChanged()
{
    if (m_showingList)
        return;
    const QModelIndex current = m_list->currentIndex();
    if (current.isValid() && m_list->selectionModel()->isRowSelected(current.row(), QModelIndex()))
        m_state.setSelectionMark(current.row());
    else
        m_state.setSelectionMark(std::nullopt);
}

int QtMainDlg::directoryCellWidth(const QString& text) const
{
    // An item view cell keeps a text margin on each side and a grid line.
    const int margin = m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1;
    return m_list->fontMetrics().horizontalAdvance(text) + 2 * margin + (m_list->showGrid() ? 1 : 0) + 2;
}

// Each column at least its set width, its header and its widest text.
void QtMainDlg::fitDirectoryColumns()
{
    QHeaderView* header = m_list->horizontalHeader();
    for (int c = 0; c < 6; ++c) {
        int width = std::max(kDirectoryColumns[c].width, header->sectionSizeHint(c));
        for (int r = 0; r < m_list->rowCount(); ++r)
            if (const auto* item = m_list->item(r, c))
                width = std::max(width, directoryCellWidth(item->text()));
        if (m_list->columnWidth(c) != width)
            m_list->setColumnWidth(c, width);
    }
}

// The list, and so the window's default width, shows all six columns with the
// longest texts they usually hold.
void QtMainDlg::fitDirectoryListWidth()
{
    std::array<QStringList, 6> usual;
    usual[0] << QString::number(kDirectoryCapacity - 1);
    for (int kind : { 1, 4, 8, 16, 240, 241, 242, 243, 245 })
        usual[1] << qs(kindName(static_cast<std::uint8_t>(kind), 0));
    usual[2] << QStringLiteral("1024*768");
    usual[3] << QStringLiteral("16777216");
    usual[4] << QStringLiteral("16777216");
    usual[5] << QStringLiteral("0xffff");
    int columns = 0;
    for (int c = 0; c < 6; ++c) {
        int width = m_list->columnWidth(c);
        for (const QString& text : usual[c])
            width = std::max(width, directoryCellWidth(text));
        columns += width;
    }
    m_list->setMinimumWidth(columns + 2 * m_list->frameWidth()
        + m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list) + 4);
}

QPushButton* QtMainDlg::button(const QString& text) const
{
    for (auto* b : findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// ---- boxes, file dialogs and dialogs ----

QWidget* QtMainDlg::boxOwner()
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : this;
}

void QtMainDlg::showMessage(const Message& message)
{
    QMessageBox box(message.icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, qs(message.caption),
        qs(withLineBreaks(message.text)), QMessageBox::Ok, boxOwner());
    if (!message.detail.empty())
        showDetail(box, message.detail);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool QtMainDlg::askYesNo(const std::string& text, const std::string& detail)
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProgramName), qs(withLineBreaks(text)),
        QMessageBox::Yes | QMessageBox::No, boxOwner());
    if (!detail.empty())
        showDetail(box, detail);
    box.setDefaultButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtMainDlg::chooseOpenFile(
    const std::string& title, const std::vector<FileFilter>& filters, const std::string& folder)
{
    QStringList nameFilters;
    for (const auto& f : filters) {
        QStringList patterns;
        for (const QString& p : qs(f.pattern).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            patterns << anyCase(p);
        nameFilters << qs(f.label) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    QFileDialog dlg(boxOwner(), qs(title), qs(folder));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails, true);
    dlg.setNameFilters(nameFilters);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first().toStdString();
}

std::optional<std::string> QtMainDlg::chooseFolder(const std::string& start)
{
    QtFolderDialog dlg(start, boxOwner());
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.chosen();
}

bool QtMainDlg::runDialog(CNewResourceDlg& dialog)
{
    QtNewResourceDlg dlg(dialog, boxOwner());
    return dlg.exec() == QDialog::Accepted;
}

bool QtMainDlg::runDialog(CPortSelectDlg& dialog)
{
    QtPortSelectDlg dlg(dialog, boxOwner());
    return dlg.exec() == QDialog::Accepted;
}

bool QtMainDlg::runDialog(CBitmapPreviewDlg& dialog)
{
    QtBitmapPreviewDlg dlg(dialog, boxOwner());
    return dlg.exec() == QDialog::Accepted;
}

void QtMainDlg::runDialog(CAboutDlg&)
{
    QtAboutDlg dlg(boxOwner());
    dlg.setWindowIcon(windowIcon());
    dlg.exec();
}

bool QtMainDlg::runDialog(CMakeFontDlg& dialog)
{
    QtMakeFontDlg dlg(dialog, boxOwner());
    return dlg.exec() == QDialog::Accepted;
}

void QtMainDlg::runDialog(CFontPreviewDlg& dialog)
{
    QtFontPreviewDlg dlg(dialog, boxOwner());
    dlg.exec();
}

void QtMainDlg::beginLongWork() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtMainDlg::endLongWork() { QApplication::restoreOverrideCursor(); }

// ---- events ----

void QtMainDlg::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        const QPoint at = m_picture->mapFrom(this, e->position().toPoint());
        m_state.pickAt(at.x(), at.y());
    }
    QDialog::mousePressEvent(e);
}

void QtMainDlg::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu menu(this);
    auto entries = m_state.contextMenu();
    std::vector<QAction*> actions;
    for (const MenuEntry& entry : entries) {
        QAction* action = menu.addAction(qs(entry.text));
        action->setCheckable(entry.checkable);
        action->setChecked(entry.checked);
        actions.push_back(action);
    }
    QAction* chosen = menu.exec(e->globalPos());
    for (std::size_t i = 0; i < actions.size(); ++i)
        if (actions[i] == chosen)
            entries[i].run();
}

void QtMainDlg::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void QtMainDlg::dropEvent(QDropEvent* e)
{
    const auto urls = e->mimeData()->urls();
    e->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            m_state.openDroppedFile(url.toLocalFile().toStdString());
}

} // namespace zarn::ui
