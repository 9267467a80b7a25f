// zarnres station: program every module plugged into the ports given, one
// after another on each port, until Ctrl-C or --count.
#include "cli/Commands.h"
#include "cli/ProgramRun.h"

#include <memory>

void zarn::cli::addStationCommand(CLI::App& app)
{
    auto settings = std::make_shared<RunSettings>();
    settings->station = true;
    auto* sub = app.add_subcommand(
        "station", "Wait for modules on the ports given and program each one that appears, until Ctrl-C (or --count)");
    addRunOptions(sub, *settings);
    sub->callback([settings] {
        const int status = runProgramming(*settings);
        if (status != kExitOk)
            throw CommandExit { status, {} };
    });
}
