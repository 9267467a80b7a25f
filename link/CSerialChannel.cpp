#include "link/CSerialChannel.h"

#include "link/FrameCodec.h"
#include "platform/AsioEventLoop.h"

#include <cstdio>

namespace zarn {

CSerialChannel::CSerialChannel(AsioEventLoop& loop, std::function<std::string(int)> deviceFor)
    : m_loop(loop)
    , m_deviceFor(std::move(deviceFor))
    , m_port(loop)
{
}

CSerialChannel::~CSerialChannel() { m_port.close(); }

bool CSerialChannel::IsPortOpen() const { return m_port.isOpen(); }

std::string CSerialChannel::ErrorText(const std::string& callName, const std::string& systemText, int portNumber)
{
    // The message box's buffer holds 200 bytes; longer texts are cut.
    char text[200];
    std::snprintf(text, sizeof text, "WARNING:  %s Failed with the following error: \n%s\nPort: %d\n", callName.c_str(),
        systemText.c_str(), portNumber);
    return text;
}

void CSerialChannel::ReportError(const std::string& callName, const std::string& systemText)
{
    if (onError)
        onError(ErrorText(callName, systemText, m_portNumber));
}

bool CSerialChannel::OpenPort(
    int portNumber, int baudRate, char parity, int dataBits, int stopBits, std::size_t writeBufferSize)
{
    if (!m_staleTimer)
        m_staleTimer = m_loop.makeTimer();
    m_staleTimer->cancel();
    m_staleArmed = false;
    m_monitoring = false;
    m_replyWait = false;
    m_port.close();
    m_writeBuffer.assign(writeBufferSize, 0);
    m_assembler.reset();
    m_portNumber = portNumber;
    m_status = {};
    m_status.device = m_deviceFor ? m_deviceFor(portNumber) : std::string();
    if (m_status.device.empty())
        return false;
    // Absent, in use or forbidden: nothing is said (detection tries again), but
    // the reason is kept for whoever asks why no module was found.
    if (const SerialError e = m_port.open(m_status.device)) {
        m_status.openFailure = e.text;
        m_status.accessDenied = e.kind == SerialError::Kind::AccessDenied;
        return false;
    }
    if (const SerialError e = m_port.configure({ baudRate, parity, dataBits, stopBits }))
        ReportError(e.call, e.text);
    if (const SerialError e = m_port.purge())
        ReportError(e.call, e.text);
    return true;
}

bool CSerialChannel::StartMonitor()
{
    if (!IsPortOpen())
        return false;
    if (const SerialError e = m_port.purge())
        ReportError(e.call, e.text);
    m_monitoring = true;
    m_port.startReading([this](std::span<const std::uint8_t> bytes) { received(bytes); },
        [this](const SerialError& error) { lost(error); }, [this] { return m_assembler.needed(); });
    return true;
}

void CSerialChannel::EnterReplyWait() { m_replyWait = true; }

void CSerialChannel::ClosePort()
{
    // Safe inside a delivery: nothing of the channel goes away, only the device closes.
    m_monitoring = false;
    if (m_staleTimer)
        m_staleTimer->cancel();
    m_staleArmed = false;
    m_port.close();
}

void CSerialChannel::SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command)
{
    const std::size_t length = encodeFrame(command, payload, m_writeBuffer);
    if (length == 0) {
        ReportError(SerialPort::writeCallName(), "The frame does not fit the write buffer.");
        return;
    }
    // Modules rely on this: whatever is queued either way is dropped first.
    if (IsPortOpen())
        if (const SerialError e = m_port.purge())
            ReportError(e.call, e.text);
    m_port.write(std::span<const std::uint8_t>(m_writeBuffer.data(), length), [this](const SerialError& e) {
        if (e)
            ReportError(e.call, e.text);
    });
}

void CSerialChannel::received(std::span<const std::uint8_t> bytes)
{
    m_status.bytesReceived += bytes.size();
    if (!m_monitoring)
        return;
    m_assembler.append(bytes);
    if (auto frame = m_assembler.examine()) {
        if (onFrame)
            onFrame(*frame);
        return;
    }
    // 50 ms of silence in reply-wait drop a partial frame; each read restarts
    // the wait. The timer is not moved for every read (that would cost two
    // system calls a frame): it looks when the bytes last came, and waits on.
    if (m_replyWait && m_assembler.pending() > 0) {
        m_lastBytes = m_loop.now();
        if (!m_staleArmed)
            armStaleCheck(std::chrono::milliseconds(kReplyWaitMs));
    }
}

void CSerialChannel::armStaleCheck(std::chrono::steady_clock::duration after)
{
    m_staleArmed = true;
    m_staleTimer->start(std::chrono::ceil<std::chrono::milliseconds>(after), [this] {
        m_staleArmed = false;
        if (!m_replyWait || m_assembler.pending() == 0)
            return;
        const auto silent = m_loop.now() - m_lastBytes;
        if (silent >= std::chrono::milliseconds(kReplyWaitMs))
            m_assembler.discardStale();
        else
            armStaleCheck(std::chrono::milliseconds(kReplyWaitMs) - silent);
    });
}

void CSerialChannel::lost(const SerialError& error)
{
    // The device went away or the line hung up: said once, and the port is given up.
    m_monitoring = false;
    m_staleTimer->cancel();
    m_staleArmed = false;
    m_port.close();
    ReportError(error.call, error.text);
    if (onPortLost)
        onPortLost();
}

} // namespace zarn
