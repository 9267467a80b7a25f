#pragma once
// Font libraries made from outline fonts, and their glyphs drawn on a sheet:
// present where the build has the font generator (GeneratorFontTools), absent
// (a null FontTools) where it has not; the window then offers neither command.

#include "import/FontLibrary.h"
#include "ui/PixelImage.h"

#include <cstdint>
#include <span>
#include <string>

namespace zarn::ui {

class FontTools {
public:
    virtual ~FontTools() = default;

    struct Made {
        bool ok = false;
        std::string message; // why it failed; or, when characters are missing, which
        std::string path; // the library written
        std::uint32_t missing = 0; // characters the font cannot draw (left blank)
    };
    // The file name the import understands for such a library ("16X16.hzk").
    virtual std::string libraryName(FontLibraryType type, int width, int height) = 0;
    // Writes a library of `type` and glyph size into `folder` under the name the import understands.
    virtual Made makeLibrary(
        const std::string& fontPath, FontLibraryType type, int width, int height, const std::string& folder)
        = 0;

    struct Sheet {
        bool ok = false;
        std::string message; // the reason when !ok; otherwise what the sheet shows
        PixelImage image;
    };
    // The glyphs of a stored library on a grid, `scale` screen pixels a dot.
    virtual Sheet drawSheet(std::span<const std::uint8_t> library, const std::string& name, int width, int height,
        FontLibraryType type, int scale)
        = 0;
};

} // namespace zarn::ui
