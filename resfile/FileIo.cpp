#include "resfile/FileIo.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

int FileIo::open(const std::string& path, int flags, int mode) { return ::open(path.c_str(), flags | O_CLOEXEC, mode); }

ssize_t FileIo::pread(int fd, void* buffer, std::size_t count, off_t offset) { return ::pread(fd, buffer, count, offset); }

ssize_t FileIo::pwrite(int fd, const void* buffer, std::size_t count, off_t offset)
{
    return ::pwrite(fd, buffer, count, offset);
}

int FileIo::close(int fd) { return ::close(fd); }

int FileIo::rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }

int FileIo::unlink(const std::string& path) { return ::unlink(path.c_str()); }

std::int64_t FileIo::size(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -1;
    return st.st_size;
}

FileIo& defaultFileIo()
{
    static FileIo io;
    return io;
}

} // namespace zarn
