// The desktop application's figures: the time from constructing the main
// window to seeing it shown, and refreshing the directory list with 400
// entries, each against a baseline measured here (a plain dialog with the
// same number of controls; a table filled with ready-made texts).
#include "resfile/ResourceStore.h"
#include "ui/qt/QtMainDlg.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// The window, its boxes told on standard error instead of shown.
class SilentWindow : public zarn::ui::QtMainDlg {
public:
    using QtMainDlg::showMessage;
    void showMessage(const zarn::ui::Message& m) override { std::fprintf(stderr, "box: %s\n", m.text.c_str()); }
};

void waitShown(QWidget& w)
{
    w.show();
    while (!w.windowHandle() || !w.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QElapsedTimer appTimer;
    appTimer.start();
    QApplication app(argc, argv);
    const double appMs = appTimer.nsecsElapsed() / 1e6;

    constexpr int kRuns = 9;
    std::vector<double> window, plain;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        {
            SilentWindow dlg;
            waitShown(dlg);
            window.push_back(t.nsecsElapsed() / 1e6);
        }
        t.restart();
        {
            QDialog d;
            auto* row = new QHBoxLayout(&d);
            for (int b = 0; b < 12; ++b)
                row->addWidget(new QPushButton(QStringLiteral("Button %1").arg(b), &d));
            row->addWidget(new QTableWidget(0, 6, &d));
            waitShown(d);
            plain.push_back(t.nsecsElapsed() / 1e6);
        }
    }

    // A file with 400 entries (zero-length items are allowed and take no block).
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "bench_ui_400.zrf";
    if (!zarn::createResourceFile(file.string(), 4308, 480, 272, 8192).ok) {
        std::fprintf(stderr, "cannot create %s\n", file.c_str());
        return 1;
    }
    {
        zarn::ResourceStore s;
        if (!s.openResourceFile(file.string()).ok)
            return 1;
        for (int i = 0; i < 400; ++i) {
            zarn::ResourceEntry e;
            e.kind = (i % 2) ? 245 : 16;
            e.width = 480;
            e.height = 272;
            if (!s.insertItemData(s.itemCount(), e, {}).ok)
                return 1;
        }
    }
    SilentWindow dlg;
    dlg.state().OnOpenResource(file.string());
    waitShown(dlg);
    std::vector<double> refresh, table;
    QTableWidget baseline(0, 6);
    baseline.resize(dlg.directoryList()->size());
    waitShown(baseline);
    std::vector<QStringList> rows;
    for (int i = 0; i < 400; ++i)
        rows.push_back(QStringList { QString::number(i), "True color bmp", "480*272", "8192", "0", "0x0000" });
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        dlg.refresh(zarn::ui::kRefreshList);
        QCoreApplication::processEvents();
        refresh.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        baseline.setRowCount(0);
        baseline.setRowCount(400);
        for (int r = 0; r < 400; ++r)
            for (int c = 0; c < 6; ++c)
                baseline.setItem(r, c, new QTableWidgetItem(rows[r][c]));
        QCoreApplication::processEvents();
        table.push_back(t.nsecsElapsed() / 1e6);
    }
    std::filesystem::remove(file);
    if (dlg.directoryList()->rowCount() != 400) {
        std::fprintf(stderr, "the list shows %d rows, not 400\n", dlg.directoryList()->rowCount());
        return 1;
    }

    std::printf("application object: %.1f ms (once)\n", appMs);
    std::printf("main window constructed and shown: %.1f ms, plain dialog %.1f ms, ratio %.2f\n", median(window),
        median(plain), median(window) / median(plain));
    std::printf("directory list refresh, 400 entries: %.2f ms, table of ready texts %.2f ms, ratio %.2f\n",
        median(refresh), median(table), median(refresh) / median(table));
    return 0;
}
