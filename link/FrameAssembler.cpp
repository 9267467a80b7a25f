#include "link/FrameAssembler.h"

#include "link/FrameCodec.h"

#include <algorithm>
#include <cstring>

namespace zarn {

std::uint32_t FramePayload::NextPayloadWord()
{
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t at = m_cursor + static_cast<std::size_t>(i);
        if (at < m_payload.size())
            word |= static_cast<std::uint32_t>(m_payload[at]) << (8 * i);
    }
    m_cursor += 4;
    return word;
}

std::size_t FrameAssembler::append(std::span<const std::uint8_t> bytes)
{
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        if (m_writeIndex == kBufferSize) {
            // Full without a complete frame: nothing in here can become one.
            m_writeIndex = 0;
            m_unexamined = 0;
        }
        const std::size_t room = kBufferSize - m_writeIndex;
        const std::size_t n = std::min(room, bytes.size() - taken);
        std::memcpy(m_buffer.data() + m_writeIndex, bytes.data() + taken, n);
        m_writeIndex = static_cast<std::uint16_t>(m_writeIndex + n);
        m_unexamined += n;
        taken += n;
    }
    return taken;
}

std::optional<FramePayload> FrameAssembler::examine()
{
    if (m_writeIndex < 2 || m_buffer[0] != kFrameStart)
        return std::nullopt;
    const std::size_t lengthByte = m_buffer[1];
    if (lengthByte == 0) // would announce a payload of -1 bytes
        return std::nullopt;
    if (m_writeIndex < lengthByte + 4 || m_buffer[lengthByte + 3] != kFrameEnd)
        return std::nullopt;
    const std::uint8_t command = m_buffer[2];
    m_unexamined = 0;
    m_writeIndex = 0;
    return FramePayload(command, std::span<const std::uint8_t>(m_buffer.data() + 3, lengthByte - 1));
}

std::size_t FrameAssembler::needed() const
{
    if (m_writeIndex == 0)
        return 2; // the start and the length byte
    if (m_writeIndex == 1 || m_buffer[0] != kFrameStart || m_buffer[1] == 0)
        return 1;
    const std::size_t total = std::size_t(m_buffer[1]) + 4;
    return total > m_writeIndex ? total - m_writeIndex : 1;
}

void FrameAssembler::discardStale()
{
    m_writeIndex = 0;
    m_unexamined = 0;
}

void FrameAssembler::reset()
{
    m_writeIndex = 0;
    m_unexamined = 0;
}

} // namespace zarn
