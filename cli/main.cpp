// zarnres: build, inspect and program Zarn resource files from the command line.
#include "cli/Command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <vector>

namespace zarn::cli {

namespace {
    std::vector<std::pair<int, SubcommandSetup>>& registry()
    {
        static std::vector<std::pair<int, SubcommandSetup>> list;
        return list;
    }
}

bool registerSubcommand(int order, SubcommandSetup setup)
{
    registry().emplace_back(order, std::move(setup));
    return true;
}

} // namespace zarn::cli

int main(int argc, char** argv)
{
    using namespace zarn::cli;
    CLI::App app { "Build, inspect and program resource files (.zrf) for Zarn serial display modules.", "zarnres" };
    app.require_subcommand(1);
    app.set_version_flag("--version", "zarnres 2.2");
    auto& list = registry();
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [order, setup] : list)
        setup(app);

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
