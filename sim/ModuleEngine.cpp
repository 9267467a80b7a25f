#include "sim/ModuleEngine.h"

#include "link/FrameCodec.h"
#include "link/Protocol.h"

#include <algorithm>

namespace zarn::sim {

void FrameReader::feed(const std::uint8_t* data, std::size_t size)
{
    m_buffer.insert(m_buffer.end(), data, data + size);
}

std::optional<ReceivedFrame> FrameReader::next()
{
    for (;;) {
        const auto start = std::find(m_buffer.begin(), m_buffer.end(), kFrameStart);
        m_discarded += static_cast<std::uint64_t>(start - m_buffer.begin());
        m_buffer.erase(m_buffer.begin(), start);
        if (m_buffer.size() < 2)
            return std::nullopt;
        const std::size_t length = m_buffer[1];
        // A length of 0 would mean a payload of -1 bytes: never a frame.
        if (length == 0) {
            m_buffer.erase(m_buffer.begin());
            ++m_discarded;
            continue;
        }
        if (m_buffer.size() < length + 4)
            return std::nullopt;
        if (m_buffer[length + 3] != kFrameEnd) {
            m_buffer.erase(m_buffer.begin());
            ++m_discarded;
            continue;
        }
        ReceivedFrame frame;
        frame.command = m_buffer[2];
        frame.payload.assign(m_buffer.begin() + 3, m_buffer.begin() + 3 + static_cast<std::ptrdiff_t>(length - 1));
        frame.checksumOk = frameChecksum(frame.command, frame.payload) == m_buffer[length + 2];
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(length + 4));
        return frame;
    }
}

void FrameReader::dropStalled()
{
    if (m_buffer.empty())
        return;
    m_buffer.erase(m_buffer.begin());
    ++m_discarded;
}

std::optional<Reply> ModuleEngine::handle(const ReceivedFrame& frame)
{
    ++m_stats.frames;
    // A module that checks its frames does not act on a damaged one: storing a
    // damaged block silently would be worse than a transfer that stops.
    if (!frame.checksumOk) {
        ++m_stats.checksumErrors;
        return std::nullopt;
    }
    switch (frame.command) {
    case CMD_IDENTIFY: {
        if (!std::equal(frame.payload.begin(), frame.payload.end(), kIdentificationRequest.begin(),
                kIdentificationRequest.end())) {
            ++m_stats.malformedFrames;
            return std::nullopt;
        }
        ++m_stats.identifyRequests;
        const auto words = identificationReply(m_config.firmware, m_config.modelCode, m_config.memoryBytes);
        return Reply { ReplyKind::Identification, CMD_IDENTIFY, { words.begin(), words.end() } };
    }
    case CMD_PROGRAM_START: {
        const auto announced = announcedImageSize(frame.payload);
        if (!announced) {
            ++m_stats.malformedFrames;
            return std::nullopt;
        }
        ++m_stats.startRequests;
        const std::uint32_t size = *announced;
        if (m_active && m_image.size() != m_announced) {
            ++m_stats.abortedTransfers;
            m_lastAbortedReceived = m_image.size();
            m_lastAbortedAnnounced = m_announced;
        }
        if (size > m_config.memoryBytes) {
            ++m_stats.oversizeStarts;
            m_lastOversize = size;
            m_active = false;
            m_announced = 0;
            m_image.clear();
            return std::nullopt;
        }
        m_active = true;
        m_announced = size;
        m_image.clear();
        if (size == 0)
            ++m_stats.completedTransfers;
        return Reply { ReplyKind::Acknowledgement, CMD_PROGRAM_START, {} };
    }
    case CMD_PROGRAM_DATA: {
        if (frame.payload.empty()) {
            ++m_stats.malformedFrames;
            return std::nullopt;
        }
        ++m_stats.dataBlocks;
        if (!m_active || frame.payload.size() > m_announced - m_image.size()) {
            ++m_stats.beyondSizeBlocks;
            return std::nullopt;
        }
        m_image.insert(m_image.end(), frame.payload.begin(), frame.payload.end());
        if (m_image.size() == m_announced)
            ++m_stats.completedTransfers;
        return Reply { ReplyKind::Acknowledgement, CMD_PROGRAM_DATA, {} };
    }
    default:
        ++m_stats.unknownCommands;
        return std::nullopt;
    }
}

int ModuleEngine::problems(std::uint64_t noiseBytes, std::vector<std::string>* lines) const
{
    int bits = 0;
    auto add = [&](int bit, const std::string& text) {
        bits |= bit;
        if (lines)
            lines->push_back(text);
    };
    if (m_stats.checksumErrors)
        add(kProblemChecksum, std::to_string(m_stats.checksumErrors) + " frame(s) with a wrong checksum, not acted on");
    if (m_stats.oversizeStarts)
        add(kProblemOversizeStart,
            std::to_string(m_stats.oversizeStarts)
                + " start request(s) larger than the memory (last: " + std::to_string(m_lastOversize) + " bytes > "
                + std::to_string(m_config.memoryBytes) + " bytes), not acknowledged");
    if (m_stats.beyondSizeBlocks)
        add(kProblemBeyondSize,
            std::to_string(m_stats.beyondSizeBlocks) + " data block(s) beyond the announced size, not acknowledged");
    if (m_stats.abortedTransfers)
        add(kProblemIncomplete,
            std::to_string(m_stats.abortedTransfers) + " transfer(s) restarted before completion (last: "
                + std::to_string(m_lastAbortedReceived) + " of " + std::to_string(m_lastAbortedAnnounced) + " bytes)");
    if (m_active && m_image.size() != m_announced)
        add(kProblemIncomplete,
            "transfer incomplete: " + std::to_string(m_image.size()) + " of " + std::to_string(m_announced)
                + " bytes received");
    if (m_stats.malformedFrames || m_stats.unknownCommands || noiseBytes)
        add(kProblemMalformed,
            std::to_string(noiseBytes) + " noise byte(s), " + std::to_string(m_stats.malformedFrames)
                + " malformed frame(s), " + std::to_string(m_stats.unknownCommands)
                + " frame(s) with an unknown command");
    return bits;
}

} // namespace zarn::sim
