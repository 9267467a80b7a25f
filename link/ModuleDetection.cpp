#include "link/ModuleDetection.h"

#include "link/FrameCodec.h"

namespace zarn {

std::string moduleTypeName(const ModuleInfo& info)
{
    return "Zarn" + std::to_string(info.sizeClass()) + " V" + std::to_string(info.hardwareVersion());
}

std::string firmwareName(const ModuleInfo& info) { return "Ver" + std::to_string(info.firmwareVersion()); }

std::string identificationText(const ModuleInfo& info)
{
    return "Module connection...\r\nModule Type:" + moduleTypeName(info) + "\r\nFirmware version:" + firmwareName(info);
}

void ModuleDetection::selectPort(std::uint8_t port)
{
    m_comPort = port;
    m_linkEnabled = true;
    m_portOpen = false;
    m_moduleIdentified = false;
    m_moduleStatus = kMsgNoModuleConnection;
    doRefresh();
}

void ModuleDetection::timerStep()
{
    if (!m_linkEnabled)
        return;
    if (!m_portOpen) {
        // Opening is one step; the first request goes out on the next tick
        // (at once when asked to).
        if (m_listing.FindListedPort(m_comPort) == PortPresence::Listed) {
            if (m_port.OpenPort(m_comPort, kDetectionBaud, 'N', 8, 1, kDetectionWriteBuffer)) {
                m_portOpen = true;
                m_port.StartMonitor();
                if (m_requestOnOpen)
                    m_port.SendFrame(kIdentificationRequest, CMD_IDENTIFY);
            } else {
                m_portOpen = false;
            }
        }
        return;
    }
    switch (m_listing.FindListedPort(m_comPort)) {
    case PortPresence::KeyNotOpened:
    case PortPresence::NotListed:
        m_moduleIdentified = false;
        m_portOpen = false;
        m_moduleStatus = kMsgNoModuleConnection;
        doRefresh();
        break;
    case PortPresence::Listed:
        if (m_moduleIdentified)
            break;
        // Polling on a channel someone else has closed (a transfer ending
        // meanwhile) would only fail every tick: open it again next tick.
        if (!m_port.IsPortOpen()) {
            m_portOpen = false;
            break;
        }
        m_port.SendFrame(kIdentificationRequest, CMD_IDENTIFY);
        break;
    }
}

void ModuleDetection::onIdentification(FramePayload& frame)
{
    m_portOpen = true;
    m_moduleIdentified = true;
    for (auto& word : m_moduleInfo.words)
        word = frame.NextPayloadWord();
    m_moduleStatus = identificationText(m_moduleInfo);
    doRefresh();
    m_port.ClosePort();
    doRefresh();
}

} // namespace zarn
