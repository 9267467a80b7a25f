#pragma once
// The virtual module (zarn-sim, a Linux program on a pseudo-terminal) as the
// far end of the serial layer's tests, on both systems. On Linux the port is
// the link zarn-sim makes. Under Wine it is COMn: scripts/test-windows names
// COM3 ... COM12 under HKLM\Software\Wine\Ports as links in the folder that
// ZARN_WINE_PORTS gives (a Linux path), where zarn-sim then makes its link;
// Wine starts Linux programs, so the Windows test starts zarn-sim itself,
// through the shell. Needs ZARN_SIM_PATH: the Linux zarn-sim.
#include "support/Files.h"

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "support/SimProcess.h"
#endif

namespace zarn::test {

class SimPort {
public:
    SimPort(std::vector<std::string> options, int port)
        : m_port(port)
    {
        options.insert(options.begin(), { "--idle-timeout", "20", "--save", "@DIR@/received.bin" });
#ifdef _WIN32
        const char* ports = std::getenv("ZARN_WINE_PORTS");
        if (!ports || !*ports)
            return; // not ready: the test says why
        m_unixDir = std::string(ports) + "/sim-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(port);
        for (std::string& o : options)
            if (const auto at = o.find("@DIR@"); at != std::string::npos)
                o.replace(at, 5, m_unixDir);
        std::string command = "mkdir -p " + m_unixDir + " && cd " + m_unixDir + " && echo $$ >pid && ZARN_PORT_DIR="
            + ports + " exec " + ZARN_SIM_PATH + " --port " + std::to_string(port);
        for (const std::string& o : options)
            command += " '" + o + "'";
        command += " >sim.out 2>&1";
        m_ready = shell(command, false) && waitFor([&] { return out().find('\n') != std::string::npos; });
        m_ready = m_ready && out().rfind("zarn-sim: COM" + std::to_string(port) + " -> /dev/pts/", 0) == 0;
#else
        m_sim = std::make_unique<SimProcess>(options, port);
        m_ready = m_sim->ready();
#endif
    }
    ~SimPort()
    {
#ifdef _WIN32
        if (!m_unixDir.empty())
            shell("kill $(cat " + m_unixDir + "/pid) 2>/dev/null; rm -rf " + m_unixDir, true);
#endif
    }
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    bool ready() const { return m_ready; }
    // Why not, for the test's message.
    std::string why() const
    {
#ifdef _WIN32
        if (m_unixDir.empty())
            return "ZARN_WINE_PORTS is not set: scripts/test-windows prepares Wine's COM ports";
#endif
        return out();
    }
    // What the channel opens.
    std::string device() const
    {
#ifdef _WIN32
        return "COM" + std::to_string(m_port);
#else
        return m_sim->link().string();
#endif
    }
    std::string out() const
    {
#ifdef _WIN32
        return readText("Z:" + m_unixDir + "/sim.out");
#else
        return m_sim->out();
#endif
    }
    // What the module saved when it ended: the image it received.
    Bytes received() const
    {
#ifdef _WIN32
        return readBytes("Z:" + m_unixDir + "/received.bin");
#else
        return readBytes(m_sim->dir() / "received.bin");
#endif
    }
    // Waits for the module to end by itself (--once, a hang-up) and print its summary.
    bool ended(std::chrono::milliseconds limit = std::chrono::seconds(10)) const
    {
        return waitFor([&] { return out().find("problems: ") != std::string::npos; }, limit);
    }

private:
    template <class Done> static bool waitFor(Done done, std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

#ifdef _WIN32
    // Starts `command` with the Linux shell; Wine gives such a process no handle to wait on.
    static bool shell(const std::string& command, bool settle)
    {
        std::wstring line = L"Z:\\bin\\sh -c \"";
        for (char c : command)
            line += c == '"' ? std::wstring(L"\\\"") : std::wstring(1, static_cast<wchar_t>(c));
        line += L"\"";
        STARTUPINFOW si {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi {};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        if (settle)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return true;
    }
    std::string m_unixDir;
#else
    std::unique_ptr<SimProcess> m_sim;
#endif
    int m_port;
    bool m_ready = false;
};

} // namespace zarn::test
