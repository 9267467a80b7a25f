#include "link/ProgramTransfer.h"

#include "link/FrameCodec.h"

#include <algorithm>
#include <utility>

namespace zarn {

std::string ProgramTransfer::programAll(
    const ModuleDetection& detection, std::shared_ptr<const ResourceFileFacts> shared)
{
    static const ResourceFileFacts none;
    const ResourceFileFacts& file = shared ? *shared : none;
    if (m_programming)
        return kMsgProgrammingModule;
    if (!detection.portOpen())
        return kMsgNoModuleConnectionBang;
    if (!detection.moduleIdentified())
        return kMsgOpenPortError;
    if (!file.isOpen)
        return kMsgNotResourceOpen;
    // Only the screen size class is compared, not the hardware version.
    if (file.modelCode / 100u != detection.moduleInfo().sizeClass())
        return kMsgVersionMismatch;
    if (static_cast<std::uint64_t>(file.memoryKiB) * 1024u != detection.moduleInfo().memoryBytes())
        return kMsgVersionMismatch;

    if (!file.imageError.empty())
        return file.imageError;
    if (file.itemCount == 0)
        return kMsgItemsNotAvailable;
    // Only what was read whole is sent: a file that ended early is never made up with zeros.
    if (file.image.size() != file.usedEnd)
        return kMsgFalse;

    m_imageSize = file.usedEnd;
    m_imageSent = 0;
    // A start request into a closed port would leave the tool busy for ever.
    if (!m_port.OpenPort(detection.comPort(), kProgramBaud, 'N', 8, 1, kProgramWriteBuffer))
        return kMsgOpenPortError;
    m_file = std::move(shared);
    m_port.EnterReplyWait();
    m_port.StartMonitor();

    const auto start = programStartPayload(m_imageSize);
    m_programming = true;
    m_startAcked = false;
    m_outcome = Outcome::Running;
    m_blocksSent = 0;
    m_progressMax = static_cast<std::uint16_t>(m_imageSize / 1024u);
    m_progressPos = 0;
    doRefresh();
    m_port.SendFrame(start, CMD_PROGRAM_START);
    m_lastActivity = m_clock.now();
    return {};
}

void ProgramTransfer::sendNextBlock()
{
    const std::uint32_t n = std::min<std::uint32_t>(kDataBlockBytes, m_imageSize - m_imageSent);
    m_port.SendFrame(std::span<const std::uint8_t>(m_file->image.data() + m_imageSent, n), CMD_PROGRAM_DATA);
    m_imageSent += n;
    m_lastActivity = m_clock.now();
}

void ProgramTransfer::onStartAck()
{
    // An acknowledgement with no transfer under way has no image to read from.
    if (!m_programming) {
        doRefresh();
        return;
    }
    m_startAcked = true;
    sendNextBlock();
    doRefresh();
}

void ProgramTransfer::onBlockAck()
{
    if (!m_programming) {
        doRefresh();
        return;
    }
    if (m_imageSize - m_imageSent == 0) {
        m_file.reset();
        m_port.ClosePort();
        m_programming = false;
        m_outcome = Outcome::Completed;
        doMessage(kMsgSendOver);
        doRefresh();
        return;
    }
    sendNextBlock();
    if ((m_imageSent & 0xFFFu) == 0) {
        m_blocksSent += 1;
        m_progressPos = m_blocksSent * 4;
    }
    doRefresh();
}

void ProgramTransfer::fail(const char* text)
{
    // Frames are never resent: blocks carry no address, so a resend could
    // put data at the wrong place in the module's memory.
    m_file.reset();
    m_port.ClosePort();
    m_programming = false;
    m_outcome = Outcome::Failed;
    doMessage(text);
    doRefresh();
}

void ProgramTransfer::checkTimeout()
{
    if (m_programming && m_clock.now() >= ackDeadline())
        fail(kMsgProgrammingFailed);
}

void ProgramTransfer::onPortFailure()
{
    if (m_programming)
        fail(kMsgProgrammingPortLost);
}

} // namespace zarn
