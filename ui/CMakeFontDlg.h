#pragma once
// "Make font library": the font file, the library type and the glyph size of
// a library to generate from an outline font.
//
// The view shows a form: "Font file:" with a field (m_strFontPath) and the
// button "....", "Type:" with a list of typeNames() (m_nType chosen), "Glyph
// size (dots):" with two number boxes from kMinGlyphDots to kMaxGlyphDots
// (m_nWidth "X" m_nHeight); then OK (enabled while canMake()) and Cancel.
// Its handlers: the font field edited: m_strFontPath = text; "....":
// OnBrowse(); a type picked: OnTypeChange(index); a number changed: m_nWidth
// or m_nHeight = value. After each the view shows the values again.

#include "import/FontLibrary.h"

#include <string>
#include <vector>

namespace zarn::ui {

class CommandHost;

class CMakeFontDlg {
public:
    static constexpr const char* kTitle = "Make font library";
    static constexpr const char* kMenuText = "Make font library...";
    static constexpr const char* kChooseFontTitle = "Choose font file";

    explicit CMakeFontDlg(CommandHost& host);

    static std::vector<std::string> typeNames(); // "GB2312", "BIG5", "Hangul", "ASCII"
    void OnTypeChange(int index); // offers the type's usual glyph size
    void OnBrowse(); // the font file from a file dialog
    bool canMake() const; // nothing can be made without a font
    FontLibraryType type() const;
    std::string fontPath() const; // without surrounding blanks

    std::string m_strFontPath;
    int m_nType = 0;
    int m_nWidth = 16, m_nHeight = 16;

private:
    CommandHost& m_host;
};

} // namespace zarn::ui
