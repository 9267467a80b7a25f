// The installed fonts as fontconfig knows them.
#include "platform/InstalledFonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace zarn {

namespace {

    struct PatternFree {
        void operator()(FcPattern* p) const { FcPatternDestroy(p); }
    };
    struct FontSetFree {
        void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
    };
    struct ObjectSetFree {
        void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
    };
    using Pattern = std::unique_ptr<FcPattern, PatternFree>;

    bool sameName(const std::string& a, const char* b)
    {
        const std::string other(b);
        return std::equal(a.begin(), a.end(), other.begin(), other.end(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
    }

    // The family names fontconfig gives a font (its own and its translations).
    std::vector<std::string> familiesOf(FcPattern* font)
    {
        std::vector<std::string> names;
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i)
            names.emplace_back(reinterpret_cast<const char*>(name));
        return names;
    }

} // namespace

std::vector<std::string> installedFontFamilies()
{
    std::vector<std::string> families;
    if (!FcInit())
        return families;
    const Pattern outlines(FcPatternCreate());
    FcPatternAddBool(outlines.get(), FC_OUTLINE, FcTrue);
    const std::unique_ptr<FcObjectSet, ObjectSetFree> wanted(FcObjectSetBuild(FC_FAMILY, nullptr));
    const std::unique_ptr<FcFontSet, FontSetFree> fonts(FcFontList(nullptr, outlines.get(), wanted.get()));
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        const auto names = familiesOf(fonts->fonts[i]);
        if (!names.empty()) // the first is the font's own name, the others its translations
            families.push_back(names.front());
    }
    std::sort(families.begin(), families.end());
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

std::optional<InstalledFont> findInstalledFont(const std::string& family)
{
    if (family.empty() || !FcInit())
        return std::nullopt;
    // fontconfig's choice for the family at its usual style, kept only when it
    // is of that family: it offers a neighbour for any name.
    const Pattern asked(FcPatternCreate());
    FcPatternAddString(asked.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddBool(asked.get(), FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, asked.get(), FcMatchPattern);
    FcDefaultSubstitute(asked.get());
    FcResult result = FcResultNoMatch;
    const Pattern match(FcFontMatch(nullptr, asked.get(), &result));
    if (!match)
        return std::nullopt;
    const auto names = familiesOf(match.get());
    const auto named = std::find_if(
        names.begin(), names.end(), [&](const std::string& name) { return sameName(family, name.c_str()); });
    FcChar8* file = nullptr;
    FcBool outline = FcFalse;
    int index = 0;
    if (named == names.end() || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch
        || FcPatternGetBool(match.get(), FC_OUTLINE, 0, &outline) != FcResultMatch || !outline)
        return std::nullopt;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    return InstalledFont { *named, reinterpret_cast<const char*>(file), index };
}

} // namespace zarn
