#pragma once
// The module's side of the wire, without any I/O: a frame reader that finds
// frames in a noisy byte stream, and the module's answers to the frames.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn::sim {

struct ReceivedFrame {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
    bool checksumOk = true;
};

// Gathers bytes and yields complete frames. Unlike the PC's receiver it
// resynchronises: bytes that cannot start a frame are skipped and counted.
class FrameReader {
public:
    void feed(const std::uint8_t* data, std::size_t size);
    std::optional<ReceivedFrame> next();
    // A partial frame that stopped arriving is given up one byte at a time,
    // so a stray 0x55 with a large length byte cannot hide the frames behind it.
    void dropStalled();
    bool hasPartial() const { return !m_buffer.empty(); }
    std::uint64_t discardedBytes() const { return m_discarded; }

private:
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_discarded = 0;
};

struct ModuleConfig {
    std::uint32_t modelCode = 2404;
    std::uint32_t firmware = 12;
    std::uint32_t memoryBytes = 4194304;
};

enum class ReplyKind { Identification, Acknowledgement };

struct Reply {
    ReplyKind kind = ReplyKind::Acknowledgement;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> payload;
};

// Exit status bits: one per kind of problem seen on the line.
inline constexpr int kProblemChecksum = 1;
inline constexpr int kProblemOversizeStart = 2;
inline constexpr int kProblemBeyondSize = 4;
inline constexpr int kProblemIncomplete = 8;
inline constexpr int kProblemMalformed = 16;

struct EngineStats {
    std::uint64_t frames = 0;
    std::uint64_t identifyRequests = 0;
    std::uint64_t startRequests = 0;
    std::uint64_t dataBlocks = 0;
    std::uint64_t checksumErrors = 0;
    std::uint64_t oversizeStarts = 0;
    std::uint64_t beyondSizeBlocks = 0;
    std::uint64_t abortedTransfers = 0;
    std::uint64_t malformedFrames = 0;
    std::uint64_t unknownCommands = 0;
    std::uint64_t completedTransfers = 0;
};

class ModuleEngine {
public:
    explicit ModuleEngine(ModuleConfig config)
        : m_config(config)
    {
    }

    // The module's answer to one frame, or nothing when it does not answer.
    std::optional<Reply> handle(const ReceivedFrame& frame);

    const EngineStats& stats() const { return m_stats; }
    bool transferActive() const { return m_active; }
    bool transferComplete() const { return m_active && m_image.size() == m_announced; }
    std::uint32_t announcedSize() const { return m_announced; }
    const std::vector<std::uint8_t>& image() const { return m_image; }
    std::uint32_t lastOversizeRequest() const { return m_lastOversize; }

    // The problem bits and one line of text per problem, noise bytes included.
    int problems(std::uint64_t noiseBytes, std::vector<std::string>* lines) const;

private:
    ModuleConfig m_config;
    EngineStats m_stats;
    bool m_active = false;
    std::uint32_t m_announced = 0;
    std::uint32_t m_lastOversize = 0;
    std::uint64_t m_lastAbortedReceived = 0;
    std::uint32_t m_lastAbortedAnnounced = 0;
    std::vector<std::uint8_t> m_image;
};

} // namespace zarn::sim
