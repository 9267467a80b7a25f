#include "platform/FileLock.h"

#include "platform/ReplaceFile.h"

#include <cerrno>
#include <thread>

namespace zarn {

FileLock::Outcome FileLock::acquire(const std::string& path, LockMode mode, std::chrono::milliseconds wait)
{
    release();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        FileStatus opened;
        const int fd = openRegularFile(m_io, path, O_RDONLY, m_reason, &opened);
        if (fd < 0)
            return Outcome::Failed;
        int err = 0;
        if (m_io.tryLock(fd, mode) != 0) {
            err = errno;
        } else if (replacementUnderWay(m_io, path)) {
            // In this order: once we hold the old file's lock, either the writer's
            // new file is still there, locked, or it has the name (seen below).
            err = EWOULDBLOCK;
        } else {
            // The name may have moved on to a new file while we waited for the old one.
            FileStatus named;
            if (m_io.stat(path, named) == 0 && named.sameFileAs(opened)) {
                m_fd = fd;
                m_mode = mode;
                // What a killed change left beside the file goes with the next
                // command that opens it, one that only reads included.
                removeStaleTemporaries(m_io, path);
                return Outcome::Locked;
            }
            m_io.close(fd);
            continue;
        }
        m_io.close(fd);
        if (err != EWOULDBLOCK && err != EAGAIN) {
            m_reason = systemReason(err);
            return Outcome::Failed;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Outcome::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void FileLock::adopt(int fd)
{
    if (m_fd >= 0)
        m_io.close(m_fd);
    m_fd = fd;
}

void FileLock::release()
{
    if (m_fd >= 0)
        m_io.close(m_fd);
    m_fd = -1;
}

} // namespace zarn
