// The window's commands and dialogs where they live, apart from any toolkit:
// refusals in their order, insertions after the mark, one state after every
// failure, the link's events settling the busy flag, and each dialog's
// handlers, driven through a scripted view and a fake session.
#include "support/FaultyIo.h"
#include "support/Files.h"
#include "support/QuartersBmp.h"

#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/ModuleModel.h"
#include "ui/CAboutDlg.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CFontPreviewDlg.h"
#include "ui/CMainDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"
#include "ui/UiTexts.h"

#include <gtest/gtest.h>

#include <deque>

using namespace zarn;
using namespace zarn::test;
using namespace zarn::ui;

namespace {

using Texts = std::vector<std::string>;
#define EXPECT_HAS(text, what) EXPECT_NE((text).find(what), std::string::npos) << (text)

template <class T> T take(std::deque<T>& q)
{
    T v {};
    if (!q.empty())
        v = std::move(q.front()), q.pop_front();
    return v;
}

// Answers in order what the commands ask; an answer not given is Cancel (or No).
struct FakeView : CommandHost {
    std::vector<Message> boxes;
    Texts questions, folders;
    std::deque<bool> answers;
    std::deque<std::optional<std::string>> files, chosenFolders;
    std::function<bool(CNewResourceDlg&)> newResource;
    std::function<bool(CPortSelectDlg&)> portSelect;
    std::function<bool(CBitmapPreviewDlg&)> preview;
    std::function<bool(CMakeFontDlg&)> makeFont;
    std::function<void(CFontPreviewDlg&)> fontPreview;
    int abouts = 0;

    void refresh(unsigned) override { }
    void showMessage(const Message& m) override { boxes.push_back(m); }
    bool askYesNo(const std::string& t, const std::string&) override { return questions.push_back(t), take(answers); }
    std::optional<std::string> chooseOpenFile(
        const std::string&, const std::vector<FileFilter>&, const std::string& folder) override
    {
        return folders.push_back(folder), take(files);
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return take(chosenFolders); }
    bool runDialog(CNewResourceDlg& d) override { return newResource && newResource(d); }
    bool runDialog(CPortSelectDlg& d) override { return portSelect && portSelect(d); }
    bool runDialog(CBitmapPreviewDlg& d) override { return preview && preview(d); }
    void runDialog(CAboutDlg&) override { ++abouts; }
    bool runDialog(CMakeFontDlg& d) override { return makeFont && makeFont(d); }
    void runDialog(CFontPreviewDlg& d) override { fontPreview ? fontPreview(d) : void(); }

    Texts texts() const
    {
        Texts t;
        for (const auto& b : boxes)
            t.push_back(b.text);
        return t;
    }
};

struct FakeLink : ModuleLink {
    std::vector<int> ports;
    std::vector<std::shared_ptr<const ResourceFileFacts>> programs;
    PortPresence presence = PortPresence::NotListed;
    void selectPort(int port) override { ports.push_back(port); }
    void programAll(std::shared_ptr<const ResourceFileFacts> file) override { programs.push_back(std::move(file)); }
    PortPresence findListedPort(int) override { return presence; }
};

// Writes libraries of the right length; draws a sheet of one pixel a glyph.
struct FakeFonts : FontTools {
    std::string libraryName(FontLibraryType, int w, int h) override
    {
        return std::to_string(w) + "X" + std::to_string(h) + ".asc";
    }
    Made makeLibrary(const std::string& font, FontLibraryType t, int w, int h, const std::string& folder) override
    {
        if (font == "broken.ttf")
            return { false, "The font \"broken.ttf\" cannot be read", "", 0 };
        const std::string path = folder + "/" + libraryName(t, w, h);
        patternFile(path, expectedFontLibraryLength(t, w, h), 9);
        return { true, "", path, 0 };
    }
    Sheet drawSheet(std::span<const std::uint8_t> data, const std::string&, int, int, FontLibraryType, int) override
    {
        return { true, "Glyphs 0 to 255", PixelImage(16, static_cast<int>(data.size()) / 256, kBlack) };
    }
};

struct Snapshot {
    Bytes file;
    std::vector<std::array<std::string, 6>> rows;
    Texts fields;
    std::optional<int> mark;
    std::string pending, picture;
    Bytes staging;
    bool operator==(const Snapshot&) const = default;
};

class CommandsTest : public ::testing::Test {
protected:
    TempDir dir;
    FakeView view;
    FakeLink link;
    FaultyIo io;
    FakeFonts fonts;
    double seconds = 0; // the commands' clock
    CMainDlg dlg { view,
        { &link, &io, {}, &fonts, [this](std::string*) { return dir.file("ttt.tmp"); }, [this] { return seconds; } } };

    std::string newFile(const std::string& name, int modelRow = 4)
    {
        const auto& m = moduleModels()[modelRow - 1];
        EXPECT_TRUE(createResourceFile(dir.file(name), m.modelCode, m.screenWidth, m.screenHeight, 4096).ok);
        return dir.file(name);
    }
    std::string quadrantBmp(const std::string& name, int w, int h) { return writeQuartersBmp(dir.file(name), w, h); }
    // A file with a 32 x 24 bitmap and a 5000-byte sound, the bitmap's row marked.
    std::string filled()
    {
        const std::string file = newFile("filled.zrf");
        dlg.OnOpenResource(file);
        dlg.OnLoadBmp(quadrantBmp("q.bmp", 32, 24));
        dlg.OnLoadItem();
        dlg.OnLoadWave(soundFile(dir / "s.wav", 5000));
        dlg.setSelectionMark(0);
        view.boxes.clear();
        return file;
    }
    void event(SessionEventKind kind, bool programming, std::string text = {}, std::string detail = {})
    {
        SessionSnapshot s;
        s.programming = programming;
        s.moduleStatus = "Module connection...";
        s.progressMaxKiB = 8;
        s.progressKiB = programming ? 4 : 8;
        s.blocksSent = programming ? 1 : 2;
        dlg.onSessionEvent({ kind, std::move(text), std::move(detail), s });
    }
    Snapshot snapshot() const
    {
        const auto& p = dlg.picture().picture();
        return { dlg.m_store.isOpen() ? readBytes(dlg.m_store.path()) : Bytes {}, dlg.directoryRows(),
            { dlg.m_strBitmapMsg, dlg.m_strResourceMsg, dlg.m_moduleStatus, dlg.m_strIgnoreColor }, dlg.selectionMark(),
            dlg.m_pending.sourcePath, p.fileName() + (p.loaded() ? " loaded " : " ") + p.loadReportText(),
            readBytes(dir / "ttt.tmp") };
    }
};

TEST_F(CommandsTest, RefusalsComeInTheirOrderBeforeAnyDialog)
{
    for (auto command : { &CMainDlg::OnLoadItem, &CMainDlg::OnDelete, &CMainDlg::showBitmapItem,
             &CMainDlg::OnMakeFontLibrary, &CMainDlg::OnPreviewFontLibrary })
        (dlg.*command)();
    dlg.OnLoadWave();
    dlg.OnLoadHzlib();
    dlg.OnOpenResource(newFile("empty.zrf", 1)); // 128 x 160
    for (auto command : { &CMainDlg::OnLoadItem, &CMainDlg::OnDelete, &CMainDlg::showBitmapItem })
        (dlg.*command)();
    dlg.OnLoadBmp(quadrantBmp("q.bmp", 32, 24));
    dlg.OnLoadWave(patternFile(dir / "huge.wav", 4194304 - 4096 + 1));
    dlg.OnLoadItem();
    dlg.OnDelete(); // no row marked
    dlg.showBitmapItem();
    dlg.setSelectionMark(0);
    dlg.OnPreviewFontLibrary();
    Texts expected(7, kMsgNotResourceOpen);
    expected.insert(expected.end(),
        { kMsgNotPictureLoaded, kMsgNoItems, kMsgNoItems, kMsgSpaceNotEnough, kMsgSelectItemToDelete,
            kMsgSelectBitmapToDisplay, kMsgNotFontItem });
    EXPECT_EQ(view.texts(), expected);
    EXPECT_TRUE(view.folders.empty()) << "no file dialog before a refusal";

    // While "Program All" is under way only "Load BMP", "Port Select", the pick and the About box run.
    dlg.OnProgramAll();
    ASSERT_TRUE(dlg.busy()) << "busy from the moment the request is sent";
    view.boxes.clear();
    for (auto command : { &CMainDlg::OnNewResource, &CMainDlg::OnProgramAll, &CMainDlg::OnLoadItem, &CMainDlg::OnDelete,
             &CMainDlg::showBitmapItem, &CMainDlg::OnMakeFontLibrary })
        (dlg.*command)();
    for (auto command :
        { &CMainDlg::OnOpenResource, &CMainDlg::OnLoadHzlib, &CMainDlg::OnLoadAsciilib, &CMainDlg::OnLoadWave })
        (dlg.*command)(std::nullopt);
    expected.assign(1, kMsgProgrammingModuleNew);
    expected.insert(expected.end(), 9, kMsgProgrammingModule);
    EXPECT_EQ(view.texts(), expected);
    EXPECT_EQ(link.programs.size(), 1u);
    view.files.push_back(std::nullopt);
    dlg.OnLoadBmp();
    dlg.OnPortSelect();
    dlg.OnAbout();
    EXPECT_EQ(std::tuple(view.folders.size(), view.abouts, view.boxes.size()), std::tuple(1u, 1, expected.size()));
}

TEST_F(CommandsTest, InsertionsGoAfterTheMarkAndTheListIsTheFile)
{
    const std::string file = filled(); // mark on row 0: the next item goes to row 1
    dlg.OnLoadAsciilib(patternFile(dir / "8X16.asc", 4096));
    EXPECT_EQ(view.texts(), Texts { "Loading ASCII lib file:8X16 Filesize:4096" });
    ResourceStore onDisk;
    ASSERT_TRUE(onDisk.openResourceFile(file).ok);
    const auto rows = dlg.directoryRows();
    ASSERT_EQ(rows.size(), 3u);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(rows[r], directoryRowTexts(onDisk.entry(r), r));
    EXPECT_EQ(std::tuple(rows[1][1], rows[2][1], dlg.selectionMark()), std::tuple("ASCII lib", "Wave file", 0));
    EXPECT_EQ(dlg.m_pending.sourcePath, dir.file("8X16.asc"));
    EXPECT_EQ(dlg.m_strResourceMsg, capacityText(onDisk));
    EXPECT_EQ(dlg.spaceGauge().position, capacityGaugePosition(onDisk));

    dlg.setSelectionMark(1);
    dlg.OnDelete();
    EXPECT_EQ(dlg.directoryRows().size(), 2u);
    EXPECT_FALSE(dlg.selectionMark()) << "the list is rebuilt after a deletion";
}

// Each command with a failure injected: the box gives the short text first and
// the cause after it, and the file, the list, the picture, the staging file and
// the messages are exactly as before.
TEST_F(CommandsTest, EveryFailureLeavesTheStateAsItWas)
{
    const std::string file = filled();
    const std::string damaged = dir.file("bad.zrf");
    writeBytes(damaged, Bytes { 0, 0, 0x60, 9, 0x40, 1, 0xF0, 0, 0, 16, 0, 0 }); // model code 2400
    const std::string other = newFile("other.zrf");
    const struct {
        const char* name;
        std::function<void()> run;
        std::string text, cause;
    } cases[] = {
        { "New Resource, disk full",
            [&] {
                io.writeRoom = 0;
                view.newResource = [&](CNewResourceDlg& d) {
                    d.m_strFolder = dir.path().string() + "/";
                    d.m_strName = "fresh";
                    return d.OnOK();
                };
                dlg.OnNewResource();
            },
            kMsgFalse, "fresh.zrf" },
        { "Open Resource, damaged", [&] { dlg.OnOpenResource(damaged); }, kMsgResourceFileError, "2400" },
        { "Open Resource, missing", [&] { dlg.OnOpenResource(dir.file("gone.zrf")); }, "gone.zrf", "" },
        { "Open Resource, unreadable",
            [&] {
                io.readRoom = 0;
                dlg.OnOpenResource(other);
            },
            "other.zrf", systemReason(EIO) },
        { "Open Resource, not a resource file", [&] { dlg.OnOpenResource(dir.file("q.bmp")); }, "q.bmp", ".zrf" },
        { "Load BMP, damaged", [&] { dlg.OnLoadBmp(patternFile(dir / "x.bmp", 100)); }, kMsgReadingFileError, "" },
        { "Load BMP, staging file not written",
            [&] {
                io.failRename = EACCES;
                dlg.OnLoadBmp(quadrantBmp("n.bmp", 20, 10));
            },
            kMsgFalse, "ttt.tmp" },
        { ">>LOAD, disk full",
            [&] {
                io.writeRoom = 1000;
                dlg.OnLoadItem();
            },
            "Cannot write resource file", systemReason(ENOSPC) },
        { "Delete, disk full",
            [&] {
                io.writeRoom = 0;
                dlg.OnDelete();
            },
            "filled.zrf", systemReason(ENOSPC) },
        { "Delete, the file damaged meanwhile",
            [&] {
                const Bytes whole = readBytes(file);
                Bytes damagedCopy = whole;
                damagedCopy[2] = 0x60; // model code 2400
                writeBytes(file, damagedCopy);
                dlg.OnDelete();
                writeBytes(file, whole);
            },
            kMsgResourceFileError, "2400" },
        { "Load WAVE, rename refused",
            [&] {
                io.failRename = EPERM;
                dlg.OnLoadWave(patternFile(dir / "t.wav", 10));
            },
            "Cannot write resource file", systemReason(EPERM) },
        { "Load Hzlib, not a library", [&] { dlg.OnLoadHzlib(dir.file("t.wav")); }, "t.wav", "Load Hzlib" },
        { "BMP Dis, OK after a pick, disk full",
            [&] {
                io.writeRoom = 0;
                view.preview = [](CBitmapPreviewDlg& d) { return d.fitFrame({ 0, 0, 400, 300 }), d.pickAt(1, 1); };
                dlg.showBitmapItem();
            },
            "filled.zrf", systemReason(ENOSPC) },
        { "BMP Dis, unreadable",
            [&] {
                io.readRoom = 0;
                dlg.showBitmapItem();
            },
            "filled.zrf", systemReason(EIO) },
        { "Make font, the font cannot be read",
            [&] {
                view.makeFont = [](CMakeFontDlg& d) { return d.m_strFontPath = "broken.ttf", true; };
                dlg.OnMakeFontLibrary();
            },
            "The font \"broken.ttf\" cannot be read", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dlg.setSelectionMark(0);
        const Snapshot before = snapshot();
        view.boxes.clear();
        c.run();
        io.heal();
        ASSERT_FALSE(view.boxes.empty());
        const Message& box = view.boxes.back();
        EXPECT_HAS(box.text, c.text);
        EXPECT_HAS(box.text + "\n" + box.detail, c.cause);
        EXPECT_TRUE(snapshot() == before);
        EXPECT_TRUE(dlg.m_store.isOpen() && dlg.m_store.path() == file);
    }

    // "Program All" whose image cannot be read ("False"), or whose item holds less than its entry
    // claims ("Resource File Error"): the session refuses with the text, the box adds the cause.
    std::filesystem::copy_file(kDataDir / "resfile/damaged/bitmap_width_32768.zrf", dir / "short.zrf");
    const struct {
        std::function<void()> arrange;
        std::string text, cause;
    } unsent[] = {
        { [&] { io.readRoom = 0; }, kMsgFalse, "filled.zrf" },
        { [&] { dlg.OnOpenResource(dir.file("short.zrf")); }, kMsgResourceFileError,
            "item 0: a 32768x13 bitmap of kind 8 needs 426496 bytes, the item holds 759" },
    };
    for (const auto& u : unsent) {
        u.arrange();
        view.boxes.clear();
        link.programs.clear();
        dlg.OnProgramAll();
        io.heal();
        ASSERT_EQ(link.programs.size(), 1u);
        EXPECT_EQ(link.programs[0]->imageError, u.text);
        event(SessionEventKind::TransferRefused, false, link.programs[0]->imageError);
        ASSERT_EQ(view.boxes.size(), 1u);
        EXPECT_HAS(view.boxes[0].detail, u.cause);
        EXPECT_FALSE(dlg.busy());
    }
}

// A .wav that is no sound is stored all the same, its warning beneath the confirmation.
TEST_F(CommandsTest, ASoundThatIsNoneIsTakenWithItsWarning)
{
    dlg.OnOpenResource(newFile("w.zrf"));
    view.boxes.clear();
    dlg.OnLoadWave(patternFile(dir / "noise.wav", 100));
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Loading Wave file: Filesize:100");
    EXPECT_HAS(view.boxes[0].detail, "Warning: \"" + dir.file("noise.wav") + "\" is not a complete WAVE sound: ");
    EXPECT_EQ(dlg.directoryRows().size(), 1u);
}

TEST_F(CommandsTest, NewResourceAsksBeforeReplacingAFileAndOpensTheNewOne)
{
    const std::string file = filled();
    const Bytes before = readBytes(file);
    view.newResource = [&](CNewResourceDlg& d) {
        d.m_strFolder = dir.path().string() + "/";
        d.m_strName = "filled";
        d.OnModelChange(10); // "10 Zarn43 V10": 480 x 272, all four sizes
        d.m_nSizeChoice = 1;
        view.answers.push_back(false);
        EXPECT_FALSE(d.OnOK());
        EXPECT_EQ(readBytes(file), before) << "No keeps the file untouched";
        view.answers.push_back(true);
        return d.OnOK();
    };
    dlg.OnNewResource();
    ASSERT_EQ(view.questions.size(), 2u);
    EXPECT_EQ(view.questions[0], fileExistsQuestion(dir.path().string() + "/filled.zrf"));
    EXPECT_EQ(std::tuple(dlg.m_store.screenWidth(), dlg.m_store.memoryKiB(), dlg.m_store.itemCount()),
        std::tuple(480, 8192u, 0));
    EXPECT_EQ(dlg.pictureFrame(), fitPreviewFrame(dlg.m_rcPictureArea, 480, 272));
    EXPECT_EQ(dir.entryCount(), 4) << "no temporary file left beside it";
}

TEST_F(CommandsTest, TheLinkSettlesTheBusyFlagAndEachEndHasOneBox)
{
    filled();
    dlg.OnProgramAll();
    ASSERT_EQ(link.programs.size(), 1u);
    const auto& facts = *link.programs[0];
    EXPECT_EQ(std::tuple(facts.isOpen, facts.itemCount, facts.image.size()), std::tuple(true, 2u, 16384u));
    event(SessionEventKind::Changed, false); // sent before the session took the request
    EXPECT_TRUE(dlg.busy());
    event(SessionEventKind::TransferStarted, true);
    event(SessionEventKind::Changed, true);
    EXPECT_EQ(std::tuple(dlg.m_blocksSent, dlg.programGauge().maximum, dlg.programGauge().position, dlg.busy()),
        std::tuple(1, 8, 4, true));
    event(SessionEventKind::TransferFailed, false, kMsgProgrammingFailed, "WARNING:  read() Failed");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(std::tuple(view.boxes[0].text, view.boxes[0].detail, dlg.busy()),
        std::tuple(kMsgProgrammingFailed, "WARNING:  read() Failed", false));

    dlg.OnProgramAll();
    event(SessionEventKind::TransferRefused, false, kMsgNoModuleConnectionBang);
    dlg.OnProgramAll();
    event(SessionEventKind::TransferStarted, true);
    event(SessionEventKind::TransferCompleted, false, kMsgSendOver);
    event(SessionEventKind::ChannelError, false, "WARNING:  open() Failed");
    EXPECT_EQ(view.texts(),
        (Texts { kMsgProgrammingFailed, kMsgNoModuleConnectionBang, kMsgSendOver, "WARNING:  open() Failed" }));
    EXPECT_EQ(std::tuple(view.boxes[3].caption, view.boxes[3].icon, dlg.busy(), dlg.m_moduleStatus),
        std::tuple(kApplicationErrorCaption, BoxIcon::Error, false, "Module connection..."));
}

// Beside the block counter: bytes, percentage, rate and time left, "stalled"
// when the timer finds nothing moved, and the text as the transfer ended.
TEST_F(CommandsTest, TheProgressTextFollowsTheTransferAndStopsWithIt)
{
    filled();
    dlg.OnProgramAll();
    EXPECT_EQ(dlg.fields().progress, "");
    SessionSnapshot s;
    s.programming = true;
    s.imageSize = 16384;
    dlg.onSessionEvent({ SessionEventKind::TransferStarted, {}, {}, s });
    for (std::uint32_t sent : { 4096u, 8192u }) {
        seconds += 1;
        s.imageSent = sent;
        dlg.onSessionEvent({ SessionEventKind::Changed, {}, {}, s });
    }
    EXPECT_EQ(dlg.fields().progress, "8192 of 16384 bytes (50%), 4.0 KiB/s, 0:02 left");
    seconds += 3;
    dlg.OnTimer();
    EXPECT_EQ(dlg.fields().progress, "8192 of 16384 bytes (50%), stalled");
    s.programming = false;
    s.imageSent = 16384;
    seconds += 1;
    dlg.onSessionEvent({ SessionEventKind::TransferCompleted, kMsgSendOver, {}, s });
    const std::string ended = dlg.fields().progress;
    EXPECT_EQ(ended.substr(0, 29), "16384 of 16384 bytes (100%), ");
    EXPECT_EQ(ended.substr(ended.size() - 9), "0:00 left");
    seconds += 10;
    dlg.OnTimer();
    EXPECT_EQ(dlg.fields().progress, ended);

    dlg.OnProgramAll();
    s.programming = true;
    s.imageSent = 0;
    dlg.onSessionEvent({ SessionEventKind::TransferStarted, {}, {}, s });
    s.imageSent = 4096;
    dlg.onSessionEvent({ SessionEventKind::Changed, {}, {}, s });
    s.programming = false;
    dlg.onSessionEvent({ SessionEventKind::TransferFailed, kMsgProgrammingPortLost, {}, s });
    EXPECT_EQ(dlg.fields().progress, "4096 of 16384 bytes (25%), not completed");
}

TEST_F(CommandsTest, PortSelectTellsWhetherThePortIsListedAndOkRestartsDetection)
{
    std::vector<std::pair<PortPresence, std::string>> seen;
    view.portSelect = [&](CPortSelectDlg& d) {
        EXPECT_EQ(d.initialIndex(), 2) << "COM3 the first time";
        for (auto presence : { PortPresence::Listed, PortPresence::NotListed, PortPresence::KeyNotOpened }) {
            link.presence = presence;
            d.OnSelEndOk(15);
            seen.emplace_back(presence, d.m_portStatus);
        }
        d.OnSelEndOk(-1); // no item: the port stays
        return d.m_port == 16;
    };
    dlg.OnPortSelect();
    EXPECT_EQ(seen[0].second, "COM 16 Port has been connected");
    EXPECT_EQ(seen[1].second, "COM 16 port is no connection ");
    EXPECT_EQ(seen[2].second, seen[1].second);
    EXPECT_EQ(view.texts(), Texts { kMsgUnableToOpenRegistry });
    EXPECT_EQ(std::tuple(link.ports, dlg.m_comPort, dlg.m_linkEnabled, dlg.m_moduleStatus),
        std::tuple(std::vector<int> { 16 }, 16, true, kMsgNoModuleConnection));
    view.portSelect = [](CPortSelectDlg& d) { return d.OnSelEndOk(0), false; };
    dlg.OnPortSelect();
    EXPECT_EQ(std::tuple(link.ports.size(), dlg.m_comPort), std::tuple(1u, 16));
}

TEST_F(CommandsTest, NewResourceDialogOffersEachRowsSizesAndTypedTextGetsTheDefaults)
{
    CNewResourceDlg d(view, io);
    EXPECT_EQ(CNewResourceDlg::modelRows().size(), 13u);
    for (int row = 0; row <= 12; ++row) {
        d.OnModelChange(row);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(d.m_sizeEnabled[k], k == 0 || modelForNumber(row).sizesOffered[k]) << row << " " << k;
    }
    d.m_nSizeChoice = 3;
    d.m_strName = "kept";
    d.OnModelChange(11); // another row goes back to 4M and keeps the name
    EXPECT_EQ(std::tuple(d.m_nSizeChoice, d.m_strName, d.currentChoice().modelCode), std::tuple(0, "kept", 5008));
    d.OnModelEdit(CNewResourceDlg::modelRows()[11]);
    EXPECT_EQ(d.m_nModelRow, 11);
    d.OnModelEdit("my own module");
    d.m_nSizeChoice = 3;
    const auto typed = d.currentChoice();
    EXPECT_EQ(std::tuple(typed.modelCode, typed.screenWidth, typed.screenHeight, typed.memoryKiB),
        std::tuple(2404, 240, 320, 4096u));

    view.chosenFolders.push_back(dir.path().string());
    d.OnChooseFolder();
    EXPECT_EQ(d.m_strFolder, dir.path().string() + static_cast<char>(std::filesystem::path::preferred_separator));
    EXPECT_EQ(std::tuple(d.m_strSaveAt, view.texts()), std::tuple(d.m_strFolder, Texts { d.m_strFolder }));
    ASSERT_TRUE(d.OnOK());
    EXPECT_EQ(readBytes(dir / "kept.zrf").size(), 4194304u);
}

TEST(BitmapPreviewTest, TheFrameFitsTheScreenAndEveryFramePixelShowsAnItemPixel)
{
    const FrameRect tmpl { 64, 14, 464, 314 };
    const struct {
        int w, h;
        FrameRect frame;
        int zoom;
    } cases[] = {
        { 320, 240, { 104, 14, 424, 254 }, 0 },
        { 480, 272, { 104, 44, 424, 225 }, 0 }, // 320 x 181, centred in the 240
        { 240, 320, { 152, 14, 377, 314 }, 0 }, // portrait keeps the 300: 225 x 300
        { 100, 100, { 164, 34, 364, 234 }, 2 }, // a square of the box's height, then 2 points a pixel
        { 160, 128, { 104, 6, 424, 262 }, 2 }, // points would leave gaps: whole squares instead
        { 128, 160, { 200, 84, 328, 244 }, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const Bytes item(std::size_t(c.w) * c.h * 2, 0x21); // every pixel 0x2121, no blue
        CBitmapPreviewDlg d;
        d.setScreenSize(std::uint16_t(c.w), std::uint16_t(c.h));
        d.setIgnoreColor(0xF800);
        d.setItem(std::uint16_t(c.w), std::uint16_t(c.h), item, 16);
        d.fitFrame(tmpl);
        EXPECT_EQ(std::tuple(d.m_rcFrame, d.m_nZoom, d.m_strIgnoreColor), std::tuple(c.frame, c.zoom, "0xf800"));
        if (c.w == 480)
            continue; // 319 of the frame's 320 columns: the last one is the dialog's face
        const PixelImage shown = d.render();
        for (int y = 0; y < shown.height; y += 3)
            for (int x = 0; x < shown.width; x += 3)
                ASSERT_EQ(shown.at(x, y), fromRgb565(0x2121)) << x << "," << y;
        EXPECT_TRUE(d.pickAt(d.m_rcFrame.width(), d.m_rcFrame.height())); // the edges count
        EXPECT_FALSE(d.pickAt(d.m_rcFrame.width() + 1, 0));
        EXPECT_EQ(std::tuple(d.m_wIgnoreColor, d.m_bPicked), std::tuple(0x2121, true));
    }
    EXPECT_EQ(fitDialogFrame({ 0, 0, 200, 300 }, 320, 240), (FrameRect { 0, 0, 200, 150 }));
    EXPECT_EQ(fitDialogFrame(tmpl, 0, 0), (FrameRect { 104, 14, 424, 254 })) << "no division by zero";
}

TEST_F(CommandsTest, BmpDisStoresAColourOnlyOnOkAfterAPick)
{
    const std::string file = filled();
    dlg.setSelectionMark(1);
    dlg.showBitmapItem();
    EXPECT_EQ(view.texts(), Texts { kMsgNotBitmapItem });
    dlg.setSelectionMark(0);
    const Bytes before = readBytes(file);
    view.preview = [](CBitmapPreviewDlg& d) { return d.fitFrame({ 0, 0, 400, 300 }), true; }; // OK, no pick
    dlg.showBitmapItem();
    view.preview = [](CBitmapPreviewDlg& d) { return d.fitFrame({ 0, 0, 400, 300 }), d.pickAt(20, 2), false; };
    dlg.showBitmapItem();
    EXPECT_EQ(readBytes(file), before);
    view.preview = [](CBitmapPreviewDlg& d) { // green, the item's top right quadrant
        d.fitFrame({ 0, 0, 400, 300 });
        return d.m_wIgnoreColor == 0 && d.pickAt(20, 2) && d.m_strIgnoreColor == "0x07e0";
    };
    dlg.showBitmapItem();
    EXPECT_EQ(dlg.directoryRows()[0][5], "0x07e0");
    EXPECT_EQ(view.boxes.size(), 1u);
}

TEST_F(CommandsTest, APickReadsThePictureAsShownAndTransparencyTakesIt)
{
    dlg.OnOpenResource(newFile("p.zrf"));
    dlg.OnLoadBmp(quadrantBmp("q.bmp", 320, 240));
    EXPECT_EQ(dlg.m_strBitmapMsg, "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600");
    const Rect frame = dlg.pictureFrame();
    ASSERT_EQ(std::tuple(frame.width, frame.height), std::tuple(400, 300));
    EXPECT_TRUE(dlg.pickAt(frame.width - 6, frame.height - 6)); // the grey quadrant
    EXPECT_EQ(std::tuple(dlg.m_wIgnoreColor, dlg.m_strIgnoreColor, dlg.m_crIgnoreColor, dlg.m_bIgnoreColorPicked),
        std::tuple(0xCB26, "0xcb26", Rgb { 200, 100, 50 }, true));
    EXPECT_TRUE(dlg.pickAt(frame.width, frame.height));
    EXPECT_FALSE(dlg.pickAt(frame.width + 1, 0));
    EXPECT_EQ(dlg.m_wIgnoreColor, 0x0000) << "the last column is the box's outline: the picture is drawn 319 wide";

    // Transparent pixels are shown over the colour picked after the load, and stored so.
    dlg.OnLoadBmp((kDataDir / "import/alpha/bgra32.bmp").string()); // 4 x 2, pixel 1 transparent
    dlg.pickAt(frame.width - 6, frame.height - 6);
    dlg.OnLoadItem();
    Bytes item;
    ASSERT_TRUE(dlg.m_store.readItem(0, item).ok);
    EXPECT_EQ(std::tuple(dlg.m_store.entry(0).ignoreColor, item[2] | item[3] << 8), std::tuple(0x001F, 0x001F));
    EXPECT_TRUE(view.boxes.empty()) << view.boxes[0].text;
}

TEST_F(CommandsTest, ALargerPictureIsRefusedForASmallerScreenUntilLoadedAgain)
{
    dlg.OnOpenResource(newFile("wide.zrf"));
    dlg.OnLoadBmp(quadrantBmp("big.bmp", 320, 240));
    dlg.OnOpenResource(newFile("small.zrf", 1)); // 128 x 160
    dlg.OnLoadItem();
    ASSERT_EQ(view.texts(), Texts { pictureLargerThanScreenText(320, 240, 128, 160) });
    EXPECT_EQ(dlg.picture().picture().width(), 320) << "the staged picture is not refitted";
    view.files.push_back(dir.file("big.bmp"));
    dlg.OnLoadBmp();
    EXPECT_EQ(view.folders.back(), "") << "the first time in the dialog's own folder";
    dlg.OnLoadItem();
    EXPECT_EQ(dlg.directoryRows().at(0)[2], "128*96");
    view.files.push_back(std::nullopt);
    dlg.OnLoadBmp();
    EXPECT_EQ(view.folders.back(), dir.path().string()) << "then in the last folder used";
}

TEST_F(CommandsTest, FilesInAnyCaseDropsAndTheStartFileGoThroughTheirCommands)
{
    const std::string upper = dir.file("BIG.ZRF");
    std::filesystem::copy_file(newFile("x.zrf"), upper);
    WindowStart start;
    start.resourceFile = upper; // named on the command line
    dlg.openAtStart(start);
    EXPECT_TRUE(dlg.m_store.isOpen() && dlg.m_store.path() == upper);
    dlg.openDroppedFile(quadrantBmp("DROP.BMP", 16, 16));
    dlg.openDroppedFile(patternFile(dir / "16X16.HZK", 261696));
    dlg.openDroppedFile(patternFile(dir / "S.Wav", 100));
    dlg.openDroppedFile(patternFile(dir / "notes.txt", 10));
    dlg.OnLoadWave(dir.file("notes.txt"));
    EXPECT_TRUE(dlg.picture().picture().loaded());
    ASSERT_EQ(view.boxes.size(), 4u);
    EXPECT_EQ(view.boxes[2].text, fileNotTakenText(dir.file("notes.txt")));
    EXPECT_EQ(std::tuple(view.boxes[2].detail, view.boxes[3].detail), std::tuple(dropTakesText(false), kLoadWaveTakes));
    EXPECT_EQ(dlg.directoryRows().size(), 2u);
    start.refusal = "This is not a resource file (.zrf): x.txt";
    dlg.openAtStart(start);
    EXPECT_EQ(view.boxes.back().text, "This is not a resource file (.zrf): x.txt");
}

TEST_F(CommandsTest, FontLibrariesAreMadeBesideTheFileReplacedOnlyOnYesAndPreviewed)
{
    dlg.OnOpenResource(newFile("f.zrf"));
    view.makeFont = [](CMakeFontDlg& d) {
        d.OnTypeChange(3);
        d.m_strFontPath = "  some.ttf ";
        return d.canMake();
    };
    dlg.OnMakeFontLibrary();
    patternFile(dir / "8X16.asc", 4096, 1);
    dlg.OnMakeFontLibrary(); // exists now: No
    EXPECT_EQ(readBytes(dir / "8X16.asc"), pattern(4096, 1));
    view.answers.push_back(true);
    dlg.OnMakeFontLibrary();
    EXPECT_EQ(readBytes(dir / "8X16.asc"), pattern(4096, 9));
    EXPECT_EQ(std::tuple(view.questions.size(), dlg.directoryRows().size()), std::tuple(2u, 2u));
    EXPECT_HAS(view.questions[0], "some.ttf");

    std::string summary;
    view.fontPreview = [&](CFontPreviewDlg& d) { summary = d.m_strSummary + " " + std::to_string(d.m_sheet.height); };
    dlg.setSelectionMark(1);
    dlg.OnPreviewFontLibrary();
    EXPECT_EQ(summary, "Item 1: ASCII lib 8*16, 4096 bytes\nGlyphs 0 to 255 16");
}

} // namespace
