// zarnres font-preview: draw the first glyphs of a font library into a 24-bit
// BMP, to see what a library holds before it goes into a module.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "import/BmpWriter.h"
#include "import/fontgen/LibraryPreview.h"

#include <iostream>
#include <memory>
#include <tuple>

namespace {

struct Options {
    std::string library;
    std::string output;
    std::string size;
    zarn::SheetOptions sheet;
};

void run(const Options& o)
{
    using namespace zarn;
    int width = 0, height = 0;
    if (!o.size.empty())
        std::tie(width, height) = cli::parseGlyphSize(o.size);
    const PreviewResult preview = previewFontLibrary(o.library, width, height, o.sheet);
    if (!preview.ok)
        cli::refuse(preview.message);
    std::string error;
    if (!writeBmp24(o.output, preview.image.width, preview.image.height, preview.image.rgb, &error))
        cli::refuse(error);
    std::cout << preview.message << "\n"
              << "Wrote " << o.output << " (" << preview.image.width << "x" << preview.image.height << " pixels)\n";
}

} // namespace

void zarn::cli::addFontPreviewCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("font-preview", "Draw the first glyphs of a font library into a 24-bit BMP picture");
    sub->add_option("LIBRARY", o->library, "The library (.hzk, .big, .kzk, .asc); its glyph size comes from its name")
        ->required();
    sub->add_option("-o,--output", o->output, "The BMP file to write")->required();
    sub->add_option("--size", o->size, "Glyph size WIDTHxHEIGHT when the name does not carry it");
    sub->add_option("--first", o->sheet.first, "First glyph shown (from 0)")->capture_default_str();
    sub->add_option("--count", o->sheet.count, "Glyphs shown at most")
        ->check(CLI::Range(1u, zarn::kMaxSheetGlyphs))
        ->capture_default_str();
    sub->add_option("--columns", o->sheet.columns, "Glyphs per row")
        ->check(CLI::Range(1, zarn::kMaxSheetColumns))
        ->capture_default_str();
    sub->add_option("--scale", o->sheet.scale, "Pixels per dot")
        ->check(CLI::Range(1, zarn::kMaxSheetScale))
        ->capture_default_str();
    sub->callback([o] { run(*o); });
}
