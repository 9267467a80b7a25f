// The Qt window wired to its commands, as a user drives it against the
// virtual module: the buttons, the real dialogs, a press on the picture and
// on the preview's frame, then "Port Select" COM3, identification, "Program
// All" and "Send Over!!"; the module's received image must equal the file's
// used part. Then the rest of the window's entries, and what only Qt shows:
// the message box with its cause, the list's columns.
#include "UiTestSupport.h"
#include "support/SimProcess.h"

#include "common/Messages.h"
#include "ui/UiTexts.h"
#include "ui/qt/PixelWidget.h"
#include "ui/qt/QtDialogs.h"

using namespace zarn;
using namespace zarn::test;
using namespace zarn::ui;

namespace {

using ScenarioTest = UiTest;

TEST_F(ScenarioTest, FromANewFileToAProgrammedModule)
{
    const std::string received = dir.file("received.bin");
    SimProcess sim({ "--model", "2404", "--memory", "4M", "--firmware", "7", "--once", "--save", received }, 3);
    ASSERT_TRUE(sim.ready()) << sim.out();
    ::setenv("ZARN_PORT_DIR", sim.link().parent_path().c_str(), 1); // where the window's channel finds COM3
    ScriptedWindow win;
    win.show();

    // New Resource: row 4 "4 Zarn24 V10_W" (2404, 320 x 240), 4M, in the folder "...." chose.
    win.folders.push_back(dir.path().string());
    onNextDialog<QtNewResourceDlg>([](QtNewResourceDlg& d) {
        d.modelList()->setCurrentIndex(4);
        emit d.modelList()->activated(4);
        d.nameField()->setText("road");
        d.folderButton()->click();
        d.okButton()->click();
    });
    win.button("New Resource")->click();
    ASSERT_TRUE(win.state().m_store.isOpen()) << (win.boxes.empty() ? "" : win.boxes.back());
    EXPECT_EQ(win.state().m_store.path(), dir.file("road.zrf"));

    // Load BMP, pick the red quadrant, >>LOAD.
    win.files.push_back(quadrantBmp("road.bmp", 320, 240));
    win.button("Load BMP")->click();
    press(win, win.pictureControl()->mapTo(&win, QPoint(50, 50)));
    EXPECT_EQ(win.ignoreColorField()->text(), "0xf800");
    EXPECT_EQ(win.swatch()->palette().color(QPalette::Window), QColor(255, 0, 0));
    win.button(">>LOAD")->click();

    // Load Hzlib and Load WAVE, each appended.
    win.files.push_back(patternFile(dir / "16X16.hzk", 261696, 3));
    win.button("Load Hzlib")->click();
    win.files.push_back(soundFile(dir / "chime.wav", 5000, 5));
    win.button("Load WAVE")->click();
    EXPECT_EQ(win.boxes,
        (Texts { dir.path().string() + "/", "Loading GBK2312 lib file:\r16X16 Filesize:261696",
            "Loading Wave file: Filesize:5000" }));
    ASSERT_EQ(win.directoryList()->rowCount(), 3);

    // BMP Dis on row 0 with a new ignore colour from the lower right quadrant.
    win.directoryList()->selectRow(0);
    onNextDialog<QtBitmapPreviewDlg>([](QtBitmapPreviewDlg& d) {
        EXPECT_EQ(d.ignoreColorField()->text(), "0xf800");
        press(d, d.frameControl()->geometry().topLeft() + QPoint(240, 180));
        EXPECT_EQ(d.ignoreColorField()->text(), "0xcb26");
        d.accept();
    });
    win.button("BMP Dis")->click();
    EXPECT_EQ(win.directoryList()->item(0, 5)->text(), "0xcb26");

    // Port Select COM3: the port is there; detection starts and identifies the module.
    onNextDialog<QtPortSelectDlg>([](QtPortSelectDlg& d) {
        d.portList()->setCurrentIndex(2);
        emit d.portList()->activated(2);
        EXPECT_EQ(d.statusField()->text(), "COM 3 Port has been connected");
        d.accept();
    });
    win.button("Port Select")->click();
    ASSERT_TRUE(waitUntil([&] { return win.state().m_moduleIdentified; }, 10000));
    EXPECT_EQ(win.moduleField()->toPlainText(), "Module connection...\nModule Type:Zarn24 V4\nFirmware version:Ver7");

    // Program All, then wait for "Send Over!!".
    win.boxes.clear();
    win.button("Program All")->click();
    EXPECT_TRUE(win.state().busy());
    ASSERT_TRUE(waitUntil([&] { return !win.state().busy(); }, 90000)) << win.counterField()->text().toStdString();
    EXPECT_EQ(win.boxes, Texts { kMsgSendOver });
    // For the README: the window as the road leaves it (set under a real display).
    const char* shot = std::getenv("ZARN_UI_SCREENSHOT");
    EXPECT_TRUE(!shot || !*shot || win.grab().save(QString::fromLocal8Bit(shot))) << shot;

    // 430080 bytes used: 105 blocks of 4096, shown in KiB and as the block counter.
    EXPECT_EQ(std::tuple(win.programBar()->maximum(), win.programBar()->value()), std::tuple(420, 420));
    EXPECT_EQ(win.counterField()->text(), "105");
    EXPECT_TRUE(win.progressText()->text().startsWith("430080 of 430080 bytes (100%), "))
        << win.progressText()->text().toStdString();
    EXPECT_EQ(sim.finish(10000ms), 0) << sim.out();
    auto image = readBytes(win.state().m_store.path());
    image.resize(win.state().m_store.usedEnd());
    EXPECT_EQ(readBytes(received), image);
}

TEST_F(ScenarioTest, TheOtherEntriesAndWhatOnlyQtShows)
{
    ScriptedWindow win;
    win.show();
    const std::string file = dir.file("BIG.ZRF");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    win.files.push_back(file);
    win.button("Open Resource")->click();
    ASSERT_TRUE(win.state().m_store.isOpen());
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(QString::fromStdString(patternFile(dir / "8X16.ASC", 4096))),
        QUrl::fromLocalFile(QString::fromStdString(patternFile(dir / "sound.wav", 5000000))) });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&win, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&win, &drop);
    EXPECT_EQ(win.boxes, (Texts { "Loading ASCII lib file:8X16 Filesize:4096", kMsgSpaceNotEnough }));
    win.files.push_back(patternFile(dir / "8x8.asc", 2048));
    win.button("Load Asciilib")->click();
    ASSERT_EQ(win.directoryList()->rowCount(), 2);
    win.directoryList()->selectRow(0);
    win.button("Delete")->click();
    ASSERT_EQ(win.directoryList()->rowCount(), 1);
    EXPECT_EQ(win.directoryList()->item(0, 2)->text(), "8*8");

    // The columns show their titles and texts whole, and all six fit the list.
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        total += win.directoryList()->columnWidth(c);
        EXPECT_GE(win.directoryList()->columnWidth(c), win.directoryList()->horizontalHeader()->sectionSizeHint(c));
    }
    EXPECT_LE(total, win.directoryList()->viewport()->width());

    // A real box: the program's caption, one OK, the short text first and the cause beneath it.
    QStringList seen;
    QTimer::singleShot(100, [&seen] {
        if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = { b->windowTitle(), b->text(), b->informativeText(), QString::number(b->buttons().size()) };
            b->button(QMessageBox::Ok)->click();
        }
    });
    win.QtMainDlg::showMessage(Message { kMsgFalse, "Cannot read \"x.wav\": Permission denied" });
    EXPECT_EQ(seen, (QStringList { kProgramName, kMsgFalse, "Cannot read \"x.wav\": Permission denied", "1" }));

    // The About box from the context menu.
    QString about;
    onNextDialog<QtAboutDlg>([&about](QtAboutDlg& d) {
        about = d.windowTitle() + "|" + d.findChild<QLabel*>("versionLine")->text();
        d.accept();
    });
    QTimer::singleShot(50, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            menu->setActiveAction(menu->actions().first());
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(menu, &enter);
        }
    });
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(10, 10), win.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&win, &menuEvent);
    EXPECT_EQ(about, "About Resource tool|Zarn Resource tool Ver 2.2 ");
    EXPECT_FALSE(win.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

} // namespace
