// zarnres add: one bitmap, font library or WAVE file into a resource file, with
// the same checks and messages as the main window's import commands.
#include "cli/Commands.h"
#include "cli/StoreAccess.h"
#include "import/AddContent.h"
#include "import/FileExtension.h"
#include "import/ImportCheck.h"
#include "import/PictureFile.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"

#include <iostream>
#include <memory>

namespace {

// A build without the picture libraries reads pictures as BMP files only.
#ifdef ZARN_WITH_PICTURES
constexpr bool kOtherPictureFormats = true;
#else
constexpr bool kOtherPictureFormats = false;
#endif

struct Options {
    std::string file;
    std::string source;
    std::string after;
    std::string ignoreColor;
    bool json = false;
    bool dither = false;
};

std::string jsonText(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void report(const Options& o, const zarn::ResourceStore& store, int index, const std::string& message)
{
    const zarn::ResourceEntry& e = store.entry(index);
    if (o.json) {
        std::cout << "{\"row\":" << index << ",\"kind\":" << int(e.kind) << ",\"width\":" << e.width
                  << ",\"height\":" << e.height << ",\"address\":" << e.address << ",\"length\":" << e.length
                  << ",\"ignoreColor\":" << e.ignoreColor << ",\"itemCount\":" << store.itemCount()
                  << ",\"remainingBytes\":" << store.remainingBytes() << ",\"message\":" << jsonText(message) << "}\n";
        return;
    }
    std::cout << message << "\n";
    const auto cells = zarn::directoryRowTexts(e, index);
    for (std::size_t i = 0; i < cells.size(); ++i)
        std::cout << (i ? "\t" : "") << cells[i];
    std::cout << "\n" << zarn::capacityText(store) << "\n";
}

void run(const Options& o)
{
    // The source is read and converted without holding the file.
    zarn::ResourceStore store = zarn::cli::openStore(o.file, std::nullopt);

    const bool bitmap = zarn::isBitmapExtension(zarn::lowerExtension(o.source), kOtherPictureFormats);
    const std::string bitmapExtensions = zarn::bitmapExtensionsText(kOtherPictureFormats);
    const std::string bitmapNames = "bitmaps (" + bitmapExtensions + ")";
    if (!o.ignoreColor.empty() && !bitmap)
        zarn::cli::usageError("--ignore-color applies to " + bitmapNames + " only");
    if (o.dither && !bitmap)
        zarn::cli::usageError("--dither applies to " + bitmapNames + " only");

    zarn::ContentOptions options;
    // Checked before the source, as the selection mark is known before any dialog.
    if (!o.after.empty())
        options.afterRow = zarn::cli::parseRow(o.after, store);
    options.ignoreColor = o.ignoreColor.empty() ? 0 : zarn::cli::parseColor(o.ignoreColor);
    options.dither = o.dither;
#ifdef ZARN_WITH_PICTURES
    options.loadPicture = zarn::loadPictureFile;
#endif
    options.lockForChange = true;
    const zarn::ContentOutcome added = zarn::addContent(store, o.source, options);
    if (added.result == zarn::ContentOutcome::Result::Ignored && !kOtherPictureFormats
        && zarn::isBitmapExtension(zarn::lowerExtension(o.source), true))
        zarn::cli::refuse(
            "This build of zarnres reads pictures as BMP files only (it was built without the PNG, JPEG and GIF "
            "decoders): "
            + o.source + " cannot be read");
    if (added.result == zarn::ContentOutcome::Result::Ignored)
        zarn::cli::refuse("Cannot tell what " + o.source + " holds from its extension \""
            + zarn::fileExtension(o.source) + "\": bitmaps are " + bitmapExtensions
            + ", font libraries .hzk .big .kzk .asc (lower case), sounds .wav");
    if (added.result == zarn::ContentOutcome::Result::Refused)
        zarn::cli::refuse(added.detail.empty() ? added.message : added.message + "\n" + added.detail);
    report(o, store, added.row, added.message);
    if (!added.warning.empty()) {
        std::cout.flush(); // after the report, also where both go to one terminal
        std::cerr << added.warning << "\n";
    }
}

} // namespace

void zarn::cli::addAddCommand(CLI::App& app)
{
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand(
        "add", "Add a bitmap (.bmp .png .jpg .jpeg .gif), font library (.hzk .big .kzk .asc) or sound (.wav)");
    sub->add_option("FILE", o->file, "The resource file")->required();
    sub->add_option("SOURCE", o->source, "The file to add; its extension says what it is")->required();
    sub->add_option("--after", o->after, "Insert after this row (No. as list shows it); default: at the end");
    sub->add_option("--ignore-color", o->ignoreColor, "A bitmap's ignore colour, 0xNNNN or decimal (default 0)");
    sub->add_flag("--dither", o->dither,
        "Spread the rounding of true-colour pictures (error diffusion) instead of cutting the low bits");
    sub->add_flag("--json", o->json, "Print the new entry as JSON");
    sub->callback([o] {
        if (!o->ignoreColor.empty())
            zarn::cli::parseColor(o->ignoreColor); // a malformed colour is a usage error before anything is read
        run(*o);
    });
}
