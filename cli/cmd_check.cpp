// zarnres check: everything that could be wrong with a resource file.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"

#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string file;
    bool strict = false;
};

std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void run(const Options& o)
{
    const zarn::ResourceCheck check = zarn::checkResourceFile(o.file);
    if (check.readError)
        zarn::cli::refuse(*check.readError);
    for (const auto& problem : check.problems)
        std::cout << o.file << ": " << problem << "\n";
    for (const auto& warning : check.warnings)
        std::cout << o.file << ": warning: " << warning << "\n";
    const std::string warnings
        = check.warnings.empty() ? "" : ", " + counted(check.warnings.size(), "warning", "warnings");
    if (!check.problems.empty())
        zarn::cli::refuse(o.file + ": " + counted(check.problems.size(), "problem", "problems") + " found" + warnings);
    if (o.strict && !check.warnings.empty())
        zarn::cli::refuse(o.file + ": no problems found" + warnings + ", which --strict counts as problems");
    std::cout << o.file << ": no problems found" << warnings << "\n";
}

} // namespace

void zarn::cli::addCheckCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("check",
        "Verify the header, the directory against the block layout, the file length and every item's data against "
        "its entry; print one line per kind of problem, then per kind of warning");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_flag("--strict", o->strict,
        "Fail (status 1) on warnings too: a bitmap larger than the screen, a screen or memory size the model does "
        "not come with, fields only other tools set");
    sub->callback([o] { run(*o); });
}
