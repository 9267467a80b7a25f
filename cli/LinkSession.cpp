#include "cli/LinkSession.h"

#include "cli/Progress.h"
#include "link/qt/SerialPortListing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace zarn::cli {

namespace {
    // --device PATH: the port is listed while the device exists.
    class DeviceListing final : public IPortListing {
    public:
        explicit DeviceListing(std::string path) : m_path(std::move(path)) { }
        PortPresence FindListedPort(int) override
        {
            std::error_code ec;
            return std::filesystem::exists(m_path, ec) ? PortPresence::Listed : PortPresence::NotListed;
        }

    private:
        std::string m_path;
    };

    int g_argc = 1;
    char g_arg0[] = "zarnres";
    char* g_argv[] = { g_arg0, nullptr };
}

void addLinkOptions(CLI::App* sub, LinkTarget& target)
{
    auto* port = sub->add_option("--port", target.port, "COM port number (1 to 255); see zarnres ports")
                     ->check(CLI::Range(1, 255));
    auto* device = sub->add_option("--device", target.device, "Serial device path instead of a port number");
    port->excludes(device);
    sub->add_option("--timeout", target.timeoutSeconds, "Seconds to wait for the module's identification (default 10)")
        ->check(CLI::Range(0.1, 3600.0));
}

LinkSession::LinkSession(const LinkTarget& target)
    : m_target(target)
{
    if (!QCoreApplication::instance())
        m_app = std::make_unique<QCoreApplication>(g_argc, g_argv);
    if (m_target.device.empty())
        m_listing = std::make_unique<SerialPortListing>();
    else
        m_listing = std::make_unique<DeviceListing>(m_target.device);
    m_channel = std::make_unique<CSerialChannel>();
    if (!m_target.device.empty())
        m_channel->setDevicePath(m_target.device);
    m_channel->onError = [](const std::string& text) {
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    };
    m_detection = std::make_unique<ModuleDetection>(*m_channel, *m_listing);
    m_transfer = std::make_unique<ProgramTransfer>(*m_channel, m_clock);
    m_channel->onFrame = [this](FramePayload& frame) { dispatchFrame(*m_detection, *m_transfer, frame); };
}

LinkSession::~LinkSession()
{
    m_channel->ClosePort();
}

std::string LinkSession::portName() const
{
    return m_target.device.empty() ? "COM" + std::to_string(m_target.port) : m_target.device;
}

bool LinkSession::detect()
{
    QEventLoop loop;
    auto quitWhenIdentified = [this, &loop] {
        if (m_detection->m_moduleIdentified)
            loop.quit();
    };
    m_detection->refresh = quitWhenIdentified;
    m_detection->selectPort(static_cast<std::uint8_t>(m_target.port));

    QTimer tick;
    tick.setInterval(kDetectionPeriodMs);
    QObject::connect(&tick, &QTimer::timeout, [this] { m_detection->timerStep(); });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);

    // The first step at once: the port opens now and the first request leaves
    // one period later, as in the window.
    m_detection->timerStep();
    tick.start();
    deadline.start(static_cast<int>(m_target.timeoutSeconds * 1000));
    if (!m_detection->m_moduleIdentified)
        loop.exec();
    tick.stop();
    m_detection->refresh = nullptr;
    return m_detection->m_moduleIdentified;
}

std::string LinkSession::detectionFailure() const
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", m_target.timeoutSeconds);
    if (!m_detection->m_portOpen)
        return portName() + " is not listed or cannot be opened (see zarnres ports)";
    return "No identification reply from " + portName() + " within " + seconds + " seconds";
}

int LinkSession::program(const ResourceFileFacts& file)
{
    const std::string refusal = m_transfer->programAll(*m_detection, file);
    if (!refusal.empty()) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        if (!m_detection->m_moduleIdentified)
            std::fprintf(stderr, "%s\n", detectionFailure().c_str());
        return kExitRefused;
    }

    QEventLoop loop;
    Progress progress(stderr, ::isatty(STDERR_FILENO) == 1, m_transfer->m_imageSize);
    m_transfer->refresh = [this, &progress] { progress.update(m_transfer->m_imageSent); };
    m_transfer->message = [&loop](const std::string&) { loop.quit(); };
    m_channel->onPortLost = [this] { m_transfer->onPortFailure(); };

    QTimer watchdog;
    watchdog.setInterval(100);
    QObject::connect(&watchdog, &QTimer::timeout, [this] { m_transfer->checkTimeout(); });
    watchdog.start();
    if (m_transfer->m_programming)
        loop.exec();
    watchdog.stop();
    m_transfer->refresh = nullptr;
    m_transfer->message = nullptr;
    m_channel->onPortLost = nullptr;

    if (m_transfer->outcome() == ProgramTransfer::Outcome::Completed) {
        progress.finish(m_transfer->m_imageSize);
        std::printf("%s\n", kMsgSendOver);
        std::fflush(stdout);
        return kExitOk;
    }
    progress.finish(m_transfer->m_imageSent);
    std::fprintf(stderr, "%s\n", kMsgProgrammingFailed);
    return kExitRefused;
}

} // namespace zarn::cli
