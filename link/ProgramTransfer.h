#pragma once
// The programming transfer: "Program All"'s checks, then the used part of the
// resource file streamed in 32-byte frames, one frame in flight, each sent
// only after the module acknowledged the previous one.

#include "common/Messages.h"
#include "link/FrameAssembler.h"
#include "link/LinkPorts.h"
#include "link/ModuleDetection.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

inline constexpr int kProgramBaud = 115200;
inline constexpr std::size_t kProgramWriteBuffer = 512;
inline constexpr std::size_t kDataBlockBytes = 32;
// How long an acknowledgement may take: a data block's comes at once, while
// the start request's may come late from a module that erases its memory first.
struct AckTimeouts {
    std::chrono::milliseconds start { 60000 };
    std::chrono::milliseconds data { 3000 };
};

// What the transfer reads of the open resource file (ResourceStore has these),
// and the file's used part, read whole together with them.
struct ResourceFileFacts {
    bool isOpen = false;
    std::uint16_t modelCode = 0;
    std::uint32_t memoryKiB = 0;
    std::uint32_t itemCount = 0;
    std::uint32_t usedEnd = 0; // end of the last item's blocks, a multiple of 4096
    std::vector<std::uint8_t> image; // bytes 0 to usedEnd of the file
    std::string imageError; // why `image` could not be read ("False" when the file cannot be opened)
};

class ProgramTransfer {
public:
    enum class Outcome { None, Running, Completed, Failed };

    ProgramTransfer(ILinkPort& port, const IClock& clock)
        : m_port(port)
        , m_clock(clock)
    {
    }

    // "Program All". Returns the refusal text, or empty when the transfer
    // started. The file's image is only read, so that the transfers of one
    // file to several modules share one copy; it is let go at the end.
    std::string programAll(const ModuleDetection& detection, std::shared_ptr<const ResourceFileFacts> file);

    // Delivered frames with command 0x10 and 0x12.
    void onStartAck();
    void onBlockAck();

    void setTimeouts(AckTimeouts timeouts) { m_timeouts = timeouts; }

    // To be called periodically while m_programming is set: stops a transfer
    // whose pending acknowledgement is overdue.
    void checkTimeout();
    // The port vanished while a transfer was running.
    void onPortFailure();

    // When the pending acknowledgement is overdue (meaningful while programming).
    std::chrono::steady_clock::time_point ackDeadline() const
    {
        return m_lastActivity + (m_startAcked ? m_timeouts.data : m_timeouts.start);
    }

    int progressMaxKiB() const { return m_progressMax; }
    int progressKiB() const { return m_progressPos; }
    Outcome outcome() const { return m_outcome; }

    // Refresh the shown fields; and show a box ("Send Over!!" or the failure).
    std::function<void()> refresh;
    std::function<void(const std::string&)> message;

    bool programming() const { return m_programming; }
    bool holdsImage() const { return m_file != nullptr; }
    std::uint32_t imageSize() const { return m_imageSize; }
    std::uint32_t imageSent() const { return m_imageSent; }
    std::int32_t blocksSent() const { return m_blocksSent; }

private:
    void sendNextBlock();
    void fail(const char* text);
    void doRefresh()
    {
        if (refresh)
            refresh();
    }
    void doMessage(const std::string& text)
    {
        if (message)
            message(text);
    }

    ILinkPort& m_port;
    const IClock& m_clock;
    std::chrono::steady_clock::time_point m_lastActivity {};
    AckTimeouts m_timeouts;
    bool m_startAcked = false;
    int m_progressMax = 0;
    int m_progressPos = 0;
    Outcome m_outcome = Outcome::None;
    bool m_programming = false;
    std::shared_ptr<const ResourceFileFacts> m_file; // m_image: the file's image, while a transfer runs
    std::uint32_t m_imageSize = 0;
    std::uint32_t m_imageSent = 0;
    std::int32_t m_blocksSent = 0;
};

} // namespace zarn
