// The whole road against the virtual module: New Resource, Load BMP, a pick,
// ">>LOAD", "Load Hzlib", "Load WAVE", "BMP Dis" with a new ignore colour,
// "Port Select" COM3, identification, "Program All" and "Send Over!!"; the
// module's received image must equal the file's used part.
#include "UiTestSupport.h"

#include "ui/CBitmapPreviewDlg.h"
#include "ui/CDibPicture.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

#include <cstdlib>

using namespace zarn;
using namespace zarn::test;
using namespace zarn::ui;

namespace {

class ScenarioTest : public UiTest {
protected:
    TempDir portDir;
    QProcess sim;

    void SetUp() override { ::setenv("ZARN_PORT_DIR", portDir.path().c_str(), 1); }
    // Port Select answered with COM3 (row 2).
    static void selectCom3(ScriptedHost& host)
    {
        host.dialogs.push_back([](QDialog& d) {
            auto& pd = dynamic_cast<CPortSelectDlg&>(d);
            pd.portList()->setCurrentIndex(2);
            pd.OnSelEndOk(2);
            EXPECT_EQ(pd.m_portStatus, "COM 3 Port has been connected");
            return int(QDialog::Accepted);
        });
    }
    void TearDown() override
    {
        sim.kill();
        sim.waitForFinished(3000);
    }

    void startSim(const QStringList& extra)
    {
        sim.start(ZARN_SIM_PATH, QStringList { "--port", "3", "--idle-timeout", "60" } + extra);
        ASSERT_TRUE(sim.waitForStarted(5000));
        QByteArray out;
        ASSERT_TRUE(waitUntil(
            [&] {
                sim.waitForReadyRead(10);
                out += sim.readAllStandardOutput();
                return out.contains("zarn-sim: COM3 ->");
            },
            10000))
            << out.toStdString();
    }
};

TEST_F(ScenarioTest, FromANewFileToAProgrammedModule)
{
    const std::string received = dir.file("received.bin");
    startSim({ "--model", "2404", "--memory", "4M", "--firmware", "7", "--once", "--save",
               QString::fromStdString(received) });

    CMainDlg dlg(host);
    dlg.show();

    // New Resource: row 4 "4 Zarn24 V10_W" (2404, 320 x 240), 4M.
    const std::string folder = dir.path().string() + "/";
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
    ASSERT_TRUE(dlg.m_store.isOpen) << host.lastText();
    const std::string file = folder + "road.zrf";

    // Load BMP, pick the red quadrant, >>LOAD.
    host.files.push_back(writeQuadrantBmp(dir.file("road.bmp"), 320, 240));
    dlg.OnLoadBmp();
    const QRect pic(dlg.pictureControl()->mapTo(&dlg, QPoint(0, 0)), dlg.pictureControl()->size());
    ASSERT_TRUE(dlg.pickAt(pic.topLeft() + QPoint(50, 50)));
    EXPECT_EQ(dlg.ignoreColorField()->text(), "0xf800");
    dlg.OnLoadItem();

    // Load Hzlib and Load WAVE, each appended.
    host.files.push_back(writePattern(dir.file("16X16.hzk"), 261696, 3));
    dlg.OnLoadHzlib();
    host.files.push_back(writePattern(dir.file("chime.wav"), 5000, 5));
    dlg.OnLoadWave();
    EXPECT_EQ(host.texts(), (Texts { "Loading GBK2312 lib file:\r16X16 Filesize:261696", "Loading Wave file: Filesize:5000" }));
    ASSERT_EQ(dlg.directoryList()->rowCount(), 3);

    // BMP Dis on row 0 with a new ignore colour from the lower right quadrant.
    dlg.directoryList()->selectRow(0);
    host.dialogs.push_back([](QDialog& d) {
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        p.show();
        EXPECT_EQ(p.ignoreColorField()->text(), "0xf800");
        EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().topLeft() + QPoint(240, 180)));
        return QDialog::Accepted;
    });
    dlg.showBitmapItem();
    EXPECT_EQ(dlg.directoryList()->item(0, 5)->text(), "0xcb26");

    // Port Select COM3: the status tells the port is there; detection starts.
    selectCom3(host);
    dlg.OnPortSelect();
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "No module connection");
    ASSERT_TRUE(waitUntil([&] { return dlg.detection().moduleIdentified(); }, 10000));
    EXPECT_EQ(dlg.moduleField()->toPlainText(), "Module connection...\nModule Type:Zarn24 V4\nFirmware version:Ver7");

    // Program All, then wait for "Send Over!!".
    host.boxes.clear();
    dlg.OnProgramAll();
    EXPECT_TRUE(dlg.busy()) << host.lastText();
    ASSERT_TRUE(waitUntil([&] { return !dlg.busy(); }, 90000)) << "blocks sent: " << dlg.counterField()->text().toStdString();
    EXPECT_EQ(host.texts(), Texts { "Send Over!!" });
    // For the README: the window as the road leaves it (set under a real display).
    if (const char* shot = std::getenv("ZARN_UI_SCREENSHOT"); shot && *shot)
        EXPECT_TRUE(dlg.grab().save(QString::fromLocal8Bit(shot)));

    ResourceStore s;
    s.path = file;
    ASSERT_TRUE(s.openResourceFile().ok);
    const std::uint32_t used = s.usedEnd();
    EXPECT_EQ(used, 430080u);
    EXPECT_EQ(dlg.programBar()->maximum(), 420);
    EXPECT_EQ(dlg.programBar()->value(), 420);
    EXPECT_EQ(dlg.counterField()->text(), "105");

    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardOutput().toStdString();
    auto image = readBytes(file);
    image.resize(used);
    EXPECT_EQ(readBytes(received), image);
}

TEST_F(ScenarioTest, ClosingDuringATransferLeavesThePortFree)
{
    // A slow module: the transfer is still running when the window goes.
    startSim({ "--memory", "4M", "--baud", "9600" });
    {
        CMainDlg dlg(host);
        dlg.OnOpenResource(newFile("close.zrf"));
        dlg.OnLoadWave(writePattern(dir.file("c.wav"), 20000));
        selectCom3(host);
        dlg.OnPortSelect();
        ASSERT_TRUE(waitUntil([&] { return dlg.detection().moduleIdentified(); }, 10000));
        dlg.OnProgramAll();
        ASSERT_TRUE(dlg.busy());
        waitUntil([] { return false; }, 300);
        ASSERT_TRUE(dlg.busy());
        dlg.show();
        dlg.reject();
    }
    // The port can be opened again at once: nothing holds it.
    ScriptedHost host2;
    CMainDlg again(host2);
    selectCom3(host2);
    again.OnPortSelect();
    EXPECT_TRUE(waitUntil([&] { return again.detection().moduleIdentified(); }, 10000));
    EXPECT_TRUE(host2.boxes.empty()) << host2.lastText();
}

} // namespace
