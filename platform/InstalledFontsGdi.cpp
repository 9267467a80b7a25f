// The installed fonts as GDI lists them (EnumFontFamiliesExW): TrueType and
// OpenType families, without the vertical "@" forms of CJK fonts.
#include "platform/InstalledFonts.h"

#include "platform/Utf8Path.h"

#include <algorithm>
#include <cwctype>
#include <exception>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarn {

namespace {

    int CALLBACK addFamily(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM list)
    {
        const auto* text = reinterpret_cast<const NEWTEXTMETRICW*>(metrics);
        const bool outline = (type & TRUETYPE_FONTTYPE) || (text->ntmFlags & (NTM_PS_OPENTYPE | NTM_TT_OPENTYPE));
        if (outline && font->lfFaceName[0] != L'@')
            reinterpret_cast<std::vector<std::wstring>*>(list)->emplace_back(font->lfFaceName);
        return 1;
    }

    std::vector<std::wstring> families()
    {
        std::vector<std::wstring> names;
        const HDC dc = CreateCompatibleDC(nullptr);
        LOGFONTW all {};
        all.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &all, addFamily, reinterpret_cast<LPARAM>(&names), 0);
        DeleteDC(dc);
        return names;
    }

} // namespace

std::vector<std::string> installedFontFamilies()
{
    std::vector<std::string> names;
    for (const auto& family : families())
        if (std::string name = utf8OfWide(family); !name.empty())
            names.push_back(std::move(name));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::optional<InstalledFont> findInstalledFont(const std::string& family)
{
    std::wstring asked;
    try {
        asked = pathOf(family).wstring();
    } catch (const std::exception&) {
        return std::nullopt;
    }
    for (const auto& name : families())
        if (std::equal(name.begin(), name.end(), asked.begin(), asked.end(),
                [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); }))
            return InstalledFont { utf8OfWide(name), {}, 0 };
    return std::nullopt;
}

} // namespace zarn
