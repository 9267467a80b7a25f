// The main window: its controls and start state, each command's refusals in
// their order and texts, insertion and deletion through the list, the busy
// guard during a transfer, and dropped files.
#include "UiTestSupport.h"

#include "resfile/ResourceStore.h"
#include "ui/CAboutDlg.h"
#include "ui/CDibPicture.h"
#include "ui/CMainDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRadioButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }

    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;

    std::string newFile(const std::string& name, std::uint16_t model = 2404, std::uint16_t w = 320,
                        std::uint16_t h = 240, std::uint32_t kib = 4096)
    {
        const std::string path = dir.file(name);
        const auto r = createResourceFile(path, model, w, h, kib);
        EXPECT_TRUE(r.ok) << r.message;
        return path;
    }

    QStringList rowTexts(const CMainDlg& dlg, int row)
    {
        QStringList t;
        for (int c = 0; c < 6; ++c)
            t << (dlg.directoryList()->item(row, c) ? dlg.directoryList()->item(row, c)->text() : QString("<none>"));
        return t;
    }

    // Brings the window to "identified" with a module of type `type` and `memory` bytes.
    void identify(CMainDlg& dlg, std::uint32_t type = 2404, std::uint32_t memory = 4194304)
    {
        host.dialogs.push_back([](QDialog&) { return QDialog::Accepted; });
        dlg.OnPortSelect();
        dlg.OnTimer(); // opens the port
        dlg.OnTimer(); // first request
        std::vector<std::uint8_t> words(36, 0);
        auto put = [&](int i, std::uint32_t v) {
            for (int b = 0; b < 4; ++b)
                words[i * 4 + b] = static_cast<std::uint8_t>(v >> (8 * b));
        };
        put(0, 3);
        put(2, type);
        put(5, memory);
        FramePayload reply(0x00, words);
        dlg.OnSerialFrame(reply);
    }
};

TEST_F(MainWindowTest, StartsWithItsControlsTextsAndNothingOpen)
{
    CMainDlg dlg(host, port, listing);
    EXPECT_EQ(dlg.windowTitle(), "Zarn series module resource tools");
    for (const char* b : { "New Resource", "Open Resource", "Port Select", "Load BMP", "Load Hzlib", "Load Asciilib",
                           "Load WAVE", "Program All", "Exit", ">>LOAD", "Delete", "BMP Dis" })
        EXPECT_NE(dlg.button(b), nullptr) << b;
    EXPECT_TRUE(dlg.button("Exit")->isDefault());
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Bitmap Message Output...");
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File Message Output...");
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "Module Connection information output...");
    EXPECT_EQ(dlg.ignoreColorField()->text(), "");
    EXPECT_EQ(dlg.counterField()->text(), "0");
    EXPECT_EQ(dlg.spaceBar()->value(), 0);
    EXPECT_EQ(dlg.programBar()->value(), 0);

    const char* titles[] = { "No.", "type", "points", "addr", "size", "ignore color" };
    const int widths[] = { 40, 60, 55, 70, 60, 60 };
    ASSERT_EQ(dlg.directoryList()->columnCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(dlg.directoryList()->horizontalHeaderItem(i)->text(), titles[i]);
        // The set widths are the least; a header wider than that widens its column (see columns_test).
        EXPECT_GE(dlg.directoryList()->columnWidth(i), widths[i]);
    }
    EXPECT_TRUE(dlg.directoryList()->showGrid());
    EXPECT_EQ(dlg.directoryList()->selectionBehavior(), QAbstractItemView::SelectRows);

    EXPECT_FALSE(dlg.m_store.isOpen);
    EXPECT_EQ(dlg.detection().m_comPort, 3);
    EXPECT_FALSE(dlg.detection().m_linkEnabled);
    EXPECT_FALSE(dlg.busy());
    EXPECT_EQ(dlg.detectionTimer().interval(), 700);
    EXPECT_TRUE(dlg.detectionTimer().isActive());

    // Detection stays off until a port is confirmed.
    dlg.OnTimer();
    EXPECT_TRUE(port.opens.empty());
    EXPECT_TRUE(listing.asked.empty());
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(MainWindowTest, ExitAcceptsAndEscapeRejectsWithoutAsking)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    dlg.OnExit();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
    CMainDlg dlg2(host, port, listing);
    dlg2.show();
    dlg2.reject();
    EXPECT_EQ(dlg2.result(), QDialog::Rejected);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(MainWindowTest, EnterPressesExitAndEscapeCancels)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    dlg.directoryList()->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &enter);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    CMainDlg dlg2(host, port, listing);
    dlg2.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dlg2, &escape);
    EXPECT_FALSE(dlg2.isVisible());
    EXPECT_EQ(dlg2.result(), QDialog::Rejected);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(MainWindowTest, AboutOpensTheAboutBoxEvenDuringATransfer)
{
    CMainDlg dlg(host, port, listing);
    const std::string file = dir.file("about.zrf");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    dlg.OnOpenResource(file);
    host.files.push_back(writePattern(dir.file("a.wav"), 10));
    dlg.OnLoadWave();
    identify(dlg);
    dlg.OnProgramAll();
    ASSERT_TRUE(dlg.busy());
    host.boxes.clear();
    QString title;
    host.dialogs.push_back([&](QDialog& d) {
        title = d.windowTitle();
        EXPECT_NE(dynamic_cast<ui::CAboutDlg*>(&d), nullptr);
        // An acknowledgement handled while the box is open moves the transfer on.
        const std::size_t before = port.sent.size();
        FramePayload ack(0x10, {});
        dlg.OnSerialFrame(ack);
        EXPECT_EQ(port.sent.size(), before + 1);
        return QDialog::Accepted;
    });
    dlg.OnAbout();
    EXPECT_EQ(title, "About Resource tool");
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(MainWindowTest, StoreCommandsRefuseInOrderWithoutAFile)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnLoadItem();
    dlg.OnDelete();
    dlg.showBitmapItem();
    dlg.OnLoadHzlib();
    dlg.OnLoadAsciilib();
    dlg.OnLoadWave();
    dlg.OnProgramAll();
    EXPECT_EQ(host.texts(), (std::vector<std::string> { "Not Resource Open", "Not Resource Open", "Not Resource Open",
                                                        "Not Resource Open", "Not Resource Open", "Not Resource Open",
                                                        "No module connection!!" }));
    for (const auto& b : host.boxes)
        EXPECT_EQ(b.caption, "ZarnTool");
    // The imports refuse before any file dialog.
    EXPECT_TRUE(host.fileTitles.empty());
}

TEST_F(MainWindowTest, OpenResourceShowsCapacityAndRefusesBadFiles)
{
    CMainDlg dlg(host, port, listing);
    const std::string good = newFile("good.zrf");

    // Cancel: nothing at all.
    host.files.push_back(std::nullopt);
    dlg.OnOpenResource();
    ASSERT_EQ(host.fileTitles.size(), 1u);
    EXPECT_EQ(host.fileTitles[0], "Open Resource File");
    ASSERT_EQ(host.fileFilters[0].size(), 2u);
    EXPECT_EQ(host.fileFilters[0][0].label, "Resource File(*.zrf)");
    EXPECT_EQ(host.fileFilters[0][0].pattern, "*.ZRF");
    EXPECT_EQ(host.fileFilters[0][1].label, "All Files(*.*)");
    EXPECT_FALSE(dlg.m_store.isOpen);

    // An upper-case extension is silently refused.
    const std::string upper = dir.file("UPPER.ZRF");
    std::filesystem::copy_file(good, upper);
    host.files.push_back(upper);
    dlg.OnOpenResource();
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(dlg.m_store.isOpen);

    host.files.push_back(good);
    dlg.OnOpenResource();
    EXPECT_TRUE(host.boxes.empty());
    ASSERT_TRUE(dlg.m_store.isOpen);
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:4194304 Remaining bytes:4190208");
    EXPECT_EQ(dlg.spaceBar()->maximum(), 4096);
    EXPECT_EQ(dlg.spaceBar()->value(), 4);
    // A 4:3 screen fills the 400 x 300 picture area.
    EXPECT_EQ(dlg.pictureControl()->geometry(), QRect(0, 0, 400, 300));

    // A file with a model code outside the table: "Resource File Error", no file open, path restored.
    const std::string bad = dir.file("bad.zrf");
    auto bytes = readBytes(good);
    bytes[2] = 0x60; // 2400
    bytes[3] = 0x09;
    bytes.resize(8192);
    writeBytes(bad, bytes);
    host.files.push_back(bad);
    dlg.OnOpenResource();
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Resource File Error" });
    EXPECT_FALSE(dlg.m_store.isOpen);
    EXPECT_EQ(dlg.m_store.path, good);

    // A file that cannot be read: a message naming it; nothing open.
    host.files.push_back(dir.file("missing.zrf"));
    dlg.OnOpenResource();
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("missing.zrf"), std::string::npos) << host.boxes[1].text;
    EXPECT_FALSE(dlg.m_store.isOpen);
}

TEST_F(MainWindowTest, PortraitScreenNarrowsThePictureControl)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("portrait.zrf", 2404, 240, 320));
    // Height kept, width 300 * 240 / 320, centred in the 400-pixel area.
    EXPECT_EQ(dlg.pictureControl()->geometry(), QRect(200 - 112, 0, 225, 300));
    dlg.OnOpenResource(newFile("wide.zrf", 4308, 480, 272));
    EXPECT_EQ(dlg.pictureControl()->geometry(), QRect(0, 150 - 113, 400, 226));
}

TEST_F(MainWindowTest, LoadItemInsertsAfterTheSelectionMarkAndDeleteRemovesIt)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("items.zrf"));

    // ">>LOAD" with no picture.
    dlg.OnLoadItem();
    EXPECT_EQ(host.lastText(), "Not Pictrue loaded");
    host.boxes.clear();

    host.files.push_back(writeQuadrantBmp(dir.file("pic.bmp"), 32, 24));
    dlg.OnLoadBmp();
    EXPECT_EQ(host.fileTitles.back(), "Open BMP File");
    EXPECT_EQ(host.fileFilters.back()[0].label, "BMP File(*.BMP)");
    EXPECT_EQ(host.fileFilters.back()[0].pattern, "*.BMP");
    EXPECT_EQ(dlg.m_strBitmapMsg, "Load Bitmap 16bit color Width:32 Height:24 \r\nSize:1536");
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:32 Height:24 \nSize:1536");
    EXPECT_TRUE(host.boxes.empty());

    dlg.OnLoadItem();
    dlg.OnLoadItem();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2);
    EXPECT_EQ(rowTexts(dlg, 1), (QStringList { "1", "True color bmp", "32*24", "8192", "1536", "0x0000" }));

    // A WAVE file with the mark on row 0 goes to row 1; the row behind it is renumbered.
    const std::string wav = writePattern(dir.file("sound.wav"), 5000);
    dlg.directoryList()->selectRow(0);
    host.files.push_back(wav);
    dlg.OnLoadWave();
    EXPECT_EQ(host.fileTitles.back(), "Load WAVE File");
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Loading Wave file: Filesize:5000" });
    ASSERT_EQ(dlg.directoryList()->rowCount(), 3);
    EXPECT_EQ(rowTexts(dlg, 1), (QStringList { "1", "Wave file", "", "8192", "5000", "0x0000" }));
    EXPECT_EQ(rowTexts(dlg, 2), (QStringList { "2", "True color bmp", "32*24", "16384", "1536", "0x0000" }));
    EXPECT_EQ(dlg.m_store.itemCount, 3);
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:4194304 Remaining bytes:4173824");

    // Delete without a mark, then with one.
    host.boxes.clear();
    dlg.directoryList()->clearSelection();
    dlg.directoryList()->setCurrentIndex(QModelIndex());
    dlg.OnDelete();
    EXPECT_EQ(host.lastText(), "Please select the items you want to delete the resources");
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_EQ(host.boxes.size(), 1u);
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2);
    EXPECT_EQ(rowTexts(dlg, 1), (QStringList { "1", "True color bmp", "32*24", "8192", "1536", "0x0000" }));
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:4194304 Remaining bytes:4182016");

    // The file on disk agrees with the list.
    ResourceStore again;
    again.path = dlg.m_store.path;
    ASSERT_TRUE(again.openResourceFile().ok);
    EXPECT_EQ(again.itemCount, 2);
    EXPECT_EQ(again.directory[1].address, 8192u);

    // Deleting everything, then "Delete" once more.
    dlg.directoryList()->selectRow(0);
    dlg.OnDelete();
    dlg.directoryList()->selectRow(0);
    dlg.OnDelete();
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
    host.boxes.clear();
    dlg.OnDelete();
    EXPECT_EQ(host.lastText(), "Not items of Resource file");
}

TEST_F(MainWindowTest, FontLibrariesConfirmThenInsertAndRefuseBadNames)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("fonts.zrf"));

    const std::string hzk = writePattern(dir.file("16X16.hzk"), 261696);
    host.files.push_back(hzk);
    dlg.OnLoadHzlib();
    EXPECT_EQ(host.fileTitles.back(), "Load GBK2312 lib File");
    ASSERT_EQ(host.fileFilters.back().size(), 4u);
    EXPECT_EQ(host.fileFilters.back()[1].label, "Resource File(*.big)");
    EXPECT_EQ(host.fileFilters.back()[1].pattern, "*.BIG");
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Loading GBK2312 lib file:\r16X16 Filesize:261696" });
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(rowTexts(dlg, 0), (QStringList { "0", "GB2312 lib", "16*16", "4096", "261696", "0x0000" }));
    EXPECT_EQ(readBytes(dlg.m_store.path).at(4096), readBytes(hzk).at(0));

    // Name without a glyph size; an upper-case extension does nothing.
    host.boxes.clear();
    host.files.push_back(writePattern(dir.file("HZK16.hzk"), 10));
    dlg.OnLoadHzlib();
    EXPECT_EQ(host.texts(), std::vector<std::string> { "GBK2312 lib file invalid" });
    host.files.push_back(writePattern(dir.file("16X16.HZK"), 261696));
    dlg.OnLoadHzlib();
    EXPECT_EQ(host.boxes.size(), 1u);

    // ASCII: its own title and a confirmation without a line break.
    host.boxes.clear();
    host.files.push_back(writePattern(dir.file("8X16.asc"), 4096));
    dlg.OnLoadAsciilib();
    EXPECT_EQ(host.fileTitles.back(), "Load ACII Lib File");
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Loading ASCII lib file:8X16 Filesize:4096" });
    EXPECT_EQ(dlg.directoryList()->rowCount(), 2);

    // A WAVE file with an upper-case extension does nothing; a missing one is named.
    host.boxes.clear();
    host.files.push_back(writePattern(dir.file("LOUD.WAV"), 100));
    dlg.OnLoadWave();
    EXPECT_TRUE(host.boxes.empty());
    host.files.push_back(dir.file("gone.wav"));
    dlg.OnLoadWave();
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Open WAVE file failure" });
    EXPECT_EQ(dlg.directoryList()->rowCount(), 2);
}

TEST_F(MainWindowTest, SpaceIsTestedBeforeTheItemCount)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("full.zrf"));
    host.files.push_back(writePattern(dir.file("big.wav"), 4190209));
    dlg.OnLoadWave();
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Resource file space not enough" });
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
}

TEST_F(MainWindowTest, NewResourceCreatesAndOpensTheFile)
{
    CMainDlg dlg(host, port, listing);
    // Cancel creates nothing.
    host.dialogs.push_back([](QDialog&) { return QDialog::Rejected; });
    dlg.OnNewResource();
    EXPECT_FALSE(dlg.m_store.isOpen);

    const std::string folder = dir.path().string() + "/";
    host.dialogs.push_back([&](QDialog& d) {
        auto& nd = dynamic_cast<ui::CNewResourceDlg&>(d);
        nd.m_strFolder = folder;
        nd.modelList()->setCurrentIndex(10); // "10 Zarn43 V10"
        nd.OnModelChange();
        nd.sizeButton(1)->setChecked(true);
        nd.nameField()->setText("made");
        nd.OnOK();
        return nd.result();
    });
    dlg.OnNewResource();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    ASSERT_TRUE(dlg.m_store.isOpen);
    EXPECT_EQ(dlg.m_store.path, folder + "made.zrf");
    EXPECT_EQ(dlg.m_store.modelCode, 4308);
    EXPECT_EQ(dlg.m_store.memoryKiB, 8192u);
    EXPECT_EQ(std::filesystem::file_size(folder + "made.zrf"), 8388608u);
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:8388608 Remaining bytes:8380416");
    EXPECT_EQ(dlg.spaceBar()->maximum(), 8192);
}

TEST_F(MainWindowTest, PortSelectStartsDetectionAndCancelChangesNothing)
{
    CMainDlg dlg(host, port, listing);
    host.dialogs.push_back([](QDialog& d) {
        auto& pd = dynamic_cast<ui::CPortSelectDlg&>(d);
        EXPECT_EQ(pd.portList()->currentText(), "COM3");
        pd.portList()->setCurrentIndex(6);
        pd.OnSelEndOk(6);
        return QDialog::Rejected;
    });
    dlg.OnPortSelect();
    EXPECT_EQ(dlg.detection().m_comPort, 3);
    EXPECT_FALSE(dlg.detection().m_linkEnabled);
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "Module Connection information output...");

    identify(dlg, 5008, 16777216);
    EXPECT_EQ(port.opens, std::vector<int> { 57600 });
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0].command, 0x00);
    EXPECT_EQ(std::string(port.sent[0].payload.begin(), port.sent[0].payload.end()), "Kelvaron");
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "Module connection...\nModule Type:Zarn50 V8\nFirmware version:Ver3");

    // The port vanishes: back to waiting, within one tick.
    listing.answer = PortPresence::NotListed;
    dlg.OnTimer();
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "No module connection");
}

TEST_F(MainWindowTest, ProgramAllChecksTheFileAgainstTheModule)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("m.zrf", 2804, 320, 240));
    identify(dlg, 2404);
    dlg.OnProgramAll();
    EXPECT_EQ(host.lastText(), "Resource file version does not match the module hardware");
    dlg.OnOpenResource(newFile("n.zrf", 2401, 320, 240));
    dlg.OnProgramAll();
    EXPECT_EQ(host.lastText(), "Items not available in the resource file");
    EXPECT_FALSE(dlg.busy());
}

TEST_F(MainWindowTest, BusyGuardDuringATransferThenSendOver)
{
    CMainDlg dlg(host, port, listing);
    const std::string file = newFile("busy.zrf");
    dlg.OnOpenResource(file);
    host.files.push_back(writePattern(dir.file("s.wav"), 5000, 9));
    dlg.OnLoadWave();
    identify(dlg);
    host.boxes.clear();
    port.sent.clear();

    dlg.OnProgramAll();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    ASSERT_TRUE(dlg.busy());
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0].command, 0x10);
    EXPECT_EQ(port.sent[0].payload, (std::vector<std::uint8_t> { 0, 0, 0, 0, 0x00, 0x30, 0, 0 }));
    EXPECT_EQ(port.opens.back(), 115200);
    EXPECT_EQ(dlg.programBar()->maximum(), 12);

    const std::size_t titlesBefore = host.fileTitles.size();
    dlg.OnNewResource();
    dlg.OnOpenResource();
    dlg.OnLoadHzlib();
    dlg.OnLoadAsciilib();
    dlg.OnLoadWave();
    dlg.OnProgramAll();
    dlg.OnLoadItem();
    dlg.OnDelete();
    dlg.showBitmapItem();
    dlg.OnMakeFontLibrary();
    std::vector<std::string> expected { "Programming Module..." };
    expected.insert(expected.end(), 9, "Programming module...");
    EXPECT_EQ(host.texts(), expected);
    EXPECT_EQ(host.fileTitles.size(), titlesBefore);

    // "Load BMP" and "Port Select" still run.
    host.boxes.clear();
    host.files.push_back(writeQuadrantBmp(dir.file("during.bmp"), 8, 8));
    dlg.OnLoadBmp();
    EXPECT_EQ(host.fileTitles.back(), "Open BMP File");
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:8 Height:8 \nSize:128");
    bool portDialogRan = false;
    host.dialogs.push_back([&](QDialog&) {
        portDialogRan = true;
        return QDialog::Rejected;
    });
    dlg.OnPortSelect();
    EXPECT_TRUE(portDialogRan);
    EXPECT_TRUE(host.boxes.empty());

    // The acknowledgements drive the rest: 12288 bytes, 384 blocks of 32 bytes.
    std::vector<std::uint8_t> image;
    FramePayload startAck(0x10, {});
    dlg.OnSerialFrame(startAck);
    for (int i = 0; i < 1000 && dlg.busy(); ++i) {
        if (i == 128) {
            EXPECT_EQ(dlg.counterField()->text(), "1");
        }
        FramePayload ack(0x12, {});
        dlg.OnSerialFrame(ack);
    }
    EXPECT_FALSE(dlg.busy());
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Send Over!!" });
    EXPECT_EQ(dlg.counterField()->text(), "3");
    EXPECT_EQ(dlg.programBar()->value(), 12);
    for (std::size_t i = 1; i < port.sent.size(); ++i)
        if (port.sent[i].command == 0x12)
            image.insert(image.end(), port.sent[i].payload.begin(), port.sent[i].payload.end());
    auto disk = readBytes(file);
    disk.resize(12288);
    EXPECT_EQ(image, disk);
}

TEST_F(MainWindowTest, APortThatCannotBeOpenedStartsNoTransfer)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("o.zrf"));
    host.files.push_back(writePattern(dir.file("o.wav"), 100));
    dlg.OnLoadWave();
    identify(dlg);
    host.boxes.clear();
    port.openResult = false;
    dlg.OnProgramAll();
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Open the module communication port error!!" });
    EXPECT_FALSE(dlg.busy());
    // The other commands are not held up.
    dlg.OnDelete();
    EXPECT_EQ(host.lastText(), "Please select the items you want to delete the resources");
}

TEST_F(MainWindowTest, ASilentModuleEndsTheTransferWithAMessage)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("s.zrf"));
    host.files.push_back(writePattern(dir.file("s.wav"), 100));
    dlg.OnLoadWave();
    identify(dlg);
    host.boxes.clear();
    dlg.OnProgramAll();
    ASSERT_TRUE(dlg.busy());
    // No acknowledgement ever comes: the window's own timers end it.
    QElapsedTimer t;
    t.start();
    while (dlg.busy() && t.elapsed() < 8000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(dlg.busy());
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Programming failed: the module stopped answering" });
    EXPECT_FALSE(port.open);
    // And the guarded commands work again.
    host.boxes.clear();
    dlg.OnDelete();
    EXPECT_EQ(host.lastText(), "Please select the items you want to delete the resources");
}

TEST_F(MainWindowTest, ClosingDuringATransferReleasesThePort)
{
    {
        CMainDlg dlg(host, port, listing);
        dlg.OnOpenResource(newFile("c.zrf"));
        host.files.push_back(writePattern(dir.file("c.wav"), 100));
        dlg.OnLoadWave();
        identify(dlg);
        dlg.OnProgramAll();
        ASSERT_TRUE(dlg.busy());
        ASSERT_TRUE(port.open);
        dlg.show();
        dlg.reject();
    }
    EXPECT_FALSE(port.open);
}

TEST_F(MainWindowTest, DroppedFilesGoThroughTheirCommands)
{
    CMainDlg dlg(host, port, listing);
    dlg.openDroppedFile(newFile("drop.zrf"));
    EXPECT_TRUE(dlg.m_store.isOpen);
    dlg.openDroppedFile(writeQuadrantBmp(dir.file("drop.bmp"), 16, 16));
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:16 Height:16 \nSize:512");
    dlg.openDroppedFile(writePattern(dir.file("12x12.asc"), 100));
    EXPECT_EQ(host.texts(), std::vector<std::string> { "ASCII lib file invalid" });
    host.boxes.clear();
    dlg.openDroppedFile(writePattern(dir.file("notes.txt"), 10));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find("notes.txt"), std::string::npos);
    EXPECT_TRUE(host.fileTitles.empty());
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
}

} // namespace
