// The main window's state, what it shows, the link's events, the picture and
// the dialogs of the About box, Port Select and "Program All".
#include "ui/CMainDlg.h"

#include "common/Messages.h"
#include "import/StagingFile.h"
#include "platform/ReplaceFile.h"
#include "platform/Utf8Path.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "ui/CAboutDlg.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CPortSelectDlg.h"
#include "ui/UiTexts.h"

#include <algorithm>
#include <chrono>

namespace zarn::ui {

CMainDlg::CMainDlg(CommandHost& view, Services services)
    : m_store(services.io ? *services.io : defaultFileIo())
    , m_view(view)
    , m_services(std::move(services))
    , m_io(m_services.io ? *m_services.io : defaultFileIo())
{
    m_strBitmapMsg = kBitmapFieldStart;
    m_strResourceMsg = kMsgResourceFieldStart;
    m_moduleStatus = kMsgModuleInfoInitial;
    m_link.moduleStatus = m_moduleStatus;
}

// ---- what the view shows ----

namespace {
    constexpr std::size_t kMessageLimit = 1024;
    constexpr std::size_t kIgnoreColorLimit = 20;
    constexpr std::int32_t kCounterLimit = 100000000;

    // The first `limit` characters of a UTF-8 text, never half of one.
    std::string firstCharacters(const std::string& text, std::size_t limit)
    {
        std::size_t characters = 0;
        for (std::size_t i = 0; i < text.size(); ++i)
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == limit)
                return text.substr(0, i);
        return text;
    }
}

MainFields CMainDlg::fields() const
{
    return MainFields { firstCharacters(m_strBitmapMsg, kMessageLimit),
        firstCharacters(m_strResourceMsg, kMessageLimit), firstCharacters(m_moduleStatus, kMessageLimit),
        firstCharacters(m_strIgnoreColor, kIgnoreColorLimit),
        std::to_string(std::clamp(m_blocksSent, 0, kCounterLimit)), m_strProgress };
}

std::vector<MenuEntry> CMainDlg::contextMenu()
{
    std::vector<MenuEntry> entries { { kAboutMenuText, false, false, [this] { OnAbout(); } } };
    if (hasFontTools()) {
        entries.push_back({ CMakeFontDlg::kMenuText, false, false, [this] { OnMakeFontLibrary(); } });
        entries.push_back({ CFontPreviewDlg::kMenuText, false, false, [this] { OnPreviewFontLibrary(); } });
    }
    // Error diffusion for true-colour pictures; off by default, applies from the next "Load BMP".
    entries.push_back({ kDitherMenuText, true, dither(), [this] { setDither(!dither()); } });
    return entries;
}

std::vector<std::array<std::string, 6>> CMainDlg::directoryRows() const
{
    std::vector<std::array<std::string, 6>> rows;
    if (!m_store.isOpen())
        return rows;
    const auto entries = m_store.directory();
    rows.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        rows.push_back(directoryRowTexts(entries[i], static_cast<int>(i)));
    return rows;
}

CMainDlg::Gauge CMainDlg::spaceGauge() const
{
    if (!m_store.isOpen())
        return {};
    const int range = std::max(0, capacityGaugeRange(m_store));
    return Gauge { range, std::clamp(capacityGaugePosition(m_store), 0, range) };
}

CMainDlg::Gauge CMainDlg::programGauge() const
{
    if (!m_programBarSet)
        return {};
    const int range = std::max(0, m_link.progressMaxKiB);
    return Gauge { range, std::clamp(m_link.progressKiB, 0, range) };
}

Rect CMainDlg::pictureFrame() const
{
    if (!m_store.isOpen())
        return m_rcPictureArea;
    return fitPreviewFrame(m_rcPictureArea, m_store.screenWidth(), m_store.screenHeight());
}

PixelImage CMainDlg::pictureImage() const
{
    const Rect frame = pictureFrame();
    return m_picture.render(frame.width, frame.height);
}

void CMainDlg::setSelectionMark(std::optional<int> row) { m_selectionMark = row; }

// ---- shared steps of the commands ----

bool CMainDlg::guard(const char* busyText)
{
    if (!m_programming)
        return true;
    message(busyText);
    return false;
}

// The first two checks of the commands that work on the open file.
bool CMainDlg::guardOpenFile()
{
    if (!guard(kMsgProgrammingModule))
        return false;
    if (!m_store.isOpen()) {
        message(kMsgNotResourceOpen);
        return false;
    }
    return true;
}

std::optional<std::string> CMainDlg::chooseFile(
    const char* title, const std::vector<FileFilter>& filters, std::optional<std::string> chosen)
{
    if (chosen)
        return chosen;
    std::string& folder = m_lastFolders[title];
    chosen = m_view.chooseOpenFile(title, filters, folder);
    if (chosen)
        folder = utf8Of(pathOf(*chosen).parent_path());
    return chosen;
}

void CMainDlg::fileOpened(const std::string& status)
{
    // Pictures read from now on are fitted to this file's screen; the one held stays as it is.
    m_picture.picture().setScreenBox(m_store.screenWidth(), m_store.screenHeight());
    m_selectionMark.reset();
    m_strResourceMsg = status;
    refresh(kRefreshFields | kRefreshList | kRefreshSpace | kRefreshPicture);
}

void CMainDlg::showFileReadAgain() { fileOpened(std::string(kMsgFileReadAgain) + ". " + capacityText(m_store)); }

bool CMainDlg::storeFailed(const StoreResult& result)
{
    if (result.reloaded) {
        showFileReadAgain();
        return true;
    }
    message(result.message, result.detail);
    return false;
}

// A file that cannot be opened leaves the one open before, its list and its messages.
bool CMainDlg::openFile(const std::string& path)
{
    const StoreResult opened = m_store.openResourceFile(path);
    if (!opened.ok) {
        message(opened.message, opened.detail);
        return false;
    }
    fileOpened(capacityText(m_store));
    return true;
}

// ---- the link ----

void CMainDlg::takeSnapshot(const SessionSnapshot& snapshot)
{
    m_link = snapshot;
    m_linkEnabled = snapshot.linkEnabled;
    m_portOpen = snapshot.portOpen;
    m_moduleIdentified = snapshot.moduleIdentified;
    m_comPort = static_cast<std::uint8_t>(snapshot.comPort);
    if (!snapshot.moduleStatus.empty())
        m_moduleStatus = snapshot.moduleStatus;
    m_blocksSent = snapshot.blocksSent;
}

double CMainDlg::now() const
{
    if (m_services.clock)
        return m_services.clock();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Bytes, percentage, rate and time left, from the start of a transfer to its end.
void CMainDlg::showProgress(const SessionEvent& event)
{
    if (event.kind == SessionEventKind::TransferStarted) {
        m_progress = TransferProgress(event.snapshot.imageSize);
        m_progressStart = now();
        m_progressRunning = true;
    }
    if (!m_progressRunning)
        return;
    m_progress.update(event.snapshot.imageSent, now() - m_progressStart);
    m_strProgress = m_progress.text();
    if (event.snapshot.programming)
        return;
    // A transfer that ended stays shown as it ended; one that failed with what it got to.
    m_progressRunning = false;
    if (event.kind != SessionEventKind::TransferCompleted)
        m_strProgress = std::to_string(m_progress.done()) + " of " + std::to_string(m_progress.total()) + " bytes ("
            + std::to_string(m_progress.percent()) + "%), not completed";
}

void CMainDlg::OnTimer()
{
    if (!m_progressRunning)
        return;
    m_progress.update(m_progress.done(), now() - m_progressStart);
    if (const std::string text = m_progress.text(); text != m_strProgress) {
        m_strProgress = text;
        refresh(kRefreshProgram);
    }
}

void CMainDlg::onSessionEvent(const SessionEvent& event)
{
    takeSnapshot(event.snapshot);
    if (event.kind == SessionEventKind::TransferStarted || event.kind == SessionEventKind::TransferRefused)
        m_programAllSent = false;
    if (event.kind == SessionEventKind::TransferStarted)
        m_programBarSet = true;
    showProgress(event);
    m_programming = m_programAllSent || m_link.programming;
    refresh(kRefreshFields | kRefreshProgram);

    // The state is settled before a box opens: events go on arriving while it is shown.
    switch (event.kind) {
    case SessionEventKind::TransferRefused:
        message(event.text, event.detail.empty() ? m_programAllDetail : event.detail);
        break;
    case SessionEventKind::TransferCompleted:
    case SessionEventKind::TransferFailed:
        message(event.text, event.detail);
        break;
    case SessionEventKind::ChannelError:
        m_view.showMessage(Message { event.text, event.detail, kApplicationErrorCaption, BoxIcon::Error });
        break;
    default:
        break;
    }
}

void CMainDlg::OnPortSelect()
{
    CPortSelectDlg dlg(m_view, *m_services.link, m_comPort);
    if (!m_view.runDialog(dlg))
        return;
    m_comPort = dlg.m_port;
    m_linkEnabled = true;
    m_portOpen = false;
    m_moduleIdentified = false;
    m_moduleStatus = kMsgNoModuleConnection;
    m_services.link->selectPort(m_comPort);
    refresh(kRefreshFields);
}

void CMainDlg::OnProgramAll()
{
    if (!guard(kMsgProgrammingModule))
        return;
    // The image is read whole, under the file's shared lock, with the values it
    // is checked by; a file another program changed is read again first.
    auto facts = std::make_shared<ResourceFileFacts>();
    m_programAllDetail.clear();
    const auto takeFacts = [&] {
        facts->isOpen = m_store.isOpen();
        facts->modelCode = m_store.modelCode();
        facts->memoryKiB = m_store.memoryKiB();
        facts->itemCount = m_store.itemCount();
        facts->usedEnd = m_store.isOpen() ? m_store.usedEnd() : 0;
    };
    takeFacts();
    if (m_store.isOpen()) {
        StoreResult read = m_store.readImage(facts->image);
        if (read.reloaded) {
            showFileReadAgain();
            takeFacts();
            read = m_store.readImage(facts->image);
        }
        // A file that cannot be read is "False", as one that cannot be opened, and a damaged one
        // (an item holding less than its entry claims) "Resource File Error", with the cause below.
        if (!read.ok) {
            facts->imageError = read.message == kMsgResourceFileError ? kMsgResourceFileError : kMsgFalse;
            m_programAllDetail = read.detail.empty() ? read.message : read.detail;
        }
    }
    m_programming = true;
    m_programAllSent = true;
    m_services.link->programAll(std::move(facts));
    refresh(kRefreshFields);
}

// ---- the picture ----

void CMainDlg::OnLoadBmp(std::optional<std::string> chosen)
{
    std::vector<FileFilter> filters { { kBmpFilterText, kBmpFilterPattern },
        { kAllFilesFilterText, kAllFilesFilterPattern } };
    if (m_services.readPicture)
        filters.push_back({ kImageFilesFilterText, kImageFilesFilterPattern });
    chosen = chooseFile(kOpenBmpTitle, filters, chosen);
    if (!chosen)
        return;
    // Read into a picture of its own: the one held stays whole until this one is staged.
    const LoadedPicture& held = m_picture.picture();
    LoadedPicture next;
    next.setScreenBox(held.boxWidth(), held.boxHeight());
    next.setDither(held.dither());
    next.setIgnoreColor(m_wIgnoreColor);
    next.setFileName(*chosen);
    const auto loaded = m_services.readPicture ? m_services.readPicture(next) : next.loadBmpFile();
    if (!loaded.ok) {
        message(loaded.message.empty() ? kMsgReadingFileError : loaded.message,
            loaded.detail.empty() ? quotedPath(*chosen) : loaded.detail);
        return;
    }
    std::vector<std::uint8_t> data = next.convertBitmap();
    if (data.empty()) {
        message(kMsgFalse, "Not enough memory to convert " + quotedPath(*chosen));
        return;
    }
    std::string notice;
    const std::string staging = m_services.stagingPath ? m_services.stagingPath(&notice) : stagingFilePath(&notice);
    if (!notice.empty() && !m_stagingNoticeShown) {
        m_stagingNoticeShown = true;
        message(notice);
    }
    // Put in place whole: a failed write leaves the staging file of the picture held before.
    if (const std::string why = replaceFile(m_io, staging, data); !why.empty()) {
        message(kMsgFalse, "Cannot write the staging file " + quotedPath(staging) + ": " + why);
        return;
    }
    m_stagingPath = staging;
    m_staged = std::move(data);
    m_picture.adopt(std::move(next));
    m_strBitmapMsg = m_picture.picture().loadReportText();
    refresh(kRefreshFields | kRefreshPicture);
}

bool CMainDlg::pickAt(int x, int y)
{
    const auto colour = pictureImage().pick(x, y);
    if (!colour)
        return false;
    m_crIgnoreColor = *colour;
    m_wIgnoreColor = toRgb565(colour->r, colour->g, colour->b);
    m_strIgnoreColor = ignoreColorText(m_wIgnoreColor);
    m_bIgnoreColorPicked = true;
    unsigned parts = kRefreshFields | kRefreshSwatch;
    // A transparent picture is shown, and stored, over the colour just picked.
    LoadedPicture& pic = m_picture.picture();
    if (pic.hasTransparency()) {
        pic.setIgnoreColor(m_wIgnoreColor);
        m_picture.pictureChanged();
        parts |= kRefreshPicture;
    }
    refresh(parts);
    return true;
}

void CMainDlg::OnAbout()
{
    CAboutDlg dlg;
    m_view.runDialog(dlg);
}

} // namespace zarn::ui
