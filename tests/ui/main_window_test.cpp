// The main window: its controls and start state, each command's refusals in
// their order and texts, insertion and deletion through the list, the busy
// guard during a transfer, dropped files, other picture formats and the dither
// switch, the staging notice, and directory columns that never clip.
#include "UiTestSupport.h"

#include "import/StagingFile.h"
#include "resfile/DirectoryView.h"
#include "ui/CAboutDlg.h"
#include "ui/CDibPicture.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;

namespace {

using MainWindowTest = UiTest;
const std::string kNoFile = "Not Resource Open", kNoMark = "Please select the items you want to delete the resources";

// Each column at least its set width, its header text and its widest cell text,
// and all six within the list's visible part.
void expectNothingClipped(const CMainDlg& dlg, const char* when)
{
    const QTableWidget* list = dlg.directoryList();
    const QHeaderView* header = list->horizontalHeader();
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        const int width = list->columnWidth(c);
        total += width;
        const QString title = list->horizontalHeaderItem(c)->text();
        EXPECT_GE(width, kDirectoryColumns[c].width) << when << ": column " << c;
        EXPECT_GT(width, header->fontMetrics().horizontalAdvance(title)) << when << ": " << title.toStdString();
        EXPECT_GE(width, header->sectionSizeHint(c)) << when << ": " << title.toStdString();
        for (int r = 0; r < list->rowCount(); ++r) {
            const QString text = list->item(r, c)->text();
            EXPECT_GT(width, list->fontMetrics().horizontalAdvance(text) + 4) << when << ": '" << text.toStdString() << "'";
        }
    }
    QCoreApplication::processEvents();
    EXPECT_LE(total, list->viewport()->width()) << when;
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << when;
}

TEST_F(MainWindowTest, StartsWithItsControlsTextsAndNothingOpen)
{
    CMainDlg dlg(host, port, listing);
    EXPECT_EQ(dlg.windowTitle(), "Zarn series module resource tools");
    for (const char* b : { "New Resource", "Open Resource", "Port Select", "Load BMP", "Load Hzlib", "Load Asciilib",
                           "Load WAVE", "Program All", "Exit", ">>LOAD", "Delete", "BMP Dis" })
        EXPECT_NE(dlg.button(b), nullptr) << b;
    EXPECT_TRUE(dlg.button("Exit")->isDefault());
    EXPECT_EQ((QStringList { dlg.bitmapField()->toPlainText(), dlg.resourceField()->text(), dlg.moduleField()->toPlainText(),
                            dlg.ignoreColorField()->text(), dlg.counterField()->text() }),
              (QStringList { "Bitmap Message Output...", "Resource File Message Output...",
                             "Module Connection information output...", "", "0" }));
    EXPECT_EQ(dlg.spaceBar()->value() + dlg.programBar()->value(), 0);
    QStringList titles;
    for (int i = 0; i < dlg.directoryList()->columnCount(); ++i)
        titles << dlg.directoryList()->horizontalHeaderItem(i)->text();
    EXPECT_EQ(titles, (QStringList { "No.", "type", "points", "addr", "size", "ignore color" }));
    // "ignore color" does not fit the 60 dots it was given.
    EXPECT_GT(dlg.directoryList()->columnWidth(5), kDirectoryColumns[5].width);
    dlg.show();
    expectNothingClipped(dlg, "start");
    EXPECT_TRUE(dlg.directoryList()->showGrid());
    EXPECT_EQ(dlg.directoryList()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(dlg.m_store.isOpen || dlg.busy() || dlg.detection().linkEnabled());
    EXPECT_EQ(dlg.detection().comPort(), 3);
    // Detection stays off until a port is confirmed; a cancelled New Resource creates nothing.
    dlg.OnTimer();
    dlg.OnNewResource();
    EXPECT_TRUE(port.opens.empty() && listing.asked.empty() && host.boxes.empty() && !dlg.m_store.isOpen);
}

TEST_F(MainWindowTest, EnterPressesExitAndEscapeCancelsWithoutAsking)
{
    for (auto [key, result] : { std::pair { Qt::Key_Return, QDialog::Accepted }, { Qt::Key_Escape, QDialog::Rejected } }) {
        CMainDlg dlg(host, port, listing);
        dlg.show();
        dlg.directoryList()->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &press);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), result);
    }
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(MainWindowTest, AboutOpensTheAboutBoxEvenDuringATransfer)
{
    CMainDlg dlg(host, port, listing);
    startTransfer(dlg, 10);
    ASSERT_TRUE(dlg.busy());
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
    EXPECT_EQ(host.texts(), (Texts { kNoFile, kNoFile, kNoFile, kNoFile, kNoFile, kNoFile, "No module connection!!" }));
    for (const auto& b : host.boxes)
        EXPECT_EQ(b.caption, "ZarnTool");
    EXPECT_TRUE(host.fileTitles.empty()); // the imports refuse before any file dialog
}

TEST_F(MainWindowTest, OpenResourceShowsCapacityAndRefusesBadFiles)
{
    CMainDlg dlg(host, port, listing);
    const std::string good = newFile("good.zrf");
    host.files.push_back(std::nullopt); // Cancel: nothing at all
    dlg.OnOpenResource();
    EXPECT_EQ(host.fileTitles, Texts { "Open Resource File" });
    EXPECT_EQ(host.lastFilters(), (Texts { "Resource File(*.zrf) *.ZRF", "All Files(*.*) *.*" }));
    // An upper-case extension is silently refused.
    const std::string upper = dir.file("UPPER.ZRF");
    std::filesystem::copy_file(good, upper);
    dlg.OnOpenResource(upper);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(dlg.m_store.isOpen);

    dlg.OnOpenResource(good);
    ASSERT_TRUE(dlg.m_store.isOpen);
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:4194304 Remaining bytes:4190208");
    EXPECT_EQ(dlg.spaceBar()->maximum(), 4096);
    EXPECT_EQ(dlg.spaceBar()->value(), 4);
    // The picture control: 4:3 fills the 400 x 300 area; portrait keeps the height, wide keeps the width, centred.
    EXPECT_EQ(dlg.pictureControl()->geometry(), QRect(0, 0, 400, 300));
    dlg.OnOpenResource(newFile("portrait.zrf", 2404, 240, 320));
    EXPECT_EQ(dlg.pictureControl()->geometry(), QRect(200 - 112, 0, 225, 300));
    dlg.OnOpenResource(newFile("wide.zrf", 4308, 480, 272));
    EXPECT_EQ(dlg.pictureControl()->geometry(), QRect(0, 150 - 113, 400, 226));
    dlg.OnOpenResource(good);

    // A model code outside the table: "Resource File Error", no file open, path restored.
    auto bytes = readBytes(good);
    bytes[2] = 0x60; // 2400
    bytes[3] = 0x09;
    bytes.resize(8192);
    writeBytes(dir.file("bad.zrf"), bytes);
    dlg.OnOpenResource(dir.file("bad.zrf"));
    EXPECT_EQ(host.texts(), Texts { "Resource File Error" });
    EXPECT_FALSE(dlg.m_store.isOpen);
    EXPECT_EQ(dlg.m_store.path, good);
    // A file that cannot be read: a message naming it.
    dlg.OnOpenResource(dir.file("missing.zrf"));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find("missing.zrf"), std::string::npos) << host.boxes[1].text;
    EXPECT_FALSE(dlg.m_store.isOpen);
}

TEST_F(MainWindowTest, LoadItemInsertsAfterTheSelectionMarkAndDeleteRemovesIt)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    dlg.OnOpenResource(newFile("items.zrf"));
    dlg.OnLoadItem();
    EXPECT_EQ(host.texts(), Texts { "Not Pictrue loaded" });
    host.boxes.clear();

    host.files.push_back(writeQuadrantBmp(dir.file("pic.bmp"), 32, 24));
    dlg.OnLoadBmp();
    EXPECT_EQ(host.fileTitles.back(), "Open BMP File");
    EXPECT_EQ(dlg.m_strBitmapMsg, "Load Bitmap 16bit color Width:32 Height:24 \r\nSize:1536");
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:32 Height:24 \nSize:1536");
    dlg.OnLoadItem();
    dlg.OnLoadItem();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2);
    EXPECT_EQ(row(dlg, 1), (QStringList { "1", "True color bmp", "32*24", "8192", "1536", "0x0000" }));

    // A WAVE file with the mark on row 0 goes to row 1; the row behind it is renumbered.
    dlg.directoryList()->selectRow(0);
    host.files.push_back(writePattern(dir.file("sound.wav"), 5000));
    dlg.OnLoadWave();
    EXPECT_EQ(host.fileTitles.back(), "Load WAVE File");
    EXPECT_EQ(host.texts(), Texts { "Loading Wave file: Filesize:5000" });
    ASSERT_EQ(dlg.directoryList()->rowCount(), 3);
    EXPECT_EQ(row(dlg, 1), (QStringList { "1", "Wave file", "", "8192", "5000", "0x0000" }));
    EXPECT_EQ(row(dlg, 2), (QStringList { "2", "True color bmp", "32*24", "16384", "1536", "0x0000" }));
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:4194304 Remaining bytes:4173824");
    expectNothingClipped(dlg, "after inserts");

    // Delete without a mark, then with one.
    host.boxes.clear();
    dlg.directoryList()->clearSelection();
    dlg.directoryList()->setCurrentIndex(QModelIndex());
    dlg.OnDelete();
    EXPECT_EQ(host.texts(), Texts { kNoMark });
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_EQ(host.boxes.size(), 1u);
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2);
    EXPECT_EQ(row(dlg, 1), (QStringList { "1", "True color bmp", "32*24", "8192", "1536", "0x0000" }));
    EXPECT_EQ(dlg.resourceField()->text(), "Resource File size:4194304 Remaining bytes:4182016");
    expectNothingClipped(dlg, "after delete");
    ResourceStore again; // the file on disk agrees with the list
    again.path = dlg.m_store.path;
    ASSERT_TRUE(again.openResourceFile().ok);
    EXPECT_EQ(again.itemCount, 2);
    EXPECT_EQ(again.directory[1].address, 8192u);

    for (int i = 0; i < 2; ++i) {
        dlg.directoryList()->selectRow(0);
        dlg.OnDelete();
    }
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
    dlg.OnDelete();
    EXPECT_EQ(host.lastText(), "Not items of Resource file");
}

// Another program (here the command line) changes the open file: the window's
// next change reads the file again instead of writing its old directory back,
// says so, and the repeated command then works on the file as it is.
TEST_F(MainWindowTest, AChangeByAnotherProgramIsReadAgainNotOverwritten)
{
    auto zarnres = [](const QStringList& args) {
        QProcess run;
        run.setStandardOutputFile(QProcess::nullDevice());
        run.start(ZARNRES_PATH, args);
        return run.waitForFinished() ? run.exitCode() : -1;
    };
    CMainDlg dlg(host, port, listing);
    const std::string file = newFile("shared.zrf");
    dlg.OnOpenResource(file);
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("pic.bmp"), 32, 24));
    dlg.OnLoadItem();
    const std::string other = writePattern(dir.file("other.wav"), 7000, 5);
    ASSERT_EQ(zarnres({ "add", QString::fromStdString(file), QString::fromStdString(other) }), 0);

    dlg.OnLoadItem();
    const std::string readAgain = std::string(kMsgFileReadAgain) + ". Resource File size:4194304 Remaining bytes:4177920";
    EXPECT_EQ(dlg.resourceField()->text().toStdString(), readAgain);
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2);
    EXPECT_EQ(row(dlg, 1), (QStringList { "1", "Wave file", "", "8192", "7000", "0x0000" }));
    dlg.OnLoadItem();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 3);

    ASSERT_EQ(zarnres({ "delete", QString::fromStdString(file), "0" }), 0);
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_EQ(dlg.resourceField()->text().toStdString().rfind(kMsgFileReadAgain, 0), 0u);
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2) << "the list shows the file as the other program left it";
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();

    ResourceStore onDisk;
    onDisk.path = file;
    ASSERT_TRUE(onDisk.openResourceFile().ok);
    ASSERT_EQ(onDisk.itemCount, 1);
    std::vector<std::uint8_t> item;
    ASSERT_TRUE(onDisk.readItem(0, item).ok);
    EXPECT_EQ(item, readBytes(other)) << "the other program's item is intact";
}

TEST_F(MainWindowTest, FontLibrariesConfirmThenInsertAndRefuseBadNames)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    dlg.OnOpenResource(newFile("fonts.zrf"));
    const std::string hzk = writePattern(dir.file("16X16.hzk"), 261696);
    host.files.push_back(hzk);
    dlg.OnLoadHzlib();
    EXPECT_EQ(host.fileTitles.back(), "Load GBK2312 lib File");
    EXPECT_EQ(host.lastFilters(), (Texts { "Resource File(*.hzk) *.HZK", "Resource File(*.big) *.BIG",
                                           "Resource File(*.kzk) *.KZK", "All Files(*.*) *.*" }));
    EXPECT_EQ(host.texts(), Texts { "Loading GBK2312 lib file:\r16X16 Filesize:261696" });
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(row(dlg, 0), (QStringList { "0", "GB2312 lib", "16*16", "4096", "261696", "0x0000" }));
    EXPECT_EQ(readBytes(dlg.m_store.path).at(4096), readBytes(hzk).at(0));

    // Name without a glyph size; an upper-case extension does nothing.
    host.boxes.clear();
    dlg.OnLoadHzlib(writePattern(dir.file("HZK16.hzk"), 10));
    dlg.OnLoadHzlib(writePattern(dir.file("16X16.HZK"), 261696));
    EXPECT_EQ(host.texts(), Texts { "GBK2312 lib file invalid" });
    // ASCII: its own title and a confirmation without a line break.
    host.boxes.clear();
    host.files.push_back(writePattern(dir.file("8X16.asc"), 4096));
    dlg.OnLoadAsciilib();
    EXPECT_EQ(host.fileTitles.back(), "Load ACII Lib File");
    EXPECT_EQ(host.texts(), Texts { "Loading ASCII lib file:8X16 Filesize:4096" });
    // A WAVE file with an upper-case extension does nothing; a missing one is named.
    host.boxes.clear();
    dlg.OnLoadWave(writePattern(dir.file("LOUD.WAV"), 100));
    dlg.OnLoadWave(dir.file("gone.wav"));
    EXPECT_EQ(host.texts(), Texts { "Open WAVE file failure" });
    dlg.OnOpenResource(dlg.m_store.path); // reopening refreshes the whole list
    EXPECT_EQ(dlg.directoryList()->rowCount(), 2);
    expectNothingClipped(dlg, "font libraries");
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
    EXPECT_EQ(dlg.detection().comPort(), 3);
    EXPECT_FALSE(dlg.detection().linkEnabled());
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
    dlg.OnOpenResource(newFile("m.zrf", 2804));
    identify(dlg, 2404);
    dlg.OnProgramAll();
    EXPECT_EQ(host.lastText(), "Resource file version does not match the module hardware");
    dlg.OnOpenResource(newFile("n.zrf", 2401));
    dlg.OnProgramAll();
    EXPECT_EQ(host.lastText(), "Items not available in the resource file");
    EXPECT_FALSE(dlg.busy());
}

TEST_F(MainWindowTest, BusyGuardDuringATransfer)
{
    CMainDlg dlg(host, port, listing);
    startTransfer(dlg, 5000, "busy.zrf");
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    ASSERT_TRUE(dlg.busy());
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0].command, 0x10);
    EXPECT_EQ(port.sent[0].payload, (std::vector<std::uint8_t> { 0, 0, 0, 0, 0x00, 0x30, 0, 0 }));
    EXPECT_EQ(port.opens.back(), 115200);
    EXPECT_EQ(dlg.programBar()->maximum(), 12);

    const std::size_t titlesBefore = host.fileTitles.size();
    for (auto command : { &CMainDlg::OnNewResource, &CMainDlg::OnProgramAll, &CMainDlg::OnLoadItem, &CMainDlg::OnDelete,
                          &CMainDlg::showBitmapItem, &CMainDlg::OnMakeFontLibrary })
        (dlg.*command)();
    for (auto command : { &CMainDlg::OnOpenResource, &CMainDlg::OnLoadHzlib, &CMainDlg::OnLoadAsciilib, &CMainDlg::OnLoadWave })
        (dlg.*command)(std::nullopt);
    Texts expected { "Programming Module..." };
    expected.insert(expected.end(), 9, "Programming module...");
    EXPECT_EQ(host.texts(), expected);
    EXPECT_EQ(host.fileTitles.size(), titlesBefore);

    // "Load BMP" and "Port Select" still run.
    host.boxes.clear();
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("during.bmp"), 8, 8));
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:8 Height:8 \nSize:128");
    bool portDialogRan = false;
    host.dialogs.push_back([&](QDialog&) {
        portDialogRan = true;
        return int(QDialog::Rejected);
    });
    dlg.OnPortSelect();
    EXPECT_TRUE(portDialogRan);
    EXPECT_TRUE(host.boxes.empty());
    // The acknowledgements that drive the rest to "Send Over!!" are the scenario test's road.
}

TEST_F(MainWindowTest, APortThatCannotBeOpenedStartsNoTransfer)
{
    CMainDlg dlg(host, port, listing);
    startTransfer(dlg, 100, "t.zrf", false);
    EXPECT_EQ(host.texts(), Texts { "Open the module communication port error!!" });
    EXPECT_FALSE(dlg.busy());
    dlg.OnDelete(); // the other commands are not held up
    EXPECT_EQ(host.lastText(), kNoMark);
}

TEST_F(MainWindowTest, ASilentModuleEndsTheTransferWithAMessage)
{
    CMainDlg dlg(host, port, listing);
    startTransfer(dlg);
    ASSERT_TRUE(dlg.busy());
    // No acknowledgement ever comes: the window's own timers end it.
    waitUntil([&] { return !dlg.busy(); }, 8000);
    EXPECT_FALSE(dlg.busy());
    EXPECT_EQ(host.texts(), Texts { "Programming failed: the module stopped answering" });
    EXPECT_FALSE(port.open);
    dlg.OnDelete(); // the guarded commands work again
    EXPECT_EQ(host.lastText(), kNoMark);
}

TEST_F(MainWindowTest, DroppedFilesGoThroughTheirCommands)
{
    CMainDlg dlg(host, port, listing);
    dlg.openDroppedFile(newFile("drop.zrf"));
    EXPECT_TRUE(dlg.m_store.isOpen);
    dlg.openDroppedFile(writeQuadrantBmp(dir.file("drop.bmp"), 16, 16));
    EXPECT_EQ(dlg.bitmapField()->toPlainText(), "Load Bitmap 16bit color Width:16 Height:16 \nSize:512");
    dlg.openDroppedFile(writePattern(dir.file("12x12.asc"), 100));
    dlg.openDroppedFile(writePattern(dir.file("notes.txt"), 10));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].text, "ASCII lib file invalid");
    EXPECT_NE(host.boxes[1].text.find("notes.txt"), std::string::npos);
    EXPECT_TRUE(host.fileTitles.empty());
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
}

// Other picture formats and the dither switch: "Load BMP" stages the picture in the file given here.
class PicturesTest : public UiTest {
protected:
    std::string staging = dir.file("ttt.tmp");
    std::vector<std::uint8_t> staged() { return readBytes(staging); }
    // A slow ramp: the kind of picture where 16-bit colour bands.
    std::string ramp(const char* name, int w, int h, const char* format = nullptr)
    {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb(x * 255 / (w - 1), 40 + y, 200 - x / 4));
        EXPECT_TRUE(img.save(QString::fromStdString(dir.file(name)), format));
        return dir.file(name);
    }
};

TEST_F(PicturesTest, LoadBmpOffersImageFilesAndTakesAPngLikeTheSameBmp)
{
    CMainDlg dlg(host, port, listing);
    dlg.stagingPathSource = [this](std::string*) { return staging; };
    dlg.OnOpenResource(newFile("p.zrf"));
    host.files.push_back(ramp("ramp.bmp", 400, 200, "BMP"));
    dlg.OnLoadBmp();
    EXPECT_EQ(host.lastFilters(), (Texts { "BMP File(*.BMP) *.BMP", "All Files(*.*) *.*", "Image Files(*.PNG;*.JPG;*.JPEG;*.GIF) *.PNG *.JPG *.JPEG *.GIF" }));
    const auto bmpStaged = staged();

    dlg.OnLoadBmp(ramp("ramp.png", 400, 200));
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    EXPECT_EQ(dlg.m_strBitmapMsg, "Load Bitmap 16bit color Width:320 Height:160 \r\nSize:102400");
    EXPECT_EQ(staged(), bmpStaged);
    dlg.OnLoadItem();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 1)->text(), "True color bmp");
}

TEST_F(PicturesTest, DitherSwitchInTheContextMenuAppliesFromTheNextLoad)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    dlg.stagingPathSource = [this](std::string*) { return staging; };
    const std::string png = ramp("ramp.png", 300, 100);
    dlg.OnLoadBmp(png);
    const auto plain = staged();
    ASSERT_FALSE(plain.empty());
    EXPECT_FALSE(dlg.pictureControl()->picture().m_bDither);

    EXPECT_TRUE(chooseInContextMenu(dlg, "Dither true-colour pictures").contains("Dither true-colour pictures"));
    EXPECT_TRUE(dlg.pictureControl()->picture().m_bDither);
    dlg.OnLoadBmp(png);
    EXPECT_EQ(staged().size(), plain.size()); // same fit, same size
    EXPECT_NE(staged(), plain);               // but the colours are diffused

    chooseInContextMenu(dlg, "Dither true-colour pictures");
    EXPECT_FALSE(dlg.pictureControl()->picture().m_bDither);
    dlg.OnLoadBmp(png);
    EXPECT_EQ(staged(), plain);
}

TEST_F(MainWindowTest, StagingFallbackIsToldOnceAndThePictureStillLoads)
{
    // A plain file where the program's folder should be: no Temp folder can be made in it.
    const std::string blocked = writePattern(dir.file("program"), 10), cache = dir.file("cache");
    CMainDlg dlg(host, port, listing);
    dlg.stagingPathSource = [&](std::string* notice) { return stagingFilePathFor(blocked, cache, notice); };
    dlg.OnOpenResource(newFile("pics.zrf"));
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("a.bmp"), 16, 8));
    ASSERT_EQ(host.boxes.size(), 1u);
    const std::string expectedPath = cache + "/zarntool/Temp/ttt.tmp";
    EXPECT_NE(host.boxes[0].text.find(blocked), std::string::npos) << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find(expectedPath), std::string::npos) << host.boxes[0].text;
    EXPECT_EQ(dlg.stagingPath(), expectedPath);
    EXPECT_EQ(std::filesystem::file_size(expectedPath), 256u);
    // The next picture says nothing more.
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("b.bmp"), 8, 8));
    dlg.OnLoadItem();
    EXPECT_EQ(host.boxes.size(), 1u) << host.lastText();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 4)->text(), "128");

    // A writable program folder says nothing.
    CMainDlg quiet(host, port, listing);
    quiet.stagingPathSource = [&](std::string* notice) { return stagingFilePathFor(dir.path().string(), cache, notice); };
    quiet.OnLoadBmp(writeQuadrantBmp(dir.file("c.bmp"), 16, 8));
    EXPECT_EQ(host.boxes.size(), 1u) << host.lastText();
    EXPECT_EQ(quiet.stagingPath(), dir.file("Temp/ttt.tmp"));
}

} // namespace
