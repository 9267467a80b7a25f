#pragma once
// zarnres's man page and bash completion, written from its command table (the
// CLI11 app of makeCommandLine), so that neither can fall behind the program.

#include <CLI/CLI.hpp>

#include <string>

namespace zarn::cli {

// What the shell offers as an option's or argument's value.
enum class ValueKind {
    None, // nothing to offer (numbers, rows, colours)
    ResourceFile, // *.zrf files
    File,
    Folder,
    Port, // the port numbers zarnres ports lists
    Device, // a serial device path
    Words, // the values the option takes ({4M,8M,...})
};

// Decided from the option's names, value type and description.
ValueKind valueKind(const CLI::Option& option);

// A bash completion script for `complete -F` (needs the bash-completion package's helpers).
std::string bashCompletion(const CLI::App& app);

// zarnres(1) in roff: name, synopsis, description, every subcommand with its
// arguments and options, then `sections` (maintained roff: exit status,
// ports, environment, examples, ...).
std::string manPage(const CLI::App& app, const std::string& version, const std::string& sections);

} // namespace zarn::cli
