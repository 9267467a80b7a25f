// The main window's resource file commands: "New Resource", "Open Resource",
// ">>LOAD", "Delete", "BMP Dis", the font library and WAVE imports, the font
// library tools and dropped files.
#include "ui/CMainDlg.h"

#include "common/Messages.h"
#include "import/AddContent.h"
#include "import/FileExtension.h"
#include "import/FontLibrary.h"
#include "import/ModuleBitmap.h"
#include "platform/Utf8Path.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/StoreCommands.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/UiTexts.h"

namespace zarn::ui {

void CMainDlg::OnNewResource()
{
    if (auto refusal = checkNewResource(m_programming)) {
        message(*refusal);
        return;
    }
    CNewResourceDlg dlg(m_view, m_io);
    if (!m_view.runDialog(dlg) || !dlg.m_bCreated)
        return;
    openFile(dlg.targetPath());
}

void CMainDlg::OnOpenResource(std::optional<std::string> chosen)
{
    if (auto refusal = checkOpenResource(m_programming)) {
        message(*refusal);
        return;
    }
    chosen = chooseFile(kOpenResourceTitle,
        { { kResourceFilterText, kResourceFilterPattern }, { kAllFilesFilterText, kAllFilesFilterPattern } }, chosen);
    if (!chosen)
        return;
    if (!hasResourceExtension(*chosen)) {
        message(fileNotTakenText(*chosen), kOpenResourceTakes);
        return;
    }
    openFile(*chosen);
}

void CMainDlg::OnLoadItem()
{
    if (!guardOpenFile())
        return;
    LoadedPicture& pic = m_picture.picture();
    if (!pic.loaded()) {
        message(kMsgNotPictureLoaded);
        return;
    }
    // A picture fitted while a file for a larger screen was open stays as it was fitted.
    if (pic.width() > m_store.screenWidth() || pic.height() > m_store.screenHeight()) {
        message(pictureLargerThanScreenText(pic.width(), pic.height(), m_store.screenWidth(), m_store.screenHeight()));
        return;
    }
    if (auto refusal = checkCapacity(m_store, static_cast<std::uint32_t>(pic.size()))) {
        message(*refusal);
        return;
    }
    // Transparent pixels take the ignore colour of this moment, as the entry does.
    std::vector<std::uint8_t> converted;
    if (pic.hasTransparency()) {
        pic.setIgnoreColor(m_wIgnoreColor);
        converted = pic.convertBitmap();
        if (converted.empty()) {
            message(kMsgFalse, "Not enough memory to convert " + quotedPath(pic.fileName()));
            return;
        }
    }
    const int index = m_store.insertionIndex(m_selectionMark);
    const StoreResult inserted
        = m_store.insertItemData(index, bitmapEntry(pic, m_wIgnoreColor), pic.hasTransparency() ? converted : m_staged);
    if (!inserted.ok) {
        storeFailed(inserted);
        return;
    }
    m_strResourceMsg = capacityText(m_store);
    refresh(kRefreshFields | kRefreshList | kRefreshSpace);
}

void CMainDlg::OnDelete()
{
    if (auto refusal = checkDelete(m_programming, m_store, m_selectionMark)) {
        message(*refusal);
        return;
    }
    const StoreResult deleted = m_store.deleteItem(*m_selectionMark);
    if (!deleted.ok) {
        storeFailed(deleted);
        return;
    }
    m_selectionMark.reset();
    m_strResourceMsg = capacityText(m_store);
    refresh(kRefreshFields | kRefreshList | kRefreshSpace);
}

// The font library and WAVE commands: busy guard, an open file, the file
// dialog, then the one road of content; the accepted item is confirmed in a
// box and inserted after the selection mark.
void CMainDlg::importFile(std::optional<std::string> chosen, const char* title, const std::vector<FileFilter>& filters,
    ContentCommand command)
{
    if (!guardOpenFile())
        return;
    chosen = chooseFile(title, filters, chosen);
    if (!chosen)
        return;
    ContentOptions options;
    options.command = command;
    options.afterRow = m_selectionMark;
    // A sound taken all the same is confirmed with its warning beneath.
    options.accepted = [this](const std::string& text, const std::string& warning) { message(text, warning); };
    const ContentOutcome added = addContent(m_store, *chosen, options);
    if (added.result == ContentOutcome::Result::Ignored) {
        const bool wave = options.command == ContentCommand::Wave;
        const bool ascii = options.command == ContentCommand::Asciilib;
        message(fileNotTakenText(*chosen), wave ? kLoadWaveTakes : ascii ? kLoadAsciilibTakes : kLoadHzlibTakes);
        return;
    }
    if (added.result == ContentOutcome::Result::Refused) {
        if (added.reloaded)
            showFileReadAgain();
        else
            message(added.message, added.detail.empty() ? quotedPath(*chosen) : added.detail);
        return;
    }
    m_pending = added.pending;
    m_strResourceMsg = capacityText(m_store);
    refresh(kRefreshFields | kRefreshList | kRefreshSpace);
}

void CMainDlg::OnLoadHzlib(std::optional<std::string> chosen)
{
    importFile(std::move(chosen), kLoadHzlibTitle,
        { { "Resource File(*.hzk)", "*.HZK" }, { "Resource File(*.big)", "*.BIG" }, { "Resource File(*.kzk)", "*.KZK" },
            { kAllFilesFilterText, kAllFilesFilterPattern } },
        ContentCommand::Hzlib);
}

void CMainDlg::OnLoadAsciilib(std::optional<std::string> chosen)
{
    importFile(std::move(chosen), kLoadAsciilibTitle,
        { { "Resource File(*.asc)", "*.ASC" }, { kAllFilesFilterText, kAllFilesFilterPattern } },
        ContentCommand::Asciilib);
}

void CMainDlg::OnLoadWave(std::optional<std::string> chosen)
{
    importFile(std::move(chosen), kLoadWaveTitle,
        { { "Resource File(*.wav)", "*.WAV" }, { kAllFilesFilterText, kAllFilesFilterPattern } }, ContentCommand::Wave);
}

std::optional<int> CMainDlg::itemToShow(const char* noSelection)
{
    if (!guardOpenFile())
        return std::nullopt;
    if (m_store.itemCount() == 0) {
        message(kMsgNoItems);
        return std::nullopt;
    }
    if (!m_selectionMark || *m_selectionMark >= m_store.itemCount()) {
        message(noSelection);
        return std::nullopt;
    }
    return m_selectionMark;
}

bool CMainDlg::readShownItem(int mark, std::vector<std::uint8_t>& data)
{
    const StoreResult read = m_store.readItem(mark, data);
    if (!read.ok)
        storeFailed(read);
    return read.ok;
}

void CMainDlg::showBitmapItem()
{
    const auto mark = itemToShow(kMsgSelectBitmapToDisplay);
    if (!mark)
        return;
    const ResourceEntry entry = m_store.entry(*mark);
    if (entry.kind >= 240) {
        message(kMsgNotBitmapItem);
        return;
    }
    // A damaged or foreign file may claim more pixels than the item holds.
    const auto needed = moduleBitmapLength(entry.kind, entry.width, entry.height);
    if (!needed || entry.length < *needed) {
        const std::string item = "Item " + std::to_string(*mark);
        message(item + " cannot be displayed",
            needed ? "Its length " + std::to_string(entry.length) + " is shorter than the " + std::to_string(*needed)
                    + " bytes that a " + std::to_string(entry.width) + "x" + std::to_string(entry.height)
                    + " bitmap of kind " + std::to_string(entry.kind) + " needs"
                   : "Kind " + std::to_string(entry.kind) + " is not a bitmap kind");
        return;
    }
    std::vector<std::uint8_t> data;
    if (!readShownItem(*mark, data))
        return;
    CBitmapPreviewDlg dlg;
    dlg.setScreenSize(m_store.screenWidth(), m_store.screenHeight());
    dlg.setIgnoreColor(entry.ignoreColor);
    dlg.setItem(entry.width, entry.height, data, entry.kind);
    if (!m_view.runDialog(dlg) || !dlg.m_bPicked)
        return;
    const StoreResult written = m_store.setIgnoreColor(*mark, dlg.m_wIgnoreColor);
    if (!written.ok) {
        storeFailed(written);
        return;
    }
    m_selectionMark.reset();
    refresh(kRefreshList);
}

void CMainDlg::OnMakeFontLibrary()
{
    if (!m_services.fonts || !guardOpenFile())
        return;
    CMakeFontDlg dlg(m_view);
    if (!m_view.runDialog(dlg) || !dlg.canMake())
        return;
    const FontLibraryType type = dlg.type();
    std::filesystem::path folder = pathOf(m_store.path()).parent_path();
    if (folder.empty())
        folder = ".";
    // A library of that name beside the file may be the user's own: replaced only when they say so.
    const std::filesystem::path target
        = folder / pathOf(m_services.fonts->libraryName(type, dlg.m_nWidth, dlg.m_nHeight));
    FileStatus existing;
    if (m_io.stat(utf8Of(target), existing) == 0
        && !m_view.askYesNo(
            utf8Of(target) + " already exists.\nReplace it with a library made from " + dlg.fontPath() + "?"))
        return;
    m_view.beginLongWork();
    const FontTools::Made made
        = m_services.fonts->makeLibrary(dlg.fontPath(), type, dlg.m_nWidth, dlg.m_nHeight, utf8Of(folder));
    m_view.endLongWork();
    if (!made.ok) {
        message(made.message);
        return;
    }
    if (made.missing > 0)
        message(made.message); // which characters the font could not draw
    if (type == FontLibraryType::Ascii)
        OnLoadAsciilib(made.path);
    else
        OnLoadHzlib(made.path);
}

void CMainDlg::OnPreviewFontLibrary()
{
    if (!m_services.fonts)
        return;
    const auto mark = itemToShow(kMsgSelectFontToPreview);
    if (!mark)
        return;
    const ResourceEntry entry = m_store.entry(*mark);
    const auto type = fontLibraryTypeOfKind(entry.kind);
    if (!type) {
        message(kMsgNotFontItem);
        return;
    }
    std::vector<std::uint8_t> data;
    if (!readShownItem(*mark, data))
        return;
    const std::string name = "Item " + std::to_string(*mark);
    FontTools::Sheet sheet
        = m_services.fonts->drawSheet(data, name, entry.width, entry.height, *type, entry.height <= 16 ? 2 : 1);
    if (!sheet.ok) {
        message(sheet.message);
        return;
    }
    CFontPreviewDlg dlg;
    dlg.m_strSummary = name + ": " + kindName(entry.kind, *mark) + " " + std::to_string(entry.width) + "*"
        + std::to_string(entry.height) + ", " + std::to_string(entry.length) + " bytes\n" + sheet.message;
    dlg.m_sheet = std::move(sheet.image);
    m_view.runDialog(dlg);
}

void CMainDlg::openAtStart(const WindowStart& start)
{
    if (start.refusal)
        message(*start.refusal);
    else if (start.resourceFile)
        OnOpenResource(*start.resourceFile);
}

void CMainDlg::openDroppedFile(const std::string& path)
{
    const bool otherPictures = static_cast<bool>(m_services.readPicture);
    if (lowerExtension(path) == "zrf") {
        OnOpenResource(path);
        return;
    }
    switch (commandFor(path, otherPictures)) {
    case ContentCommand::Bitmap:
        OnLoadBmp(path);
        break;
    case ContentCommand::Asciilib:
        OnLoadAsciilib(path);
        break;
    case ContentCommand::Hzlib:
        OnLoadHzlib(path);
        break;
    case ContentCommand::Wave:
        OnLoadWave(path);
        break;
    case ContentCommand::Any:
        message(fileNotTakenText(path), dropTakesText(otherPictures));
        break;
    }
}

} // namespace zarn::ui
