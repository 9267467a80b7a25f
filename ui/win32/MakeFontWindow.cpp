#include "ui/win32/MakeFontWindow.h"

#include "resfile/ItemLayout.h"
#include "ui/win32/ResourceIds.h"
#include "ui/win32/Utf16.h"

#include <commctrl.h>

#include <algorithm>

namespace zarn::win32 {

MakeFontWindow::MakeFontWindow(zarn::ui::CMakeFontDlg& state)
    : DialogWindow(IDD_MAKE_FONT)
    , m_state(state)
{
}

bool MakeFontWindow::onInit()
{
    const HWND types = item(IDC_FONT_TYPE);
    for (const std::string& name : zarn::ui::CMakeFontDlg::typeNames())
        SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(name).c_str()));
    SendMessageW(item(IDC_FONT_FILE), EM_LIMITTEXT, 1024, 0);
    for (int spin : { IDC_GLYPH_WIDTH_SPIN, IDC_GLYPH_HEIGHT_SPIN })
        SendMessageW(item(spin), UDM_SETRANGE32, kMinGlyphDots, kMaxGlyphDots);
    for (int field : { IDC_GLYPH_WIDTH, IDC_GLYPH_HEIGHT })
        SendMessageW(item(field), EM_LIMITTEXT, 2, 0);
    showState();
    return true;
}

void MakeFontWindow::showState()
{
    m_showing = true;
    if (text(IDC_FONT_FILE) != m_state.m_strFontPath)
        setText(IDC_FONT_FILE, m_state.m_strFontPath);
    SendMessageW(item(IDC_FONT_TYPE), CB_SETCURSEL, m_state.m_nType, 0);
    SendMessageW(item(IDC_GLYPH_WIDTH_SPIN), UDM_SETPOS32, 0, m_state.m_nWidth);
    SendMessageW(item(IDC_GLYPH_HEIGHT_SPIN), UDM_SETPOS32, 0, m_state.m_nHeight);
    EnableWindow(item(IDOK), m_state.canMake());
    m_showing = false;
}

int MakeFontWindow::glyphDots(int id, int fallback) const
{
    const std::string digits = text(id);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    return std::clamp(std::stoi(digits), kMinGlyphDots, kMaxGlyphDots);
}

std::optional<INT_PTR> MakeFontWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return DialogWindow::onMessage(message, wParam, lParam);
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (m_showing)
        return TRUE;
    if (id == IDC_FONT_FILE && code == EN_CHANGE) {
        m_state.m_strFontPath = text(IDC_FONT_FILE);
        EnableWindow(item(IDOK), m_state.canMake());
        return TRUE;
    }
    if (id == IDC_CHOOSE_FONT && code == BN_CLICKED) {
        m_state.OnBrowse();
        showState();
        return TRUE;
    }
    if (id == IDC_FONT_TYPE && code == CBN_SELENDOK) {
        m_state.OnTypeChange(static_cast<int>(SendMessageW(item(IDC_FONT_TYPE), CB_GETCURSEL, 0, 0)));
        showState();
        return TRUE;
    }
    if ((id == IDC_GLYPH_WIDTH || id == IDC_GLYPH_HEIGHT) && code == EN_CHANGE) {
        int& dots = id == IDC_GLYPH_WIDTH ? m_state.m_nWidth : m_state.m_nHeight;
        dots = glyphDots(id, dots);
        return TRUE;
    }
    if ((id == IDC_GLYPH_WIDTH || id == IDC_GLYPH_HEIGHT) && code == EN_KILLFOCUS) {
        showState(); // a number outside the sizes shows as the size it was taken as
        return TRUE;
    }
    if (id == IDOK && code == BN_CLICKED) {
        if (m_state.canMake())
            close(IDOK);
        return TRUE;
    }
    return DialogWindow::onMessage(message, wParam, lParam);
}

} // namespace zarn::win32
