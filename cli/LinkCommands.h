#pragma once
// What zarnres detect and program share: the port given as --port N or
// --device PATH, and a module session run on a Qt event loop until the module
// is identified or the transfer ends.

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

// Adds --port, --device and --timeout to a subcommand.
void addLinkOptions(CLI::App* sub, LinkTarget& target);

// A session on the target after its detection ran (a step at once, then every
// 700 ms) until the module was identified or the timeout passed.
std::unique_ptr<ModuleSession> detectModule(const LinkTarget& target);

// Why a detection that ran out of time found no module.
std::string detectionFailure(const ModuleSession& session, const LinkTarget& target);

// "Program All" with the file's facts, then the transfer with its progress on
// standard error. Returns the exit status; "Send Over!!" goes to standard output.
int programModule(ModuleSession& session, ResourceFileFacts file, const LinkTarget& target);

} // namespace zarn::cli
