#pragma once
// A module inside the process, as strict as zarn-sim: every frame the tool
// sends is read by the module's frame reader and answered by its engine, and
// each reply travels back through the tool's own frame assembler. Replies wait
// "on the wire" until deliver() hands them over, as the wire would between two
// turns of an event loop. What a real module would refuse, and a frame sent
// while the reply to the one before was still on its way, is kept as a problem.

#include "link/FrameAssembler.h"
#include "link/LinkPorts.h"
#include "sim/ModuleEngine.h"

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace zarn::sim {

class SimulatedModule final : public ILinkPort {
public:
    explicit SimulatedModule(ModuleConfig config = {})
        : m_engine(config)
    {
    }

    bool OpenPort(
        int portNumber, int baudRate, char parity, int dataBits, int stopBits, std::size_t writeBufferSize) override;
    bool StartMonitor() override;
    void EnterReplyWait() override { }
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override;
    void ClosePort() override;
    bool IsPortOpen() const override { return m_open; }

    // Hands up to `most` replies on the wire to onFrame, one at a time (a reply
    // may make the tool send the next frame at once); how many were delivered.
    int deliver(int most = 1 << 30);

    // Everything a module would object to, one line each; empty when the tool behaved.
    std::vector<std::string> problems() const;
    const ModuleEngine& engine() const { return m_engine; }
    // The baud rate of each successful open, in order.
    const std::vector<int>& openings() const { return m_openings; }

    // Faults: a port that cannot be opened, acknowledgements never sent (counted from 1).
    bool openable = true;
    std::set<std::uint64_t> dropAcks;

private:
    ModuleEngine m_engine;
    FrameReader m_reader;
    FrameAssembler m_assembler;
    std::deque<std::vector<std::uint8_t>> m_wire;
    std::vector<int> m_openings;
    std::vector<std::string> m_ownProblems;
    std::uint64_t m_acks = 0;
    bool m_open = false;
    bool m_monitoring = false;
};

} // namespace zarn::sim
