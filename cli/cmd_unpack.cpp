// zarnres unpack: a resource file taken apart into a manifest and its sources.
#include "cli/Command.h"
#include "cli/Commands.h"
#include "project/ProjectUnpack.h"

#include <iostream>
#include <memory>

void zarn::cli::addUnpackCommand(CLI::App& app)
{
    struct Options {
        std::string file;
        std::string folder;
    };
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand(
        "unpack", "Write a manifest and one source per item that build gives back as the same file");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_option("-o,--output", o->folder,
           "Folder for FILE's name .toml and its sources (created when missing; existing files are never replaced)")
        ->required();
    sub->callback([o] {
        const zarn::UnpackOutcome out = zarn::unpackResourceFile(o->file, o->folder);
        if (!out.ok)
            refuse(out.message);
        std::cout << out.message << "\n";
    });
}
