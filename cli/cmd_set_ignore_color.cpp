// zarnres set-ignore-color: change the colour a bitmap item leaves transparent.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "resfile/DirectoryView.h"

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string file;
    std::string row;
    std::string color;
};

bool isBitmapKind(std::uint8_t kind) { return kind == 1 || kind == 4 || kind == 8 || kind == 16; }

void run(const Options& o)
{
    const std::uint16_t color = zarn::cli::parseColor(o.color);
    zarn::ResourceStore store = zarn::cli::openStore(o.file, zarn::LockMode::Exclusive);
    const int row = zarn::cli::parseRow(o.row, store);
    const auto& entry = store.entry(static_cast<std::size_t>(row));
    // Only bitmaps carry an ignore colour; every other kind keeps 0 there.
    if (!isBitmapKind(entry.kind))
        zarn::cli::refuse("Item " + std::to_string(row) + " of " + zarn::quotedPath(o.file) + " is of the type \""
            + zarn::kindName(entry.kind, row) + "\", not a bitmap: only bitmaps have an ignore color");
    zarn::cli::requireOk(store.setIgnoreColor(row, color));
    std::cout << zarn::directoryRowTexts(store.entry(static_cast<std::size_t>(row)), row)[5] << "\n";
}

} // namespace

void zarn::cli::addSetIgnoreColorCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("set-ignore-color", "Set the ignore color of a bitmap item");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_option("ROW", o->row, "The item's number as list shows it under No. (from 0)")->required();
    sub->add_option("COLOR", o->color, "The colour in the module's 16-bit format: 0xNNNN or decimal")->required();
    sub->callback([o] { run(*o); });
}
