#include "ui/GeneratorFontTools.h"

#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"
#include "import/fontgen/LibraryPreview.h"

namespace zarn::ui {

std::string GeneratorFontTools::libraryName(FontLibraryType type, int width, int height)
{
    return libraryFileName(type, width, height);
}

FontTools::Made GeneratorFontTools::makeLibrary(
    const std::string& fontPath, FontLibraryType type, int width, int height, const std::string& folder)
{
    const FontLibraryOutput out = makeFontLibrary(fontPath, type, width, height, folder);
    return Made { out.ok, out.message, out.path, out.missing };
}

FontTools::Sheet GeneratorFontTools::drawSheet(std::span<const std::uint8_t> library, const std::string& name,
    int width, int height, FontLibraryType type, int scale)
{
    SheetOptions options;
    options.scale = scale;
    PreviewResult preview = previewGlyphs(library, name, width, height, type, options);
    Sheet sheet { preview.ok, preview.message, {} };
    sheet.image.width = preview.image.width;
    sheet.image.height = preview.image.height;
    sheet.image.rgb = std::move(preview.image.rgb);
    return sheet;
}

} // namespace zarn::ui
