#pragma once
// zarnres build: a resource file from a manifest. Each item goes through the
// one road for content (so it is checked and converted as `zarnres add` would);
// when every item went in, the file is laid out once, as `zarnres new` and one
// `zarnres add` per item would leave it, and put in place whole. The same
// manifest and sources give the same bytes on every run.

#include "import/LoadedPicture.h"
#include "import/fontgen/FontGenerator.h"
#include "resfile/ResourceFormat.h"

#include <functional>
#include <string>
#include <vector>

namespace zarn {

struct BuildOutcome {
    bool ok = false;
    std::string message; // what was built, or what went wrong and where
    std::string output; // the resource file written
    std::vector<ResourceEntry> directory;
    std::vector<std::string> warnings; // items taken all the same (a .wav that is no sound), where they are
};

struct BuildOptions {
    std::string output; // empty: the manifest's name with .zrf, beside it
    // Reads pictures other than BMP files (PNG, JPEG, GIF); BMP files only when not set.
    std::function<LoadedPicture::Outcome(LoadedPicture&)> loadPicture;
    // Renders `font` items as zarnres font does (makeFontLibrary); manifests with
    // fonts are refused when not set (a build without the font generator).
    std::function<FontLibraryOutput(const std::string& fontPath, FontLibraryType type, int width, int height,
        const std::string& outputFolder, const FontGenOptions& options)>
        renderFont;
};

// The file a manifest builds by default: "art/demo.toml" -> "art/demo.zrf".
std::string defaultBuildOutput(const std::string& manifestPath);

BuildOutcome buildProject(const std::string& manifestPath, const BuildOptions& options);

} // namespace zarn
