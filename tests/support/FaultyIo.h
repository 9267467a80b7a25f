#pragma once
// A FileIo whose disk fills up, whose reads break or whose renames fail, on cue.
#include "platform/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace zarn::test {

struct FaultyIo : FileIo {
    std::int64_t writeRoom = INT64_MAX, readRoom = INT64_MAX; // bytes before writes fail with ENOSPC, reads with EIO
    int failRename = 0; // the errno renames fail with

    IoCount pwrite(int fd, const void* buffer, std::size_t count, FileOffset offset) override
    {
        const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(std::int64_t(count), writeRoom));
        writeRoom -= std::int64_t(n);
        return !n && count ? (errno = ENOSPC, -1) : FileIo::pwrite(fd, buffer, n, offset);
    }
    IoCount pread(int fd, void* buffer, std::size_t count, FileOffset offset) override
    {
        return (readRoom -= IoCount(count)) < 0 ? (errno = EIO, -1) : FileIo::pread(fd, buffer, count, offset);
    }
    int rename(const std::string& from, const std::string& to) override
    {
        return failRename ? (errno = failRename, -1) : FileIo::rename(from, to);
    }
    void heal() { writeRoom = readRoom = INT64_MAX, failRename = 0; }
};

} // namespace zarn::test
