// zarnres list: the directory as the main window's list shows it.
#include "cli/Commands.h"
#include "cli/DirectoryJson.h"
#include "cli/StoreAccess.h"
#include "resfile/DirectoryView.h"

#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string file;
    bool json = false;
};

void run(const Options& o)
{
    const zarn::ResourceStore store = zarn::cli::openStore(o.file, zarn::LockMode::Shared);
    if (o.json) {
        zarn::cli::printDirectoryJson(std::cout, store.directory());
        return;
    }
    std::string line;
    for (const auto& column : zarn::kDirectoryColumns)
        line += (line.empty() ? "" : "\t") + std::string(column.title);
    std::cout << line << "\n";
    for (int i = 0; i < store.itemCount(); ++i) {
        const auto texts = zarn::directoryRowTexts(store.entry(static_cast<std::size_t>(i)), i);
        line.clear();
        for (std::size_t c = 0; c < texts.size(); ++c)
            line += (c ? "\t" : "") + texts[c];
        std::cout << line << "\n";
    }
}

} // namespace

void zarn::cli::addListCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("list", "List the items of a resource file, one tab-separated line each");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_flag("--json", o->json, "Print the entries as a JSON array of numbers");
    sub->callback([o] { run(*o); });
}
