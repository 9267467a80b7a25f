#pragma once
// Module detection: every 700 ms tick checks the chosen port, opens it at
// 57600 baud, asks "Kelvaron" until the module answers, and keeps the answer.

#include "common/Messages.h"
#include "link/FrameAssembler.h"
#include "link/LinkPorts.h"
#include "link/Protocol.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace zarn {

inline constexpr int kDetectionPeriodMs = 700;
inline constexpr int kDetectionBaud = 57600;
inline constexpr std::size_t kDetectionWriteBuffer = 128;

// "Zarn24 V4": the module's size class and hardware version.
std::string moduleTypeName(const ModuleInfo& info);
// "Ver12".
std::string firmwareName(const ModuleInfo& info);
// The three-line text shown for an identified module.
std::string identificationText(const ModuleInfo& info);

class ModuleDetection {
public:
    ModuleDetection(ILinkPort& port, IPortListing& listing)
        : m_port(port)
        , m_listing(listing)
    {
    }

    // The Port Select dialog confirmed: restart detection on `port`.
    void selectPort(std::uint8_t port);
    // One detection step (each timer message).
    void timerStep();
    // The command line asks at once: the first request goes out in the step
    // that opens the port, not one period later as in the window.
    void setRequestOnOpen(bool atOnce) { m_requestOnOpen = atOnce; }
    // A delivered frame with command 0x00.
    void onIdentification(FramePayload& frame);

    // Called whenever the shown fields should be refreshed from the state.
    std::function<void()> refresh;

    bool linkEnabled() const { return m_linkEnabled; }
    bool portOpen() const { return m_portOpen; }
    bool moduleIdentified() const { return m_moduleIdentified; }
    std::uint8_t comPort() const { return m_comPort; }
    const std::string& moduleStatus() const { return m_moduleStatus; }
    const ModuleInfo& moduleInfo() const { return m_moduleInfo; }

private:
    void doRefresh()
    {
        if (refresh)
            refresh();
    }
    ILinkPort& m_port;
    IPortListing& m_listing;
    bool m_requestOnOpen = false;
    bool m_linkEnabled = false;
    bool m_portOpen = false;
    bool m_moduleIdentified = false;
    std::uint8_t m_comPort = 3;
    std::string m_moduleStatus = kMsgModuleInfoInitial;
    ModuleInfo m_moduleInfo;
};

} // namespace zarn
