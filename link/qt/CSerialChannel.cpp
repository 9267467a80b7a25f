#include "link/qt/CSerialChannel.h"

#include "link/FrameCodec.h"
#include "link/qt/SerialPortListing.h"

#include <QMetaObject>
#include <QPointer>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif
#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

namespace zarn {

CSerialChannel::CSerialChannel(QObject* parent)
    : QObject(parent)
{
    m_staleTimer.setSingleShot(true);
    m_staleTimer.setInterval(kReplyWaitMs);
    m_staleTimer.setTimerType(Qt::PreciseTimer); // 50 ms of silence, not 47 or 53
    connect(&m_staleTimer, &QTimer::timeout, this, &CSerialChannel::staleTimeout);
}

CSerialChannel::~CSerialChannel()
{
    m_staleTimer.stop();
    if (m_port) {
        m_port->disconnect(this);
        m_port->close();
    }
}

bool CSerialChannel::IsPortOpen() const { return m_port && m_port->isOpen(); }

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
    const std::string text = ErrorText(callName, systemText, m_portNumber);
    if (onError)
        onError(text);
    else
        std::fputs(text.c_str(), stderr);
}

bool CSerialChannel::OpenPort(
    int portNumber, int baudRate, char parity, int dataBits, int stopBits, std::size_t writeBufferSize)
{
    m_staleTimer.stop();
    m_monitoring = false;
    m_replyWait = false;
    if (m_port && m_port->isOpen())
        m_port->close();
    m_writeBuffer.assign(writeBufferSize, 0);
    m_assembler.reset();
    m_portNumber = portNumber;

    const std::string device = m_devicePath.empty() ? devicePathForPort(portNumber) : m_devicePath;
    if (device.empty())
        return false;
    if (!m_port) {
        m_port = std::make_unique<QSerialPort>();
        connect(m_port.get(), &QSerialPort::readyRead, this, &CSerialChannel::readAvailable);
        connect(m_port.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { handlePortError(static_cast<int>(e)); });
    }
    m_port->setPortName(QString::fromStdString(device));
    // Exclusive: the port is locked and marked exclusive while we hold it.
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_port->clearError();
        return false;
    }
    m_closing = false;

    // The line settings are applied in the order the module's tools always
    // did; the first refusal is reported and the port is used as it is.
    QSerialPort::Parity qparity = QSerialPort::NoParity;
    bool settingsValid = true;
    switch (parity) {
    case 'N':
    case 'n':
        qparity = QSerialPort::NoParity;
        break;
    case 'E':
    case 'e':
        qparity = QSerialPort::EvenParity;
        break;
    case 'O':
    case 'o':
        qparity = QSerialPort::OddParity;
        break;
    case 'M':
    case 'm':
        qparity = QSerialPort::MarkParity;
        break;
    case 'S':
    case 's':
        qparity = QSerialPort::SpaceParity;
        break;
    default:
        settingsValid = false;
        break;
    }
    if (dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2) || baudRate <= 0)
        settingsValid = false;
    if (!settingsValid) {
        char setting[80];
        std::snprintf(
            setting, sizeof setting, "baud=%d parity=%c data=%d stop=%d", baudRate, parity, dataBits, stopBits);
        ReportError("BuildCommDCB()", std::string("The parameter is incorrect: ") + setting);
    } else if (!m_port->setBaudRate(baudRate) || !m_port->setDataBits(static_cast<QSerialPort::DataBits>(dataBits))
        || !m_port->setParity(qparity)
        || !m_port->setStopBits(stopBits == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop)) {
        ReportError("SetCommState()", m_port->errorString().toStdString());
        m_port->clearError();
    }
    applyLowLatency();
    m_port->clear(QSerialPort::AllDirections);
    return true;
}

void CSerialChannel::applyLowLatency()
{
#ifdef __linux__
    // A USB adapter otherwise holds a short reply for up to 16 ms; drivers
    // that do not know the request (a pseudo-terminal) simply refuse it.
    const int fd = static_cast<int>(m_port->handle());
    serial_struct ss {};
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        (void)::ioctl(fd, TIOCSSERIAL, &ss);
    }
    errno = 0; // a refusal is no error of the port's and must not colour a later message
#endif
}

bool CSerialChannel::StartMonitor()
{
    if (!IsPortOpen())
        return false;
    m_port->clear(QSerialPort::AllDirections);
    m_monitoring = true;
    return true;
}

void CSerialChannel::EnterReplyWait() { m_replyWait = true; }

void CSerialChannel::ClosePort()
{
    // Safe inside a delivery: the port object stays, only the device closes.
    m_closing = true;
    m_monitoring = false;
    m_staleTimer.stop();
    if (m_port && m_port->isOpen())
        m_port->close();
}

void CSerialChannel::SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command)
{
    const std::size_t length = encodeFrame(command, payload, m_writeBuffer);
    if (length == 0) {
        ReportError("WriteFile()", "The frame does not fit the write buffer.");
        return;
    }

    if (!IsPortOpen()) {
        ReportError("WriteFile()", "The handle is invalid.");
        return;
    }
    // Modules rely on this: whatever is queued either way is dropped first.
    m_port->clear(QSerialPort::AllDirections);

#ifdef Q_OS_UNIX
    // Written straight to the descriptor: the frame leaves now, not on the
    // next turn of the event loop.
    const int fd = static_cast<int>(m_port->handle());
    std::size_t done = 0;
    while (done < length) {
        const ssize_t w = ::write(fd, m_writeBuffer.data() + done, length - done);
        if (w > 0) {
            done += static_cast<std::size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p { fd, POLLOUT, 0 };
            const int r = ::poll(&p, 1, 1000);
            if (r > 0 && !(p.revents & (POLLERR | POLLHUP | POLLNVAL)))
                continue;
            ReportError("GetOverlappedResults() in WriteFile()",
                r == 0 ? "The write timed out." : std::strerror(r < 0 ? errno : EIO));
            return;
        }
        ReportError("WriteFile()", std::strerror(w < 0 ? errno : EIO));
        return;
    }
#else
    if (m_port->write(reinterpret_cast<const char*>(m_writeBuffer.data()), static_cast<qint64>(length))
        != static_cast<qint64>(length)) {
        ReportError("WriteFile()", m_port->errorString().toStdString());
        return;
    }
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(1000)) {
            ReportError("GetOverlappedResults() in WriteFile()", m_port->errorString().toStdString());
            return;
        }
    }
#endif
}

void CSerialChannel::readAvailable()
{
    // One delivery at a time: bytes arriving while a frame is handled wait in
    // the port until the handling has returned.
    if (m_delivering || !m_monitoring || !IsPortOpen())
        return;
    const QByteArray data = m_port->readAll();
    if (!data.isEmpty()) {
        m_assembler.append(std::span<const std::uint8_t>(
            reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size())));
    }
    examineAndDeliver();
}

void CSerialChannel::examineAndDeliver()
{
    if (auto frame = m_assembler.examine()) {
        m_staleTimer.stop();
        // The owner may destroy the channel while handling the frame.
        const QPointer<CSerialChannel> self(this);
        m_delivering = true;
        if (onFrame)
            onFrame(*frame);
        if (!self)
            return;
        m_delivering = false;
        if (m_monitoring && IsPortOpen() && m_port->bytesAvailable() > 0)
            QMetaObject::invokeMethod(this, &CSerialChannel::readAvailable, Qt::QueuedConnection);
        return;
    }
    if (m_replyWait && m_assembler.pending() > 0)
        m_staleTimer.start(); // restarted by every read: 50 ms of silence
}

void CSerialChannel::staleTimeout()
{
    if (m_delivering)
        return;
    m_assembler.discardStale();
}

void CSerialChannel::handlePortError(int error)
{
    const auto e = static_cast<QSerialPort::SerialPortError>(error);
    if (e == QSerialPort::NoError || !m_port || !m_port->isOpen())
        return;
    const bool readFailed = e == QSerialPort::ReadError;
    if (readFailed || e == QSerialPort::ResourceError || e == QSerialPort::PermissionError
        || e == QSerialPort::DeviceNotFoundError) {
        // A failed read means the device went away or the line hung up: say so
        // once (the system's text is often stale here) and give the port up.
        const std::string reason = readFailed ? std::string("The device was disconnected or the line hung up.")
                                              : m_port->errorString().toStdString();
        m_staleTimer.stop();
        m_monitoring = false;
        m_port->clearError();
        m_port->close();
        // Told from the event loop, not from inside the port's own signal: the
        // owner may show a box or reopen the port in answer.
        QMetaObject::invokeMethod(
            this,
            [this, readFailed, reason] {
                if (readFailed)
                    ReportError("GetOverlappedResults() in ReadFile()", reason);
                if (onPortLost)
                    onPortLost();
            },
            Qt::QueuedConnection);
        return;
    }
    // Other errors are kept for the caller that met them (OpenPort reports
    // a refused setting with this text, then clears it).
}

} // namespace zarn
