// zarnres font-preview: draw a font library, or a range of its codes, into a
// 24-bit BMP, to see what a library holds before it goes into a module.
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
    std::string from;
    zarn::SheetOptions sheet;
};

void run(const Options& o)
{
    using namespace zarn;
    int width = 0, height = 0;
    if (!o.size.empty())
        std::tie(width, height) = cli::parseGlyphSize(o.size);
    std::optional<std::uint16_t> from;
    if (!o.from.empty())
        from = cli::parseCode(o.from);
    const PreviewResult preview = previewFontLibrary(o.library, width, height, o.sheet, from);
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
    auto* sub = app.add_subcommand("font-preview", "Draw a font library's glyphs on a grid into a 24-bit BMP picture");
    sub->add_option("LIBRARY", o->library, "The library (.hzk, .big, .kzk, .asc); its glyph size comes from its name")
        ->required();
    sub->add_option("-o,--output", o->output, "The BMP file to write")->required();
    sub->add_option("--size", o->size, "Glyph size WIDTHxHEIGHT when the name does not carry it");
    auto* first = sub->add_option("--first", o->sheet.first, "First glyph shown, by position (from 0)");
    sub->add_option("--from", o->from, "First code shown, in hex in the library's encoding (B0A1, 0x41)")
        ->excludes(first);
    sub->add_option("--count", o->sheet.count, "Glyphs shown at most (default: the whole library)")
        ->check(CLI::Range(1u, zarn::kMaxSheetGlyphs));
    sub->add_option(
           "--columns", o->sheet.columns, "Glyphs per row (default: one code row: 94, 157 for BIG5, 16 for ASCII)")
        ->check(CLI::Range(1, zarn::kMaxSheetColumns));
    sub->add_option("--scale", o->sheet.scale, "Pixels per dot")
        ->check(CLI::Range(1, zarn::kMaxSheetScale))
        ->capture_default_str();
    sub->callback([o] { run(*o); });
}
