#include "resfile/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

namespace {

    void fill(FileStatus& out, const struct stat& st)
    {
        using Type = FileStatus::Type;
        out.type = S_ISREG(st.st_mode)                     ? Type::Regular
            : S_ISDIR(st.st_mode)                          ? Type::Folder
            : S_ISFIFO(st.st_mode)                         ? Type::NamedPipe
            : (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) ? Type::Device
            : S_ISSOCK(st.st_mode)                         ? Type::Socket
                                                           : Type::Other;
        out.device = st.st_dev;
        out.inode = st.st_ino;
        out.mode = st.st_mode & 07777;
        out.owner = st.st_uid;
        out.group = st.st_gid;
        out.size = st.st_size;
    }

} // namespace

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

int FileIo::open(const std::string& path, int flags, int mode) { return ::open(path.c_str(), flags | O_CLOEXEC, mode); }

ssize_t FileIo::pread(int fd, void* buffer, std::size_t count, off_t offset)
{
    return ::pread(fd, buffer, count, offset);
}

ssize_t FileIo::pwrite(int fd, const void* buffer, std::size_t count, off_t offset)
{
    return ::pwrite(fd, buffer, count, offset);
}

int FileIo::fsync(int fd) { return ::fsync(fd); }

int FileIo::close(int fd) { return ::close(fd); }

int FileIo::rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }

int FileIo::unlink(const std::string& path) { return ::unlink(path.c_str()); }

int FileIo::stat(const std::string& path, FileStatus& out)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    fill(out, st);
    return 0;
}

int FileIo::fstat(int fd, FileStatus& out)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        return -1;
    fill(out, st);
    return 0;
}

int FileIo::copyOwnerAndMode(int fd, const FileStatus& like)
{
    // Only the superuser may give a file away; anyone else keeps it as theirs.
    if (::fchown(fd, like.owner, like.group) != 0 && errno != EPERM)
        return -1;
    return ::fchmod(fd, like.mode);
}

int FileIo::tryLock(int fd, LockMode mode)
{
    int r;
    do
        r = ::flock(fd, (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    while (r != 0 && errno == EINTR);
    return r;
}

int FileIo::openUnnamed(const std::string& folder, int mode)
{
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
#else
    (void)folder;
    (void)mode;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

int FileIo::nameUnnamed(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
}

int FileIo::syncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int r = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return r;
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
        const ssize_t r = io.pread(fd, p + done, count - done, static_cast<off_t>(offset + done));
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
        const ssize_t r = io.pwrite(fd, p + done, count - done, static_cast<off_t>(offset + done));
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
