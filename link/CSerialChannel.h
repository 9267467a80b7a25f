#pragma once
// The one connection to a module: a serial port opened exclusively, 8N1,
// purged at the monitor's start and before every write, with received bytes
// gathered into frames and each complete frame delivered once to its owner.
// It runs on the event loop of its serial port; every call and every callback
// happens on that loop's thread, so a delivery is over before the next bytes
// are examined.

#include "link/FrameAssembler.h"
#include "link/LinkPorts.h"
#include "platform/EventLoop.h"
#include "platform/SerialPort.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

class AsioEventLoop;

class CSerialChannel final : public ILinkPort {
public:
    // `deviceFor` says which device a port number stands for ("" for none).
    CSerialChannel(AsioEventLoop& loop, std::function<std::string(int)> deviceFor);
    ~CSerialChannel() override;

    // False only when the device cannot be opened; a line setting the device
    // refuses is reported and the port is used as it is.
    bool OpenPort(
        int portNumber, int baudRate, char parity, int dataBits, int stopBits, std::size_t writeBufferSize) override;
    bool StartMonitor() override;
    void EnterReplyWait() override;
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override;
    void ClosePort() override;
    bool IsPortOpen() const override;
    const PortStatus& Status() const override { return m_status; }

    // Composes the error text for a failed call, cut to 200 bytes like the box.
    static std::string ErrorText(const std::string& callName, const std::string& systemText, int portNumber);

    static constexpr int kReplyWaitMs = 50;

private:
    void received(std::span<const std::uint8_t> bytes);
    void armStaleCheck(std::chrono::steady_clock::duration after);
    void lost(const SerialError& error);
    void ReportError(const std::string& callName, const std::string& systemText);

    AsioEventLoop& m_loop;
    std::function<std::string(int)> m_deviceFor;
    SerialPort m_port;
    std::unique_ptr<ITimer> m_staleTimer; // 50 ms of silence in reply-wait
    bool m_staleArmed = false;
    std::chrono::steady_clock::time_point m_lastBytes {}; // when bytes of a partial frame last came
    FrameAssembler m_assembler;
    std::vector<std::uint8_t> m_writeBuffer;
    PortStatus m_status;
    int m_portNumber = 0;
    bool m_replyWait = false;
    bool m_monitoring = false;
};

} // namespace zarn
