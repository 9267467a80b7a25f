// The subcommands a build without the font generator lacks: they are still
// there, so that a script meets a clear refusal rather than an unknown word,
// and each says what this build cannot do.
#include "cli/Command.h"
#include "cli/Commands.h"

#include <string>

namespace {

void addAbsent(CLI::App& app, const char* name, const char* description, const std::string& why)
{
    auto* sub = app.add_subcommand(name, std::string(description) + " (not in this build)");
    sub->allow_extras();
    sub->callback([why] { zarn::cli::refuse(why); });
}

} // namespace

#ifndef ZARN_WITH_FONTGEN
namespace {
const std::string kNoFonts = "This build of zarnres cannot render fonts (it was built without the font generator): "
                             "font, font-preview and fonts need the build with it";
}
void zarn::cli::addFontCommand(CLI::App& app)
{
    addAbsent(app, "font", "Make a dot-matrix font library from an outline font", kNoFonts);
}
void zarn::cli::addFontPreviewCommand(CLI::App& app)
{
    addAbsent(app, "font-preview", "Draw a font library into a BMP file", kNoFonts);
}
void zarn::cli::addFontsCommand(CLI::App& app)
{
    addAbsent(app, "fonts", "List the families of the installed fonts", kNoFonts);
}
#endif
