// zarnres info: the header values and capacity of a resource file.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "resfile/CapacityDisplay.h"

#include <iostream>
#include <memory>

namespace {

void run(const std::string& file)
{
    const zarn::ResourceStore store = zarn::cli::openStore(file, zarn::LockMode::Shared);
    std::cout << "File: " << file << "\n"
              << "Model code: " << store.modelCode() << "\n"
              << "Screen: " << store.screenWidth() << "*" << store.screenHeight() << "\n"
              << "Memory: " << store.memoryKiB() << " KiB\n"
              << "Items: " << store.itemCount() << " of " << store.maxItems() << "\n"
              << "Used: " << zarn::capacityGaugePosition(store) << " of " << zarn::capacityGaugeRange(store) << " KiB\n"
              << zarn::capacityText(store) << "\n";
}

} // namespace

void zarn::cli::addInfoCommand(CLI::App& app)
{
    auto file = std::make_shared<std::string>();
    auto* sub = app.add_subcommand("info", "Show a resource file's model, screen, memory, items and capacity");
    sub->add_option("FILE", *file, "The resource file")->required();
    sub->callback([file] { run(*file); });
}
