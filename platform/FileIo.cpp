#include "platform/FileIo.h"

#include <cerrno>
#include <cstring>

namespace zarn {

std::string notRegularReason(FileStatus::Type type)
{
    switch (type) {
    case FileStatus::Type::Folder:
        return "it is a folder, not a regular file";
    case FileStatus::Type::NamedPipe:
        return "it is a named pipe, not a regular file";
    case FileStatus::Type::Device:
        return "it is a device, not a regular file";
    case FileStatus::Type::Socket:
        return "it is a socket, not a regular file";
    case FileStatus::Type::Regular:
    case FileStatus::Type::Other:
        break;
    }
    return "it is not a regular file";
}

FileIo& defaultFileIo()
{
    static FileIo io;
    return io;
}

int openRegularFile(FileIo& io, const std::string& path, int flags, std::string& error, FileStatus* status)
{
    FileStatus before;
    if (io.stat(path, before) != 0) {
        error = systemReason(errno);
        return -1;
    }
    if (!before.isRegular()) {
        error = notRegularReason(before.type);
        errno = EINVAL;
        return -1;
    }
    // Non-blocking, so that a file swapped for a named pipe in between cannot hang us.
    const int fd = io.open(path, flags | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = systemReason(errno);
        return -1;
    }
    FileStatus opened;
    if (io.fstat(fd, opened) != 0 || !opened.isRegular()) {
        error = opened.isRegular() ? systemReason(errno) : notRegularReason(opened.type);
        io.close(fd);
        errno = EINVAL;
        return -1;
    }
    if (status)
        *status = opened;
    return fd;
}

int readFully(FileIo& io, int fd, void* buffer, std::size_t count, std::uint64_t offset, std::size_t* got)
{
    auto* p = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    int result = 0;
    while (done < count) {
        const IoCount r = io.pread(fd, p + done, count - done, static_cast<FileOffset>(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            result = r < 0 ? -1 : 1;
            break;
        }
        done += static_cast<std::size_t>(r);
    }
    if (got)
        *got = done;
    return result;
}

WholeRead readRegularFile(FileIo& io, const std::string& path, std::uint64_t maxBytes, std::vector<std::uint8_t>& out,
    std::string& why, std::uint64_t* size)
{
    FileStatus status;
    const int fd = openRegularFile(io, path, O_RDONLY, why, &status);
    if (fd < 0)
        return WholeRead::Failed;
    const auto length = static_cast<std::uint64_t>(status.size);
    if (size)
        *size = length;
    WholeRead result = WholeRead::Read;
    if (length > maxBytes) {
        result = WholeRead::TooLarge;
    } else {
        out.resize(static_cast<std::size_t>(length));
        std::size_t got = 0;
        if (const int r = readFully(io, fd, out.data(), out.size(), 0, &got); r != 0) {
            why = r < 0 ? systemReason(errno)
                        : "the file ends at byte " + std::to_string(got) + ", before the data it should hold";
            result = WholeRead::Failed;
        }
    }
    io.close(fd);
    return result;
}

int writeFully(FileIo& io, int fd, const void* buffer, std::size_t count, std::uint64_t offset)
{
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const IoCount r = io.pwrite(fd, p + done, count - done, static_cast<FileOffset>(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            if (r == 0)
                errno = ENOSPC;
            return -1;
        }
        done += static_cast<std::size_t>(r);
    }
    return 0;
}

std::string quotedPath(const std::string& path) { return "\"" + path + "\""; }

std::string systemReason(int err) { return std::strerror(err); }

} // namespace zarn
