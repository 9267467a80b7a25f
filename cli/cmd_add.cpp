// zarnres add: one bitmap, font library or WAVE file into a resource file, with
// the same checks and messages as the main window's import commands.
#include "cli/StoreAccess.h"
#include "import/DibPicture.h"
#include "import/FontLibrary.h"
#include "import/ImportCheck.h"
#include "import/WaveImport.h"
#include "resfile/CapacityDisplay.h"
#include "resfile/DirectoryView.h"
#include "resfile/StoreCommands.h"
#ifdef ZARN_HAVE_IMPORTQT
#include "import/qt/PictureFile.h"
#endif

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <new>
#include <vector>

namespace {

struct Options {
    std::string file;
    std::string source;
    std::string after;
    std::string ignoreColor;
    bool json = false;
    bool dither = false;
};

#ifdef ZARN_HAVE_IMPORTQT
constexpr bool kPictures = true;
#else
constexpr bool kPictures = false;
#endif

bool isPicture(const std::string& lowerExtension)
{
#ifdef ZARN_HAVE_IMPORTQT
    return zarn::isPictureExtension(lowerExtension);
#else
    (void)lowerExtension;
    return false;
#endif
}

zarn::DibPicture::Outcome loadPicture(zarn::DibPicture& picture)
{
#ifdef ZARN_HAVE_IMPORTQT
    return zarn::loadPictureFile(picture);
#else
    return picture.loadBmpFile();
#endif
}

std::string jsonText(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
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
    const zarn::ResourceEntry& e = store.directory[index];
    if (o.json) {
        std::cout << "{\"row\":" << index << ",\"kind\":" << int(e.kind) << ",\"width\":" << e.width
                  << ",\"height\":" << e.height << ",\"address\":" << e.address << ",\"length\":" << e.length
                  << ",\"ignoreColor\":" << e.ignoreColor << ",\"itemCount\":" << store.itemCount
                  << ",\"remainingBytes\":" << store.remainingBytes << ",\"message\":" << jsonText(message) << "}\n";
        return;
    }
    std::cout << message << "\n";
    const auto cells = zarn::directoryRowTexts(e, index);
    for (std::size_t i = 0; i < cells.size(); ++i)
        std::cout << (i ? "\t" : "") << cells[i];
    std::cout << "\n" << zarn::capacityText(store) << "\n";
}

// The item as the window's commands would insert it: its entry, its data (a
// bitmap's converted bytes, or the file a font library or sound is copied
// from), and the text the command reports.
struct Prepared {
    zarn::ResourceEntry entry;
    std::vector<std::uint8_t> data;
    std::string sourcePath;
    std::string message;
};

// A picture is read and converted in memory: no staging file is needed, and
// none can be left behind.
Prepared preparePicture(const Options& o, const zarn::ResourceStore& store)
{
    using zarn::cli::refuse;
    zarn::DibPicture picture;
    picture.setScreenBox(store.screenWidth, store.screenHeight);
    picture.m_strFileName = o.source;
    picture.m_bDither = o.dither;
    if (auto r = loadPicture(picture); !r.ok)
        refuse(r.detail.empty() ? r.message : r.message + "\n" + r.detail);
    Prepared p;
    try {
        p.data = picture.convertedData();
    } catch (const std::bad_alloc&) {
        refuse(std::string(zarn::kMsgFalse) + "\nNot enough memory to convert " + o.source);
    }
    if (p.data.empty())
        refuse(zarn::kMsgFalse);
    picture.m_nSize = static_cast<std::int32_t>(p.data.size()); // the palette included, as written to staging
    if (auto refusal = zarn::checkLoadBitmap(false, store, picture.m_bLoaded != 0, static_cast<std::uint32_t>(picture.m_nSize)))
        refuse(*refusal);
    p.entry.kind = static_cast<std::uint8_t>(picture.m_nFormat);
    p.entry.width = static_cast<std::uint16_t>(picture.m_nWidth);
    p.entry.height = static_cast<std::uint16_t>(picture.m_nHeight);
    p.entry.length = static_cast<std::uint32_t>(picture.m_nSize);
    p.entry.ignoreColor = o.ignoreColor.empty() ? 0 : zarn::cli::parseColor(o.ignoreColor);
    p.message = picture.loadReportText();
    return p;
}

Prepared prepareLibraryOrSound(const Options& o, const zarn::ResourceStore& store, const std::string& ext,
                               const std::string& bitmapExtensions)
{
    using zarn::cli::refuse;
    zarn::ImportCheck check;
    if (ext == "hzk" || ext == "big" || ext == "kzk")
        check = zarn::checkFontLibrary(zarn::FontCommand::Hzlib, o.source, store.remainingBytes, store.itemCount,
                                       store.maxItems);
    else if (ext == "asc")
        check = zarn::checkFontLibrary(zarn::FontCommand::Asciilib, o.source, store.remainingBytes, store.itemCount,
                                       store.maxItems);
    else if (ext == "wav")
        check = zarn::checkWaveFile(o.source, store.remainingBytes, store.itemCount, store.maxItems);

    switch (check.verdict) {
    case zarn::ImportCheck::Verdict::Ignored:
        refuse("Cannot tell what " + o.source + " holds from its extension \"" + ext + "\": bitmaps are "
               + bitmapExtensions + ", font libraries .hzk .big .kzk .asc (lower case), sounds .wav");
    case zarn::ImportCheck::Verdict::Refused:
        refuse(check.detail.empty() ? check.message : check.message + "\n" + check.detail);
    case zarn::ImportCheck::Verdict::Accepted:
        break;
    }
    return Prepared { check.pending.entry, {}, check.pending.sourcePath, check.message };
}

void run(const Options& o)
{
    zarn::ResourceStore store = zarn::cli::openStore(o.file, zarn::LockMode::Shared);
    store.release(); // the source is read and converted without holding the file

    std::string ext = zarn::fileExtension(o.source);
    std::string lower = ext;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    // "Load BMP" takes any name; its filters are *.BMP and the picture formats.
    const bool bitmap = lower == "bmp" || isPicture(lower);
    const std::string bitmapExtensions = kPictures ? ".bmp .png .jpg .jpeg .gif" : ".bmp";
    const std::string bitmapNames = "bitmaps (" + bitmapExtensions + ")";
    if (!o.ignoreColor.empty() && !bitmap)
        zarn::cli::usageError("--ignore-color applies to " + bitmapNames + " only");
    if (o.dither && !bitmap)
        zarn::cli::usageError("--dither applies to " + bitmapNames + " only");

    // Checked before the source, as the selection mark is known before any dialog.
    auto insertionIndex = [&] {
        return store.insertionIndex(o.after.empty() ? std::nullopt
                                                    : std::optional<int>(zarn::cli::parseRow(o.after, store)));
    };
    insertionIndex();
    const Prepared item = bitmap ? preparePicture(o, store) : prepareLibraryOrSound(o, store, ext, bitmapExtensions);

    // Checked again under the lock: another program may have changed the file meanwhile.
    zarn::cli::lockForChange(store);
    const int index = insertionIndex();
    if (bitmap)
        zarn::cli::requireOk(store.insertItemData(index, item.entry, item.data));
    else
        zarn::cli::requireOk(store.insertItem(index, item.entry, item.sourcePath));
    report(o, store, index, item.message);
}

const bool registered = zarn::cli::registerSubcommand(40, [](CLI::App& app) {
    auto o = std::make_shared<Options>();
    auto* sub = app.add_subcommand("add", kPictures ? "Add a bitmap (.bmp .png .jpg .jpeg .gif), font library (.hzk .big .kzk .asc) or sound (.wav)" : "Add a bitmap (.bmp), font library (.hzk .big .kzk .asc) or sound (.wav)");
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
});

} // namespace
