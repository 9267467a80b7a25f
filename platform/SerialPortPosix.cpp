// Serial ports on Linux (and other POSIX systems): the device opened without
// becoming the controlling terminal, locked (flock) and marked exclusive
// (TIOCEXCL) while held, raw termios settings, tcflush for a purge. Failures
// name the call made and carry strerror's text.
#include "platform/SerialSystem.h"

#include <asio/error.hpp>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

namespace zarn::serial {

const bool kReadsWaitForPause = false;

namespace {

    SerialError failure(const char* call, int err, SerialError::Kind kind = SerialError::Kind::Other)
    {
        return { kind, call, std::strerror(err) };
    }

    SerialError::Kind openKind(int err)
    {
        switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
            return SerialError::Kind::NotFound;
        case EACCES:
        case EPERM:
            return SerialError::Kind::AccessDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return SerialError::Kind::Busy;
        default:
            return SerialError::Kind::Other;
        }
    }

    bool speedOf(int baud, speed_t& speed)
    {
        static const struct {
            int baud;
            speed_t speed;
        } speeds[] = {
            { 1200, B1200 },
            { 2400, B2400 },
            { 4800, B4800 },
            { 9600, B9600 },
            { 19200, B19200 },
            { 38400, B38400 },
            { 57600, B57600 },
            { 115200, B115200 },
            { 230400, B230400 },
#ifdef B460800
            { 460800, B460800 },
            { 921600, B921600 },
#endif
        };
        for (const auto& s : speeds)
            if (s.baud == baud) {
                speed = s.speed;
                return true;
            }
        return false;
    }

} // namespace

SerialError openDevice(const std::string& device, Native& handle)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failure("open()", errno, openKind(errno));
    // The lock keeps out every program that locks too, root's included; the
    // exclusive mode keeps out every other open but root's. A device that is
    // no terminal refuses the mode, and its line settings will say so.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        // Held by another: said as the exclusive mode says it, not as "try again".
        return failure("flock()", err == EWOULDBLOCK ? EBUSY : err, SerialError::Kind::Busy);
    }
    (void)::ioctl(fd, TIOCEXCL);
    handle = fd;
    return {};
}

SerialError configureDevice(Native fd, const LineSettings& s)
{
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return failure("tcgetattr()", errno);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    switch (s.dataBits) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    case 8:
        tio.c_cflag |= CS8;
        break;
    default:
        return failure("tcsetattr()", EINVAL);
    }
    switch (s.parity) {
    case 'N':
    case 'n':
        break;
    case 'E':
    case 'e':
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
        break;
    case 'O':
    case 'o':
        tio.c_cflag |= PARENB | PARODD;
        tio.c_iflag |= INPCK;
        break;
    default:
        return failure("tcsetattr()", EINVAL);
    }
    if (s.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    else if (s.stopBits != 1)
        return failure("tcsetattr()", EINVAL);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    speed_t speed {};
    if (!speedOf(s.baudRate, speed))
        return failure("cfsetspeed()", EINVAL);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return failure("tcsetattr()", errno);
#ifdef __linux__
    // A USB adapter otherwise holds a short reply back for up to 16 ms; a
    // driver without the setting (a pseudo-terminal) refuses, which is fine.
    serial_struct ss {};
    if (::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        (void)::ioctl(fd, TIOCSSERIAL, &ss);
    }
#endif
    // DTR and RTS up, where the device has modem lines (a pseudo-terminal has none).
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)::ioctl(fd, TIOCMBIS, &lines);
    return {};
}

SerialError purgeDevice(Native fd)
{
    if (::tcflush(fd, TCIOFLUSH) != 0)
        return failure("tcflush()", errno);
    return {};
}

void releaseDevice(Native fd)
{
    // Left set, the mode would keep other users out of a device that stays,
    // such as the virtual module's pseudo-terminal.
    (void)::ioctl(fd, TIOCNXCL);
}

void closeDevice(Native fd) { ::close(fd); }

SerialError readFailure(const asio::error_code& ec)
{
    if (ec == asio::error::eof)
        return { SerialError::Kind::Lost, "read()", "End of file: the device is gone or its line hung up" };
    if (ec == asio::error::interrupted || ec == asio::error::would_block || ec == asio::error::try_again
        || ec == asio::error::operation_aborted)
        return {};
    const int err = ec.value();
    const bool lost = err == EIO || err == ENXIO || err == ENODEV || err == EBADF;
    return failure("read()", err, lost ? SerialError::Kind::Lost : SerialError::Kind::Other);
}

SerialError writeFailure(const asio::error_code& ec)
{
    const int err = ec.value();
    return failure("write()", err, err == EIO || err == ENXIO ? SerialError::Kind::Lost : SerialError::Kind::Other);
}

SerialError writeWhileClosed() { return failure("write()", EBADF); }

} // namespace zarn::serial

namespace zarn {

const char* SerialPort::writeCallName() { return "write()"; }

std::string serialAccessGroup(const std::string& device)
{
    struct stat st { };
    if (::stat(device.c_str(), &st) != 0 || !(st.st_mode & S_IRGRP) || !(st.st_mode & S_IWGRP))
        return {};
    const group* g = ::getgrgid(st.st_gid);
    if (!g || !g->gr_name || std::strcmp(g->gr_name, "root") == 0)
        return {};
    return g->gr_name;
}

} // namespace zarn
