// Every window at its default size shows all of its controls whole: no
// control reaches outside its window, and no button or label is narrower
// than its text. With ZARN_UI_SHOTS_DIR set, each face is saved as a PNG.
#include "UiTestSupport.h"

#include "ui/CAboutDlg.h"
#include "ui/CBitmapPreviewDlg.h"
#include "ui/CMainDlg.h"
#include "ui/CMakeFontDlg.h"
#include "ui/CNewResourceDlg.h"
#include "ui/CPortSelectDlg.h"

#include <QAbstractButton>
#include <QLabel>

#include <cstdlib>

using namespace zarn;
using namespace zarn::test;

namespace {

void checkFace(QWidget& w, const char* name)
{
    w.show();
    QCoreApplication::processEvents();
    const QRect inside = w.rect();
    for (QWidget* child : w.findChildren<QWidget*>()) {
        if (!child->isVisible() || child->isWindow())
            continue;
        const QRect r(child->mapTo(&w, QPoint(0, 0)), child->size());
        EXPECT_TRUE(inside.contains(r)) << name << ": " << child->metaObject()->className() << " '"
                                        << child->objectName().toStdString() << "' at " << r.x() << "," << r.y()
                                        << " " << r.width() << "x" << r.height();
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(child))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(child); l && l->pixmap().isNull())
            text = l->text();
        if (!text.isEmpty()) {
            const int needed = child->fontMetrics().boundingRect(QRect(), Qt::TextShowMnemonic, text).width();
            EXPECT_LE(needed, child->width()) << name << ": '" << text.toStdString() << "' is clipped";
        }
    }
    if (const char* dir = std::getenv("ZARN_UI_SHOTS_DIR"); dir && *dir) {
        EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png"));
    }
}

TEST(Faces, EveryWindowShowsItsControlsWhole)
{
    app();
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    ui::CMainDlg main(host, port, listing);
    checkFace(main, "main");
    ui::CNewResourceDlg nd(host);
    checkFace(nd, "new-resource");
    ui::CPortSelectDlg pd(host, listing, 3);
    pd.OnSelEndOk(2);
    checkFace(pd, "port-select");
    const std::vector<std::uint8_t> none;
    ui::CBitmapPreviewDlg bd;
    bd.setScreenSize(480, 272);
    bd.setIgnoreColor(0xF81F);
    bd.setItem(0, 0, none, 16);
    checkFace(bd, "bitmap-preview");
    ui::CAboutDlg ad;
    checkFace(ad, "about");
    ui::CMakeFontDlg fd(host);
    fd.setFontPath("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    checkFace(fd, "make-font");
}

} // namespace
