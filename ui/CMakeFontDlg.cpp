#include "ui/CMakeFontDlg.h"

#include "ui/CommandHost.h"
#include "ui/UiTexts.h"

#include <algorithm>
#include <iterator>

namespace zarn::ui {

namespace {
    struct TypeRow {
        const char* name;
        FontLibraryType type;
        int width, height; // offered when the type is picked
    };
    constexpr TypeRow kTypes[] = {
        { "GB2312", FontLibraryType::GB2312, 16, 16 },
        { "BIG5", FontLibraryType::Big5, 16, 16 },
        { "Hangul", FontLibraryType::Hangul, 16, 16 },
        { "ASCII", FontLibraryType::Ascii, 8, 16 },
    };
    constexpr int kTypeCount = static_cast<int>(std::size(kTypes));
}

CMakeFontDlg::CMakeFontDlg(CommandHost& host)
    : m_host(host)
{
    OnTypeChange(0);
}

std::vector<std::string> CMakeFontDlg::typeNames()
{
    std::vector<std::string> names;
    for (const auto& t : kTypes)
        names.emplace_back(t.name);
    return names;
}

void CMakeFontDlg::OnTypeChange(int index)
{
    if (index < 0 || index >= kTypeCount)
        return;
    m_nType = index;
    m_nWidth = kTypes[index].width;
    m_nHeight = kTypes[index].height;
}

void CMakeFontDlg::OnBrowse()
{
    const auto chosen = m_host.chooseOpenFile(kChooseFontTitle,
        { { "Font File(*.ttf;*.otf;*.ttc)", "*.ttf *.otf *.ttc" }, { kAllFilesFilterText, kAllFilesFilterPattern } },
        {});
    if (chosen)
        m_strFontPath = *chosen;
}

std::string CMakeFontDlg::fontPath() const
{
    const auto first = m_strFontPath.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return m_strFontPath.substr(first, m_strFontPath.find_last_not_of(" \t") - first + 1);
}

bool CMakeFontDlg::canMake() const { return !fontPath().empty(); }

FontLibraryType CMakeFontDlg::type() const { return kTypes[std::clamp(m_nType, 0, kTypeCount - 1)].type; }

} // namespace zarn::ui
