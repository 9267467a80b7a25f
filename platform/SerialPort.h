#pragma once
// A serial port on the process's event loop: opened for this process alone,
// raw 8N1 at a given speed, purged both ways on demand, read continuously and
// written whole, with the system's own text when a call fails. The same Asio
// code reads and writes on both systems; opening, line settings and purging
// are the system's own (SerialPortPosix.cpp, SerialPortWin32.cpp).
// Every call, and every callback, happens on the loop's thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace zarn {

class AsioEventLoop;

// A failed call: its name as the system knows it ("open()", "tcsetattr()",
// "SetCommState()", "ReadFile()"), the system's text for the error, and what
// the failure means to a caller.
struct SerialError {
    enum class Kind {
        None,
        NotFound, // no such device
        Busy, // another program (or port) holds it
        AccessDenied, // this user may not open it
        Lost, // the device went away or the line hung up
        Other,
    };
    Kind kind = Kind::None;
    std::string call;
    std::string text;

    explicit operator bool() const { return kind != Kind::None; }
};

struct LineSettings {
    int baudRate = 57600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};

class SerialPort {
public:
    explicit SerialPort(AsioEventLoop& loop);
    ~SerialPort(); // closes
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens `device` (a path on POSIX, "COM3" or "\\.\COM3" on Windows) so that
    // no other program, and no other port of this one, can open it meanwhile.
    SerialError open(const std::string& device);
    // Raw bytes at the given settings, no flow control, low latency where the
    // driver offers it; the modem lines are raised where the device has them.
    SerialError configure(const LineSettings& settings);
    // Drops everything the system queues either way, and the write under way
    // (its `done` is not called). Bytes a read has already taken are not the
    // system's any more: they still go to onData.
    SerialError purge();
    // From now until close, each chunk received goes to `onData`; when the
    // port is lost (or a read fails) `onFailure` is called once and reading ends.
    // `expected` says how many bytes would end what the reader waits for: where
    // a read waits for a pause after its last byte unless it is full (Windows),
    // each read asks for that many, so that a reply is handed on as soon as it
    // is complete.
    void startReading(std::function<void(std::span<const std::uint8_t>)> onData,
        std::function<void(const SerialError&)> onFailure, std::function<std::size_t()> expected = {});
    // Writes all of `bytes` (copied now) without waiting; `done` is called when
    // the system has taken them all, or with the failure. A purge, a close or
    // the next write before then drops what is left, and `done` is not called.
    void write(std::span<const std::uint8_t> bytes, std::function<void(const SerialError&)> done);
    void close();
    bool isOpen() const;

    // The name of the system's write call, for a write refused before it is made.
    static const char* writeCallName();

    struct Impl;

private:
    std::shared_ptr<Impl> m_impl;
};

// The group that may use `device` when the user may not ("dialout" on Debian),
// empty when none is known (or on Windows).
std::string serialAccessGroup(const std::string& device);

} // namespace zarn
