#include "import/PictureInput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zarn {

namespace {

    // Decoders ask for a few bytes at a time (a chunk's header, a GIF sub-block): reading ahead
    // keeps that from becoming one system call each.
    constexpr std::size_t kReadAhead = 64 * 1024;

} // namespace

std::size_t PictureInput::read(void* buffer, std::size_t count)
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t bufferEnd = m_bufferStart + m_buffer.size();
        if (m_position >= m_bufferStart && m_position < bufferEnd) {
            const std::size_t at = static_cast<std::size_t>(m_position - m_bufferStart);
            const std::size_t n = std::min(count - done, m_buffer.size() - at);
            std::memcpy(out + done, m_buffer.data() + at, n);
            done += n;
            m_position += n;
            continue;
        }
        // Large reads go straight to the caller's buffer.
        if (count - done >= kReadAhead) {
            const std::int64_t n = readAt(m_position, out + done, count - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
            m_position += static_cast<std::uint64_t>(n);
            continue;
        }
        m_buffer.resize(kReadAhead);
        const std::int64_t n = readAt(m_position, m_buffer.data(), m_buffer.size());
        m_bufferStart = m_position;
        m_buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        if (n <= 0)
            break;
    }
    return done;
}

bool PictureInput::readExactly(std::uint64_t offset, void* buffer, std::size_t count)
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t n = readAt(offset + done, out + done, count - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void PictureInput::seek(std::uint64_t offset) { m_position = offset; }

FilePictureInput::~FilePictureInput()
{
    if (m_fd >= 0)
        m_io.close(m_fd);
}

bool FilePictureInput::open(const std::string& path, std::string& why)
{
    FileStatus status;
    m_fd = openRegularFile(m_io, path, O_RDONLY, why, &status);
    if (m_fd < 0)
        return false;
    m_size = static_cast<std::uint64_t>(status.size);
    return true;
}

std::int64_t FilePictureInput::readAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (offset >= m_size || count == 0)
        return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset));
    for (;;) {
        const IoCount n = m_io.pread(m_fd, buffer, count, static_cast<FileOffset>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            setError(systemReason(errno));
        return n;
    }
}

std::int64_t MemoryPictureInput::readAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (offset >= m_bytes.size())
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_bytes.size() - offset));
    std::memcpy(buffer, m_bytes.data() + offset, n);
    return static_cast<std::int64_t>(n);
}

std::int64_t PartPictureInput::readAt(std::uint64_t offset, void* buffer, std::size_t count)
{
    if (offset >= m_length)
        return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_length - offset));
    const std::int64_t got = m_whole.readAt(m_offset + offset, buffer, n);
    if (got < 0)
        setError(m_whole.error());
    return got;
}

} // namespace zarn
