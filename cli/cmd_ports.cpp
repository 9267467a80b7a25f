// zarnres ports: which device each port number stands for.
#include "cli/Command.h"
#include "cli/Commands.h"
#include "cli/LinkCommands.h"
#include "link/SystemPortListing.h"
#include "platform/PortFolder.h"

#include <algorithm>
#include <cstdio>

namespace {

void run()
{
    const bool systemNumbers = zarn::systemNumbersPorts();
    const auto map = zarn::currentPortMap(true);
    if (!map)
        zarn::cli::refuse(systemNumbers
                ? std::string("Unable to open registry: the system's list of serial ports cannot be read")
                : "Unable to open registry: the port folder " + zarn::portFolder() + " cannot be read");
    // Where the system numbers its ports (Windows), COMn is its COMn; elsewhere the links of the port folder come
    // first.
    if (!systemNumbers)
        std::printf("Port folder: %s\n", zarn::portFolder().c_str());
    // COM1 ... COM16 always (the numbers the window offers), higher ones when taken.
    const int last = std::max(zarn::kMaxLinkedPort, map->empty() ? 0 : map->back().number);
    for (int n = 1; n <= last; ++n) {
        const auto e = zarn::findPort(*map, n);
        if (!e) {
            std::printf("COM%-3d %-10s %s\n", n, "not listed", "-");
            continue;
        }
        std::string device = e->device;
        if (e->viaLink)
            device += " -> " + (e->target.empty() ? std::string("(missing)") : e->target);
        if (!e->description.empty())
            device += " (" + e->description + ")";
        std::printf("COM%-3d %-10s %s\n", n, e->listed ? "listed" : "not listed", device.c_str());
    }
}

} // namespace

void zarn::cli::addPortsCommand(CLI::App& app)
{
    auto* sub = app.add_subcommand("ports", "Show which serial device each port number COM1, COM2, ... stands for");
    sub->callback([] { run(); });
}
