#pragma once
// Shared pieces of the window tests: the application object, a scripted
// CommandHost that answers dialogs and records message boxes, fakes of the
// serial port and the port listing, and temporary folders and files.

#include "import/BmpWriter.h"
#include "link/LinkPorts.h"
#include "ui/CommandHost.h"

#include <QApplication>
#include <QDialog>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// fontconfig keeps its caches to the end of the process; under the leak
// checker that is not ours to report.
// (Each test executable is one source file, so this is defined once.)
extern "C" __attribute__((weak, used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

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

struct Box {
    std::string text;
    std::string caption;
};

class ScriptedHost : public zarn::ui::CommandHost {
public:
    std::vector<Box> boxes;
    std::deque<std::optional<std::string>> files;   // answers of the file dialogs, in order
    std::vector<std::string> fileTitles;            // titles asked for
    std::vector<std::vector<zarn::ui::FileFilter>> fileFilters;
    std::deque<std::optional<std::string>> folders; // answers of the folder chooser
    std::deque<std::function<int(QDialog&)>> dialogs; // each runs one dialog and returns its result
    std::function<void(const Box&)> onBox;          // runs while a box "is open"
    std::vector<std::string> questions;             // texts of the Yes/No questions asked
    std::deque<bool> answers;                       // their answers in order; No when none is left

    void showMessage(const std::string& text, const std::string& caption, zarn::ui::BoxIcon) override
    {
        boxes.push_back({ text, caption });
        if (onBox)
            onBox(boxes.back());
    }
    bool askYesNo(const std::string& text, const std::string&) override
    {
        questions.push_back(text);
        if (answers.empty())
            return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    std::optional<std::string> chooseOpenFile(const std::string& title, const std::vector<zarn::ui::FileFilter>& f) override
    {
        fileTitles.push_back(title);
        fileFilters.push_back(f);
        if (files.empty())
            return std::nullopt;
        auto r = files.front();
        files.pop_front();
        return r;
    }
    std::optional<std::string> chooseFolder(const std::string&) override
    {
        if (folders.empty())
            return std::nullopt;
        auto r = folders.front();
        folders.pop_front();
        return r;
    }
    int runDialog(QDialog& dialog) override
    {
        if (dialogs.empty())
            return QDialog::Rejected;
        auto handler = std::move(dialogs.front());
        dialogs.pop_front();
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
};

class FakePort : public zarn::ILinkPort {
public:
    struct Sent {
        std::uint8_t command;
        std::vector<std::uint8_t> payload;
    };
    std::vector<Sent> sent;
    std::vector<int> opens; // baud rates
    bool openResult = true;
    bool open = false;
    int closes = 0;

    bool OpenPort(int, int baudRate, char, int, int, std::size_t) override
    {
        opens.push_back(baudRate);
        open = openResult;
        return openResult;
    }
    bool StartMonitor() override { return true; }
    void EnterReplyWait() override { }
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override
    {
        sent.push_back({ command, std::vector<std::uint8_t>(payload.begin(), payload.end()) });
    }
    void ClosePort() override
    {
        open = false;
        ++closes;
    }
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

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/zarn-ui-XXXXXX";
        m_path = ::mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A 24-bit BMP of four coloured quadrants: red, green / blue, a grey.
inline std::string writeQuadrantBmp(const std::string& path, int w, int h)
{
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            const bool right = x >= w / 2, lower = y >= h / 2;
            if (!right && !lower) { p[0] = 255; p[1] = 0; p[2] = 0; }
            else if (right && !lower) { p[0] = 0; p[1] = 255; p[2] = 0; }
            else if (!right && lower) { p[0] = 0; p[1] = 0; p[2] = 255; }
            else { p[0] = 200; p[1] = 100; p[2] = 50; }
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

} // namespace zarn::test
