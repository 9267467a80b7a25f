// zarnres font: render a dot-matrix font library from a TrueType/OpenType font
// (a file or an installed family), and optionally insert it into a resource
// file through the "Load Hzlib" / "Load Asciilib" checks.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "import/AddContent.h"
#include "import/FontLibrary.h"
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"

#include <iostream>
#include <memory>
#include <optional>

namespace {

struct Options {
    std::string font;
    std::string type;
    std::string size;
    std::string outputFolder = ".";
    std::string resourceFile;
    std::string afterRow;
    int threshold = zarn::kDefaultThreshold;
    bool mono = false;
    int faceIndex = 0;
};

void run(const Options& o)
{
    using namespace zarn;
    const auto type = parseLibraryTypeName(o.type);
    if (!type)
        cli::usageError("--type must be gb2312, big5, hangul or ascii, not \"" + o.type + "\"");
    const auto [width, height] = cli::parseGlyphSize(o.size);
    if (!o.afterRow.empty() && o.resourceFile.empty())
        cli::usageError("--after needs --add RESFILE");

    // The resource file is read first, so that a wrong one costs no rendering.
    std::optional<ResourceStore> store;
    ContentOptions options;
    if (!o.resourceFile.empty()) {
        store = cli::openStore(o.resourceFile, std::nullopt); // the library is made without holding the file
        if (!o.afterRow.empty())
            options.afterRow = cli::parseRow(o.afterRow, *store);
    }

    const FontLibraryOutput out = makeFontLibrary(
        o.font, *type, width, height, o.outputFolder, FontGenOptions { o.threshold, o.mono, o.faceIndex });
    if (!out.ok)
        cli::refuse(out.message);
    std::cout << out.message << "\n";
    if (!store)
        return;

    options.command = *type == FontLibraryType::Ascii ? ContentCommand::Asciilib : ContentCommand::Hzlib;
    options.lockForChange = true;
    // Exactly as zarnres add prints it, carriage return included.
    options.accepted = [](const std::string& text, const std::string&) { std::cout << text << "\n"; };
    const ContentOutcome added = addContent(*store, out.path, options);
    if (added.result != ContentOutcome::Result::Inserted)
        cli::refuse(added.message + "\nThe library stays in " + out.path + "; nothing was added to " + o.resourceFile);
    const auto cells = directoryRowTexts(store->entry(added.row), added.row);
    for (std::size_t i = 0; i < cells.size(); ++i)
        std::cout << cells[i] << (i + 1 < cells.size() ? "\t" : "\n");
    std::cout << capacityText(*store) << "\n";
}

} // namespace

void zarn::cli::addFontCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand(
        "font", "Render a dot-matrix font library (16X16.hzk, 8X16.asc, ...) from a TrueType/OpenType font");
    sub->add_option("FONT,--font", o->font,
           "The font: a file (.ttf, .otf, .ttc) or the family name of an installed font (zarnres fonts lists them)")
        ->required();
    sub->add_option("--type", o->type, "Library type: gb2312, big5, hangul or ascii")->required();
    sub->add_option("--size", o->size, "Glyph size WIDTHxHEIGHT in dots, 1 to 99 each, e.g. 16x16 or 8x16")->required();
    sub->add_option("-o,--output", o->outputFolder,
           "Folder for the library (created when missing; a library of the same name is replaced)")
        ->capture_default_str();
    sub->add_option("--add", o->resourceFile,
        "Insert the library into this resource file, with the checks of Load Hzlib / Load Asciilib");
    sub->add_option(
        "--after", o->afterRow, "With --add: insert after this row (as list numbers it), otherwise at the end");
    sub->add_option(
           "--threshold", o->threshold, "Grey level 1..255 from which a dot is set; lower keeps thinner strokes")
        ->check(CLI::Range(1, 255))
        ->capture_default_str();
    sub->add_flag("--mono", o->mono, "Use the font's hinted monochrome rendering instead of the grey threshold");
    sub->add_option("--face", o->faceIndex, "Face number in a font collection file (.ttc)")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    sub->callback([o] { run(*o); });
}
