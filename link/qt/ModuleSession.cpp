#include "link/qt/ModuleSession.h"

#include "link/FrameDispatch.h"
#include "link/qt/CSerialChannel.h"
#include "link/qt/SerialPortListing.h"

#include <filesystem>

namespace zarn {

namespace {

    // Every port number stands for one device, present while it exists.
    class DeviceListing final : public IPortListing {
    public:
        explicit DeviceListing(std::string path)
            : m_path(std::move(path))
        {
        }
        PortPresence FindListedPort(int) override
        {
            std::error_code ec;
            return std::filesystem::exists(m_path, ec) ? PortPresence::Listed : PortPresence::NotListed;
        }

    private:
        std::string m_path;
    };

    std::unique_ptr<ILinkPort> channelFor(const std::string& devicePath)
    {
        auto channel = std::make_unique<CSerialChannel>();
        if (!devicePath.empty())
            channel->SetDevicePath(devicePath);
        return channel;
    }

    std::unique_ptr<IPortListing> listingFor(const std::string& devicePath)
    {
        if (devicePath.empty())
            return std::make_unique<SerialPortListing>();
        return std::make_unique<DeviceListing>(devicePath);
    }

} // namespace

ModuleSession::ModuleSession(const std::string& devicePath, QObject* parent)
    : QObject(parent)
    , m_ownPort(channelFor(devicePath))
    , m_ownListing(listingFor(devicePath))
    , m_port(*m_ownPort)
    , m_listing(*m_ownListing)
    , m_detection(m_port, m_listing)
    , m_transfer(m_port, m_clock)
{
    wire();
}

ModuleSession::ModuleSession(ILinkPort& port, IPortListing& listing, QObject* parent)
    : QObject(parent)
    , m_port(port)
    , m_listing(listing)
    , m_detection(port, listing)
    , m_transfer(port, m_clock)
{
    wire();
}

ModuleSession::~ModuleSession()
{
    // Nothing may reach this session any more; a running transfer is abandoned with its port.
    m_detectionTimer.stop();
    m_watchdog.stop();
    m_port.onFrame = nullptr;
    m_port.onError = nullptr;
    m_port.onPortLost = nullptr;
    m_port.ClosePort();
}

void ModuleSession::wire()
{
    m_port.onFrame = [this](FramePayload& frame) { onFrame(frame); };
    m_port.onError = [this](const std::string& text) { emit channelError(QString::fromStdString(text)); };
    m_port.onPortLost = [this] {
        m_transfer.onPortFailure();
        emit portLost();
        emit changed();
    };
    m_detection.refresh = [this] { emit changed(); };
    m_transfer.refresh = [this] {
        emit progress(m_transfer.imageSent(), m_transfer.imageSize());
        emit changed();
    };
    m_transfer.message = [this](const std::string& text) {
        m_watchdog.stop();
        if (m_transfer.outcome() == ProgramTransfer::Outcome::Completed)
            emit finished(QString::fromStdString(text));
        else
            emit failed(QString::fromStdString(text));
    };

    // The detection timer starts with the session and never stops.
    m_detectionTimer.setInterval(kDetectionPeriodMs);
    connect(&m_detectionTimer, &QTimer::timeout, this, &ModuleSession::step);
    m_detectionTimer.start();
    m_watchdog.setInterval(100);
    connect(&m_watchdog, &QTimer::timeout, this, [this] { m_transfer.checkTimeout(); });
}

void ModuleSession::selectPort(int port) { m_detection.selectPort(static_cast<std::uint8_t>(port)); }

void ModuleSession::step()
{
    m_detection.timerStep();
    m_transfer.checkTimeout();
}

std::string ModuleSession::programAll(ResourceFileFacts file)
{
    std::string refusal = m_transfer.programAll(m_detection, std::move(file));
    if (refusal.empty())
        m_watchdog.start();
    return refusal;
}

void ModuleSession::onFrame(FramePayload& frame)
{
    const bool wasIdentified = m_detection.moduleIdentified();
    dispatchFrame(m_detection, m_transfer, frame);
    if (!wasIdentified && m_detection.moduleIdentified())
        emit moduleIdentified();
}

} // namespace zarn
