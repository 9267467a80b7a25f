// The directory list shows every header and cell text whole: each column keeps
// its set width at least and widens to its texts, and the window's default
// width shows all six columns.
#include "UiTestSupport.h"

#include "resfile/DirectoryView.h"
#include "resfile/ResourceStore.h"
#include "ui/CMainDlg.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

using namespace zarn;
using namespace zarn::test;
using zarn::ui::CMainDlg;

namespace {

class ColumnsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }

    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;

    // Each column at least its set width, its header text and its widest cell text.
    static void expectNothingClipped(const CMainDlg& dlg, const char* when)
    {
        const QTableWidget* list = dlg.directoryList();
        const QHeaderView* header = list->horizontalHeader();
        for (int c = 0; c < 6; ++c) {
            const int width = list->columnWidth(c);
            EXPECT_GE(width, kDirectoryColumns[c].width) << when << ": column " << c;
            const QString title = list->horizontalHeaderItem(c)->text();
            EXPECT_GT(width, header->fontMetrics().horizontalAdvance(title)) << when << ": header '" << title.toStdString() << "'";
            EXPECT_GE(width, header->sectionSizeHint(c)) << when << ": header '" << title.toStdString() << "'";
            for (int r = 0; r < list->rowCount(); ++r) {
                const QString text = list->item(r, c)->text();
                EXPECT_GT(width, list->fontMetrics().horizontalAdvance(text) + 4)
                    << when << ": '" << text.toStdString() << "' in column " << c;
            }
        }
    }

    // Every column lies inside the list's visible part.
    static void expectAllColumnsShown(const CMainDlg& dlg)
    {
        const QTableWidget* list = dlg.directoryList();
        int total = 0;
        for (int c = 0; c < 6; ++c)
            total += list->columnWidth(c);
        EXPECT_LE(total, list->viewport()->width());
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    }
};

TEST_F(ColumnsTest, HeadersAreReadableInAnEmptyWindowAtItsDefaultSize)
{
    CMainDlg dlg(host, port, listing);
    expectNothingClipped(dlg, "start");
    // "ignore color" does not fit the 60 dots it was given.
    EXPECT_GT(dlg.directoryList()->columnWidth(5), kDirectoryColumns[5].width);
    dlg.show();
    QCoreApplication::processEvents();
    expectAllColumnsShown(dlg);
}

TEST_F(ColumnsTest, CellsOfEveryKindAreReadableAfterInsertRefreshAndDelete)
{
    const std::string path = dir.file("columns.zrf");
    ASSERT_TRUE(createResourceFile(path, 2404, 320, 240, 4096).ok);
    CMainDlg dlg(host, port, listing);
    dlg.OnOpenResource(path);
    dlg.show();
    QCoreApplication::processEvents();
    const int typeStart = dlg.directoryList()->columnWidth(1);

    host.files.push_back(writeQuadrantBmp(dir.file("pic.bmp"), 32, 24));
    dlg.OnLoadBmp();
    dlg.OnLoadItem();
    ASSERT_EQ(dlg.directoryList()->item(0, 1)->text(), "True color bmp");
    expectNothingClipped(dlg, "after >>LOAD");

    host.files.push_back(writePattern(dir.file("16X16.hzk"), 261696));
    dlg.OnLoadHzlib();
    host.files.push_back(writePattern(dir.file("8X16.asc"), 4096));
    dlg.OnLoadAsciilib();
    host.files.push_back(writePattern(dir.file("tone.wav"), 3000));
    dlg.OnLoadWave();
    ASSERT_EQ(dlg.directoryList()->rowCount(), 4) << host.lastText();
    expectNothingClipped(dlg, "after the imports");
    EXPECT_GE(dlg.directoryList()->columnWidth(1), typeStart);
    QCoreApplication::processEvents();
    expectAllColumnsShown(dlg);

    // Reopening refreshes the whole list; deleting refreshes it again.
    CMainDlg other(host, port, listing);
    other.OnOpenResource(path);
    ASSERT_EQ(other.directoryList()->rowCount(), 4);
    expectNothingClipped(other, "after reopening");
    other.directoryList()->selectRow(0);
    other.OnDelete();
    ASSERT_EQ(other.directoryList()->rowCount(), 3);
    expectNothingClipped(other, "after delete");
}

} // namespace
