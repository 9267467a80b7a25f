#pragma once
// The advisory lock that keeps two programs from changing one resource file at
// once. Changes replace the file by a rename, so a lock taken on a file that was
// replaced meanwhile is let go and taken again on the file that now has the name;
// and a replacement under way (its new file locked beside the old one) is waited
// for as the lock itself, since a writer on Windows lets go of the old file before
// its rename.

#include "platform/FileIo.h"

#include <chrono>
#include <string>

namespace zarn {

// How long a program waits for another one's change to finish before it gives up.
inline constexpr std::chrono::milliseconds kLockWait { 5000 };

class FileLock {
public:
    enum class Outcome { Locked, Busy, Failed };

    explicit FileLock(FileIo& io)
        : m_io(io)
    {
    }
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens `path` (a regular file only) and takes its lock in `mode`, waiting up
    // to `wait` while another program holds it. On Failed, `reason()` says why.
    Outcome acquire(const std::string& path, LockMode mode, std::chrono::milliseconds wait);
    void release();

    // Our own replacement of the file: `fd` is the new file, already locked in
    // the same mode; the old one is let go.
    void adopt(int fd);

    bool held() const { return m_fd >= 0; }
    LockMode mode() const { return m_mode; }
    int fd() const { return m_fd; }
    const std::string& reason() const { return m_reason; }

private:
    FileIo& m_io;
    int m_fd = -1;
    LockMode m_mode = LockMode::Shared;
    std::string m_reason;
};

} // namespace zarn
