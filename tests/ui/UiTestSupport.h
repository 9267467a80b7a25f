#pragma once
// Shared pieces of the window tests: the application object, a scripted
// CommandHost that answers dialogs and records message boxes, fakes of the
// serial port and the port listing, temporary files, and a fixture with all of them.

#include "import/BmpWriter.h"
#include "link/LinkPorts.h"
#include "resfile/ResourceStore.h"
#include "link/qt/ModuleSession.h"
#include "ui/CMainDlg.h"
#include "ui/CommandHost.h"

#include <QtWidgets>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>

// fontconfig keeps its caches to the end of the process; under the leak
// checker that is not ours to report. (Each test executable is one source file.)
extern "C" __attribute__((weak, used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Readable failure output for Qt strings and lists of them.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace zarn::test {

// gtest_main is linked: the QApplication is made on first use and lives to the end.
inline QApplication& app()
{
    static int argc = 1;
    static char name[] = "ui_test";
    static char* argv[] = { name, nullptr };
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

template <class T> T take(std::deque<T>& q, T none)
{
    if (q.empty())
        return none;
    T v = std::move(q.front());
    q.pop_front();
    return v;
}

struct Box {
    std::string text, caption;
};

class ScriptedHost : public zarn::ui::CommandHost {
public:
    std::vector<Box> boxes;
    std::deque<std::optional<std::string>> files;   // answers of the file dialogs, in order
    std::vector<std::string> fileTitles;            // titles asked for
    std::vector<std::vector<zarn::ui::FileFilter>> fileFilters;
    std::deque<std::optional<std::string>> folders; // answers of the folder chooser
    std::deque<std::function<int(QDialog&)>> dialogs; // each runs one dialog and returns its result
    std::vector<std::string> questions;             // texts of the Yes/No questions asked
    std::deque<bool> answers;                       // their answers in order; No when none is left

    void showMessage(const std::string& text, const std::string& caption, zarn::ui::BoxIcon) override
    {
        boxes.push_back({ text, caption });
    }
    bool askYesNo(const std::string& text, const std::string&) override
    {
        questions.push_back(text);
        return take(answers, false);
    }
    std::optional<std::string> chooseOpenFile(const std::string& title, const std::vector<zarn::ui::FileFilter>& f) override
    {
        fileTitles.push_back(title);
        fileFilters.push_back(f);
        return take(files, std::optional<std::string>());
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return take(folders, std::optional<std::string>()); }
    int runDialog(QDialog& dialog) override
    {
        auto handler = take(dialogs, std::function<int(QDialog&)>([](QDialog&) { return int(QDialog::Rejected); }));
        return handler(dialog);
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> t;
        for (const auto& b : boxes)
            t.push_back(b.text);
        return t;
    }
    std::string lastText() const { return boxes.empty() ? std::string() : boxes.back().text; }
    // The last file dialog's filter entries as "label pattern".
    std::vector<std::string> lastFilters() const
    {
        std::vector<std::string> t;
        for (const auto& f : fileFilters.empty() ? std::vector<zarn::ui::FileFilter>() : fileFilters.back())
            t.push_back(f.label + " " + f.pattern);
        return t;
    }
};

class FakePort : public zarn::ILinkPort {
public:
    struct Sent {
        std::uint8_t command;
        std::vector<std::uint8_t> payload;
    };
    std::vector<Sent> sent; // frames in order
    std::vector<int> opens; // baud rates
    bool openResult = true, open = false;

    bool OpenPort(int, int baudRate, char, int, int, std::size_t) override
    {
        opens.push_back(baudRate);
        return open = openResult;
    }
    bool StartMonitor() override { return true; }
    void EnterReplyWait() override { }
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override
    {
        sent.push_back({ command, std::vector<std::uint8_t>(payload.begin(), payload.end()) });
    }
    void ClosePort() override { open = false; }
    bool IsPortOpen() const override { return open; }
};

class FakeListing : public zarn::IPortListing {
public:
    zarn::PortPresence answer = zarn::PortPresence::Listed;
    std::vector<int> asked;
    zarn::PortPresence FindListedPort(int port) override
    {
        asked.push_back(port);
        return answer;
    }
};

struct TempDir : QTemporaryDir {
    std::filesystem::path path() const { return QTemporaryDir::path().toStdString(); }
    std::string file(const std::string& name) const { return filePath(QString::fromStdString(name)).toStdString(); }
};

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 24-bit BMP of four coloured quadrants: red, green / blue, a grey.
inline std::string writeQuadrantBmp(const std::string& path, int w, int h)
{
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int q = (x >= w / 2) + 2 * (y >= h / 2);
            const std::uint8_t colours[4][3] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 200, 100, 50 } };
            rgb.insert(rgb.end(), colours[q], colours[q] + 3);
        }
    std::string error;
    EXPECT_TRUE(zarn::writeBmp24(path, w, h, rgb, &error)) << error;
    return path;
}

// A file of `size` bytes with a recognisable pattern.
inline std::string writePattern(const std::string& path, std::size_t size, std::uint8_t seed = 1)
{
    std::vector<std::uint8_t> b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
    writeBytes(path, b);
    return path;
}

inline bool waitUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

// Opens the window's context menu and chooses `entry` from inside the menu's own
// loop (Enter on the highlighted entry, as a user would); returns the entries shown.
inline QStringList chooseInContextMenu(QWidget& w, const QString& entry)
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

using Texts = std::vector<std::string>;

class UiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }
    ScriptedHost host;
    FakePort port;
    FakeListing listing;
    TempDir dir;

    std::string newFile(const std::string& name, std::uint16_t model = 2404, std::uint16_t w = 320, std::uint16_t h = 240)
    {
        const std::string path = dir.file(name);
        const auto r = createResourceFile(path, model, w, h, 4096);
        EXPECT_TRUE(r.ok) << r.message;
        return path;
    }
    static QStringList row(const zarn::ui::CMainDlg& dlg, int r)
    {
        QStringList t;
        for (int c = 0; c < 6; ++c)
            t << (dlg.directoryList()->item(r, c) ? dlg.directoryList()->item(r, c)->text() : QString("<none>"));
        return t;
    }
    // Brings the window to "identified" with a module of type `type` and `memory` bytes.
    void identify(zarn::ui::CMainDlg& dlg, std::uint32_t type = 2404, std::uint32_t memory = 4194304)
    {
        host.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
        dlg.OnPortSelect();
        dlg.OnTimer(); // opens the port
        dlg.OnTimer(); // first request
        std::vector<std::uint8_t> words(36, 0);
        for (auto [i, v] : { std::pair { 0, 3u }, { 2, type }, { 5, memory } })
            for (int b = 0; b < 4; ++b)
                words[i * 4 + b] = static_cast<std::uint8_t>(v >> (8 * b));
        FramePayload reply(0x00, words);
        dlg.OnSerialFrame(reply);
    }
    // An open file holding one WAVE item of `size` bytes, an identified module, "Program All" pressed.
    void startTransfer(zarn::ui::CMainDlg& dlg, std::size_t size = 100, const std::string& name = "t.zrf", bool portOpens = true)
    {
        dlg.OnOpenResource(newFile(name));
        dlg.OnLoadWave(writePattern(dir.file("t.wav"), size, 9));
        identify(dlg);
        port.openResult = portOpens;
        host.boxes.clear();
        port.sent.clear();
        dlg.OnProgramAll();
    }
};

} // namespace zarn::test
