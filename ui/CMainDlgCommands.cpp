// The main window's resource file commands: "New Resource", "Open Resource",
// ">>LOAD", "Delete", "BMP Dis", the font library and WAVE imports, and the
// directory list they keep up to date.
#include "ui/CMainDlg.h"

#include "import/AddContent.h"
#include "import/FileExtension.h"
#include "import/ModuleBitmap.h"
#include "import/StagingFile.h"
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "import/qt/PictureFile.h"
#include "link/ModuleSession.h"
#include "platform/Utf8Path.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/StoreCommands.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CDibPicture.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"
#include "ui/CommandHost.h"
#include "ui/MainDlgLayout.h"
#include "ui/UiTexts.h"

#include <QApplication>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace zarn::ui {

namespace {
    const FileFilter kAllFiles { kAllFilesFilterText, kAllFilesFilterPattern };

}

void CMainDlg::initDialog()
{
    for (int i = 0; i < 6; ++i) {
        m_list->setHorizontalHeaderItem(i, new QTableWidgetItem(QString::fromLatin1(zarn::kDirectoryColumns[i].title)));
        m_list->setColumnWidth(i, zarn::kDirectoryColumns[i].width);
    }
    fitDirectoryColumns();
    fitDirectoryListWidth();
    m_strBitmapMsg = kBitmapFieldStart;
    m_strResourceMsg = kMsgResourceFieldStart;
    m_moduleStatus = zarn::kMsgModuleInfoInitial;
    m_progressSpace->setValue(0);
    m_progressProgram->setValue(0);
    refreshFields();
    m_rcPictureArea = zarn::Rect { 0, 0, kPictureAreaWidth, kPictureAreaHeight };
    m_bIgnoreColorPicked = false;
}

// What follows every store operation: a refusal goes to a box; a file that
// another program changed meanwhile has been read again, and the window shows
// it as it is now, saying so, without having changed anything.
void CMainDlg::afterStoreOperation(const zarn::StoreResult& result)
{
    if (result.reloaded) {
        refreshDirectoryView();
        fileOpened();
    } else if (!result.ok) {
        message(result.message);
    }
    updateCapacity();
    if (result.reloaded)
        m_strResourceMsg = std::string(zarn::kMsgFileReadAgain) + ". " + zarn::capacityText(m_store);
    refreshFields();
}

void CMainDlg::updateCapacity()
{
    m_strResourceMsg = zarn::capacityText(m_store);
    m_progressSpace->setRange(0, std::max(0, zarn::capacityGaugeRange(m_store)));
    m_progressSpace->setValue(std::clamp(zarn::capacityGaugePosition(m_store), 0, m_progressSpace->maximum()));
}

// A file was opened: fit the picture control to its screen and let the
// picture fit the next BMP to it.
void CMainDlg::fileOpened()
{
    const zarn::Rect r = zarn::fitPreviewFrame(m_rcPictureArea, m_store.screenWidth(), m_store.screenHeight());
    m_picture->setGeometry(r.left, r.top, r.width, r.height);
    m_picture->picture().setScreenBox(m_store.screenWidth(), m_store.screenHeight());
    m_picture->update();
}

// ---- the directory list ----

void CMainDlg::setRow(int row, const zarn::ResourceEntry& entry)
{
    const auto texts = zarn::directoryRowTexts(entry, row);
    for (int c = 0; c < 6; ++c) {
        const QString text = QString::fromStdString(texts[c]);
        if (auto* item = m_list->item(row, c)) {
            item->setText(text);
            item->setToolTip(text);
        } else {
            // Filled before it joins the list: one change signal instead of three.
            item = new QTableWidgetItem(text);
            // The columns widen to their texts; the tooltip repeats the text for readers.
            item->setToolTip(text);
            m_list->setItem(row, c, item);
        }
    }
}

int CMainDlg::directoryCellWidth(const QString& text) const
{
    // An item view cell keeps a text margin on each side and a grid line.
    const int margin = m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1;
    return m_list->fontMetrics().horizontalAdvance(text) + 2 * margin + (m_list->showGrid() ? 1 : 0) + 2;
}

void CMainDlg::fitDirectoryColumns()
{
    QHeaderView* header = m_list->horizontalHeader();
    for (int c = 0; c < 6; ++c) {
        int width = std::max(zarn::kDirectoryColumns[c].width, header->sectionSizeHint(c));
        for (int r = 0; r < m_list->rowCount(); ++r)
            if (const auto* item = m_list->item(r, c))
                width = std::max(width, directoryCellWidth(item->text()));
        if (m_list->columnWidth(c) != width)
            m_list->setColumnWidth(c, width);
    }
}

void CMainDlg::fitDirectoryListWidth()
{
    std::array<QStringList, 6> usual;
    usual[0] << QString::number(zarn::kDirectoryCapacity - 1);
    for (int kind : { 1, 4, 8, 16, 240, 241, 242, 243, 245 })
        usual[1] << QString::fromStdString(zarn::kindName(static_cast<std::uint8_t>(kind), 0));
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

void CMainDlg::refreshDirectoryView()
{
    if (!m_store.isOpen())
        return;
    m_list->setUpdatesEnabled(false);
    m_list->clearSelection();
    m_list->setRowCount(0);
    m_list->setRowCount(m_store.itemCount());
    for (int i = 0; i < m_store.itemCount(); ++i)
        setRow(i, m_store.entry(i));
    m_list->setCurrentIndex(QModelIndex());
    fitDirectoryColumns();
    m_list->setUpdatesEnabled(true);
}

void CMainDlg::insertDirectoryRow(int index)
{
    m_list->insertRow(index);
    setRow(index, m_store.entry(index));
    // The rows behind it moved down by one and their data moved up in the
    // file: rewrite them whole, not just their numbers, so no address is stale.
    for (int r = index + 1; r < m_list->rowCount() && r < m_store.itemCount(); ++r)
        setRow(r, m_store.entry(r));
    fitDirectoryColumns();
}

void CMainDlg::removeAllRows()
{
    m_list->clearSelection();
    m_list->setRowCount(0);
    m_list->setCurrentIndex(QModelIndex());
    fitDirectoryColumns();
}

std::optional<int> CMainDlg::selectionMark() const
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || !m_list->selectionModel()->isRowSelected(current.row(), QModelIndex()))
        return std::nullopt;
    if (current.row() >= m_store.itemCount())
        return std::nullopt;
    return current.row();
}

QPushButton* CMainDlg::button(const QString& text) const
{
    for (auto* b : findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// ---- commands ----

void CMainDlg::OnNewResource()
{
    if (auto refusal = zarn::checkNewResource(busy())) {
        message(*refusal);
        return;
    }
    CNewResourceDlg dlg(m_host, this);
    if (m_host.runDialog(dlg) != QDialog::Accepted || !dlg.m_bCreated)
        return;
    const auto opened = m_store.openResourceFile(dlg.targetPath());
    if (!opened.ok)
        message(opened.message);
    if (m_store.isOpen()) {
        removeAllRows();
        fileOpened();
    }
    updateCapacity();
    refreshFields();
}

void CMainDlg::OnOpenResource(std::optional<std::string> chosen)
{
    if (auto refusal = zarn::checkOpenResource(busy())) {
        message(*refusal);
        return;
    }
    if (!chosen)
        chosen
            = m_host.chooseOpenFile(kOpenResourceTitle, { { kResourceFilterText, kResourceFilterPattern }, kAllFiles });
    if (!chosen)
        return;
    if (!zarn::hasResourceExtension(*chosen))
        return;
    // A refused file leaves the path, header values and list of the one before.
    const auto opened = m_store.openResourceFile(*chosen);
    if (!opened.ok)
        message(opened.message);
    refreshDirectoryView();
    if (m_store.isOpen())
        fileOpened();
    updateCapacity();
    refreshFields();
}

void CMainDlg::OnPortSelect()
{
    CPortSelectDlg dlg(m_host, m_listing, static_cast<std::uint8_t>(m_link.comPort), this);
    if (m_host.runDialog(dlg) != QDialog::Accepted)
        return;
    // The fields follow with the session's answer.
    m_session->selectPort(dlg.m_port);
}

void CMainDlg::OnLoadBmp(std::optional<std::string> chosen)
{
    if (!chosen)
        chosen = m_host.chooseOpenFile(kOpenBmpTitle,
            { { kBmpFilterText, kBmpFilterPattern }, kAllFiles,
                { zarn::kImageFilesFilterText, zarn::kImageFilesFilterPattern } });
    if (!chosen)
        return;
    zarn::LoadedPicture& pic = m_picture->picture();
    pic.setFileName(*chosen);
    pic.setIgnoreColor(m_wIgnoreColor);
    const auto loaded = zarn::loadPictureFile(pic); // BMP files, and PNG, JPEG or GIF pictures
    m_picture->pictureChanged();
    if (!loaded.ok && !loaded.message.empty())
        message(loaded.message);
    if (pic.loaded()) {
        std::string notice;
        m_stagingPath = stagingPathSource ? stagingPathSource(&notice) : zarn::stagingFilePath(&notice);
        if (!notice.empty() && !m_stagingNoticeShown) {
            m_stagingNoticeShown = true;
            message(notice);
        }
        const auto converted = pic.convertBitmap(m_stagingPath);
        if (!converted.ok && !converted.message.empty())
            message(converted.message);
    }
    m_strBitmapMsg = pic.loadReportText();
    refreshFields();
}

void CMainDlg::OnLoadItem()
{
    zarn::LoadedPicture& pic = m_picture->picture();
    if (auto refusal = zarn::checkLoadBitmap(busy(), m_store, pic.loaded(), static_cast<std::uint32_t>(pic.size()))) {
        message(*refusal);
        return;
    }
    takeFields();
    // Transparent pixels take the ignore colour of this moment, as the entry does:
    // the staging file is made again with it.
    if (pic.hasTransparency()) {
        pic.setIgnoreColor(m_wIgnoreColor);
        if (const auto converted = pic.convertBitmap(m_stagingPath); !converted.ok) {
            message(converted.message);
            return;
        }
    }
    const int index = m_store.insertionIndex(selectionMark());
    const auto inserted = m_store.insertItem(index, zarn::bitmapEntry(pic, m_wIgnoreColor), m_stagingPath);
    if (inserted.ok)
        insertDirectoryRow(index);
    afterStoreOperation(inserted);
}

// The first two checks of the commands that work on the open file: the busy
// guard, then "Not Resource Open".
bool CMainDlg::guardOpenFile()
{
    if (!guard(zarn::kMsgProgrammingModule))
        return false;
    if (!m_store.isOpen()) {
        message(zarn::kMsgNotResourceOpen);
        return false;
    }
    return true;
}

// The font library and WAVE commands: busy guard, an open file, the file
// dialog, then the one road of content; the accepted item is confirmed in a
// box and inserted after the selection mark.
void CMainDlg::importFile(std::optional<std::string> chosen, const char* title, const std::vector<FileFilter>& filters,
    zarn::ContentCommand command)
{
    if (!guardOpenFile())
        return;
    if (!chosen)
        chosen = m_host.chooseOpenFile(title, filters);
    if (!chosen)
        return;
    takeFields();
    zarn::ContentOptions options;
    options.command = command;
    options.afterRow = selectionMark();
    options.accepted = [this](const std::string& text) { message(text); };
    const zarn::ContentOutcome added = zarn::addContent(m_store, *chosen, options);
    if (added.result == zarn::ContentOutcome::Result::Ignored)
        return;
    if (added.result == zarn::ContentOutcome::Result::Inserted) {
        m_pending = added.pending;
        insertDirectoryRow(added.row);
    }
    afterStoreOperation(zarn::StoreResult {
        added.result == zarn::ContentOutcome::Result::Inserted, added.message, added.detail, added.reloaded });
}

void CMainDlg::OnLoadHzlib(std::optional<std::string> chosen)
{
    importFile(std::move(chosen), kLoadHzlibTitle,
        { { "Resource File(*.hzk)", "*.HZK" }, { "Resource File(*.big)", "*.BIG" }, { "Resource File(*.kzk)", "*.KZK" },
            kAllFiles },
        zarn::ContentCommand::Hzlib);
}

void CMainDlg::OnLoadAsciilib(std::optional<std::string> chosen)
{
    importFile(std::move(chosen), kLoadAsciilibTitle, { { "Resource File(*.asc)", "*.ASC" }, kAllFiles },
        zarn::ContentCommand::Asciilib);
}

void CMainDlg::OnLoadWave(std::optional<std::string> chosen)
{
    importFile(std::move(chosen), kLoadWaveTitle, { { "Resource File(*.wav)", "*.WAV" }, kAllFiles },
        zarn::ContentCommand::Wave);
}

void CMainDlg::OnMakeFontLibrary()
{
    if (!guardOpenFile())
        return;
    CMakeFontDlg dlg(m_host, this);
    if (m_host.runDialog(dlg) != QDialog::Accepted || dlg.fontPath().empty())
        return;
    const zarn::FontLibraryType type = dlg.type();
    const int width = dlg.glyphWidth(), height = dlg.glyphHeight();
    std::filesystem::path folder = zarn::pathOf(m_store.path()).parent_path();
    if (folder.empty())
        folder = ".";
    // A library of that name beside the file may be the user's own: replaced only when they say so.
    const std::filesystem::path target = folder / zarn::libraryFileName(type, width, height);
    std::error_code ec;
    if (std::filesystem::exists(target, ec)
        && !m_host.askYesNo(
            zarn::utf8Of(target) + " already exists.\nReplace it with a library made from " + dlg.fontPath() + "?"))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto made = zarn::makeFontLibrary(dlg.fontPath(), type, width, height, zarn::utf8Of(folder));
    QApplication::restoreOverrideCursor();
    if (!made.ok) {
        message(made.message);
        return;
    }
    if (made.missing > 0)
        message(made.message); // which characters the font could not draw
    if (type == zarn::FontLibraryType::Ascii)
        OnLoadAsciilib(made.path);
    else
        OnLoadHzlib(made.path);
}

void CMainDlg::OnExit()
{
    takeFields();
    accept();
}

void CMainDlg::OnDelete()
{
    const auto mark = selectionMark();
    if (auto refusal = zarn::checkDelete(busy(), m_store, mark)) {
        message(*refusal);
        return;
    }
    const auto deleted = m_store.deleteItem(*mark);
    refreshDirectoryView();
    afterStoreOperation(deleted);
}

std::optional<int> CMainDlg::itemToShow(const char* noSelection)
{
    if (!guardOpenFile())
        return std::nullopt;
    if (m_store.itemCount() == 0) {
        message(zarn::kMsgNoItems);
        return std::nullopt;
    }
    const auto mark = selectionMark();
    if (!mark)
        message(noSelection);
    return mark;
}

bool CMainDlg::readShownItem(int mark, std::vector<std::uint8_t>& data)
{
    const auto read = m_store.readItem(mark, data);
    if (read.reloaded)
        afterStoreOperation(read);
    else if (!read.ok)
        message(read.message);
    return read.ok;
}

void CMainDlg::showBitmapItem()
{
    const auto mark = itemToShow(kMsgSelectBitmapToDisplay);
    if (!mark)
        return;
    const zarn::ResourceEntry entry = m_store.entry(*mark);
    if (entry.kind >= 240) {
        message(kMsgNotBitmapItem);
        return;
    }
    // A damaged or foreign file may claim more pixels than the item holds.
    const auto needed = zarn::moduleBitmapLength(entry.kind, entry.width, entry.height);
    if (!needed || entry.length < *needed) {
        char text[256];
        if (needed)
            std::snprintf(text, sizeof text,
                "Item %d cannot be displayed: its length %u is shorter than the %u bytes that a %ux%u "
                "bitmap of kind %u needs",
                *mark, entry.length, *needed, entry.width, entry.height, entry.kind);
        else
            std::snprintf(
                text, sizeof text, "Item %d cannot be displayed: kind %u is not a bitmap kind", *mark, entry.kind);
        message(text);
        return;
    }
    std::vector<std::uint8_t> data;
    if (!readShownItem(*mark, data))
        return;
    if (data.size() < *needed) {
        message(std::string("Item ") + std::to_string(*mark) + " cannot be read completely from " + m_store.path());
        return;
    }
    CBitmapPreviewDlg dlg(this);
    dlg.setScreenSize(m_store.screenWidth(), m_store.screenHeight());
    dlg.setIgnoreColor(entry.ignoreColor);
    dlg.setItem(entry.width, entry.height, data, entry.kind);
    if (m_host.runDialog(dlg) == QDialog::Accepted && dlg.m_bPicked) {
        const auto written = m_store.setIgnoreColor(*mark, dlg.m_wIgnoreColor);
        refreshDirectoryView();
        afterStoreOperation(written);
    }
}

void CMainDlg::OnPreviewFontLibrary()
{
    const auto mark = itemToShow(kMsgSelectFontToPreview);
    if (!mark)
        return;
    const zarn::ResourceEntry entry = m_store.entry(*mark);
    const auto type = zarn::fontLibraryTypeOfKind(entry.kind);
    if (!type) {
        message(kMsgNotFontItem);
        return;
    }
    std::vector<std::uint8_t> data;
    if (!readShownItem(*mark, data))
        return;
    zarn::SheetOptions options;
    options.scale = entry.height <= 16 ? 2 : 1;
    const std::string name = std::string("Item ").append(std::to_string(*mark));
    const auto preview = zarn::previewGlyphs(data, name, entry.width, entry.height, type, options);
    if (!preview.ok) {
        message(preview.message);
        return;
    }
    CFontPreviewDlg dlg(this);
    dlg.setSheet(preview,
        QString::fromStdString(name + ": " + zarn::kindName(entry.kind, *mark) + " " + std::to_string(entry.width) + "*"
            + std::to_string(entry.height) + ", " + std::to_string(entry.length) + " bytes"));
    m_host.runDialog(dlg);
}

void CMainDlg::openDroppedFile(const std::string& path)
{
    const zarn::ContentCommand command = zarn::commandFor(path, true);
    if (zarn::fileExtension(path) == "zrf")
        OnOpenResource(path);
    else if (command == zarn::ContentCommand::Bitmap)
        OnLoadBmp(path);
    else if (command == zarn::ContentCommand::Asciilib)
        OnLoadAsciilib(path);
    else if (command == zarn::ContentCommand::Hzlib)
        OnLoadHzlib(path);
    else if (command == zarn::ContentCommand::Wave)
        OnLoadWave(path);
    else
        message("This file cannot be used here: " + path
            + "\nDrop a resource file (.zrf), a picture (.bmp, .png, .jpg, .gif), a font library (.hzk, .big, .kzk, "
              ".asc) "
              "or a WAVE file (.wav).");
}

} // namespace zarn::ui
