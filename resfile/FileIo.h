#pragma once
// The few POSIX file calls the store makes, behind an interface so that tests
// can make a disk fill up or a read come back short at a chosen moment.

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace zarn {

class FileIo {
public:
    virtual ~FileIo() = default;
    // Each returns what the POSIX call returns and leaves errno set on failure.
    virtual int open(const std::string& path, int flags, int mode = 0644);
    virtual ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset);
    virtual ssize_t pwrite(int fd, const void* buffer, std::size_t count, off_t offset);
    virtual int close(int fd);
    virtual int rename(const std::string& from, const std::string& to);
    virtual int unlink(const std::string& path);
    // Size of an open file, or -1.
    virtual std::int64_t size(int fd);
};

// The plain implementation used when a store has no other.
FileIo& defaultFileIo();

} // namespace zarn
