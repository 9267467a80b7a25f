#pragma once
// What the Qt window's tests share: the application object, a window whose
// system dialogs and boxes answer from a script while its own dialogs are the
// real ones, and a way to act on the next dialog it shows.
#include "support/Files.h"
#include "support/QuartersBmp.h"

#include "ui/qt/QtMainDlg.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <deque>

// fontconfig keeps its caches to the end of the process; under the leak
// checker that is not ours to report. (Each test executable is one source file.)
extern "C" __attribute__((weak, used)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace zarn::test {

using Texts = std::vector<std::string>;

template <class T> T take(std::deque<T>& q)
{
    T v {};
    if (!q.empty())
        v = std::move(q.front()), q.pop_front();
    return v;
}

struct ScriptedWindow : ui::QtMainDlg {
    using QtMainDlg::QtMainDlg;
    Texts boxes;
    std::deque<std::optional<std::string>> files, folders;

    void showMessage(const ui::Message& m) override { boxes.push_back(m.text); }
    std::optional<std::string> chooseOpenFile(
        const std::string&, const std::vector<ui::FileFilter>&, const std::string&) override
    {
        return take(files);
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return take(folders); }
};

inline bool waitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return done();
}

// Runs `act` on the next modal dialog of type D once it shows (and closes it if `act` did not).
template <class D> void onNextDialog(std::function<void(D&)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(*d);
        if (d->isVisible())
            d->reject();
    });
    timer->start(10);
}

// A press of the left button at `pos` in `w`.
inline void press(QWidget& w, QPoint pos)
{
    QMouseEvent e(QEvent::MouseButtonPress, pos, w.mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

class UiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "ui_test", *argv[] = { name, nullptr };
        if (!QApplication::instance())
            new QApplication(argc, argv); // lives to the end: gtest_main owns main()
    }
    TempDir dir;

    std::string quadrantBmp(const std::string& name, int w, int h) { return writeQuartersBmp(dir.file(name), w, h); }
};

} // namespace zarn::test
