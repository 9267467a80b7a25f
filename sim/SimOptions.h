#pragma once
// Command line of zarn-sim.

#include "sim/ModuleEngine.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace zarn::sim {

// Exit statuses beside the problem bits of ModuleEngine.h.
inline constexpr int kExitUsage = 64;
inline constexpr int kExitSystem = 71;
inline constexpr int kExitCannotCreate = 73;
inline constexpr int kExitSaveFailed = 74;

struct SimOptions {
    std::vector<int> ports; // one module on each, in the order given
    ModuleConfig module;
    std::string saveFile;
    bool once = false;
    double idleTimeoutSeconds = 30;
    bool verbose = false;

    std::set<std::uint64_t> dropAcks; // 1-based numbers of acknowledgements not sent
    bool wrongAckCode = false; // every acknowledgement, or only wrongAckNumber
    std::uint64_t wrongAckNumber = 0; // 0: all
    bool splitReply = false;
    int splitPauseMs = 20;
    int stallReplyMs = 0;
    bool garbageBeforeReply = false;
    std::uint64_t hangupAfter = 0; // 0: never
    std::uint32_t baud = 0; // 0: no pacing
    int replugs = 0; // times a module is unplugged after a completed transfer and comes back fresh
    int replugPauseMs = 0; // how long it stays away

    // --save for one port: "%N" stands for the port number.
    std::string saveFileFor(int port) const;
};

// Parses argv. Returns 0 and fills `options` on success; returns -1 on --help
// (the caller prints usageText()) and -2 on --version (the caller prints
// versionLine("zarn-sim")); on an error puts a one-line message in `error` and
// returns kExitUsage.
int parseOptions(int argc, char** argv, SimOptions& options, std::string& error);

std::string usageText();

// "4M", "8M", "16M", "32M" (the sizes of the resource files the tool creates)
// or a byte count.
bool parseMemory(const std::string& text, std::uint32_t& bytes);

} // namespace zarn::sim
