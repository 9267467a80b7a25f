#pragma once
// The subcommands of zarnres, each defined in its own file (cmd_<name>.cpp),
// in the order --help lists them.

#include <CLI/CLI.hpp>

#include <memory>

namespace zarn::cli {

void addNewCommand(CLI::App& app);
void addInfoCommand(CLI::App& app);
void addListCommand(CLI::App& app);
void addAddCommand(CLI::App& app);
void addDeleteCommand(CLI::App& app);
void addSetIgnoreColorCommand(CLI::App& app);
void addExtractCommand(CLI::App& app);
void addPortsCommand(CLI::App& app);
void addCheckCommand(CLI::App& app);
void addDetectCommand(CLI::App& app);
void addProgramCommand(CLI::App& app);
void addStationCommand(CLI::App& app);
void addFontCommand(CLI::App& app);
void addFontPreviewCommand(CLI::App& app);
void addFontsCommand(CLI::App& app);
void addBuildCommand(CLI::App& app);
void addUnpackCommand(CLI::App& app);
void addDiffCommand(CLI::App& app);

// zarnres's command table: every subcommand with its options, --help and
// --version. The man page and the shell completion are written from it too.
std::unique_ptr<CLI::App> makeCommandLine();

// The whole command line of zarnres; returns its exit status.
int runCommandLine(int argc, char** argv);

} // namespace zarn::cli
