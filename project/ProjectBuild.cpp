#include "project/ProjectBuild.h"

#include "import/AddContent.h"
#include "platform/ReplaceFile.h"
#include "platform/Utf8Path.h"
#include "project/Manifest.h"
#include "project/ProjectText.h"
#include "resfile/ModuleModel.h"

#include <algorithm>
#include <filesystem>
#include <random>

namespace zarn {

namespace {

    namespace fs = std::filesystem;

    // A folder of its own under the system's temporary folder, removed with the
    // object: where fonts are rendered during the build.
    class ScratchFolder {
    public:
        std::string create()
        {
            std::random_device seed;
            std::error_code ec;
            const fs::path base = fs::temp_directory_path(ec);
            if (ec)
                return "no temporary folder: " + ec.message();
            for (int attempt = 0; attempt < 100; ++attempt) {
                const fs::path p = base / ("zarnres-build-" + std::to_string(seed()));
                if (fs::create_directory(p, ec)) {
                    m_path = p;
                    return {};
                }
                if (ec)
                    return "cannot make a folder in " + utf8Of(base) + ": " + ec.message();
            }
            return "cannot make a folder in " + utf8Of(base);
        }
        ~ScratchFolder()
        {
            std::error_code ec;
            if (!m_path.empty())
                fs::remove_all(m_path, ec);
        }
        const fs::path& path() const { return m_path; }

    private:
        fs::path m_path;
    };

    BuildOutcome failed(std::string message)
    {
        BuildOutcome out;
        out.message = std::move(message);
        return out;
    }

    // Where the output would do harm or cannot go: checked before any work.
    std::string outputProblem(const std::string& output, const std::string& manifestPath, const Manifest& manifest)
    {
        std::error_code ec;
        const fs::path out = pathOf(output);
        const fs::file_status st = fs::status(out, ec);
        if (fs::is_directory(st))
            return "The output " + quotedPath(output) + " is a folder";
        if (fs::exists(st) && !fs::is_regular_file(st))
            return "The output " + quotedPath(output) + " is not a regular file";
        if (fs::exists(st) && fs::equivalent(out, pathOf(manifestPath), ec))
            return "The output " + quotedPath(output) + " is the manifest itself";
        for (std::size_t n = 0; n < manifest.items.size(); ++n)
            if (fs::exists(st) && fs::equivalent(out, pathOf(manifest.items[n].path), ec))
                return "The output " + quotedPath(output) + " is the source of item " + std::to_string(n);
        const fs::path folder = out.parent_path();
        if (!folder.empty() && !fs::is_directory(folder, ec))
            return "The output's folder " + quotedPath(utf8Of(folder)) + " does not exist";
        return {};
    }

} // namespace

std::string defaultBuildOutput(const std::string& manifestPath)
{
    return utf8Of(pathOf(manifestPath).replace_extension(".zrf"));
}

BuildOutcome buildProject(const std::string& manifestPath, const BuildOptions& options)
{
    const ManifestOutcome parsed = readManifest(manifestPath,
        ManifestReading { static_cast<bool>(options.loadPicture), static_cast<bool>(options.renderFont) });
    if (!parsed.manifest)
        return failed(parsed.error);
    const Manifest& manifest = *parsed.manifest;
    const std::string output = options.output.empty() ? defaultBuildOutput(manifestPath) : options.output;
    if (auto problem = outputProblem(output, manifestPath, manifest); !problem.empty())
        return failed(problem);

    // Fonts are rendered into a folder of their own on the disk.
    ScratchFolder scratch;
    if (std::any_of(manifest.items.begin(), manifest.items.end(),
            [](const ManifestItem& item) { return item.kind == ManifestItem::Kind::Font; }))
        if (auto why = scratch.create(); !why.empty())
            return failed("Cannot build " + quotedPath(output) + ": " + why);
    // Each item goes through the road of zarnres add, checked against the room the
    // items before it leave; then the file is laid out once and put in place whole.
    const ModuleModel& model = modelForNumber(manifest.model);
    const ResourceHeader header { 0, model.modelCode, model.screenWidth, model.screenHeight,
        memoryKiBForSizeIndex(manifest.sizeIndex) };
    ContentRoom room { header.screenWidth, header.screenHeight,
        static_cast<std::uint32_t>(std::uint64_t(header.memoryKiB) * 1024 - payloadStartFor(header.memoryKiB)), 0,
        maxItemsFor(header.memoryKiB), output };
    std::vector<std::vector<std::uint8_t>> data(manifest.items.size());
    std::vector<LaidOutItem> items(manifest.items.size());
    std::vector<std::string> warnings;
    for (std::size_t n = 0; n < manifest.items.size(); ++n) {
        const ManifestItem& item = manifest.items[n];
        const std::string where = manifestPath + ":" + std::to_string(item.line) + ": item " + std::to_string(n) + " ("
            + item.source + "): ";
        // The command follows from the extension, as for zarnres add; the manifest checked it.
        ContentOptions content;
        content.loadPicture = options.loadPicture;
        content.ignoreColor = item.ignoreColor;
        content.dither = item.dither;
        std::string source = item.path;
        if (item.kind == ManifestItem::Kind::Font) {
            // Rendered as zarnres font renders it (a .hzk or .asc library).
            const FontLibraryOutput lib = options.renderFont(item.path, item.type, item.width, item.height,
                utf8Of(scratch.path() / ("font-" + std::to_string(n))),
                FontGenOptions { item.threshold, false, item.face });
            if (!lib.ok)
                return failed(where + lib.message);
            source = lib.path;
        }
        const ContentOutcome added = prepareContent(source, content, room, items[n].entry, data[n]);
        if (added.result != ContentOutcome::Result::Inserted)
            return failed(where + withDetail(added.message, added.detail));
        items[n].data = data[n];
        room.remainingBytes -= std::min(room.remainingBytes, roundUpToBlock(items[n].entry.length));
        ++room.itemCount;
        if (!added.warning.empty())
            warnings.push_back(where + added.warning);
    }

    std::vector<std::uint8_t> bytes;
    std::vector<ResourceEntry> directory;
    if (auto r = layOutResourceFile(header, items, bytes, directory); !r.ok)
        return failed("Cannot build " + quotedPath(output) + ": " + withDetail(r.message, r.detail));
    if (const std::string why = replaceFile(defaultFileIo(), output, bytes); !why.empty())
        return failed("Cannot write " + quotedPath(output) + ": " + why);

    BuildOutcome out;
    out.ok = true;
    out.output = output;
    out.directory = std::move(directory);
    out.warnings = std::move(warnings);
    out.message = "Built " + output + ": " + std::to_string(room.itemCount)
        + (room.itemCount == 1 ? " item, " : " items, ") + std::to_string(room.remainingBytes) + " bytes remaining";
    return out;
}

} // namespace zarn
