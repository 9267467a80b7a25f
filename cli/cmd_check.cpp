// zarnres check: everything that could be wrong with a resource file.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"

#include <iostream>
#include <memory>

namespace {

void run(const std::string& file)
{
    const zarn::ResourceCheck check = zarn::checkResourceFile(file);
    for (const auto& problem : check.problems)
        std::cout << file << ": " << problem << "\n";
    if (check.readError)
        zarn::cli::refuse(*check.readError);
    if (!check.problems.empty())
        zarn::cli::refuse(file + ": " + std::to_string(check.problems.size())
            + (check.problems.size() == 1 ? " problem found" : " problems found"));
    std::cout << file << ": no problems found\n";
}

} // namespace

void zarn::cli::addCheckCommand(CLI::App& app)
{
    auto file = std::make_shared<std::string>();
    auto* sub = app.add_subcommand(
        "check", "Verify the header, the directory against the block layout and the file length; print each problem");
    sub->add_option("FILE", *file, "The resource file")->required();
    sub->callback([file] { run(*file); });
}
