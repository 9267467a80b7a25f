// Reading and writing a serial port with Asio, the same on both systems. One
// read is always outstanding while reading; what it brings is the channel's,
// as what the original reader had taken from the port was. A purge drops what
// the system still queues either way and the write under way; a close starts a
// new generation, and what a read or write of an earlier one completes with is
// dropped.
#include "platform/SerialPort.h"

#include "platform/AsioContext.h"
#include "platform/SerialSystem.h"

#include <asio/write.hpp>

#include <algorithm>
#include <array>
#include <vector>

namespace zarn {

struct SerialPort::Impl : std::enable_shared_from_this<Impl> {
    explicit Impl(asio::io_context& io)
        : port(io)
    {
    }

    void readNext()
    {
        if (reading || !wantReading || !port.is_open())
            return;
        reading = true;
        std::size_t size = buffer.size();
        if (serial::kReadsWaitForPause && expected)
            size = std::clamp<std::size_t>(expected(), 1, buffer.size());
        port.async_read_some(asio::buffer(buffer.data(), size),
            [self = shared_from_this(), generation = generation](
                const asio::error_code& ec, std::size_t n) { self->readDone(generation, ec, n); });
    }

    void readDone(std::uint64_t readGeneration, const asio::error_code& ec, std::size_t n)
    {
        reading = false;
        if (readGeneration != generation) {
            readNext(); // closed (and perhaps opened again) since
            return;
        }
        if (ec) {
            SerialError failure = serial::readFailure(ec);
            if (!failure) {
                readNext();
                return;
            }
            wantReading = false;
            const auto report = onFailure;
            if (report)
                report(failure);
            return;
        }
        if (n > 0 && onData)
            onData(std::span<const std::uint8_t>(buffer.data(), n));
        readNext();
    }

    asio::serial_port port;
    std::array<std::uint8_t, 4096> buffer {};
    bool reading = false; // a read is outstanding
    bool wantReading = false;
    std::uint64_t generation = 0; // of the open port
    std::uint64_t writeGeneration = 0; // of the write under way
    std::function<void(std::span<const std::uint8_t>)> onData;
    std::function<void(const SerialError&)> onFailure;
    std::function<std::size_t()> expected;
};

SerialPort::SerialPort(AsioEventLoop& loop)
    : m_impl(std::make_shared<Impl>(loop.context().io))
{
}

SerialPort::~SerialPort()
{
    close();
    m_impl->onData = nullptr;
    m_impl->onFailure = nullptr;
    m_impl->expected = nullptr;
}

SerialError SerialPort::open(const std::string& device)
{
    close();
    serial::Native handle {};
    if (SerialError e = serial::openDevice(device, handle))
        return e;
    asio::error_code ec;
    m_impl->port.assign(handle, ec);
    if (ec) {
        serial::releaseDevice(handle);
        serial::closeDevice(handle);
        return { SerialError::Kind::Other, "assign()", ec.message() };
    }
    return {};
}

SerialError SerialPort::configure(const LineSettings& settings)
{
    return serial::configureDevice(m_impl->port.native_handle(), settings);
}

SerialError SerialPort::purge()
{
    Impl& p = *m_impl;
    if (!p.port.is_open())
        return {};
    ++p.writeGeneration;
    return serial::purgeDevice(p.port.native_handle());
}

void SerialPort::startReading(std::function<void(std::span<const std::uint8_t>)> onData,
    std::function<void(const SerialError&)> onFailure, std::function<std::size_t()> expected)
{
    Impl& p = *m_impl;
    p.onData = std::move(onData);
    p.onFailure = std::move(onFailure);
    p.expected = std::move(expected);
    p.wantReading = true;
    p.readNext();
}

void SerialPort::write(std::span<const std::uint8_t> bytes, std::function<void(const SerialError&)> done)
{
    Impl& p = *m_impl;
    if (!p.port.is_open()) {
        if (done)
            done(serial::writeWhileClosed());
        return;
    }
    auto data = std::make_shared<std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
    asio::async_write(p.port, asio::buffer(*data),
        [self = m_impl, data, generation = p.generation, writeGeneration = ++p.writeGeneration, done = std::move(done)](
            const asio::error_code& ec, std::size_t) {
            if (generation != self->generation || writeGeneration != self->writeGeneration || !done)
                return;
            done(ec ? serial::writeFailure(ec) : SerialError {});
        });
}

void SerialPort::close()
{
    Impl& p = *m_impl;
    p.wantReading = false;
    ++p.generation;
    ++p.writeGeneration;
    if (!p.port.is_open())
        return;
    serial::releaseDevice(p.port.native_handle());
    asio::error_code ec;
    p.port.close(ec);
}

bool SerialPort::isOpen() const { return m_impl->port.is_open(); }

} // namespace zarn
