// The command dialogs: "Create New Resource File" (rows, sizes, OK keeping the
// dialog open on failure, the folder button), "Port Select" and the About box.
#include "UiTestSupport.h"

#include "resfile/ResourceStore.h"
#include "ui/CAboutDlg.h"
#include "ui/CFolderDialog.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CNewResourceDlg;

namespace {

class DialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }
    ScriptedHost host;
    TempDir dir;

    std::array<bool, 4> enabledSizes(const CNewResourceDlg& d)
    {
        return { d.sizeButton(0)->isEnabled(), d.sizeButton(1)->isEnabled(), d.sizeButton(2)->isEnabled(),
                 d.sizeButton(3)->isEnabled() };
    }
    void pick(CNewResourceDlg& d, int row)
    {
        d.modelList()->setCurrentIndex(row);
        d.OnModelChange();
    }
};

TEST_F(DialogsTest, NewResourceListsTheEmptyRowAndTheTwelveModels)
{
    CNewResourceDlg d(host);
    EXPECT_EQ(d.windowTitle(), "Create New Resource File");
    ASSERT_EQ(d.modelList()->count(), 13);
    EXPECT_EQ(d.modelList()->itemText(0), "");
    EXPECT_EQ(d.modelList()->itemText(1), "1 Zarn17 V10_V");
    EXPECT_EQ(d.modelList()->itemText(10), "10 Zarn43 V10");
    EXPECT_EQ(d.modelList()->itemText(12), "12 ZarnTest_M");
    EXPECT_EQ(d.modelList()->currentIndex(), 1);
    EXPECT_EQ(d.nameField()->text(), "TestResource");
    EXPECT_EQ(d.m_strSaveAt, d.m_strFolder);
    ASSERT_FALSE(d.m_strFolder.empty());
    EXPECT_EQ(d.m_strFolder.back(), '/');
    EXPECT_TRUE(d.sizeButton(0)->isChecked());
    EXPECT_EQ(enabledSizes(d), (std::array<bool, 4> { true, false, false, false }));
    EXPECT_TRUE(d.okButton()->isDefault());
    EXPECT_EQ(d.folderButton()->text(), "....");

    const std::array<bool, 4> four { true, false, false, false }, eight { true, true, false, false },
        all { true, true, true, true };
    for (int row = 0; row <= 12; ++row) {
        pick(d, row);
        const auto& expected = row >= 10 ? all : row >= 5 ? eight : four;
        EXPECT_EQ(enabledSizes(d), expected) << "row " << row;
    }
    // The empty row reads as number 0: the defaults.
    pick(d, 0);
    const auto c = d.currentChoice();
    EXPECT_EQ(c.modelCode, 2404);
    EXPECT_EQ(c.screenWidth, 240);
    EXPECT_EQ(c.screenHeight, 320);
}

TEST_F(DialogsTest, PickingAnotherRowGoesBackTo4MAndKeepsTheName)
{
    CNewResourceDlg d(host);
    pick(d, 6);
    d.sizeButton(1)->setChecked(true);
    d.nameField()->setText("kept");
    pick(d, 11);
    EXPECT_TRUE(d.sizeButton(0)->isChecked());
    EXPECT_EQ(d.m_nSizeChoice, 0);
    EXPECT_EQ(d.nameField()->text(), "kept");
}

TEST_F(DialogsTest, TypedModelTextUsesTheDefaultsWhateverTheSize)
{
    CNewResourceDlg d(host);
    pick(d, 12);
    d.sizeButton(3)->setChecked(true);
    d.modelList()->setEditText("my own module");
    EXPECT_EQ(d.chosenRow(), -1);
    const auto c = d.currentChoice();
    EXPECT_EQ(c.modelCode, 2404);
    EXPECT_EQ(c.screenWidth, 240);
    EXPECT_EQ(c.screenHeight, 320);
    EXPECT_EQ(c.memoryKiB, 4096u);
}

TEST_F(DialogsTest, OkAtOnceWritesTestResourceAndCloses)
{
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
}

TEST_F(DialogsTest, Row10With16MGives12288KiB)
{
    CNewResourceDlg d(host);
    d.m_strFolder = dir.path().string() + "/";
    pick(d, 10);
    d.sizeButton(2)->setChecked(true);
    d.nameField()->setText("big");
    d.OnOK();
    ASSERT_EQ(d.m_bCreated, 1) << host.lastText();
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
    EXPECT_EQ(host.texts(), std::vector<std::string> { chosen });
    EXPECT_EQ(d.m_strFolder, chosen);
    EXPECT_EQ(d.saveAtField()->text().toStdString(), chosen);
    EXPECT_EQ(d.nameField()->text(), "typed");

    // Editing "Save at......" does not move the file.
    d.saveAtField()->setText("/elsewhere/");
    d.OnOK();
    EXPECT_TRUE(std::filesystem::exists(dir.file("typed.zrf")));
}

TEST_F(DialogsTest, FolderChooserTitleButtonAndSeparator)
{
    std::string folder = dir.path().string();
    ui::CFolderDialog f(&folder);
    EXPECT_EQ(f.windowTitle(), "Choose folder");
    EXPECT_EQ(f.labelText(QFileDialog::Accept), "Select");
    f.accept();
    EXPECT_EQ(folder, dir.path().string() + "/");
    EXPECT_EQ(ui::withTrailingSeparator("/a/b/"), "/a/b/");
}

TEST_F(DialogsTest, PortSelectOffersSixteenPortsAndTellsTheirState)
{
    FakeListing listing;
    ui::CPortSelectDlg d(host, listing, 3);
    EXPECT_EQ(d.windowTitle(), "Port Select");
    ASSERT_EQ(d.portList()->count(), 16);
    EXPECT_EQ(d.portList()->itemText(0), "COM1");
    EXPECT_EQ(d.portList()->itemText(15), "COM16");
    EXPECT_EQ(d.portList()->currentText(), "COM3");
    EXPECT_EQ(d.statusField()->text(), "");
    EXPECT_TRUE(listing.asked.empty());

    d.OnSelEndOk(15);
    EXPECT_EQ(d.m_port, 16);
    EXPECT_EQ(d.statusField()->text(), "COM 16 Port has been connected");
    listing.answer = PortPresence::NotListed;
    d.OnSelEndOk(0);
    EXPECT_EQ(d.statusField()->text(), "COM 1 port is no connection ");
    EXPECT_TRUE(host.boxes.empty());
    listing.answer = PortPresence::KeyNotOpened;
    d.OnSelEndOk(4);
    EXPECT_EQ(host.texts(), std::vector<std::string> { "Unable to open registry" });
    EXPECT_EQ(d.statusField()->text(), "COM 5 port is no connection ");
    EXPECT_EQ(listing.asked, (std::vector<int> { 16, 1, 5 }));
    // A selection without an item never yields port 0.
    d.OnSelEndOk(-1);
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

} // namespace
