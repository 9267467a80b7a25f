// The whole road against the virtual module: New Resource, Load BMP, a pick,
// ">>LOAD", "Load Hzlib", "Load WAVE", "BMP Dis" with a new ignore colour,
// "Port Select" COM3, identification, "Program All" and "Send Over!!"; the
// module's received image must equal the file's used part.
#include "UiTestSupport.h"
#include "support/SimProcess.h"

#include "ui/CBitmapPreviewDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

using namespace zarn;
using namespace zarn::test;
using namespace zarn::ui;

namespace {

using ScenarioTest = UiTest;

TEST_F(ScenarioTest, FromANewFileToAProgrammedModule)
{
    const std::string received = dir.file("received.bin"), folder = dir.path().string() + "/";
    SimProcess sim({ "--model", "2404", "--memory", "4M", "--firmware", "7", "--once", "--save", received }, 3);
    ASSERT_TRUE(sim.ready()) << sim.out();
    ::setenv("ZARN_PORT_DIR", sim.link().parent_path().c_str(), 1); // where the window's channel finds COM3
    CMainDlg dlg(host);
    dlg.show();

    // New Resource: row 4 "4 Zarn24 V10_W" (2404, 320 x 240), 4M.
    host.dialogs.push_back([&](QDialog& d) {
        auto& nd = dynamic_cast<CNewResourceDlg&>(d);
        nd.m_strFolder = folder;
        nd.modelList()->setCurrentIndex(4);
        nd.OnModelChange();
        nd.nameField()->setText("road");
        nd.OnOK();
        return nd.result();
    });
    dlg.OnNewResource();
    ASSERT_TRUE(dlg.m_store.isOpen()) << host.last();

    // Load BMP, pick the red quadrant, >>LOAD.
    host.files.push_back(quadrantBmp("road.bmp", 320, 240));
    dlg.OnLoadBmp();
    ASSERT_TRUE(dlg.pickAt(dlg.pictureControl()->mapTo(&dlg, QPoint(50, 50))));
    EXPECT_EQ(dlg.ignoreColorField()->text(), "0xf800");
    dlg.OnLoadItem();

    // Load Hzlib and Load WAVE, each appended.
    host.files.push_back(patternFile(dir / "16X16.hzk", 261696, 3));
    dlg.OnLoadHzlib();
    host.files.push_back(soundFile(dir / "chime.wav", 5000, 5));
    dlg.OnLoadWave();
    EXPECT_EQ(
        host.boxes, (Texts { "Loading GBK2312 lib file:\r16X16 Filesize:261696", "Loading Wave file: Filesize:5000" }));
    ASSERT_EQ(dlg.directoryList()->rowCount(), 3);

    // BMP Dis on row 0 with a new ignore colour from the lower right quadrant.
    dlg.directoryList()->selectRow(0);
    host.dialogs.push_back([](QDialog& d) {
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        p.show();
        EXPECT_EQ(p.ignoreColorField()->text(), "0xf800");
        EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().topLeft() + QPoint(240, 180)));
        return int(QDialog::Accepted);
    });
    dlg.showBitmapItem();
    EXPECT_EQ(dlg.directoryList()->item(0, 5)->text(), "0xcb26");

    // Port Select COM3 (row 2): the port is there; detection starts and identifies the module.
    host.dialogs.push_back([](QDialog& d) {
        auto& pd = dynamic_cast<CPortSelectDlg&>(d);
        pd.portList()->setCurrentIndex(2);
        pd.OnSelEndOk(2);
        EXPECT_EQ(pd.m_portStatus, "COM 3 Port has been connected");
        return int(QDialog::Accepted);
    });
    dlg.OnPortSelect();
    ASSERT_TRUE(waitUntil([&] { return dlg.detection().moduleIdentified(); }, 10000));
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "Module connection...\nModule Type:Zarn24 V4\nFirmware version:Ver7");

    // Program All, then wait for "Send Over!!".
    host.boxes.clear();
    dlg.OnProgramAll();
    EXPECT_TRUE(dlg.busy()) << host.last();
    ASSERT_TRUE(waitUntil([&] { return !dlg.busy(); }, 90000)) << dlg.counterField()->text().toStdString();
    EXPECT_EQ(host.boxes, Texts { kMsgSendOver });
    // For the README: the window as the road leaves it (set under a real display).
    const char* shot = std::getenv("ZARN_UI_SCREENSHOT");
    EXPECT_TRUE(!shot || !*shot || dlg.grab().save(QString::fromLocal8Bit(shot))) << shot;

    // 430080 bytes used: 105 blocks of 4096, shown in KiB and as the block counter.
    EXPECT_EQ(dlg.programBar()->maximum(), 420);
    EXPECT_EQ(dlg.programBar()->value(), 420);
    EXPECT_EQ(dlg.counterField()->text(), "105");
    EXPECT_EQ(sim.finish(10000ms), 0) << sim.out();
    auto image = readBytes(dlg.m_store.path());
    image.resize(dlg.m_store.usedEnd());
    EXPECT_EQ(readBytes(received), image);
}

} // namespace
