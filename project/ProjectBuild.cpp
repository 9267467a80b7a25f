#include "project/ProjectBuild.h"

#include "import/AddContent.h"
#include "import/FileExtension.h"
#include "import/fontgen/FontGenerator.h"
#include "project/Manifest.h"
#include "resfile/MemoryFileIo.h"
#include "resfile/ModuleModel.h"
#include "resfile/ReplaceFile.h"

#include <filesystem>
#include <limits>
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
                    return "cannot make a folder in " + base.string() + ": " + ec.message();
            }
            return "cannot make a folder in " + base.string();
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

    std::string withDetail(const std::string& message, const std::string& detail)
    {
        return detail.empty() ? message : message + "\n" + detail;
    }

    // Where the output would do harm or cannot go: checked before any work.
    std::string outputProblem(const std::string& output, const std::string& manifestPath, const Manifest& manifest)
    {
        std::error_code ec;
        const fs::file_status st = fs::status(output, ec);
        if (fs::is_directory(st))
            return "The output " + quotedPath(output) + " is a folder";
        if (fs::exists(st) && !fs::is_regular_file(st))
            return "The output " + quotedPath(output) + " is not a regular file";
        if (fs::exists(st) && fs::equivalent(output, manifestPath, ec))
            return "The output " + quotedPath(output) + " is the manifest itself";
        for (std::size_t n = 0; n < manifest.items.size(); ++n)
            if (fs::exists(st) && fs::equivalent(output, manifest.items[n].path, ec))
                return "The output " + quotedPath(output) + " is the source of item " + std::to_string(n);
        const fs::path folder = fs::path(output).parent_path();
        if (!folder.empty() && !fs::is_directory(folder, ec))
            return "The output's folder " + quotedPath(folder.string()) + " does not exist";
        return {};
    }

} // namespace

bool buildRendersFonts()
{
#ifdef ZARN_WITH_FONTGEN
    return true;
#else
    return false;
#endif
}

std::string defaultBuildOutput(const std::string& manifestPath)
{
    return fs::path(manifestPath).replace_extension(".zrf").string();
}

BuildOutcome buildProject(const std::string& manifestPath, const BuildOptions& options)
{
    const ManifestOutcome parsed = readManifest(manifestPath, static_cast<bool>(options.loadPicture));
    if (!parsed.manifest)
        return failed(parsed.error);
    const Manifest& manifest = *parsed.manifest;
    const std::string output = options.output.empty() ? defaultBuildOutput(manifestPath) : options.output;
    if (auto problem = outputProblem(output, manifestPath, manifest); !problem.empty())
        return failed(problem);

    ScratchFolder scratch;
    if (auto why = scratch.create(); !why.empty())
        return failed("Cannot build " + quotedPath(output) + ": " + why);
    // The file is changed once per item: it is kept in memory until it is whole.
    MemoryFileIo io((scratch.path() / "image").string());
    const std::string image = (scratch.path() / "image" / "image.zrf").string();
    const ModuleModel& model = modelForNumber(manifest.model);
    if (auto r = createResourceFile(image, model.modelCode, model.screenWidth, model.screenHeight,
            memoryKiBForSizeIndex(manifest.sizeIndex), io);
        !r.ok)
        return failed(withDetail(r.message, r.detail));
    ResourceStore store(io);
    if (auto r = store.openResourceFile(image); !r.ok)
        return failed(withDetail(r.message, r.detail));

    for (std::size_t n = 0; n < manifest.items.size(); ++n) {
        const ManifestItem& item = manifest.items[n];
        const std::string where = manifestPath + ":" + std::to_string(item.line) + ": item " + std::to_string(n) + " ("
            + item.source + "): ";
        ContentOptions content;
        std::string source = item.path;
        switch (item.kind) {
        case ManifestItem::Kind::Picture:
            content.command = ContentCommand::Bitmap;
            content.ignoreColor = item.ignoreColor;
            content.dither = item.dither;
            content.loadPicture = options.loadPicture;
            break;
        case ManifestItem::Kind::Font: {
            // Rendered as zarnres font renders it, into a folder of its own.
            const fs::path folder = scratch.path() / ("font-" + std::to_string(n));
#ifdef ZARN_WITH_FONTGEN
            const FontLibraryOutput lib = makeFontLibrary(item.path, item.type, item.width, item.height,
                folder.string(), FontGenOptions { item.threshold, false, item.face });
#else
            // The manifest refuses fonts in a build without the generator.
            const FontLibraryOutput lib { false, "this build cannot render fonts", {} };
#endif
            if (!lib.ok)
                return failed(where + lib.message);
            source = lib.path;
            content.command = item.type == FontLibraryType::Ascii ? ContentCommand::Asciilib : ContentCommand::Hzlib;
            break;
        }
        case ManifestItem::Kind::FontLibrary:
            content.command = fontLibraryTypeOfExtension(fileExtension(item.path)) == FontLibraryType::Ascii
                ? ContentCommand::Asciilib
                : ContentCommand::Hzlib;
            break;
        case ManifestItem::Kind::Sound:
            content.command = ContentCommand::Wave;
            break;
        }
        const ContentOutcome added = addContent(store, source, content);
        if (added.result != ContentOutcome::Result::Inserted)
            return failed(where + withDetail(added.message, added.detail));
    }

    std::vector<std::uint8_t> bytes;
    std::string why;
    if (readRegularFile(io, image, std::numeric_limits<std::uint32_t>::max(), bytes, why) != WholeRead::Read)
        return failed("Cannot build " + quotedPath(output) + ": " + why);
    if (why = replaceFile(defaultFileIo(), output, bytes); !why.empty())
        return failed("Cannot write " + quotedPath(output) + ": " + why);

    BuildOutcome out;
    out.ok = true;
    out.output = output;
    out.header = store.header();
    out.directory.assign(store.directory().begin(), store.directory().end());
    out.message = "Built " + output + ": " + std::to_string(store.itemCount())
        + (store.itemCount() == 1 ? " item, " : " items, ") + std::to_string(store.remainingBytes())
        + " bytes remaining";
    return out;
}

} // namespace zarn
