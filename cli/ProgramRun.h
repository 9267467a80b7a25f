#pragma once
// zarnres program and station: one resource file into the modules on one or
// more ports at once, each port its own module session on one event loop.
// A single port prints as it always did: its progress bar, then "Send Over!!"
// or the failure; several ports get a live line each and a table at the end.

#include "cli/LinkCommands.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace zarn::cli {

struct RunSettings {
    std::string file;
    std::vector<std::string> ports; // --port values: "3", "3-6"
    std::vector<std::string> devices;
    double detectSeconds = 10;
    double ackSeconds = 3;
    double startSeconds = 60;
    std::string logPath;
    bool station = false;
    std::uint64_t count = 0; // a station ends after this many modules programmed (0: never)
};

// The options program and station share.
void addRunOptions(CLI::App* sub, RunSettings& settings);

// Runs it; returns the exit status.
int runProgramming(const RunSettings& settings);

} // namespace zarn::cli
