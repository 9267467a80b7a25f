// The main window as a client of the core: one refusal and one insertion
// reaching the screen, the list kept equal to the file, a change by another
// program read again, the busy guard and a silent module during a transfer,
// dropped files, other picture formats and dithering, transparency over the
// ignore colour of ">>LOAD", the staging fallback, and directory columns that
// never clip.
#include "UiTestSupport.h"
#include "support/Run.h"

#include "import/StagingFile.h"
#include "link/Protocol.h"
#include "resfile/DirectoryView.h"
#include "ui/UiTexts.h"

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;

namespace {

class MainWindowTest : public UiTest {
protected:
    const std::string staging = dir.file("ttt.tmp");
    CMainDlg dlg { host, port, listing };
    MainWindowTest()
    {
        dlg.stagingPathSource = [this](std::string*) { return staging; };
    }

    // A file holding one sound of `size` bytes, Port Select confirmed, the module identified, "Program All".
    void startTransfer(std::size_t size)
    {
        dlg.OnOpenResource(newFile("t.zrf"));
        dlg.OnLoadWave(patternFile(dir / "t.wav", size));
        host.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
        dlg.OnPortSelect();
        dlg.OnTimer(); // opens the port
        dlg.OnTimer(); // asks
        const auto reply = identificationReply(3, 2404, 4194304);
        port.deliver(0x00, { reply.begin(), reply.end() });
        host.boxes.clear();
        dlg.OnProgramAll();
    }

    // Every row shows the entry the file on disk holds, and every column its header and texts whole.
    void expectListShowsTheFile(const char* when)
    {
        ResourceStore onDisk;
        ASSERT_TRUE(onDisk.openResourceFile(dlg.m_store.path()).ok) << when;
        QCoreApplication::processEvents();
        const QTableWidget* list = dlg.directoryList();
        ASSERT_EQ(list->rowCount(), onDisk.itemCount()) << when;
        int total = 0;
        for (int c = 0; c < 6; ++c) {
            total += list->columnWidth(c);
            EXPECT_GE(list->columnWidth(c), list->horizontalHeader()->sectionSizeHint(c)) << when << ": column " << c;
            for (int r = 0; r < list->rowCount(); ++r) {
                const QString text = list->item(r, c)->text();
                EXPECT_EQ(text.toStdString(), directoryRowTexts(onDisk.entry(r), r)[c]) << when << ": row " << r;
                EXPECT_GT(list->columnWidth(c), list->fontMetrics().horizontalAdvance(text) + 4)
                    << when << ": " << text.toStdString();
            }
        }
        EXPECT_LE(total, list->viewport()->width()) << when;
    }
};

TEST_F(MainWindowTest, RefusalsOfTheCoreReachABoxBeforeAnyFileDialog)
{
    dlg.OnLoadItem();
    dlg.OnLoadWave();
    dlg.OnProgramAll();
    EXPECT_EQ(host.boxes, (Texts { kMsgNotResourceOpen, kMsgNotResourceOpen, kMsgNoModuleConnectionBang }));
    EXPECT_TRUE(host.fileTitles.empty());
}

TEST_F(MainWindowTest, InsertionsGoAfterTheMarkAndTheListShowsTheFileWithNothingClipped)
{
    dlg.show();
    dlg.OnOpenResource(newFile("items.zrf"));
    expectListShowsTheFile("empty");
    dlg.OnLoadBmp(quadrantBmp("pic.bmp", 32, 24));
    dlg.OnLoadItem();
    dlg.OnLoadItem();
    // With the mark on row 0 the sound goes to row 1: the bitmap behind it moves up in the file.
    dlg.directoryList()->selectRow(0);
    dlg.OnLoadWave(soundFile(dir / "sound.wav", 5000));
    EXPECT_EQ(host.boxes, Texts { "Loading Wave file: Filesize:5000" });
    EXPECT_EQ(dlg.directoryList()->item(1, 1)->text(), "Wave file");
    expectListShowsTheFile("after the insertions");
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_TRUE(dlg.directoryList()->findItems("Wave file", Qt::MatchExactly).empty());
    expectListShowsTheFile("after the deletion");
}

// Another program (here the command line) changes the open file: the window's
// next change reads the file again instead of writing its old directory back,
// says so, and the repeated command then works on the file as it is.
TEST_F(MainWindowTest, AChangeByAnotherProgramIsReadAgainNotOverwritten)
{
    const std::string file = newFile("shared.zrf"), other = patternFile(dir / "other.wav", 7000, 5);
    dlg.OnOpenResource(file);
    dlg.OnLoadBmp(quadrantBmp("pic.bmp", 32, 24));
    dlg.OnLoadItem();
    ASSERT_EQ(runZarnres({ "add", file, other }).status, 0);

    dlg.OnLoadItem();
    EXPECT_EQ(dlg.resourceField()->text().toStdString().rfind(kMsgFileReadAgain, 0), 0u);
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2) << "the list shows the file as the other program left it";
    dlg.OnLoadItem();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 3);

    ASSERT_EQ(runZarnres({ "delete", file, "0" }).status, 0);
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_EQ(dlg.resourceField()->text().toStdString().rfind(kMsgFileReadAgain, 0), 0u);
    ASSERT_EQ(dlg.directoryList()->rowCount(), 2);
    dlg.directoryList()->selectRow(1);
    dlg.OnDelete();
    EXPECT_TRUE(host.boxes.empty()) << host.last();

    ResourceStore onDisk;
    ASSERT_TRUE(onDisk.openResourceFile(file).ok);
    ASSERT_EQ(onDisk.itemCount(), 1);
    std::vector<std::uint8_t> item;
    ASSERT_TRUE(onDisk.readItem(0, item).ok);
    EXPECT_EQ(item, readBytes(other)) << "the other program's item is intact";
}

TEST_F(MainWindowTest, DuringATransferOnlyLoadBmpAndPortSelectRun)
{
    startTransfer(5000);
    ASSERT_TRUE(dlg.busy()) << host.last();
    host.dialogs.push_back([](QDialog&) { return int(QDialog::Rejected); }); // for the first dialog that runs
    for (auto command : { &CMainDlg::OnNewResource, &CMainDlg::OnProgramAll, &CMainDlg::OnLoadItem, &CMainDlg::OnDelete,
             &CMainDlg::showBitmapItem, &CMainDlg::OnMakeFontLibrary })
        (dlg.*command)();
    for (auto command :
        { &CMainDlg::OnOpenResource, &CMainDlg::OnLoadHzlib, &CMainDlg::OnLoadAsciilib, &CMainDlg::OnLoadWave })
        (dlg.*command)(std::nullopt);
    Texts expected { kMsgProgrammingModuleNew };
    expected.insert(expected.end(), 9, kMsgProgrammingModule);
    EXPECT_EQ(host.boxes, expected);
    EXPECT_TRUE(host.fileTitles.empty());
    EXPECT_EQ(host.dialogs.size(), 1u);

    dlg.OnLoadBmp(quadrantBmp("during.bmp", 8, 8));
    EXPECT_TRUE(dlg.pictureControl()->picture().loaded());
    dlg.OnPortSelect();
    EXPECT_TRUE(host.dialogs.empty());
    EXPECT_EQ(host.boxes.size(), expected.size()) << host.last();
}

TEST_F(MainWindowTest, ASilentModuleEndsTheTransferWithItsMessage)
{
    startTransfer(100);
    ASSERT_TRUE(dlg.busy()) << host.last();
    // The start is acknowledged, then nothing more: the session's own watchdog ends it.
    port.deliver(0x10, {});
    EXPECT_TRUE(waitUntil([&] { return !dlg.busy(); }, 8000));
    EXPECT_EQ(host.boxes, Texts { kMsgProgrammingFailed });
    EXPECT_FALSE(port.open);
    dlg.OnDelete(); // the guarded commands work again
    EXPECT_EQ(host.last(), kMsgSelectItemToDelete);
}

TEST_F(MainWindowTest, DroppedFilesGoThroughTheirCommands)
{
    dlg.openDroppedFile(newFile("drop.zrf"));
    EXPECT_TRUE(dlg.m_store.isOpen());
    dlg.openDroppedFile(quadrantBmp("drop.bmp", 16, 16));
    EXPECT_TRUE(dlg.pictureControl()->picture().loaded());
    dlg.openDroppedFile(patternFile(dir / "12x12.asc", 100)); // not 12 * 12 glyphs long: "Load Asciilib" refuses it
    dlg.openDroppedFile(patternFile(dir / "notes.txt", 10));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0], kMsgAsciiInvalid);
    EXPECT_NE(host.boxes[1].find("notes.txt"), std::string::npos);
    EXPECT_TRUE(host.fileTitles.empty());
    EXPECT_EQ(dlg.directoryList()->rowCount(), 0);
}

TEST_F(MainWindowTest, LoadBmpTakesOtherFormatsAndTheDitherSwitchAppliesFromTheNextLoad)
{
    // The grey quadrant is where 16-bit colour leaves an error for dithering to spread.
    const std::string bmp = quadrantBmp("q.bmp", 64, 48), png = dir.file("q.png");
    ASSERT_TRUE(QImage(QString::fromStdString(bmp)).save(QString::fromStdString(png)));
    dlg.show();
    dlg.OnLoadBmp(bmp);
    const auto plain = readBytes(staging);
    dlg.OnLoadBmp(png);
    EXPECT_TRUE(host.boxes.empty()) << host.last();
    EXPECT_EQ(readBytes(staging), plain);

    EXPECT_TRUE(chooseInContextMenu(dlg, ui::kDitherMenuText).contains(ui::kDitherMenuText));
    dlg.OnLoadBmp(png);
    EXPECT_EQ(readBytes(staging).size(), plain.size()); // same fit, same size
    EXPECT_NE(readBytes(staging), plain); // but the colours are diffused
    chooseInContextMenu(dlg, ui::kDitherMenuText);
    dlg.OnLoadBmp(png);
    EXPECT_EQ(readBytes(staging), plain);
}

TEST_F(MainWindowTest, LoadFillsTransparencyWithTheIgnoreColourPickedAfterLoadBmp)
{
    QImage image(64, 48, QImage::Format_ARGB32); // left half opaque red, right half transparent
    image.fill(Qt::transparent);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x)
            image.setPixel(x, y, qRgb(255, 0, 0));
    ASSERT_TRUE(image.save(QString::fromStdString(dir.file("half.png"))));
    dlg.show();
    dlg.OnOpenResource(newFile("clear.zrf"));
    dlg.OnLoadBmp(dir.file("half.png")); // while the ignore colour is 0x0000
    const QWidget* pic = dlg.pictureControl();
    ASSERT_TRUE(dlg.pickAt(pic->mapTo(&dlg, QPoint(pic->width() - 3, pic->height() - 3)))); // the blue around it
    dlg.OnLoadItem();
    Bytes item;
    ASSERT_TRUE(dlg.m_store.readItem(0, item).ok);
    EXPECT_EQ(std::tuple(dlg.m_store.entry(0).ignoreColor, item[0] | item[1] << 8, item[126] | item[127] << 8),
        std::tuple(0x001F, 0xF800, 0x001F));
}

TEST_F(MainWindowTest, TheStagingFallbackIsToldOnceAndThePictureStillLoads)
{
    // A plain file where the program's folder should be: no Temp folder can be made in it.
    const std::string blocked = patternFile(dir / "program", 10);
    dlg.stagingPathSource = [&](std::string* notice) { return stagingFilePathFor(blocked, dir.file("cache"), notice); };
    dlg.OnOpenResource(newFile("pics.zrf"));
    dlg.OnLoadBmp(quadrantBmp("a.bmp", 16, 8));
    dlg.OnLoadBmp(quadrantBmp("b.bmp", 8, 8));
    dlg.OnLoadItem();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].find(dlg.stagingPath()), std::string::npos) << host.boxes[0];
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 4)->text(), "128");
}

} // namespace
