// Time to generate a 24X24 GB2312 library from an outline font, as a ratio to
// the bare FreeType work it cannot avoid: loading and rendering the same
// characters at the same size, measured in this process.
#include "import/fontgen/FontCharset.h"
#include "import/fontgen/FontGenerator.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

double bestOf(int runs, const std::function<void()>& work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string font = argc > 1 ? argv[1] : "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
    if (!std::filesystem::exists(font)) {
        std::fprintf(stderr, "bench_fontgen: font %s is not installed (fonts-wqy-zenhei)\n", font.c_str());
        return 1;
    }
    const auto characters = zarn::libraryCharacters(zarn::FontLibraryType::GB2312);
    const int runs = 3;

    // Baseline: FreeType alone, same face, same size, same characters.
    std::size_t inkBytes = 0;
    const double baseline = bestOf(runs, [&] {
        FT_Library library;
        FT_Face face;
        if (FT_Init_FreeType(&library) || FT_New_Face(library, font.c_str(), 0, &face))
            return;
        FT_Set_Pixel_Sizes(face, 24, 24);
        for (char32_t c : characters)
            if (c && FT_Load_Char(face, c, FT_LOAD_RENDER) == 0)
                inkBytes += face->glyph->bitmap.rows;
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    });

    std::size_t size = 0;
    const double generate = bestOf(runs, [&] {
        const auto r = zarn::generateFontLibrary(font, zarn::FontLibraryType::GB2312, 24, 24);
        size = r.data.size();
    });

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zarn-bench-fontgen";
    std::string written;
    const double write = bestOf(runs, [&] {
        const auto r = zarn::makeFontLibrary(font, zarn::FontLibraryType::GB2312, 24, 24, folder.string());
        written = r.ok ? r.path : r.message;
    });
    std::filesystem::remove_all(folder);

    std::printf("font: %s\n", font.c_str());
    std::printf("24X24 GB2312 library: %zu bytes (%s)\n", size, written.c_str());
    std::printf("baseline, FreeType render of the same characters: %.3f s (%zu rows)\n", baseline, inkBytes);
    std::printf("generate in memory:  %.3f s  ratio %.2f\n", generate, generate / baseline);
    std::printf("generate and write:  %.3f s  ratio %.2f\n", write, write / baseline);
    return 0;
}
