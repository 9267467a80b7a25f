// zarnres program: write a resource file into the modules on one or more
// ports, as "Program All" does, all at once. zarnres station: program every
// module plugged into the ports given, one after another on each port, until
// Ctrl-C or --count.
#include "cli/Commands.h"
#include "cli/ProgramRun.h"

#include <memory>

namespace {

void addRunCommand(CLI::App& app, const char* name, const char* description, bool station)
{
    auto settings = std::make_shared<zarn::cli::RunSettings>();
    settings->station = station;
    auto* sub = app.add_subcommand(name, description);
    zarn::cli::addRunOptions(sub, *settings);
    sub->callback([settings] {
        const int status = zarn::cli::runProgramming(*settings);
        if (status != zarn::cli::kExitOk)
            throw zarn::cli::CommandExit { status, {} };
    });
}

} // namespace

void zarn::cli::addProgramCommand(CLI::App& app)
{
    addRunCommand(app, "program",
        "Write a resource file into the module on each port given (the checks of \"Program All\", then the "
        "transfer), all at once",
        false);
}

void zarn::cli::addStationCommand(CLI::App& app)
{
    addRunCommand(app, "station",
        "Wait for modules on the ports given and program each one that appears, until Ctrl-C (or --count)", true);
}
