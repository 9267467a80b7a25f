// zarnres ports: which device each port number stands for.
#include "cli/Command.h"
#include "link/PortFolder.h"
#include "link/qt/SerialPortListing.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void run()
{
    int argc = 1;
    char arg0[] = "zarnres";
    char* argv[] = { arg0, nullptr };
    QCoreApplication app(argc, argv);
    const auto map = zarn::currentPortMap();
    if (!map)
        zarn::cli::refuse("Unable to open registry: the port folder " + zarn::portFolder() + " cannot be read");
    std::printf("Port folder: %s\n", zarn::portFolder().c_str());
    if (map->empty())
        std::printf("No serial ports\n");
    for (const auto& e : *map) {
        std::string device = e.device;
        if (e.viaLink)
            device += " -> " + (e.target.empty() ? std::string("(missing)") : e.target);
        std::printf("COM%-3d %-10s %s\n", e.number, e.listed ? "listed" : "not listed", device.c_str());
    }
}

const bool registered = zarn::cli::registerSubcommand(79, [](CLI::App& app) {
    auto* sub = app.add_subcommand("ports", "Show which serial device each port number COM1, COM2, ... stands for");
    sub->callback([] { run(); });
});

} // namespace
