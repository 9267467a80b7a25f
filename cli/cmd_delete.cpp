// zarnres delete: remove one item, moving the later items' data down.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/StoreCommands.h"

#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string file;
    std::string row;
};

void run(const Options& o)
{
    zarn::ResourceStore store = zarn::cli::openStore(o.file, zarn::LockMode::Exclusive);
    if (store.itemCount() == 0)
        zarn::cli::refuse(zarn::kMsgNoItems);
    const int row = zarn::cli::parseRow(o.row, store);
    zarn::cli::requireOk(store.deleteItem(row));
    std::cout << zarn::capacityText(store) << "\n";
}

} // namespace

void zarn::cli::addDeleteCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("delete", "Delete one item; the items after it move down");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_option("ROW", o->row, "The item's number as list shows it under No. (from 0)")->required();
    sub->callback([o] { run(*o); });
}
