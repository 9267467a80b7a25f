// Bitmap display: the preview dialog's frame, the decoding of the four kinds,
// the colour picked from what the windows render, and "BMP Dis" end to end.
#include "UiTestSupport.h"

#include "import/Rgb565.h"
#include "resfile/ResourceStore.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CDibPicture.h"
#include "ui/CMainDlg.h"
#include "ui/PreviewGeometry.h"

#include <QFrame>
#include <QLineEdit>
#include <QTableWidget>

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

TEST(FitDialogFrame, FrameSizesForTheScreenShapes)
{
    const FrameRect tmpl { 64, 14, 464, 314 }; // 400 x 300
    const auto a = fitDialogFrame(tmpl, 320, 240);
    EXPECT_EQ(a, (FrameRect { 104, 14, 424, 254 }));
    const auto b = fitDialogFrame(tmpl, 480, 272);
    EXPECT_EQ(b.width(), 320);
    EXPECT_EQ(b.height(), 181);
    EXPECT_EQ(b.top, 14 + 120 - 90);
    const auto c = fitDialogFrame(tmpl, 240, 320);
    EXPECT_EQ(c.height(), 300);
    EXPECT_EQ(c.width(), 225);
    EXPECT_EQ(c.left, 64 + 200 - 112);
    // A square screen: a square of the 4:3 box's height.
    const auto d = fitDialogFrame(tmpl, 100, 100);
    EXPECT_EQ(d.width(), 240);
    EXPECT_EQ(d.height(), 240);
    // A narrow frame gets 3/4 of its width as height.
    const auto e = fitDialogFrame(FrameRect { 0, 0, 200, 300 }, 320, 240);
    EXPECT_EQ(e, (FrameRect { 0, 0, 200, 150 }));
    // No screen size: no division by zero, the 4:3 box stays.
    const auto f = fitDialogFrame(tmpl, 0, 0);
    EXPECT_EQ(f.width(), 320);
    EXPECT_EQ(f.height(), 240);
}

TEST(DrawItemPixels, SixteenBitPixelsLowByteFirst)
{
    const auto px = decode(16, 2, 1, { 0x00, 0xF8, 0x1F, 0x00 });
    EXPECT_EQ(px, (std::vector<Pixel> { { 0, 0, 255, 0, 0 }, { 1, 0, 0, 0, 255 } }));
}

TEST(DrawItemPixels, EightBitIndexesThePalette)
{
    std::vector<std::uint8_t> d(512, 0);
    d[2 * 5] = 0x10; // entry 5 = 0x8410
    d[2 * 5 + 1] = 0x84;
    d.push_back(5);
    d.push_back(0);
    const auto px = decode(8, 1, 2, d);
    EXPECT_EQ(px, (std::vector<Pixel> { { 0, 0, 135, 131, 135 }, { 0, 1, 0, 0, 0 } }));
}

TEST(DrawItemPixels, FourBitRowsStartOnAFreshByte)
{
    // 3 pixels wide: rows of 2 bytes; pixel 2 is the high nibble of the second byte.
    std::vector<std::uint8_t> d(32, 0);
    d[2] = 0xFF; d[3] = 0xFF;       // entry 1 white
    d[4] = 0x21; d[5] = 0x08;       // entry 2 = 0x0821
    const std::vector<std::uint8_t> rows { 0x12, 0x2F, 0x21, 0x1F };
    d.insert(d.end(), rows.begin(), rows.end());
    const auto px = decode(4, 3, 2, d);
    ASSERT_EQ(px.size(), 6u);
    EXPECT_EQ(px[0], (Pixel { 0, 0, 255, 255, 255 }));
    EXPECT_EQ(px[1], (Pixel { 1, 0, 8, 4, 8 }));
    EXPECT_EQ(px[2], (Pixel { 2, 0, 8, 4, 8 }));
    EXPECT_EQ(px[3], (Pixel { 0, 1, 8, 4, 8 }));
    EXPECT_EQ(px[5], (Pixel { 2, 1, 255, 255, 255 }));
}

TEST(DrawItemPixels, OneBitTakesANewByteEveryEightPixels)
{
    // 10 pixels wide: rows of 2 bytes; pixels 8 and 9 are bits 7 and 6 of the second byte.
    std::vector<std::uint8_t> d { 0x00, 0x00, 0xFF, 0xFF }; // black, white
    d.push_back(0x81);
    d.push_back(0x40);
    const auto px = decode(1, 10, 1, d);
    ASSERT_EQ(px.size(), 10u);
    EXPECT_EQ(px[0].r, 255);
    EXPECT_EQ(px[1].r, 0);
    EXPECT_EQ(px[7].r, 255);
    EXPECT_EQ(px[8].r, 0);
    EXPECT_EQ(px[9].r, 255);
}

TEST(DrawItemPixels, ShortDataOrOtherKindsDrawNothing)
{
    bool ok = true;
    EXPECT_TRUE(decode(16, 4, 4, std::vector<std::uint8_t>(31), &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(decode(8, 2, 2, std::vector<std::uint8_t>(515), &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(decode(245, 1, 1, std::vector<std::uint8_t>(100), &ok).empty());
    EXPECT_FALSE(ok);
}

TEST(PickIgnoreColor, ValuesAndText)
{
    EXPECT_EQ(pickIgnoreColor({ 255, 0, 0 }), 0xF800);
    EXPECT_EQ(ignoreColorText(pickIgnoreColor({ 255, 0, 0 })), "0xf800");
    EXPECT_EQ(ignoreColorText(pickIgnoreColor({ 0, 0, 255 })), "0x001f");
    EXPECT_EQ(pickIgnoreColor({ 200, 100, 50 }), 0xCB26);
}

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;
};

TEST_F(PreviewTest, DialogFrameIsFittedWhenShown)
{
    const std::vector<std::uint8_t> none;
    struct Case { int w, h, fw, fh; } cases[] = { { 320, 240, 320, 240 }, { 480, 272, 320, 181 }, { 240, 320, 225, 300 } };
    for (const auto& c : cases) {
        CBitmapPreviewDlg d;
        d.setScreenSize(c.w, c.h);
        d.setIgnoreColor(0xF81F);
        d.setItem(0, 0, none, 16);
        d.show();
        EXPECT_EQ(d.frameControl()->width(), c.fw) << c.w << "x" << c.h;
        EXPECT_EQ(d.frameControl()->height(), c.fh) << c.w << "x" << c.h;
        EXPECT_EQ(d.windowTitle(), "Bitmap Playback Display");
        EXPECT_EQ(d.ignoreColorField()->text(), "0xf81f");
        EXPECT_EQ(d.m_bPicked, 0);
    }
}

TEST_F(PreviewTest, PickInTheDialogGivesTheStoredValueBack)
{
    // A 320 x 240 item, left half 0x8410, right half 0x07E0, on a 320 x 240 screen.
    std::vector<std::uint8_t> data;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const std::uint16_t v = x < 160 ? 0x8410 : 0x07E0;
            data.push_back(v & 0xFF);
            data.push_back(v >> 8);
        }
    CBitmapPreviewDlg d;
    d.setScreenSize(320, 240);
    d.setIgnoreColor(0);
    d.setItem(320, 240, data, 16);
    d.show();
    const QRect f = d.frameControl()->geometry();
    EXPECT_TRUE(d.pickAt(f.topLeft() + QPoint(40, 100)));
    EXPECT_EQ(d.m_wIgnoreColor, 0x8410);
    EXPECT_EQ(d.ignoreColorField()->text(), "0x8410");
    EXPECT_TRUE(d.pickAt(f.topLeft() + QPoint(300, 100)));
    EXPECT_EQ(d.m_wIgnoreColor, 0x07E0);
    EXPECT_EQ(d.m_bPicked, 1);
    // Outside the frame nothing is picked.
    EXPECT_FALSE(d.pickAt(QPoint(2, 2)));
    EXPECT_EQ(d.m_wIgnoreColor, 0x07E0);
}

TEST_F(PreviewTest, PickOnTheMainWindowReadsTheRenderedPicture)
{
    CMainDlg dlg(host, port, listing);
    const std::string file = dir.file("p.zrf");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    dlg.OnOpenResource(file);
    dlg.OnLoadBmp(writeQuadrantBmp(dir.file("q.bmp"), 320, 240));
    dlg.show();
    const QRect pic(dlg.pictureControl()->mapTo(&dlg, QPoint(0, 0)), dlg.pictureControl()->size());
    EXPECT_EQ(dlg.ignoreColorField()->text(), "");
    EXPECT_EQ(dlg.m_bIgnoreColorPicked, 0);

    EXPECT_TRUE(dlg.pickAt(pic.topLeft() + QPoint(pic.width() / 4, pic.height() / 4)));
    EXPECT_EQ(dlg.m_wIgnoreColor, 0xF800);
    EXPECT_EQ(dlg.ignoreColorField()->text(), "0xf800");
    EXPECT_EQ(dlg.m_bIgnoreColorPicked, 1);
    EXPECT_EQ(dlg.swatch()->palette().color(QPalette::Window), QColor(255, 0, 0));

    EXPECT_TRUE(dlg.pickAt(pic.topLeft() + QPoint(pic.width() * 3 / 4, pic.height() * 3 / 4)));
    EXPECT_EQ(dlg.m_wIgnoreColor, 0xCB26);
    EXPECT_EQ(dlg.ignoreColorField()->text(), "0xcb26");

    // A press beside the picture changes nothing.
    EXPECT_FALSE(dlg.pickAt(pic.topRight() + QPoint(20, 10)));
    EXPECT_EQ(dlg.m_wIgnoreColor, 0xCB26);

    // The next bitmap stored carries the picked colour.
    dlg.OnLoadItem();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 5)->text(), "0xcb26");
}

class BmpDisTest : public PreviewTest {
protected:
    std::unique_ptr<CMainDlg> dlg;
    std::string file;

    void SetUp() override
    {
        dlg = std::make_unique<CMainDlg>(host, port, listing);
        file = dir.file("d.zrf");
        ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    }
    void insert(const ResourceEntry& e, const std::vector<std::uint8_t>& data)
    {
        ResourceStore s;
        s.path = file;
        ASSERT_TRUE(s.openResourceFile().ok);
        ASSERT_TRUE(s.insertItemData(s.itemCount, e, data).ok);
    }
    std::vector<std::uint8_t> twoByTwo()
    {
        return { 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xFF, 0xFF };
    }
    ResourceEntry bitmapEntry(std::uint32_t length, std::uint16_t ignore = 0x1234)
    {
        ResourceEntry e;
        e.kind = 16;
        e.width = 2;
        e.height = 2;
        e.length = length;
        e.ignoreColor = ignore;
        return e;
    }
};

TEST_F(BmpDisTest, RefusesInOrder)
{
    dlg->showBitmapItem();
    dlg->OnOpenResource(file);
    dlg->showBitmapItem();
    ResourceEntry wave;
    wave.kind = 245;
    wave.length = 10;
    insert(wave, std::vector<std::uint8_t>(10, 1));
    dlg->OnOpenResource(file);
    dlg->showBitmapItem();
    dlg->directoryList()->selectRow(0);
    dlg->showBitmapItem();
    EXPECT_EQ(host.texts(), (std::vector<std::string> { "Not Resource Open", "Not items of Resource file",
                                                        "Please select a bitmap to display to resource items",
                                                        "Selected item is not a bitmap image resources" }));
    EXPECT_TRUE(host.dialogs.empty());
}

TEST_F(BmpDisTest, OkAfterAPickStoresTheColourCancelAndOkWithoutPickDoNot)
{
    insert(bitmapEntry(8), twoByTwo());
    dlg->OnOpenResource(file);
    dlg->directoryList()->selectRow(0);
    const auto before = readBytes(file);

    // OK without a pick.
    host.dialogs.push_back([](QDialog& d) {
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        EXPECT_EQ(p.m_wIgnoreColor, 0x1234);
        EXPECT_EQ(p.m_nKind, 16);
        EXPECT_EQ(p.m_wWidth, 2);
        return QDialog::Accepted;
    });
    dlg->showBitmapItem();
    // Pick, then Cancel.
    host.dialogs.push_back([](QDialog& d) {
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        p.show();
        EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().center()));
        return QDialog::Rejected;
    });
    dlg->showBitmapItem();
    EXPECT_EQ(readBytes(file), before);
    EXPECT_EQ(dlg->directoryList()->item(0, 5)->text(), "0x1234");

    // Pick the top-left pixel (red), then OK.
    host.dialogs.push_back([](QDialog& d) {
        auto& p = dynamic_cast<CBitmapPreviewDlg&>(d);
        p.show();
        // 2 x 2 pixels on a 320 x 240 screen: each is one point at (x * scale, y * scale).
        EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().topLeft() + QPoint(1, 1)));
        EXPECT_EQ(p.m_wIgnoreColor, 0xFFFF);
        EXPECT_TRUE(p.pickAt(p.frameControl()->geometry().topLeft()));
        EXPECT_EQ(p.m_wIgnoreColor, 0xF800);
        return QDialog::Accepted;
    });
    dlg->showBitmapItem();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    EXPECT_EQ(dlg->directoryList()->item(0, 5)->text(), "0xf800");
    ResourceStore s;
    s.path = file;
    ASSERT_TRUE(s.openResourceFile().ok);
    EXPECT_EQ(s.directory[0].ignoreColor, 0xF800);
    // The item's data is untouched.
    const auto after = readBytes(file);
    EXPECT_TRUE(std::equal(after.begin() + 4096, after.end(), before.begin() + 4096));
}

TEST_F(BmpDisTest, DamagedItemGetsAMessageAndNoDialog)
{
    // The entry claims 2 x 2 true-colour pixels (8 bytes) but holds 6.
    insert(bitmapEntry(6), std::vector<std::uint8_t>(6, 0));
    dlg->OnOpenResource(file);
    dlg->directoryList()->selectRow(0);
    bool ran = false;
    host.dialogs.push_back([&](QDialog&) {
        ran = true;
        return QDialog::Rejected;
    });
    dlg->showBitmapItem();
    EXPECT_FALSE(ran);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.lastText().find("shorter"), std::string::npos) << host.lastText();
}

TEST_F(BmpDisTest, UnreadableItemGetsAMessageAndNoDialog)
{
    insert(bitmapEntry(8), twoByTwo());
    dlg->OnOpenResource(file);
    dlg->directoryList()->selectRow(0);
    // The file shrinks behind the window's back: the item can no longer be read whole.
    std::filesystem::resize_file(file, 4096 + 4);
    bool ran = false;
    host.dialogs.push_back([&](QDialog&) {
        ran = true;
        return QDialog::Rejected;
    });
    dlg->showBitmapItem();
    EXPECT_FALSE(ran);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_FALSE(host.lastText().empty());
}

} // namespace
