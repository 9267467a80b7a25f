// The real message boxes: modal, one OK button, the program's name as
// caption, and the window's timer goes on while one is open.
#include "UiTestSupport.h"

#include "ui/CMainDlg.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

using namespace zarn;
using namespace zarn::test;

namespace {

struct SeenBox {
    QString caption, text;
    int buttons = 0;
    bool modal = false;
};

// Closes the next modal box after `ms`, noting what it showed.
void closeBoxAfter(int ms, SeenBox& seen)
{
    QTimer::singleShot(ms, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.buttons = static_cast<int>(box->buttons().size());
        seen.modal = box->isModal();
        box->button(QMessageBox::Ok)->click();
    });
}

TEST(QtCommandHost, BoxHasTheProgramCaptionOneOkAndLineBreaks)
{
    app();
    ui::QtCommandHost host;
    SeenBox seen;
    closeBoxAfter(50, seen);
    host.showMessage("Loading GBK2312 lib file:\r16X16 Filesize:261696", ui::kProgramName, ui::BoxIcon::None);
    EXPECT_EQ(seen.caption, "ZarnTool");
    EXPECT_EQ(seen.text, "Loading GBK2312 lib file:\n16X16 Filesize:261696");
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(ui::boxText("a\r\nb\rc"), "a\nb\nc");
}

TEST(QtCommandHost, DetectionGoesOnWhileABoxIsOpen)
{
    app();
    ui::QtCommandHost host;
    FakePort port;
    FakeListing listing;
    ui::CMainDlg dlg(host, port, listing);
    dlg.detection().selectPort(3);
    SeenBox seen;
    closeBoxAfter(1800, seen);
    dlg.OnLoadItem(); // "Not Resource Open" while the 700 ms timer runs
    EXPECT_EQ(seen.text, "Not Resource Open");
    // At least two ticks ran inside the box: the port was opened and asked.
    EXPECT_EQ(port.opens, std::vector<int> { 57600 });
    ASSERT_FALSE(port.sent.empty());
    EXPECT_EQ(port.sent[0].command, 0x00);
}

} // namespace
