#pragma once
// One zarn-sim process with its own port folder and the link's raw end, shared by
// the simulator tests and the command line's end-to-end tests. Needs ZARN_SIM_PATH.
#include "link/FrameCodec.h"
#include "support/Files.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>

namespace zarn::test {

using namespace std::chrono_literals;
using SimClock = std::chrono::steady_clock;

class SimProcess {
public:
    // "@DIR@" in an argument stands for the folder; without a folder a temporary one is made.
    SimProcess(std::vector<std::string> args, int port = 7, std::filesystem::path dir = {})
        : m_port(port)
        , m_dir(dir)
        , m_ownDir(dir.empty())
    {
        char tmpl[] = "/tmp/zarn-simtest-XXXXXX";
        if (m_ownDir)
            m_dir = ::mkdtemp(tmpl);
        m_ports = m_ownDir ? m_dir : m_dir / "ports";
        std::filesystem::create_directories(m_ports);
        args.insert(args.begin(), { ZARN_SIM_PATH, "--port", std::to_string(port) });
        for (auto& a : args)
            if (const auto at = a.find("@DIR@"); at != std::string::npos)
                a.replace(at, 5, m_dir.string());
        m_args = args;
    }
    ~SimProcess()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_pid > 0 && !exited()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ec;
        std::filesystem::remove_all(m_ownDir ? m_dir : "", ec);
    }

    std::filesystem::path dir() const { return m_dir; }
    std::filesystem::path link() const { return m_ports / ("COM" + std::to_string(m_port)); }
    pid_t pid() const { return m_pid; }
    std::string out() const { return readText(m_dir / ("sim" + std::to_string(m_port) + ".out")); }

    // Starts the process; returns its first output line (empty when none came in 10 s).
    std::string start()
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            ::setenv("ZARN_PORT_DIR", m_ports.c_str(), 1);
            ::dup2(::open("/dev/null", O_RDONLY), 0);
            ::dup2(
                ::open((m_dir / ("sim" + std::to_string(m_port) + ".out")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
                1);
            std::vector<char*> argv;
            for (auto& a : m_args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(ZARN_SIM_PATH, argv.data());
            ::_exit(127);
        }
        for (const auto until = SimClock::now() + 10s; SimClock::now() < until;) {
            const std::string text = out();
            if (const auto nl = text.find('\n'); nl != std::string::npos)
                return text.substr(0, nl);
            if (exited())
                break;
            std::this_thread::sleep_for(5ms);
        }
        return {};
    }
    bool ready() { return start().rfind("zarn-sim: COM" + std::to_string(m_port) + " -> /dev/pts/", 0) == 0; }

    // Starts the process and opens its link in raw mode.
    bool open()
    {
        if (!ready() || (m_fd = ::open(link().c_str(), O_RDWR | O_NOCTTY)) < 0)
            return false;
        termios tio {};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
        return true;
    }

    void send(const Bytes& b) { (void)!::write(m_fd, b.data(), b.size()); }

    // Reads up to `count` bytes, giving up after `timeoutMs` in all.
    Bytes read(std::size_t count, int timeoutMs = 2000)
    {
        Bytes got;
        const auto deadline = SimClock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SimClock::now()).count();
            pollfd p { m_fd, POLLIN, 0 };
            if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
                break;
            std::uint8_t buf[256];
            const ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, count - got.size()));
            if (n <= 0) {
                m_hungUp = true;
                break;
            }
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }
    Bytes ask(const Bytes& request, std::size_t replySize, int timeoutMs = 2000)
    {
        send(request);
        return read(replySize, timeoutMs);
    }
    bool hungUp() const { return m_hungUp; }

    bool exited()
    {
        int st = 0;
        if (!m_status && m_pid > 0 && ::waitpid(m_pid, &st, WNOHANG) == m_pid)
            m_status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return m_status.has_value();
    }

    // Waits `grace` for the process to end by itself, then ends it (SIGTERM, later
    // SIGKILL); returns its exit status.
    int finish(std::chrono::milliseconds grace = 5000ms)
    {
        auto waitUntil = [this](auto until) {
            while (!exited() && SimClock::now() < until)
                std::this_thread::sleep_for(5ms);
        };
        waitUntil(SimClock::now() + grace);
        if (!exited()) {
            ::kill(m_pid, SIGTERM);
            waitUntil(SimClock::now() + 3s);
        }
        if (!exited()) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_status = 128 + SIGKILL;
        }
        return *m_status;
    }

private:
    int m_port;
    std::filesystem::path m_dir, m_ports;
    bool m_ownDir;
    std::vector<std::string> m_args;
    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_hungUp = false;
    std::optional<int> m_status;
};

} // namespace zarn::test
