// zarnres fonts: the families of the installed fonts, by the names that
// `zarnres font` and "Make font library..." take in place of a font file.
#include "cli/Command.h"
#include "cli/Commands.h"
#include "platform/InstalledFonts.h"

#include <iostream>

namespace {

void run()
{
    const auto families = zarn::installedFontFamilies();
    if (families.empty())
        zarn::cli::refuse("The system lists no installed TrueType or OpenType fonts");
    for (const auto& family : families)
        std::cout << family << "\n";
}

} // namespace

void zarn::cli::addFontsCommand(CLI::App& app)
{
    auto* sub = app.add_subcommand(
        "fonts", "List the families of the installed TrueType/OpenType fonts, which zarnres font takes by name");
    sub->callback([] { run(); });
}
