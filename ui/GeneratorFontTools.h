#pragma once
// FontTools by the font generator (import/fontgen: FreeType on Linux, GDI on
// Windows), for the builds that have it.

#include "ui/FontTools.h"

namespace zarn::ui {

class GeneratorFontTools final : public FontTools {
public:
    std::string libraryName(FontLibraryType type, int width, int height) override;
    Made makeLibrary(
        const std::string& fontPath, FontLibraryType type, int width, int height, const std::string& folder) override;
    Sheet drawSheet(std::span<const std::uint8_t> library, const std::string& name, int width, int height,
        FontLibraryType type, int scale) override;
};

} // namespace zarn::ui
