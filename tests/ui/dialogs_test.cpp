// "Create New Resource File": what a chosen row and size, or typed text, put in
// the file, and OK keeping the dialog open on failure; and the real message box.
#include "UiTestSupport.h"

#include "link/ModuleSession.h"
#include "resfile/ModuleModel.h"
#include "ui/CNewResourceDlg.h"

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CNewResourceDlg;

namespace {

class DialogsTest : public UiTest {
protected:
    std::string folder = dir.path().string() + "/";
    static void pick(CNewResourceDlg& d, int row)
    {
        d.modelList()->setCurrentIndex(row);
        d.OnModelChange();
    }
    // The file a model's row with a size stands for, as the core writes it.
    Bytes modelFile(int number, int sizeIndex)
    {
        const auto& m = modelForNumber(number);
        const auto kib = memoryKiBForSizeIndex(sizeIndex);
        EXPECT_TRUE(createResourceFile(dir.file("model.zrf"), m.modelCode, m.screenWidth, m.screenHeight, kib).ok);
        return readBytes(dir / "model.zrf");
    }
};

TEST_F(DialogsTest, NewResourceWritesTheChosenRowAndSizeOrTheDefaultsForTypedText)
{
    CNewResourceDlg d(host);
    d.m_strFolder = folder;
    for (int row : { 1, 10 }) { // the sizes its module offers, 4M always
        pick(d, row);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(d.sizeButton(k)->isEnabled(), k == 0 || modelForNumber(row).sizesOffered[k]) << row << " " << k;
    }
    d.sizeButton(2)->setChecked(true);
    d.nameField()->setText("kept");
    pick(d, 11); // another row goes back to 4M and keeps the name
    EXPECT_TRUE(d.sizeButton(0)->isChecked());
    pick(d, 10);
    d.sizeButton(2)->setChecked(true);
    d.OnOK();
    EXPECT_TRUE(readBytes(dir / "kept.zrf") == modelFile(10, 2));

    CNewResourceDlg typed(host);
    typed.m_strFolder = folder;
    typed.sizeButton(3)->setChecked(true);
    typed.modelList()->setEditText("my own module");
    typed.nameField()->setText("typed");
    typed.OnOK();
    EXPECT_TRUE(readBytes(dir / "typed.zrf") == modelFile(0, 0)); // the defaults, whatever the size
    EXPECT_TRUE(host.boxes.empty()) << host.last();
}

TEST_F(DialogsTest, NewResourceFailureShowsFalseAndKeepsTheDialogOpen)
{
    CNewResourceDlg d(host);
    d.m_strFolder = folder + "no/such/folder/";
    d.nameField()->setText("x");
    d.show();
    d.OnOK();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].rfind(kMsgFalse, 0), 0u) << host.boxes[0];
    EXPECT_TRUE(d.isVisible() && !d.m_bCreated);
    d.m_strFolder = folder; // the user fixes the folder and presses OK again
    d.OnOK();
    EXPECT_TRUE(d.m_bCreated && std::filesystem::exists(dir.file("x.zrf")));
}

TEST_F(DialogsTest, TheRealBoxHasTheProgramsCaptionOneOkAndLineBreaksAndDetectionGoesOn)
{
    ui::QtCommandHost real;
    ui::CMainDlg dlg(real, port, listing, loop);
    dlg.OnOpenResource(newFile("box.zrf"));
    dlg.session().selectPort(3);
    QStringList seen;
    QTimer::singleShot(300, [&] {
        loop.advance(std::chrono::milliseconds(1400)); // two ticks of the session while the box is up
        if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = { b->windowTitle(), b->text(), QString::number(b->buttons().size()), b->isModal() ? "modal" : "" };
            b->button(QMessageBox::Ok)->click();
        }
    });
    dlg.OnLoadHzlib(patternFile(dir / "16X16.hzk", 261696)); // its confirmation, while the 700 ms timer runs
    EXPECT_EQ(
        seen, (QStringList { ui::kProgramName, "Loading GBK2312 lib file:\n16X16 Filesize:261696", "1", "modal" }));
    // At least two ticks ran inside the box: the port was opened and asked.
    EXPECT_EQ(port.opens.size(), 1u);
    ASSERT_FALSE(port.sent.empty());
    EXPECT_EQ(port.sent[0].command, 0x00);
}

} // namespace
