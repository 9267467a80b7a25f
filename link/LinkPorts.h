#pragma once
// The small interfaces the detection and transfer state machines run against:
// the serial channel, a monotonic clock and the system's port listing. The
// channel on the system's serial ports (CSerialChannel) and the system's
// listing (SystemPortListing) are the real ones; tests provide fakes.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace zarn {

class FramePayload;

// What became of a port's last open, and what it received since: for the
// messages that say why no module was found.
struct PortStatus {
    std::string device; // what the port number stood for ("" when nothing)
    std::string openFailure; // the system's text when the last open failed, else ""
    bool accessDenied = false; // that failure was a lack of permission
    std::uint64_t bytesReceived = 0; // since the last open
};

// What the detection and transfer need of CSerialChannel, and how a port tells
// its owner what it received.
class ILinkPort {
public:
    virtual ~ILinkPort() = default;
    // Opens (or reopens) port `portNumber`; false only when the device cannot be opened.
    virtual bool OpenPort(
        int portNumber, int baudRate, char parity, int dataBits, int stopBits, std::size_t writeBufferSize)
        = 0;
    virtual bool StartMonitor() = 0;
    virtual void EnterReplyWait() = 0;
    // Purges both directions, then writes one frame and waits until it is written.
    virtual void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) = 0;
    virtual void ClosePort() = 0;
    virtual bool IsPortOpen() const = 0;
    virtual const PortStatus& Status() const
    {
        static const PortStatus none;
        return none;
    }

    // Each complete frame, delivered once; the next frame is examined only
    // after this returns. ClosePort may be called from inside. All three are
    // called on the thread that uses the port.
    std::function<void(FramePayload&)> onFrame;
    // The composed error text "WARNING:  %s Failed ..." of a failed call.
    std::function<void(const std::string&)> onError;
    // The open port failed or vanished (device unplugged, line hung up).
    std::function<void()> onPortLost;
};

class IClock {
public:
    virtual ~IClock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
};

// The answers of the port presence check.
enum class PortPresence { KeyNotOpened, Listed, NotListed };

class IPortListing {
public:
    virtual ~IPortListing() = default;
    virtual PortPresence FindListedPort(int portNumber) = 0;
};

// The port number in a listed port name such as "COM12": the decimal digits
// after the first 'M', accumulated in an unsigned byte (so "COM259" is 3).
// A name without 'M' yields no number (-1).
int portNumberFromName(std::string_view name);

} // namespace zarn
