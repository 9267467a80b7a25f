// zarnres detect: look for a module on a port and show its identification.
#include "cli/Commands.h"
#include "cli/LinkCommands.h"
#include "cli/StoreAccess.h"

#include <cstdio>
#include <memory>

namespace {

void run(const zarn::cli::LinkTarget& target)
{
    if (target.port == 0 && target.device.empty())
        zarn::cli::usageError("detect needs --port N or --device PATH");
    const auto session = zarn::cli::detectModule(target);
    if (!session->identified())
        zarn::cli::refuse(
            std::string(zarn::kMsgNoModuleConnection) + ": " + zarn::cli::detectionFailure(*session, target));
    std::string text = session->detection().moduleStatus();
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    std::printf("%s\n", text.c_str());
    const auto& info = session->detection().moduleInfo();
    std::printf("Memory: %u bytes\n", info.memoryBytes());
}

} // namespace

void zarn::cli::addDetectCommand(CLI::App& app)
{
    auto target = std::make_shared<zarn::cli::LinkTarget>();
    auto* sub = app.add_subcommand("detect", "Look for a module on a port and show its type, version and firmware");
    zarn::cli::addLinkOptions(sub, *target);
    sub->callback([target] { run(*target); });
}
