// zarnres build: a resource file from a manifest of pictures, font libraries,
// fonts and sounds.
#include "cli/Command.h"
#include "cli/Commands.h"
#include "cli/DirectoryJson.h"
#include "import/PictureFile.h"
#include "project/ProjectBuild.h"

#include <iostream>
#include <memory>

namespace {

struct Options {
    std::string manifest;
    std::string output;
    bool json = false;
};

void run(const Options& o)
{
    zarn::BuildOptions options;
    options.output = o.output;
#ifdef ZARN_WITH_PICTURES
    options.loadPicture = zarn::loadPictureFile; // PNG, JPEG and GIF too; BMP files only without it
#endif
#ifdef ZARN_WITH_FONTGEN
    options.renderFont = zarn::makeFontLibrary; // font items are refused without it
#endif
    const zarn::BuildOutcome built = zarn::buildProject(o.manifest, options);
    if (!built.ok)
        zarn::cli::refuse(built.message);
    for (const auto& warning : built.warnings)
        std::cerr << warning << "\n";
    if (o.json)
        zarn::cli::printDirectoryJson(std::cout, built.directory);
    else
        std::cout << built.message << "\n";
}

} // namespace

void zarn::cli::addBuildCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub
        = app.add_subcommand("build", "Build a resource file from a TOML manifest (see README: Resource projects)");
    sub->add_option("MANIFEST", o->manifest, "The manifest; its sources are found from its folder")->required();
    sub->add_option("-o,--output", o->output, "The resource file to write (default: the manifest's name with .zrf)");
    sub->add_flag("--json", o->json, "Print the directory built, as list --json does");
    sub->callback([o] { run(*o); });
}
