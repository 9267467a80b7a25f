// zarnres new: a blank resource file for one row of the module type table.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "resfile/ModuleModel.h"

#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string file;
    int row = 1;
    std::string size = "4M";
};

void run(const Options& o)
{
    using namespace zarn;
    const ModuleModel& model = modelForNumber(o.row);
    const int k = sizeIndexOf(o.size);
    if (k < 0 || !model.sizesOffered[static_cast<std::size_t>(k)])
        cli::refuse("The module type \"" + model.rowText + "\" does not offer the size " + o.size + " (it offers "
            + offeredSizesText(model) + ")");
    const std::uint32_t memoryKiB = memoryKiBForSizeIndex(k);
    // The window's dialog shows "False" with this detail; here the detail says it all.
    if (const StoreResult r
        = createResourceFile(o.file, model.modelCode, model.screenWidth, model.screenHeight, memoryKiB);
        !r.ok)
        cli::refuse(r.detail.empty() ? r.message : r.detail);
    std::cout << "Created " << o.file << ": " << model.rowText << ", model code " << model.modelCode << ", "
              << model.screenWidth << "*" << model.screenHeight << ", " << memoryKiB << " KiB\n";
}

} // namespace

void zarn::cli::addNewCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("new", "Create a blank resource file (replacing any file of that name)");
    sub->add_option("FILE", o->file, "The resource file to write")->required();
    std::string rows;
    for (const auto& m : zarn::moduleModels())
        rows += "\n  " + m.rowText;
    sub->add_option("--model", o->row, "Row 1-12 of the module type table (default 1):" + rows)
        ->check(CLI::Range(1, 12));
    sub->add_option("--size", o->size, "Memory size: 4M, 8M, 16M or 32M (default 4M), as the row offers it")
        ->check(CLI::IsMember({ "4M", "8M", "16M", "32M" }));
    sub->callback([o] { run(*o); });
}
