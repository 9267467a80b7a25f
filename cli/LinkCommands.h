#pragma once
// What zarnres detect, program and station share: a port given by number or
// device path, its module session on the process's event loop, and why a
// detection found no module.

#include "cli/Command.h"
#include "link/ModuleSession.h"

#include <memory>
#include <string>

namespace zarn::cli {

struct LinkTarget {
    int port = 0; // 0 when only a device was given
    std::string device; // empty: the port numbering decides
    double timeoutSeconds = 10;

    std::string name() const { return device.empty() ? "COM" + std::to_string(port) : device; }
};

// Adds --port, --device and --timeout to a subcommand.
void addLinkOptions(CLI::App* sub, LinkTarget& target);

// A session for the target, as the command line runs it: the first
// identification request as soon as the port opens. Events go to `sink` on
// the event loop's thread.
std::unique_ptr<ModuleSession> makeSession(
    const LinkTarget& target, ModuleSession::EventSink sink, AckTimeouts timeouts = {});

// Why a detection that ran out of time found no module, from the session's
// state when it gave up: the port not listed, not opened and why (with the
// group that may use it, when permission was missing), nothing received, or
// bytes received that held no reply.
std::string detectionFailure(const SessionSnapshot& state, const LinkTarget& target);

} // namespace zarn::cli
