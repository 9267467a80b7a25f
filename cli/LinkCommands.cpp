#include "cli/LinkCommands.h"

#include "link/SystemSession.h"
#include "platform/SerialPort.h"

#include <cstdio>

namespace zarn::cli {

namespace {

    // How a user gets the right to open a serial device.
    std::string accessHint(const std::string& device)
    {
        const std::string group = serialAccessGroup(device);
        if (group.empty())
            return "\nAsk for read and write access to " + device + ".";
        return "\nThe group " + group + " may use " + device + ": join it with  sudo usermod -aG " + group
            + " $USER  and log in again.";
    }

} // namespace

void addLinkOptions(CLI::App* sub, LinkTarget& target)
{
    auto* port = sub->add_option("--port", target.port, "COM port number (1 to 255); see zarnres ports")
                     ->check(CLI::Range(1, 255));
    auto* device = sub->add_option("--device", target.device, "Serial device path instead of a port number");
    port->excludes(device);
    sub->add_option("--timeout", target.timeoutSeconds, "Seconds to wait for the module's identification (default 10)")
        ->check(CLI::Range(0.1, 3600.0));
}

std::unique_ptr<ModuleSession> makeSession(
    const LinkTarget& target, ModuleSession::EventSink sink, AckTimeouts timeouts)
{
    SessionOptions options;
    options.requestOnOpen = true;
    options.ackTimeouts = timeouts;
    return makeModuleSession(std::move(sink), options, target.device);
}

std::string detectionFailure(const SessionSnapshot& state, const LinkTarget& target)
{
    const std::string name = target.name();
    if (!state.portOpen) {
        if (state.portFailure.empty())
            return name + " is not listed (see zarnres ports)";
        const bool showDevice = !state.portDevice.empty() && state.portDevice != name;
        std::string text = name + (showDevice ? " (" + state.portDevice + ")" : std::string())
            + " cannot be opened: " + state.portFailure;
        if (state.portAccessDenied)
            text += accessHint(state.portDevice.empty() ? name : state.portDevice);
        return text;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", target.timeoutSeconds);
    if (state.bytesReceived == 0)
        return "No identification reply from " + name + " within " + seconds + " seconds";
    return name + " sent " + std::to_string(state.bytesReceived) + " bytes within " + seconds
        + " seconds, but no valid identification reply";
}

} // namespace zarn::cli
