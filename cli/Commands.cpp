#include "cli/Commands.h"

#include "cli/Command.h"
#include "common/Version.h"

#include <iostream>

namespace zarn::cli {

std::unique_ptr<CLI::App> makeCommandLine()
{
    auto app = std::make_unique<CLI::App>(
        "Build, inspect and program resource files (.zrf) for Zarn serial display modules.", "zarnres");
    app->require_subcommand(1);
    app->set_version_flag("--version", versionLine("zarnres"));
    for (auto add :
        { addNewCommand, addInfoCommand, addListCommand, addAddCommand, addDeleteCommand, addSetIgnoreColorCommand,
            addExtractCommand, addPortsCommand, addCheckCommand, addDetectCommand, addProgramCommand, addStationCommand,
            addFontCommand, addFontPreviewCommand, addFontsCommand, addBuildCommand, addUnpackCommand, addDiffCommand })
        add(*app);
    return app;
}

int runCommandLine(int argc, char** argv)
{
    const std::unique_ptr<CLI::App> command = makeCommandLine();
    CLI::App& app = *command;
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    } catch (const CommandExit& e) {
        if (!e.message.empty())
            std::cerr << e.message << (e.message.back() == '\n' ? "" : "\n");
        return e.status;
    }
    return kExitOk;
}

} // namespace zarn::cli
