// zarnres program: write a resource file into a module, as "Program All" does.
#include "cli/Commands.h"
#include "cli/LinkCommands.h"
#include "cli/StoreAccess.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace {

struct ProgramArgs {
    std::string file;
    zarn::cli::LinkTarget target;
};

void run(const ProgramArgs& args)
{
    if (args.target.port == 0 && args.target.device.empty())
        zarn::cli::usageError("program needs --port N or --device PATH");
    // The file is read before the port is touched, so a bad file costs no wait,
    // and whole, under its lock, so what is sent is what was checked.
    zarn::ResourceStore store = zarn::cli::openStore(args.file, zarn::LockMode::Shared);
    zarn::ResourceFileFacts facts { store.isOpen(), store.modelCode(), store.memoryKiB(), store.itemCount(),
        store.usedEnd(), {}, {} };
    if (store.itemCount() > 0)
        zarn::cli::requireOk(store.readImage(facts.image));
    store.release();

    const auto session = zarn::cli::detectModule(args.target);
    const int status = zarn::cli::programModule(*session, std::move(facts), args.target);
    if (status != zarn::cli::kExitOk)
        throw zarn::cli::CommandExit { status, {} };
}

} // namespace

void zarn::cli::addProgramCommand(CLI::App& app)
{
    auto args = std::make_shared<ProgramArgs>();
    auto* sub = app.add_subcommand("program",
        "Write a resource file into the module on a port (the checks of \"Program All\", then the transfer)");
    sub->add_option("FILE", args->file, "The resource file")->required();
    zarn::cli::addLinkOptions(sub, args->target);
    sub->callback([args] { run(*args); });
}
