#include "project/ProjectUnpack.h"

#include "common/ByteOrder.h"
#include "common/Messages.h"
#include "import/AddContent.h"
#include "import/BmpWriter.h"
#include "import/FontLibrary.h"
#include "import/ModuleBitmap.h"
#include "platform/ReplaceFile.h"
#include "platform/Utf8Path.h"
#include "project/Manifest.h"
#include "project/ProjectText.h"
#include "resfile/ModuleModel.h"
#include "resfile/ResourceStore.h"

#include <cstdio>
#include <filesystem>

namespace zarn {

namespace {

    namespace fs = std::filesystem;

    struct Source {
        std::string name; // relative to the manifest's folder
        std::vector<std::uint8_t> bytes;
        std::string lines; // the item's lines in the manifest
    };

    UnpackOutcome failed(std::string message)
    {
        UnpackOutcome out;
        out.message = std::move(message);
        return out;
    }

    std::string tomlString(const std::string& s)
    {
        std::string out = "\"";
        for (const char c : s) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += c;
            } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += esc;
            } else {
                out += c;
            }
        }
        return out + "\"";
    }

    std::string number3(int n)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%03d", n);
        return text;
    }

    // The row of the module type table and the size label a header was made from.
    std::optional<std::pair<int, int>> modelAndSize(const ResourceHeader& h)
    {
        for (const ModuleModel& m : moduleModels()) {
            if (m.modelCode != h.modelCode || m.screenWidth != h.screenWidth || m.screenHeight != h.screenHeight)
                continue;
            for (int k = 0; k < 4; ++k)
                if (m.sizesOffered[static_cast<std::size_t>(k)] && memoryKiBForSizeIndex(k) == h.memoryKiB)
                    return std::pair { m.number, k };
        }
        return std::nullopt;
    }

    // The source of one item, or why no manifest item can give it back.
    std::optional<Source> sourceOf(int n, const ResourceEntry& e, std::span<const std::uint8_t> data,
        const ResourceHeader& header, const std::string& folder, std::string& why)
    {
        Source s;
        const std::string number = number3(n);
        if (e.reserved != 0) {
            why = "its reserved field holds " + std::to_string(e.reserved) + ", which a build always writes as 0";
            return std::nullopt;
        }
        if (moduleBitmapLength(e.kind, e.width, e.height)) {
            s.bytes = bitmapItemAsBmp(e, data, header.screenWidth, header.screenHeight, &why);
            if (s.bytes.empty())
                return std::nullopt;
            s.name = folder + "/" + number + ".bmp";
            char color[16];
            std::snprintf(color, sizeof color, "0x%04X", e.ignoreColor);
            s.lines = "picture = " + tomlString(s.name) + "\nignore-color = " + color + "\n";
            return s;
        }
        if (e.ignoreColor != 0) {
            why = "it holds an ignore colour, which only bitmaps carry";
            return std::nullopt;
        }
        s.bytes.assign(data.begin(), data.end());
        if (const auto type = fontLibraryTypeOfKind(e.kind)) {
            // The glyph size leads the name: that is where a library's size is read from.
            const FontLibraryInfo& info = fontLibraryInfo(*type);
            if (e.width < kMinGlyphDots || e.width > kMaxGlyphDots || e.height < kMinGlyphDots
                || e.height > kMaxGlyphDots || e.length != expectedFontLibraryLength(*type, e.width, e.height)) {
                why = "a " + std::string(info.extension) + " library of " + std::to_string(e.width) + "x"
                    + std::to_string(e.height) + " glyphs cannot be " + std::to_string(e.length) + " bytes long";
                return std::nullopt;
            }
            s.name = folder + "/" + std::to_string(e.width) + "x" + std::to_string(e.height) + "-" + number + "."
                + info.extension;
            s.lines = "font-library = " + tomlString(s.name) + "\n";
            return s;
        }
        if (e.kind == static_cast<std::uint8_t>(ResourceKind::Wave)) {
            if (e.width != 0 || e.height != 0) {
                why = "a sound item with a width and height (" + std::to_string(e.width) + "x"
                    + std::to_string(e.height) + ") is none a build makes";
                return std::nullopt;
            }
            s.name = folder + "/" + number + ".wav";
            s.lines = "sound = " + tomlString(s.name) + "\n";
            return s;
        }
        why = "its kind " + std::to_string(e.kind) + " is none of a bitmap, font library or sound";
        return std::nullopt;
    }

    // Removes what an unfinished unpack wrote (files that did not exist before it).
    class Written {
    public:
        void add(fs::path p) { m_paths.push_back(std::move(p)); }
        void keep() { m_paths.clear(); }
        ~Written()
        {
            std::error_code ec;
            for (auto it = m_paths.rbegin(); it != m_paths.rend(); ++it)
                fs::remove(*it, ec);
        }

    private:
        std::vector<fs::path> m_paths;
    };

} // namespace

std::vector<std::uint8_t> bitmapItemAsBmp(
    const ResourceEntry& e, std::span<const std::uint8_t> data, int screenWidth, int screenHeight, std::string* why)
{
    const auto length = moduleBitmapLength(e.kind, e.width, e.height);
    const std::string what = std::to_string(e.width) + "x" + std::to_string(e.height) + " bitmap";
    if (!length || *length != data.size() || e.width == 0 || e.height == 0) {
        *why = "a " + what + " of kind " + std::to_string(e.kind) + " cannot be " + std::to_string(data.size())
            + " bytes long";
        return {};
    }
    if (e.width > screenWidth || e.height > screenHeight) {
        *why = "the " + what + " is larger than the module's " + std::to_string(screenWidth) + "x"
            + std::to_string(screenHeight) + " screen, and a picture that large is scaled down when it is added";
        return {};
    }
    std::vector<std::uint8_t> bmp;
    if (e.kind == static_cast<std::uint8_t>(ResourceKind::Bitmap16)) {
        // 5 and 6 bits widened with their top bits: cutting the low bits gives them back.
        const auto rgb = decodeModuleBitmap(e.kind, e.width, e.height, data);
        bmp = rgb ? encodeBmp24(e.width, e.height, *rgb) : std::vector<std::uint8_t>();
    } else {
        const int k = e.kind;
        const std::size_t colours = std::size_t { 1 } << k;
        std::vector<Rgb> palette(colours);
        for (std::size_t i = 0; i < colours; ++i)
            palette[i] = fromRgb565(getLe16(&data[2 * i]));
        bmp = blankStandardBmp(e.width, e.height, k, palette);
        if (!bmp.empty()) {
            // The rows as stored, unused bits of each row's last byte included.
            const std::size_t rowLength = static_cast<std::size_t>(*moduleRowLength(e.kind, e.width));
            const auto stride = static_cast<std::size_t>(bmpRowStride(e.width, k));
            const std::uint8_t* rows = data.data() + 2 * colours;
            for (int y = 0; y < e.height; ++y)
                std::copy_n(rows + rowLength * y, rowLength,
                    bmp.begin() + standardBmpOffBits(k) + stride * static_cast<std::size_t>(e.height - 1 - y));
        }
    }
    // The picture must convert back to exactly the stored bytes, as adding it will convert it.
    LoadedPicture picture;
    picture.setScreenBox(screenWidth, screenHeight);
    picture.setKeepSource(false);
    if (bmp.empty() || !picture.loadBmpData(bmp).ok || picture.convertBitmap() != std::vector(data.begin(), data.end())
        || bitmapEntry(picture, e.ignoreColor).kind != e.kind) {
        *why = "the " + what + " does not convert back to its own bytes";
        return {};
    }
    return bmp;
}

UnpackOutcome unpackResourceFile(const std::string& file, const std::string& folder)
{
    const ResourceCheck check = checkResourceFile(file);
    if (check.readError)
        return failed(*check.readError);
    if (!check.problems.empty()) {
        std::string text = std::string(kMsgResourceFileError) + "\nCannot unpack " + quotedPath(file) + ":";
        for (const auto& p : check.problems)
            text += (check.problems.size() == 1 ? " " : "\n") + p;
        return failed(text);
    }
    ResourceStore store;
    if (auto r = store.openResourceFile(file); !r.ok)
        return failed(withDetail(r.message, r.detail));
    std::vector<std::uint8_t> image;
    if (auto r = store.readImage(image); !r.ok)
        return failed(withDetail(r.message, r.detail));

    const ResourceHeader header = store.header();
    const auto row = modelAndSize(header);
    if (!row)
        return failed("Cannot unpack " + quotedPath(file) + ": model code " + std::to_string(header.modelCode)
            + " with a " + std::to_string(header.screenWidth) + "x" + std::to_string(header.screenHeight)
            + " screen and " + std::to_string(header.memoryKiB) + " KiB is no row and size of the module type table");

    const std::string name = utf8Of(pathOf(file).stem());
    std::vector<Source> sources;
    for (int n = 0; n < store.itemCount(); ++n) {
        const ResourceEntry& e = store.entry(n);
        std::string why;
        auto s = sourceOf(n, e, std::span(image).subspan(e.address, e.length), header, name, why);
        if (!s)
            return failed("Cannot unpack " + quotedPath(file) + ": item " + std::to_string(n)
                + " cannot be given back by a " + "manifest: " + why);
        sources.push_back(std::move(*s));
    }

    std::string manifest = "# " + fileNameOf(file) + ", unpacked\nmodel = " + std::to_string(row->first)
        + "\nmemory = \"" + kSizeLabels[static_cast<std::size_t>(row->second)] + "\"\n";
    for (const Source& s : sources)
        manifest += "\n[[item]]\n" + s.lines;

    // Only new files: whatever the folder holds already stays as it is.
    const fs::path base = pathOf(folder);
    const fs::path manifestPath = base / pathOf(name + ".toml");
    const fs::path sourceFolder = base / pathOf(name);
    std::error_code ec;
    if (fs::exists(base, ec) && !fs::is_directory(base, ec))
        return failed("Cannot unpack into " + quotedPath(folder) + ": it is not a folder");
    for (const fs::path& p : { manifestPath, sourceFolder })
        if (fs::exists(fs::symlink_status(p, ec)))
            return failed("Cannot unpack into " + quotedPath(folder) + ": " + quotedPath(utf8Of(p))
                + " is there already, and unpack replaces nothing; choose another folder or remove it");

    Written written;
    if (!fs::exists(base, ec)) {
        // Every missing folder on the way, removed again if the unpack fails.
        std::vector<fs::path> missing;
        for (fs::path p = base; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
            missing.push_back(p);
            if (p == p.parent_path())
                break;
        }
        if (!fs::create_directories(base, ec) && ec)
            return failed("Cannot make the folder " + quotedPath(folder) + ": " + ec.message());
        for (auto it = missing.rbegin(); it != missing.rend(); ++it)
            written.add(*it);
    }
    if (!fs::create_directory(sourceFolder, ec))
        return failed("Cannot make the folder " + quotedPath(utf8Of(sourceFolder)) + ": "
            + (ec ? ec.message() : "it is there already"));
    written.add(sourceFolder);
    for (const Source& s : sources) {
        const fs::path p = base / pathOf(s.name);
        written.add(p);
        if (auto why = replaceFile(defaultFileIo(), utf8Of(p), s.bytes); !why.empty())
            return failed("Cannot write " + quotedPath(utf8Of(p)) + ": " + why);
    }
    written.add(manifestPath);
    const std::vector<std::uint8_t> text(manifest.begin(), manifest.end());
    if (auto why = replaceFile(defaultFileIo(), utf8Of(manifestPath), text); !why.empty())
        return failed("Cannot write " + quotedPath(utf8Of(manifestPath)) + ": " + why);
    written.keep();

    UnpackOutcome out;
    out.ok = true;
    out.manifest = utf8Of(manifestPath);
    out.message = "Unpacked " + file + " into " + out.manifest + " and " + std::to_string(sources.size())
        + (sources.size() == 1 ? " source" : " sources") + " in " + utf8Of(sourceFolder);
    return out;
}

} // namespace zarn
