#pragma once
// The link's fakes: a port that records what it is asked (and lets a test hand
// frames to its owner), a listing answered from a table, a clock moved by hand.
// For a module that checks what it is sent, use sim/SimulatedModule.h instead.
#include "link/FrameAssembler.h"
#include "link/FrameCodec.h"
#include "link/LinkPorts.h"

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace zarn::test {

struct FakePort : ILinkPort {
    struct Open {
        int port, baud;
        char parity;
        int data, stop;
        std::size_t buffer;
    };
    struct Sent {
        std::uint8_t command;
        std::vector<std::uint8_t> payload;
    };
    std::vector<Open> opens;
    std::vector<Sent> sent;
    std::vector<std::string> calls; // the order of calls
    bool openSucceeds = true, open = false;

    bool OpenPort(int port, int baud, char parity, int data, int stop, std::size_t buffer) override
    {
        calls.push_back("OpenPort");
        opens.push_back({ port, baud, parity, data, stop, buffer });
        return open = openSucceeds;
    }
    bool StartMonitor() override { return calls.push_back("StartMonitor"), open; }
    void EnterReplyWait() override { calls.push_back("EnterReplyWait"); }
    void SendFrame(std::span<const std::uint8_t> payload, std::uint8_t command) override
    {
        calls.push_back("SendFrame");
        sent.push_back({ command, { payload.begin(), payload.end() } });
    }
    void ClosePort() override
    {
        calls.push_back("ClosePort");
        open = false;
    }
    bool IsPortOpen() const override { return open; }

    // Hands the owner a frame as the channel would deliver it.
    void deliver(std::uint8_t command, const std::vector<std::uint8_t>& payload)
    {
        FramePayload frame(command, payload);
        if (onFrame)
            onFrame(frame);
    }
};

struct FakeListing : IPortListing {
    std::map<int, PortPresence> answers; // a port not in the table: `otherwise`
    PortPresence otherwise = PortPresence::NotListed;
    int queries = 0;
    PortPresence FindListedPort(int port) override
    {
        ++queries;
        const auto it = answers.find(port);
        return it == answers.end() ? otherwise : it->second;
    }
};

struct FakeClock : IClock {
    std::chrono::steady_clock::time_point t {};
    std::chrono::steady_clock::time_point now() const override { return t; }
    void advance(std::chrono::milliseconds d) { t += d; }
};

} // namespace zarn::test
