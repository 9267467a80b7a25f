// Bitmap display: the preview dialog's frame, the decoding of the four kinds,
// the colour picked from what the windows render, and "BMP Dis" end to end.
#include "UiTestSupport.h"

#include "import/Rgb565.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CDibPicture.h"

using namespace zarn;
using namespace zarn::test;
using namespace zarn::ui;

namespace {

struct Pixel {
    int x, y;
    std::uint8_t r, g, b;
    bool operator==(const Pixel&) const = default;
};

std::vector<Pixel> decode(std::uint8_t kind, int w, int h, const std::vector<std::uint8_t>& data, bool* ok = nullptr)
{
    std::vector<Pixel> out;
    const bool r = drawItemPixels(kind, w, h, data, [&](int x, int y, PixelColor c) { out.push_back({ x, y, c.r, c.g, c.b }); });
    if (ok)
        *ok = r;
    return out;
}

// Screen sizes and the frame fitted into the 400 x 300 template.
struct FrameCase {
    int w, h;
    FrameRect frame;
};
const FrameCase kFrames[] = {
    { 320, 240, { 104, 14, 424, 254 } },
    { 480, 272, { 104, 14 + 120 - 90, 424, 14 + 120 - 90 + 181 } },       // 320 x 181
    { 240, 320, { 64 + 200 - 112, 14, 64 + 200 - 112 + 225, 314 } },     // 225 x 300
};

TEST(FitDialogFrame, FrameSizesForTheScreenShapes)
{
    const FrameRect tmpl { 64, 14, 464, 314 };
    for (const auto& c : kFrames)
        EXPECT_EQ(fitDialogFrame(tmpl, c.w, c.h), c.frame) << c.w << "x" << c.h;
    // A square screen: a square of the 4:3 box's height.
    const auto d = fitDialogFrame(tmpl, 100, 100);
    EXPECT_EQ(std::pair(d.width(), d.height()), std::pair(240, 240));
    // A narrow frame gets 3/4 of its width as height.
    EXPECT_EQ(fitDialogFrame(FrameRect { 0, 0, 200, 300 }, 320, 240), (FrameRect { 0, 0, 200, 150 }));
    // No screen size: no division by zero, the 4:3 box stays.
    const auto f = fitDialogFrame(tmpl, 0, 0);
    EXPECT_EQ(std::pair(f.width(), f.height()), std::pair(320, 240));
}

TEST(DrawItemPixels, SixteenAndEightBit)
{
    // 16 bits: low byte first.
    EXPECT_EQ(decode(16, 2, 1, { 0x00, 0xF8, 0x1F, 0x00 }), (std::vector<Pixel> { { 0, 0, 255, 0, 0 }, { 1, 0, 0, 0, 255 } }));
    // 8 bits index the 256-entry palette; entry 5 = 0x8410.
    std::vector<std::uint8_t> d(512, 0);
    d[10] = 0x10;
    d[11] = 0x84;
    d.insert(d.end(), { 5, 0 });
    EXPECT_EQ(decode(8, 1, 2, d), (std::vector<Pixel> { { 0, 0, 135, 131, 135 }, { 0, 1, 0, 0, 0 } }));
}

TEST(DrawItemPixels, FourAndOneBitRowsStartOnAFreshByte)
{
    // 3 pixels wide: rows of 2 bytes; pixel 2 is the high nibble of the second byte.
    std::vector<std::uint8_t> d(32, 0);
    d[2] = d[3] = 0xFF;       // entry 1 white
    d[4] = 0x21; d[5] = 0x08; // entry 2 = 0x0821
    d.insert(d.end(), { 0x12, 0x2F, 0x21, 0x1F });
    const auto px = decode(4, 3, 2, d);
    ASSERT_EQ(px.size(), 6u);
    EXPECT_EQ(px[0], (Pixel { 0, 0, 255, 255, 255 }));
    EXPECT_EQ(px[1], (Pixel { 1, 0, 8, 4, 8 }));
    EXPECT_EQ(px[2], (Pixel { 2, 0, 8, 4, 8 }));
    EXPECT_EQ(px[3], (Pixel { 0, 1, 8, 4, 8 }));
    EXPECT_EQ(px[5], (Pixel { 2, 1, 255, 255, 255 }));
    // 10 pixels wide, palette black/white: pixels 8 and 9 are bits 7 and 6 of the second byte.
    const auto bits = decode(1, 10, 1, { 0x00, 0x00, 0xFF, 0xFF, 0x81, 0x40 });
    ASSERT_EQ(bits.size(), 10u);
    std::string reds;
    for (const auto& p : bits)
        reds += p.r ? '1' : '0';
    EXPECT_EQ(reds, "1000000101");
}

TEST(DrawItemPixels, ShortDataOrOtherKindsDrawNothing)
{
    for (auto [kind, w, h, size] : { std::tuple { 16, 4, 4, 31 }, { 8, 2, 2, 515 }, { 245, 1, 1, 100 } }) {
        bool ok = true;
        EXPECT_TRUE(decode(kind, w, h, std::vector<std::uint8_t>(size), &ok).empty()) << kind;
        EXPECT_FALSE(ok) << kind;
    }
}

TEST(PickIgnoreColor, ValuesAndText)
{
    EXPECT_EQ(pickIgnoreColor({ 255, 0, 0 }), 0xF800);
    EXPECT_EQ(ignoreColorText(pickIgnoreColor({ 0, 0, 255 })), "0x001f"); // four digits, lower case
}

using PreviewTest = UiTest;

TEST_F(PreviewTest, DialogFrameIsFittedWhenShown)
{
    for (const auto& c : kFrames) {
        CBitmapPreviewDlg d;
        d.setScreenSize(c.w, c.h);
        d.setIgnoreColor(0xF81F);
        d.setItem(0, 0, {}, 16);
        d.show();
        EXPECT_EQ(d.frameControl()->size(), QSize(c.frame.width(), c.frame.height())) << c.w << "x" << c.h;
        EXPECT_EQ(d.windowTitle(), "Bitmap Playback Display");
        EXPECT_EQ(d.ignoreColorField()->text(), "0xf81f");
        EXPECT_EQ(d.m_bPicked, 0);
    }
}

TEST_F(PreviewTest, PickInTheDialogGivesTheStoredValueBack)
{
    // A 320 x 240 item, left half 0x8410, right half 0x07E0, on a 320 x 240 screen.
    std::vector<std::uint8_t> data;
    for (int i = 0; i < 320 * 240; ++i) {
        const std::uint16_t v = i % 320 < 160 ? 0x8410 : 0x07E0;
        data.insert(data.end(), { std::uint8_t(v & 0xFF), std::uint8_t(v >> 8) });
    }
    CBitmapPreviewDlg d;
    d.setScreenSize(320, 240);
    d.setIgnoreColor(0);
    d.setItem(320, 240, data, 16);
    d.show();
    const QPoint f = d.frameControl()->geometry().topLeft();
    EXPECT_TRUE(d.pickAt(f + QPoint(40, 100)));
    EXPECT_EQ(d.m_wIgnoreColor, 0x8410);
    EXPECT_EQ(d.ignoreColorField()->text(), "0x8410");
    EXPECT_TRUE(d.pickAt(f + QPoint(300, 100)));
    EXPECT_EQ(d.m_wIgnoreColor, 0x07E0);
    EXPECT_EQ(d.m_bPicked, 1);
    EXPECT_FALSE(d.pickAt(QPoint(2, 2))); // outside the frame nothing is picked
    EXPECT_EQ(d.m_wIgnoreColor, 0x07E0);
}

TEST_F(PreviewTest, PickOnTheMainWindowReadsTheRenderedPicture)
{
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(newFile("p.zrf"));
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("q.bmp"), 320, 240));
    dlg.show();
    const QRect pic(dlg.pictureControl()->mapTo(&dlg, QPoint(0, 0)), dlg.pictureControl()->size());
    EXPECT_EQ(dlg.ignoreColorField()->text(), "");
    EXPECT_EQ(dlg.m_bIgnoreColorPicked, 0);

    // The grey quadrant: its colour as rendered, field and swatch alike (the red one is the scenario's pick).
    EXPECT_TRUE(dlg.pickAt(pic.topLeft() + QPoint(pic.width() * 3 / 4, pic.height() * 3 / 4)));
    EXPECT_EQ(dlg.m_wIgnoreColor, 0xCB26);
    EXPECT_EQ(dlg.ignoreColorField()->text(), "0xcb26");
    EXPECT_EQ(dlg.m_bIgnoreColorPicked, 1);
    EXPECT_EQ(dlg.swatch()->palette().color(QPalette::Window), QColor(200, 100, 50));
    EXPECT_FALSE(dlg.pickAt(pic.topRight() + QPoint(20, 10))); // beside the picture: nothing
    EXPECT_EQ(dlg.m_wIgnoreColor, 0xCB26);
}

class BmpDisTest : public UiTest {
protected:
    CMainDlg dlg { host, port, listing };
    std::string file = newFile("d.zrf");
    const std::vector<std::uint8_t> twoByTwo { 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF };

    // Stores one item, opens the file and marks row 0.
    void insertAndSelect(std::uint8_t kind, std::uint32_t length, const std::vector<std::uint8_t>& data, bool select = true)
    {
        ResourceStore s;
        s.path = file;
        ASSERT_TRUE(s.openResourceFile().ok);
        ResourceEntry e;
        e.kind = kind;
        e.width = e.height = kind == 16 ? 2 : 0;
        e.length = length;
        e.ignoreColor = 0x1234;
        ASSERT_TRUE(s.insertItemData(s.itemCount, e, data).ok);
        dlg.OnOpenResource(file);
        if (select)
            dlg.directoryList()->selectRow(0);
    }
    bool ran = false;
    void noteRun()
    {
        host.dialogs.push_back([this](QDialog&) {
            ran = true;
            return int(QDialog::Rejected);
        });
    }
};

TEST_F(BmpDisTest, RefusesInOrder)
{
    dlg.showBitmapItem();
    dlg.OnOpenResource(file);
    dlg.showBitmapItem();
    insertAndSelect(245, 10, std::vector<std::uint8_t>(10, 1), false); // a WAVE item
    dlg.showBitmapItem();
    dlg.directoryList()->selectRow(0);
    dlg.showBitmapItem();
    EXPECT_EQ(host.texts(), (Texts { "Not Resource Open", "Not items of Resource file",
                                     "Please select a bitmap to display to resource items",
                                     "Selected item is not a bitmap image resources" }));
}

TEST_F(BmpDisTest, OkAfterAPickStoresTheColourCancelAndOkWithoutPickDoNot)
{
    insertAndSelect(16, 8, twoByTwo);
    const auto before = readBytes(file);
    host.dialogs.push_back([](QDialog& d) { // OK without a pick
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        EXPECT_EQ(p.m_wIgnoreColor, 0x1234);
        EXPECT_EQ(p.m_nKind, 16);
        EXPECT_EQ(p.m_wWidth, 2);
        return int(QDialog::Accepted);
    });
    auto pickThen = [](QPoint at, std::uint16_t expected, int result) {
        return [=](QDialog& d) {
            auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
            p.show();
            // 2 x 2 pixels on a 320 x 240 screen: each is one point at (x * scale, y * scale).
            EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().topLeft() + at));
            EXPECT_EQ(p.m_wIgnoreColor, expected);
            return result;
        };
    };
    host.dialogs.push_back(pickThen(QPoint(1, 1), 0xFFFF, QDialog::Rejected)); // pick, then Cancel
    dlg.showBitmapItem();
    dlg.showBitmapItem();
    EXPECT_EQ(readBytes(file), before);
    EXPECT_EQ(dlg.directoryList()->item(0, 5)->text(), "0x1234");

    host.dialogs.push_back(pickThen(QPoint(0, 0), 0xF800, QDialog::Accepted)); // pick red, then OK
    dlg.showBitmapItem();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    EXPECT_EQ(dlg.directoryList()->item(0, 5)->text(), "0xf800");
    ResourceStore s;
    s.path = file;
    ASSERT_TRUE(s.openResourceFile().ok);
    EXPECT_EQ(s.directory[0].ignoreColor, 0xF800);
    const auto after = readBytes(file); // the item's data is untouched
    EXPECT_TRUE(std::equal(after.begin() + 4096, after.end(), before.begin() + 4096));
}

TEST_F(BmpDisTest, DamagedItemGetsAMessageAndNoDialog)
{
    // The entry claims 2 x 2 true-colour pixels (8 bytes) but holds 6.
    insertAndSelect(16, 6, std::vector<std::uint8_t>(6, 0));
    noteRun();
    dlg.showBitmapItem();
    EXPECT_FALSE(ran);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.lastText().find("shorter"), std::string::npos) << host.lastText();
}

TEST_F(BmpDisTest, UnreadableItemGetsAMessageAndNoDialog)
{
    insertAndSelect(16, 8, twoByTwo);
    // The file shrinks behind the window's back: the item can no longer be read whole.
    std::filesystem::resize_file(file, 4096 + 4);
    noteRun();
    dlg.showBitmapItem();
    EXPECT_FALSE(ran);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_FALSE(host.lastText().empty());
}

} // namespace
