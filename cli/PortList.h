#pragma once
// The ports a command line names: --port N, --port A-B and --device PATH, each
// repeatable and mixed, in the order given, each port once.

#include "cli/LinkCommands.h"

#include <optional>
#include <string>
#include <vector>

namespace zarn::cli {

// The port numbers of one --port value ("3" or "3-6", within 1 to 255), or
// nothing with the reason in `error`.
std::optional<std::vector<int>> parsePortList(const std::string& text, std::string& error);

// The device a target stands for now, links resolved; empty when none.
std::string deviceOf(const LinkTarget& target);

// Every --port value and --device path as targets; nothing, with the reason in
// `error`, when a value is malformed or a port or device is named twice (also
// as a port number and a device path, or two links: two sessions on one device
// would garble each other's frames).
std::optional<std::vector<LinkTarget>> linkTargets(
    const std::vector<std::string>& ports, const std::vector<std::string>& devices, std::string& error);

} // namespace zarn::cli
