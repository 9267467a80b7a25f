#include "sim/SimulatedModule.h"

#include "link/FrameCodec.h"

namespace zarn::sim {

bool SimulatedModule::OpenPort(int, int baudRate, char, int, int, std::size_t)
{
    if (!openable)
        return false;
    m_open = true;
    m_monitoring = false;
    m_wire.clear();
    m_assembler.reset();
    m_openings.push_back(baudRate);
    return true;
}

bool SimulatedModule::StartMonitor()
{
    m_monitoring = m_open;
    return m_open;
}

void SimulatedModule::ClosePort()
{
    // Whatever is still on the wire is lost with the port.
    m_open = false;
    m_monitoring = false;
    m_wire.clear();
}

void SimulatedModule::SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command)
{
    if (!m_open) {
        m_ownProblems.push_back("a frame was sent on a closed port");
        return;
    }
    // The channel purges its input before each write: a reply still on the way is lost.
    if (!m_wire.empty()) {
        m_ownProblems.push_back("a frame was sent before the reply to the one before had arrived");
        m_wire.clear();
    }
    const auto bytes = encodeFrame(command, payload);
    m_reader.feed(bytes.data(), bytes.size());
    while (auto frame = m_reader.next()) {
        auto reply = m_engine.handle(*frame);
        if (!reply)
            continue;
        if (reply->kind == ReplyKind::Acknowledgement && dropAcks.count(++m_acks))
            continue;
        m_wire.push_back(encodeFrame(reply->command, reply->payload));
    }
}

int SimulatedModule::deliver(int most)
{
    int delivered = 0;
    while (!m_wire.empty() && delivered < most) {
        const std::vector<std::uint8_t> bytes = std::move(m_wire.front());
        m_wire.pop_front();
        if (!m_monitoring)
            continue;
        m_assembler.append(bytes);
        if (auto frame = m_assembler.examine()) {
            ++delivered;
            if (onFrame)
                onFrame(*frame);
        }
    }
    return delivered;
}

std::vector<std::string> SimulatedModule::problems() const
{
    std::vector<std::string> lines = m_ownProblems;
    m_engine.problems(m_reader.discardedBytes(), &lines);
    return lines;
}

} // namespace zarn::sim
