#pragma once
// Gathering received bytes into module frames, as the channel's reader does:
// a 4200-byte buffer, a frame complete when byte 0 is 0x55 and the end byte
// sits where the length byte says; the checksum is not tested.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zarn {

// One delivered frame: its command code and a view of its payload. The view
// points into the assembler's buffer and stays valid until the next append.
class FramePayload {
public:
    FramePayload(std::uint8_t command, std::span<const std::uint8_t> payload)
        : m_command(command)
        , m_payload(payload)
    {
    }

    std::uint8_t command() const { return m_command; }
    std::span<const std::uint8_t> payload() const { return m_payload; }
    std::size_t length() const { return m_payload.size(); }

    // The next little-endian 32-bit word; bytes past the end of the payload
    // read as 0, so a short reply never reads outside what was received.
    std::uint32_t NextPayloadWord();
    void rewind() { m_cursor = 0; }

private:
    std::uint8_t m_command;
    std::span<const std::uint8_t> m_payload;
    std::size_t m_cursor = 0;
};

class FrameAssembler {
public:
    static constexpr std::size_t kBufferSize = 4200;

    // Takes received bytes. A buffer that fills up without a complete frame
    // (possible only when byte 0 is not 0x55) is emptied first, so reads
    // never leave the buffer. Returns the number of bytes taken.
    std::size_t append(std::span<const std::uint8_t> bytes);

    // A complete frame at offset 0: returns it and empties the buffer, so any
    // bytes behind the frame are dropped. Otherwise nothing and the bytes stay.
    std::optional<FramePayload> examine();

    // 50 ms without input in reply-wait mode: a stale partial frame is dropped.
    void discardStale();

    void reset();
    std::size_t pending() const { return m_writeIndex; } // bytes held since the buffer was last emptied
    // How many more bytes the frame being gathered needs at least (1 when the
    // bytes held cannot begin a frame): a read of that many ends with the frame.
    std::size_t needed() const;
    std::size_t unexamined() const { return m_unexamined; }

private:
    std::array<std::uint8_t, kBufferSize> m_buffer {};
    std::uint16_t m_writeIndex = 0;
    std::size_t m_unexamined = 0;
};

} // namespace zarn
