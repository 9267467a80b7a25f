#pragma once
// What every window test shares: the application object, a host that answers
// the dialogs from a script and keeps the boxes' texts, and a fixture with the
// link's fakes on a loop whose time the test moves, a temporary folder and the
// steps most tests start with.
#include "support/FakeLink.h"
#include "support/Files.h"
#include "support/ManualLoop.h"

#include "import/BmpWriter.h"
#include "ui/CDibPicture.h"
#include "ui/CMainDlg.h"

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

// Answers in order what the commands ask; an answer not given is Cancel (or No).
struct ScriptedHost : ui::CommandHost {
    Texts boxes, fileTitles, questions;
    std::deque<std::optional<std::string>> files, folders;
    std::deque<std::function<int(QDialog&)>> dialogs; // each runs one dialog and returns its result
    std::deque<bool> answers;

    void showMessage(const std::string& text, const std::string&, ui::BoxIcon) override { boxes.push_back(text); }
    bool askYesNo(const std::string& t, const std::string&) override { return questions.push_back(t), take(answers); }
    std::optional<std::string> chooseOpenFile(const std::string& title, const std::vector<ui::FileFilter>&) override
    {
        return fileTitles.push_back(title), take(files);
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return take(folders); }
    int runDialog(QDialog& d) override
    {
        const auto run = take(dialogs);
        return run ? run(d) : int(QDialog::Rejected);
    }
    std::string last() const { return boxes.empty() ? std::string() : boxes.back(); }
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

// Opens the window's context menu and chooses `entry` from inside the menu's own
// loop (Enter on the highlighted entry, as a user would); returns the entries shown.
inline QStringList chooseInContextMenu(QWidget& w, const QString& entry)
{
    QStringList entries;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions()) {
            entries << a->text();
            if (a->text() == entry)
                menu->setActiveAction(a);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
        if (menu->isVisible())
            menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), w.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&w, &event);
    return entries;
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
    UiTest() { listing.otherwise = PortPresence::Listed; }
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    ManualLoop loop;
    TempDir dir;

    // A blank 4M file for a 320 x 240 module.
    std::string newFile(const std::string& name)
    {
        const auto r = createResourceFile(dir.file(name), 2404, 320, 240, 4096);
        EXPECT_TRUE(r.ok) << r.message;
        return dir.file(name);
    }
    // A 24-bit BMP of four quadrants: red, green / blue, a grey of 0xcb26.
    std::string quadrantBmp(const std::string& name, int w, int h)
    {
        static const std::uint8_t colours[4][3] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 200, 100, 50 } };
        std::vector<std::uint8_t> rgb;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* c = colours[(x >= w / 2) + 2 * (y >= h / 2)];
                rgb.insert(rgb.end(), c, c + 3);
            }
        std::string error;
        EXPECT_TRUE(writeBmp24(dir.file(name), w, h, rgb, &error)) << error;
        return dir.file(name);
    }
};

} // namespace zarn::test
