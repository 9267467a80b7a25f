#pragma once
// A resource project's manifest: a TOML file naming the module type, the
// memory size and the items, in the order they become rows. Every value is
// checked here, with the line and column of what is wrong, before anything is built.

#include "import/FontLibrary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarn {

struct ManifestItem {
    enum class Kind { Picture, FontLibrary, Font, Sound } kind = Kind::Picture;
    std::string source; // as written
    std::string path; // the source found from the manifest's folder
    int line = 0, column = 0; // of the source value

    std::uint16_t ignoreColor = 0; // pictures
    bool dither = false; // pictures
    FontLibraryType type = FontLibraryType::Ascii; // fonts rendered during the build
    int width = 0, height = 0, threshold = 0, face = 0;
};

struct Manifest {
    int model = 0; // row 1..12 of the module type table
    int sizeIndex = 0; // 0..3: 4M 8M 16M 32M
    std::vector<ManifestItem> items;
};

struct ManifestOutcome {
    std::optional<Manifest> manifest;
    std::string error; // "MANIFEST:LINE:COLUMN: message", or why the file could not be read
};

// What the build at hand can take besides BMP pictures, font libraries and sounds.
struct ManifestReading {
    bool picturesBeyondBmp = false; // .png .jpg .jpeg .gif (a picture reader for them is at hand)
    bool rendersFonts = false; // font items (a font renderer is at hand)
};

ManifestOutcome readManifest(const std::string& manifestPath, const ManifestReading& reading);
// The same for manifest text already read; `manifestPath` names it and locates its sources.
ManifestOutcome parseManifest(const std::string& text, const std::string& manifestPath, const ManifestReading& reading);

// The manifest's keys in TOML's own spelling.
const char* manifestKeyOf(ManifestItem::Kind kind);

} // namespace zarn
