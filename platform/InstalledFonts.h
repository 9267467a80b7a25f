#pragma once
// The fonts installed on the system, by family name: fontconfig on Linux
// (InstalledFontsFontconfig.cpp), GDI on Windows (InstalledFontsGdi.cpp). Only
// outline fonts (TrueType, OpenType), the ones a library can be drawn from.

#include <optional>
#include <string>
#include <vector>

namespace zarn {

struct InstalledFont {
    std::string family; // as the system names it
    std::string file; // the font file where the system says which (fontconfig); empty where it opens fonts by name
    int faceIndex = 0; // the face within that file
};

// The installed families, sorted, each once; empty when the system cannot say.
std::vector<std::string> installedFontFamilies();

// The font the system chooses for `family` when that family is installed
// (compared without regard to case); nullopt when no installed font bears that name.
std::optional<InstalledFont> findInstalledFont(const std::string& family);

} // namespace zarn
