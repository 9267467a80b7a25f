// zarnres extract: one item's data out of a resource file; a bitmap item as a
// 24-bit BMP any viewer can show.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "import/BmpWriter.h"
#include "import/ModuleBitmap.h"
#include "platform/ReplaceFile.h"
#include "resfile/StoreCommands.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string file;
    std::string row;
    std::string output;
    bool raw = false;
};

void writeWhole(const std::string& path, const std::vector<std::uint8_t>& data)
{
    if (const std::string why = zarn::replaceFile(zarn::defaultFileIo(), path, data); !why.empty())
        zarn::cli::refuse("Cannot write " + zarn::quotedPath(path) + ": " + why);
}

void run(const Options& o)
{
    zarn::ResourceStore store = zarn::cli::openStore(o.file, zarn::LockMode::Shared);
    if (store.itemCount() == 0)
        zarn::cli::refuse(std::string(zarn::kMsgNoItems) + "\n" + zarn::quotedPath(o.file) + " holds no items");
    const int row = zarn::cli::parseRow(o.row, store);
    std::vector<std::uint8_t> data;
    zarn::cli::requireOk(store.readItem(row, data));
    const zarn::ResourceEntry& e = store.entry(row);

    if (o.raw || !zarn::moduleBitmapLength(e.kind, e.width, e.height)) {
        writeWhole(o.output, data);
        std::cout << "Wrote " << o.output << ": " << data.size() << " bytes\n";
        return;
    }
    // What the item's entry claims, where it cannot be drawn: the item is at fault, not the output.
    const auto cannot = [&](const std::string& why) {
        zarn::cli::refuse("Cannot extract item " + std::to_string(row) + " of " + zarn::quotedPath(o.file)
            + " as a BMP: " + why + " (--raw writes its bytes as stored)");
    };
    const std::string bitmap = "a " + std::to_string(e.width) + "x" + std::to_string(e.height) + " bitmap";
    if (e.width == 0 || e.height == 0)
        cannot(bitmap + " has no pixels");
    const auto rgb = zarn::decodeModuleBitmap(e.kind, e.width, e.height, data);
    if (!rgb)
        cannot(bitmap + " of kind " + std::to_string(e.kind) + " needs "
            + std::to_string(*zarn::moduleBitmapLength(e.kind, e.width, e.height)) + " bytes, the item holds "
            + std::to_string(data.size()));
    std::string error;
    if (!zarn::writeBmp24(o.output, e.width, e.height, *rgb, &error))
        zarn::cli::refuse(error);
    std::cout << "Wrote " << o.output << ": " << e.width << "x" << e.height << " 24-bit BMP\n";
}

} // namespace

void zarn::cli::addExtractCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("extract", "Write one item's data to a file; bitmap items as 24-bit BMP");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_option("ROW", o->row, "The item's number as list shows it under No. (from 0)")->required();
    sub->add_option("OUTPUT", o->output, "The file to write")->required();
    sub->add_flag("--raw", o->raw, "Write a bitmap item's stored bytes instead of a BMP");
    sub->callback([o] { run(*o); });
}
