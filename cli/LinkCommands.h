#pragma once
// What zarnres detect, program and station share: a port given by number or
// device path, the one Qt event loop their module sessions run on, and why a
// detection found no module; and detect's own options and detection.

#include "cli/Command.h"
#include "link/qt/ModuleSession.h"

#include <memory>
#include <string>

namespace zarn::cli {

struct LinkTarget {
    int port = 0; // 0 when only a device was given
    std::string device; // empty: the port numbering decides
    double timeoutSeconds = 10;

    std::string name() const { return device.empty() ? "COM" + std::to_string(port) : device; }
};

// The event loop the sessions run on: one for the process.
void ensureApplication();

// Adds --port, --device and --timeout to a subcommand.
void addLinkOptions(CLI::App* sub, LinkTarget& target);

// A session on the target after its detection ran (a step at once, then every
// 700 ms) until the module was identified or the timeout passed.
std::unique_ptr<ModuleSession> detectModule(const LinkTarget& target);

// Why a detection that ran out of time found no module.
std::string detectionFailure(const ModuleSession& session, const LinkTarget& target);

} // namespace zarn::cli
