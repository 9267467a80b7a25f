// "BMP Dis": the preview dialog's frame for each screen shape, the ignore
// colour picked from what the window and the dialog render (their right and
// bottom edges included), the command's refusals, a damaged item, OK or Cancel.
#include "UiTestSupport.h"

#include "ui/CBitmapPreviewDlg.h"
#include "ui/UiTexts.h"

using namespace zarn;
using namespace zarn::test;
using namespace zarn::ui;

namespace {

// Worked by hand: the dialog's 400 x 300 frame at (64, 14) takes a 4:3 box of
// 320 x 240 (centred, 40 dots in) for a landscape screen, then the screen's shape.
struct FrameCase {
    FrameRect tmpl;
    int w, h;
    FrameRect frame;
};
const FrameRect kDialogFrame { 64, 14, 464, 314 };
const FrameCase kFrames[] = {
    { kDialogFrame, 320, 240, { 104, 14, 424, 254 } },
    { kDialogFrame, 480, 272, { 104, 14 + 120 - 90, 424, 14 + 120 - 90 + 181 } }, // 320 x 181, centred in the 240
    { kDialogFrame, 240, 320, { 64 + 200 - 112, 14, 64 + 200 - 112 + 225, 314 } }, // portrait keeps the 300: 225 x 300
    { kDialogFrame, 100, 100, { 144, 14, 384, 254 } }, // square: the 4:3 box's height
    { kDialogFrame, 0, 0, { 104, 14, 424, 254 } }, // no screen size: no division by zero, the 4:3 box
    { { 0, 0, 200, 300 }, 320, 240, { 0, 0, 200, 150 } }, // narrower than 320: 3/4 of its width as height
};

TEST(FitDialogFrame, WorkedValues)
{
    for (const auto& c : kFrames)
        EXPECT_EQ(fitDialogFrame(c.tmpl, c.w, c.h), c.frame) << c.w << "x" << c.h;
}

class PreviewTest : public UiTest {
protected:
    CMainDlg dlg { host, port, listing, loop };
    std::string file = newFile("d.zrf");

    // Appends a 2 x 2 item to the file behind the window's back, then opens the file in the window.
    void insert(std::uint8_t kind, const std::vector<std::uint8_t>& data)
    {
        ResourceStore s;
        ASSERT_TRUE(s.openResourceFile(file).ok);
        const ResourceEntry e { .length = std::uint32_t(data.size()), .width = 2, .height = 2, .kind = kind };
        ASSERT_TRUE(s.insertItemData(s.itemCount(), e, data).ok);
        dlg.OnOpenResource(file);
    }
};

TEST_F(PreviewTest, TheWindowPicksWhatItRendersUpToItsRightAndBottomEdges)
{
    dlg.OnOpenResource(file);
    dlg.OnLoadBmp(quadrantBmp("q.bmp", 320, 240));
    dlg.show();
    const QWidget* pic = dlg.pictureControl();
    const QPoint corner = pic->mapTo(&dlg, QPoint(pic->width() - 1, pic->height() - 1));
    EXPECT_TRUE(dlg.pickAt(corner - QPoint(5, 5))); // in the grey quadrant
    EXPECT_EQ(dlg.ignoreColorField()->text(), "0xcb26");
    EXPECT_EQ(dlg.swatch()->palette().color(QPalette::Window), QColor(200, 100, 50));
    EXPECT_FALSE(dlg.pickAt(corner + QPoint(2, 0)));
    EXPECT_FALSE(dlg.pickAt(corner + QPoint(0, 2)));
    EXPECT_EQ(dlg.m_wIgnoreColor, 0xCB26);
    EXPECT_TRUE(dlg.pickAt(corner + QPoint(1, 1)));
}

TEST_F(PreviewTest, BmpDisRefusesInItsOrderThenStoresAColourOnlyOnOkAfterAPick)
{
    dlg.showBitmapItem();
    dlg.OnOpenResource(file);
    dlg.showBitmapItem();
    insert(245, std::vector<std::uint8_t>(10, 1)); // a WAVE item
    insert(16, { 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF }); // red, green / blue, white
    insert(16, std::vector<std::uint8_t>(6)); // 2 bytes short of its 2 x 2 dots
    dlg.showBitmapItem();
    dlg.directoryList()->selectRow(0);
    dlg.showBitmapItem();
    host.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); }); // OK without a pick, for row 1
    dlg.directoryList()->selectRow(2);
    dlg.showBitmapItem(); // told, and no dialog
    EXPECT_NE(host.last().find("shorter"), std::string::npos) << host.last();
    host.boxes.pop_back();
    EXPECT_EQ(host.boxes, (Texts { kMsgNotResourceOpen, kMsgNoItems, kMsgSelectBitmapToDisplay, kMsgNotBitmapItem }));

    host.boxes.clear();
    dlg.directoryList()->selectRow(1);
    const auto before = readBytes(file);
    host.dialogs.push_back([](QDialog& d) { // a pick on the frame's right and bottom edges, then Cancel
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        p.show(); // fits the frame to the 320 x 240 screen
        EXPECT_EQ(p.frameControl()->geometry(), QRect(kFrames[0].frame.left, kFrames[0].frame.top, 320, 240));
        const QPoint corner = p.frameControl()->geometry().bottomRight();
        EXPECT_FALSE(p.pickAt(corner + QPoint(2, 2)));
        EXPECT_TRUE(p.pickAt(corner + QPoint(1, 1)));
        return int(QDialog::Rejected);
    });
    dlg.showBitmapItem();
    dlg.showBitmapItem();
    EXPECT_EQ(readBytes(file), before);

    host.dialogs.push_back([](QDialog& d) { // 2 x 2 dots on a 320 x 240 screen: red is the frame's first dot
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        p.show();
        EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().topLeft()));
        return int(QDialog::Accepted);
    });
    dlg.showBitmapItem();
    EXPECT_TRUE(host.boxes.empty()) << host.last();
    EXPECT_EQ(dlg.directoryList()->item(1, 5)->text(), "0xf800");
    ResourceStore s;
    ASSERT_TRUE(s.openResourceFile(file).ok);
    EXPECT_EQ(s.entry(1).ignoreColor, 0xF800);
    const auto after = readBytes(file); // the items' data is untouched
    EXPECT_TRUE(std::equal(after.begin() + 4096, after.end(), before.begin() + 4096));
}

} // namespace
