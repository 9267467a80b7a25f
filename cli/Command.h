#pragma once
// What zarnres's subcommands share: their exit statuses and how they end.

#include <CLI/CLI.hpp>

#include <string>

namespace zarn::cli {

enum ExitStatus : int {
    kExitOk = 0,
    kExitRefused = 1, // the tool refused or failed; the message is on standard error
    kExitUsage = 2, // the command line itself was wrong
};

// Thrown by a subcommand's callback to end the program with a status and,
// when `message` is not empty, that message on standard error.
struct CommandExit {
    int status;
    std::string message;
};

[[noreturn]] inline void refuse(std::string message) { throw CommandExit { kExitRefused, std::move(message) }; }

} // namespace zarn::cli
