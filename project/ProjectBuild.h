#pragma once
// zarnres build: a resource file from a manifest. The file is made aside, each
// item added by the one road for content (so it is checked and converted as
// `zarnres add` would), and put in place whole only when every item went in.
// The same manifest and sources give the same bytes on every run.

#include "import/LoadedPicture.h"
#include "resfile/ResourceFormat.h"

#include <functional>
#include <string>
#include <vector>

namespace zarn {

struct BuildOutcome {
    bool ok = false;
    std::string message; // what was built, or what went wrong and where
    std::string output; // the resource file written
    ResourceHeader header;
    std::vector<ResourceEntry> directory;
};

struct BuildOptions {
    std::string output; // empty: the manifest's name with .zrf, beside it
    // Reads pictures other than BMP files (PNG, JPEG, GIF); BMP files only when not set.
    std::function<LoadedPicture::Outcome(LoadedPicture&)> loadPicture;
};

// The file a manifest builds by default: "art/demo.toml" -> "art/demo.zrf".
std::string defaultBuildOutput(const std::string& manifestPath);

// Whether `font` items are rendered: false in a build without the font generator.
bool buildRendersFonts();

BuildOutcome buildProject(const std::string& manifestPath, const BuildOptions& options);

} // namespace zarn
