// Time to generate 24X24 GB2312 and Big5 libraries from an outline font, each as
// a ratio to the bare FreeType work it cannot avoid: loading and rendering the
// same characters at the same size, measured in this process.
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

// FreeType alone: the same face, size and characters.
double freetypeAlone(const std::string& font, const std::vector<char32_t>& characters, int runs)
{
    return bestOf(runs, [&] {
        FT_Library library;
        FT_Face face;
        if (FT_Init_FreeType(&library) || FT_New_Face(library, font.c_str(), 0, &face))
            return;
        FT_Set_Pixel_Sizes(face, 24, 24);
        for (char32_t c : characters)
            if (c)
                FT_Load_Char(face, c, FT_LOAD_RENDER);
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    });
}

} // namespace

int main(int argc, char** argv)
{
    const std::string font = argc > 1 ? argv[1] : "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
    if (!std::filesystem::exists(font)) {
        std::fprintf(stderr, "bench_fontgen: font %s is not installed (fonts-wqy-zenhei)\n", font.c_str());
        return 1;
    }
    const int runs = 3;
    std::printf("font: %s\n", font.c_str());
    for (const auto type : { zarn::FontLibraryType::GB2312, zarn::FontLibraryType::Big5 }) {
        const auto characters = zarn::libraryCharacters(type);
        const double baseline = freetypeAlone(font, characters, runs);
        std::size_t size = 0;
        const double generate = bestOf(runs, [&] { size = zarn::generateFontLibrary(font, type, 24, 24).data.size(); });
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zarn-bench-fontgen";
        const double write = bestOf(runs, [&] { zarn::makeFontLibrary(font, type, 24, 24, folder.string()); });
        std::filesystem::remove_all(folder);
        std::printf("24X24 %s (%zu bytes): FreeType alone %.3f s; generate %.3f s, ratio %.2f; and write %.3f s, "
                    "ratio %.2f\n",
            zarn::libraryTypeName(type), size, baseline, generate, generate / baseline, write, write / baseline);
    }
    return 0;
}
