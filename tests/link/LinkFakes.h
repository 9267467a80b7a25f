#pragma once
// Fakes for the link state machines: a port that records what it is asked, a
// clock moved by hand and a listing answered from a table.
#include "link/FrameCodec.h"
#include "link/LinkPorts.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace zarn::test {

struct FakePort : ILinkPort {
    struct Open { int port, baud; char parity; int data, stop; std::size_t buffer; };
    std::vector<Open> opens;
    std::vector<std::vector<std::uint8_t>> frames; // whole frames as written
    std::vector<std::string> calls;                // the order of calls
    bool openSucceeds = true, open = false, replyWait = false;
    int monitorStarts = 0, closes = 0;

    bool OpenPort(int port, int baud, char parity, int data, int stop, std::size_t buffer) override
    {
        calls.push_back("OpenPort");
        opens.push_back({ port, baud, parity, data, stop, buffer });
        replyWait = false;
        return open = openSucceeds;
    }
    bool StartMonitor() override
    {
        calls.push_back("StartMonitor");
        ++monitorStarts;
        return open;
    }
    void EnterReplyWait() override
    {
        calls.push_back("EnterReplyWait");
        replyWait = true;
    }
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override
    {
        calls.push_back("SendFrame");
        frames.push_back(encodeFrame(command, payload));
    }
    void ClosePort() override
    {
        calls.push_back("ClosePort");
        ++closes;
        open = false;
    }
    bool IsPortOpen() const override { return open; }
};

struct FakeClock : IClock {
    std::chrono::steady_clock::time_point t {};
    std::chrono::steady_clock::time_point now() const override { return t; }
    void advance(std::chrono::milliseconds d) { t += d; }
};

struct FakeListing : IPortListing {
    std::map<int, PortPresence> answers; // missing: NotListed
    bool keyFails = false;
    int queries = 0;
    PortPresence FindListedPort(int port) override
    {
        ++queries;
        const auto it = answers.find(port);
        return keyFails ? PortPresence::KeyNotOpened : it == answers.end() ? PortPresence::NotListed : it->second;
    }
};

} // namespace zarn::test
