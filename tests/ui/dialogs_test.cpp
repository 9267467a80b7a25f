// The command dialogs: "Create New Resource File" (rows, sizes, OK keeping the
// dialog open on failure, the folder button), "Port Select", the About box, the
// real message boxes, and every window showing its controls whole at its default
// size (with ZARN_UI_SHOTS_DIR set, each face is saved as a PNG).
#include "UiTestSupport.h"

#include "ui/CAboutDlg.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CFolderDialog.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

#include <cstdlib>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CNewResourceDlg;

namespace {

class DialogsTest : public UiTest {
protected:
    static std::string enabledSizes(const CNewResourceDlg& d)
    {
        std::string s;
        for (int i = 0; i < 4; ++i)
            s += d.sizeButton(i)->isEnabled() ? '1' : '0';
        return s;
    }
    static void pick(CNewResourceDlg& d, int row)
    {
        d.modelList()->setCurrentIndex(row);
        d.OnModelChange();
    }
    static void expectDefaultModel(const CNewResourceDlg& d)
    {
        const auto c = d.currentChoice();
        EXPECT_EQ(std::tuple(int(c.modelCode), int(c.screenWidth), int(c.screenHeight)), std::tuple(2404, 240, 320));
    }
};

TEST_F(DialogsTest, NewResourceListsTheEmptyRowAndTheTwelveModels)
{
    CNewResourceDlg d(host);
    EXPECT_EQ(d.windowTitle(), "Create New Resource File");
    ASSERT_EQ(d.modelList()->count(), 13);
    EXPECT_EQ((QStringList { d.modelList()->itemText(0), d.modelList()->itemText(1), d.modelList()->itemText(10),
                            d.modelList()->itemText(12), d.modelList()->currentText(), d.nameField()->text() }),
              (QStringList { "", "1 Zarn17 V10_V", "10 Zarn43 V10", "12 ZarnTest_M", "1 Zarn17 V10_V", "TestResource" }));
    EXPECT_EQ(d.m_strSaveAt, d.m_strFolder);
    ASSERT_FALSE(d.m_strFolder.empty());
    EXPECT_EQ(d.m_strFolder.back(), '/');
    EXPECT_TRUE(d.sizeButton(0)->isChecked());
    EXPECT_EQ(enabledSizes(d), "1000");
    EXPECT_TRUE(d.okButton()->isDefault());
    EXPECT_EQ(d.folderButton()->text(), "....");
    for (int row = 0; row <= 12; ++row) {
        pick(d, row);
        EXPECT_EQ(enabledSizes(d), row >= 10 ? "1111" : row >= 5 ? "1100" : "1000") << "row " << row;
    }
    pick(d, 0); // the empty row reads as number 0: the defaults
    expectDefaultModel(d);

    // Another row goes back to 4M and keeps the name.
    pick(d, 6);
    d.sizeButton(1)->setChecked(true);
    d.nameField()->setText("kept");
    pick(d, 11);
    EXPECT_TRUE(d.sizeButton(0)->isChecked());
    EXPECT_EQ(d.m_nSizeChoice, 0);
    EXPECT_EQ(d.nameField()->text(), "kept");
    // Typed model text uses the defaults whatever the size.
    d.sizeButton(3)->setChecked(true);
    d.modelList()->setEditText("my own module");
    EXPECT_EQ(d.chosenRow(), -1);
    expectDefaultModel(d);
    EXPECT_EQ(d.currentChoice().memoryKiB, 4096u);
}

TEST_F(DialogsTest, OkWritesTheChosenFileAndCloses)
{
    // OK at once: TestResource, row 1, 4M; then row 10 with 16M, which gives 12288 KiB.
    CNewResourceDlg d(host);
    d.m_strFolder = dir.path().string() + "/";
    d.OnOK();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    EXPECT_EQ(d.m_bCreated, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const std::string path = dir.file("TestResource.zrf");
    ASSERT_EQ(std::filesystem::file_size(path), 4194304u);
    const auto bytes = readBytes(path);
    // itemCount 0, model 1704, 128 x 160, 4096 KiB, then 0xF0.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 13),
              (std::vector<std::uint8_t> { 0, 0, 0xA8, 0x06, 128, 0, 160, 0, 0, 0x10, 0, 0, 0xF0 }));
    EXPECT_EQ(bytes.back(), 0xF0);

    CNewResourceDlg big(host);
    big.m_strFolder = dir.path().string() + "/";
    pick(big, 10);
    big.sizeButton(2)->setChecked(true);
    big.nameField()->setText("big");
    big.OnOK();
    ASSERT_EQ(big.m_bCreated, 1) << host.lastText();
    ResourceStore s;
    s.path = dir.file("big.zrf");
    ASSERT_TRUE(s.openResourceFile().ok);
    EXPECT_EQ(s.modelCode, 4308);
    EXPECT_EQ(s.memoryKiB, 12288u);
    EXPECT_EQ(s.screenWidth, 480);
    EXPECT_EQ(s.screenHeight, 272);
}

TEST_F(DialogsTest, FailureShowsFalseAndKeepsTheDialogOpen)
{
    CNewResourceDlg d(host);
    d.m_strFolder = dir.path().string() + "/no/such/folder/";
    d.nameField()->setText("x");
    d.show();
    d.OnOK();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.rfind("False", 0), 0u) << host.boxes[0].text;
    EXPECT_EQ(d.m_bCreated, 0);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.nameField()->text(), "x");
    // The user fixes the folder and presses OK again.
    d.m_strFolder = dir.path().string() + "/";
    d.OnOK();
    EXPECT_EQ(d.m_bCreated, 1);
    EXPECT_TRUE(std::filesystem::exists(dir.file("x.zrf")));
}

TEST_F(DialogsTest, FolderButtonShowsTheFolderThenTheSaveAtField)
{
    CNewResourceDlg d(host);
    const std::string before = d.m_strFolder;
    host.folders.push_back(std::nullopt);
    d.OnChooseFolder();
    EXPECT_EQ(d.m_strFolder, before);
    EXPECT_TRUE(host.boxes.empty());

    host.folders.push_back(dir.path().string());
    d.nameField()->setText("typed");
    d.OnChooseFolder();
    const std::string chosen = dir.path().string() + "/";
    EXPECT_EQ(host.texts(), Texts { chosen });
    EXPECT_EQ(d.m_strFolder, chosen);
    EXPECT_EQ(d.saveAtField()->text().toStdString(), chosen);
    EXPECT_EQ(d.nameField()->text(), "typed");
    // Editing "Save at......" does not move the file.
    d.saveAtField()->setText("/elsewhere/");
    d.OnOK();
    EXPECT_TRUE(std::filesystem::exists(dir.file("typed.zrf")));

    // The folder chooser itself.
    std::string folder = dir.path().string();
    ui::CFolderDialog f(&folder);
    EXPECT_EQ(f.windowTitle(), "Choose folder");
    EXPECT_EQ(f.labelText(QFileDialog::Accept), "Select");
    f.accept();
    EXPECT_EQ(folder, chosen);
    EXPECT_EQ(ui::withTrailingSeparator("/a/b/"), "/a/b/");
}

TEST_F(DialogsTest, PortSelectOffersSixteenPortsAndTellsTheirState)
{
    ui::CPortSelectDlg d(host, listing, 3);
    EXPECT_EQ(d.windowTitle(), "Port Select");
    ASSERT_EQ(d.portList()->count(), 16);
    EXPECT_EQ(d.portList()->itemText(0), "COM1");
    EXPECT_EQ(d.portList()->itemText(15), "COM16");
    EXPECT_EQ(d.portList()->currentText(), "COM3");
    EXPECT_EQ(d.statusField()->text(), "");
    EXPECT_TRUE(listing.asked.empty());

    for (auto [answer, index, status] : { std::tuple { PortPresence::Listed, 15, "COM 16 Port has been connected" },
                                          { PortPresence::NotListed, 0, "COM 1 port is no connection " },
                                          { PortPresence::KeyNotOpened, 4, "COM 5 port is no connection " } }) {
        listing.answer = answer;
        d.OnSelEndOk(index);
        EXPECT_EQ(d.m_port, index + 1);
        EXPECT_EQ(d.statusField()->text(), status);
    }
    // Only the failing listing gets a box.
    EXPECT_EQ(host.texts(), Texts { "Unable to open registry" });
    EXPECT_EQ(listing.asked, (std::vector<int> { 16, 1, 5 }));
    d.OnSelEndOk(-1); // a selection without an item never yields port 0
    EXPECT_EQ(d.m_port, 5);
}

TEST_F(DialogsTest, AboutBoxShowsVersionAndChanges)
{
    ui::CAboutDlg d;
    EXPECT_EQ(d.windowTitle(), "About Resource tool");
    EXPECT_EQ(d.yesButton()->text(), "yes");
    EXPECT_TRUE(d.yesButton()->isDefault());
    QStringList texts;
    for (auto* l : d.findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains("Zarn Resource tool Ver 2.2 "));
    EXPECT_TRUE(texts.contains("1.Suport new module,\n2.Add resource memory size select,\n3.Suport BIG5 fontlib,\n"
                               "4.Serial port select."));
    d.show();
    d.yesButton()->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

// Closes the next real message box after `ms`, noting its caption, text, buttons and modality.
void closeBoxAfter(int ms, QStringList& seen)
{
    QTimer::singleShot(ms, [&seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = { box->windowTitle(), box->text(), QString::number(box->buttons().size()), box->isModal() ? "modal" : "" };
            box->button(QMessageBox::Ok)->click();
        }
    });
}

TEST_F(DialogsTest, RealBoxHasTheProgramCaptionOneOkAndLineBreaksAndDetectionGoesOn)
{
    ui::QtCommandHost real;
    ui::CMainDlg dlg(real, port, listing);
    dlg.OnOpenResource(newFile("box.zrf"));
    dlg.session().selectPort(3);
    QStringList seen;
    closeBoxAfter(1800, seen);
    dlg.OnLoadHzlib(writePattern(dir.file("16X16.hzk"), 261696)); // the confirmation, while the 700 ms timer runs
    EXPECT_EQ(seen, (QStringList { "ZarnTool", "Loading GBK2312 lib file:\n16X16 Filesize:261696", "1", "modal" }));
    EXPECT_EQ(ui::boxText("a\r\nb\rc"), "a\nb\nc");
    // At least two ticks ran inside the box: the port was opened and asked.
    EXPECT_EQ(port.opens, std::vector<int> { 57600 });
    ASSERT_FALSE(port.sent.empty());
    EXPECT_EQ(port.sent[0].command, 0x00);
}

// No control reaches outside its window, and no button or label is narrower than its text.
void checkFace(QWidget& w, const char* name)
{
    w.show();
    QCoreApplication::processEvents();
    for (QWidget* child : w.findChildren<QWidget*>()) {
        if (!child->isVisible() || child->isWindow())
            continue;
        const QRect r(child->mapTo(&w, QPoint(0, 0)), child->size());
        EXPECT_TRUE(w.rect().contains(r)) << name << ": " << child->metaObject()->className() << " '"
                                          << child->objectName().toStdString() << "' at " << r.x() << "," << r.y()
                                          << " " << r.width() << "x" << r.height();
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(child))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(child); l && l->pixmap().isNull())
            text = l->text();
        if (!text.isEmpty())
            EXPECT_LE(child->fontMetrics().boundingRect(QRect(), Qt::TextShowMnemonic, text).width(), child->width())
                << name << ": '" << text.toStdString() << "' is clipped";
    }
    if (const char* dir = std::getenv("ZARN_UI_SHOTS_DIR"); dir && *dir)
        EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png"));
}

TEST_F(DialogsTest, EveryWindowShowsItsControlsWhole)
{
    ui::CMainDlg main(host, port, listing);
    checkFace(main, "main");
    CNewResourceDlg nd(host);
    checkFace(nd, "new-resource");
    ui::CPortSelectDlg pd(host, listing, 3);
    pd.OnSelEndOk(2);
    checkFace(pd, "port-select");
    ui::CBitmapPreviewDlg bd;
    bd.setScreenSize(480, 272);
    bd.setIgnoreColor(0xF81F);
    bd.setItem(0, 0, {}, 16);
    checkFace(bd, "bitmap-preview");
    ui::CAboutDlg ad;
    checkFace(ad, "about");
    ui::CMakeFontDlg fd(host);
    fd.setFontPath("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    checkFace(fd, "make-font");
}

} // namespace
