// zarnres program: write a resource file into the modules on one or more
// ports, as "Program All" does, all at once.
#include "cli/Commands.h"
#include "cli/ProgramRun.h"

#include <memory>

void zarn::cli::addProgramCommand(CLI::App& app)
{
    auto settings = std::make_shared<RunSettings>();
    auto* sub = app.add_subcommand("program",
        "Write a resource file into the module on each port given (the checks of \"Program All\", then the "
        "transfer), all at once");
    addRunOptions(sub, *settings);
    sub->callback([settings] {
        const int status = runProgramming(*settings);
        if (status != kExitOk)
            throw CommandExit { status, {} };
    });
}
