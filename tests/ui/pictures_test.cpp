// "Load BMP" with pictures in other formats, and the context menu's dither
// switch: PNG files load like the BMP of the same picture, and dithering
// changes the true-colour conversion only while it is switched on.
#include "UiTestSupport.h"

#include "resfile/ResourceStore.h"
#include "ui/CDibPicture.h"
#include "ui/CMainDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QTableWidget>
#include <QTimer>

#include <fstream>
#include <iterator>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;

namespace {

class PicturesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;

    // A slow ramp: the kind of picture where 16-bit colour bands.
    QImage ramp(int w, int h)
    {
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgb(x * 255 / (w - 1), 40 + y, 200 - x / 4));
        return img;
    }

    std::vector<char> staged()
    {
        std::ifstream in(stagingFile, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    std::string stagingFile;

    // Chooses `entryText` in the window's context menu, returning the entries shown.
    QStringList chooseInContextMenu(CMainDlg& dlg, const QString& entryText)
    {
        QStringList entries;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                if (QWidget* popup = QApplication::activePopupWidget())
                    popup->close();
                return;
            }
            for (QAction* a : menu->actions()) {
                entries << a->text();
                if (a->text() == entryText)
                    menu->setActiveAction(a);
            }
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(menu, &enter);
            if (menu->isVisible())
                menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), dlg.mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(&dlg, &event);
        return entries;
    }
};

TEST_F(PicturesTest, LoadBmpOffersImageFilesAndTakesAPngLikeTheSameBmp)
{
    CMainDlg dlg(host, port, listing);
    stagingFile = dir.file("ttt.tmp");
    dlg.stagingPathSource = [this](std::string*) { return stagingFile; };
    const std::string file = dir.file("p.zrf");
    ASSERT_TRUE(createResourceFile(file, 2404, 320, 240, 4096).ok);
    dlg.OnOpenResource(file);

    const QImage img = ramp(400, 200);
    ASSERT_TRUE(img.save(QString::fromStdString(dir.file("ramp.png"))));
    ASSERT_TRUE(img.save(QString::fromStdString(dir.file("ramp.bmp")), "BMP"));

    host.files.push_back(dir.file("ramp.bmp"));
    dlg.OnLoadBmp();
    ASSERT_EQ(host.fileFilters.back().size(), 3u);
    EXPECT_EQ(host.fileFilters.back()[0].label, "BMP File(*.BMP)");
    EXPECT_EQ(host.fileFilters.back()[1].label, "All Files(*.*)");
    EXPECT_EQ(host.fileFilters.back()[2].label, "Image Files(*.PNG;*.JPG;*.JPEG;*.GIF)");
    const std::string bmpReport = dlg.m_strBitmapMsg;
    const auto bmpStaged = staged();

    host.files.push_back(dir.file("ramp.png"));
    dlg.OnLoadBmp();
    EXPECT_TRUE(host.boxes.empty()) << host.lastText();
    EXPECT_EQ(dlg.m_strBitmapMsg, bmpReport);
    EXPECT_EQ(dlg.m_strBitmapMsg, "Load Bitmap 16bit color Width:320 Height:160 \r\nSize:102400");
    EXPECT_EQ(staged(), bmpStaged);

    dlg.OnLoadItem();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 1);
    EXPECT_EQ(dlg.directoryList()->item(0, 1)->text(), "True color bmp");
}

TEST_F(PicturesTest, DitherSwitchInTheContextMenuAppliesFromTheNextLoad)
{
    CMainDlg dlg(host, port, listing);
    dlg.show();
    stagingFile = dir.file("ttt.tmp");
    dlg.stagingPathSource = [this](std::string*) { return stagingFile; };
    ASSERT_TRUE(ramp(300, 100).save(QString::fromStdString(dir.file("ramp.png"))));

    host.files.push_back(dir.file("ramp.png"));
    dlg.OnLoadBmp();
    const auto plain = staged();
    ASSERT_FALSE(plain.empty());
    EXPECT_FALSE(dlg.pictureControl()->picture().m_bDither);

    const QStringList entries = chooseInContextMenu(dlg, "Dither true-colour pictures");
    EXPECT_TRUE(entries.contains("Dither true-colour pictures"));
    EXPECT_TRUE(dlg.pictureControl()->picture().m_bDither);

    host.files.push_back(dir.file("ramp.png"));
    dlg.OnLoadBmp();
    const auto dithered = staged();
    EXPECT_EQ(dithered.size(), plain.size()); // same fit, same size
    EXPECT_NE(dithered, plain);               // but the colours are diffused

    chooseInContextMenu(dlg, "Dither true-colour pictures");
    EXPECT_FALSE(dlg.pictureControl()->picture().m_bDither);
    host.files.push_back(dir.file("ramp.png"));
    dlg.OnLoadBmp();
    EXPECT_EQ(staged(), plain);
}

} // namespace
