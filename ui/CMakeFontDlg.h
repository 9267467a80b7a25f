#pragma once
// "Make font library": the font file, the library type and the glyph size of a
// library to generate from an outline font.

#include "import/FontLibrary.h"

#include <QDialog>

#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zarn::ui {

class CommandHost;

inline constexpr const char* kMakeFontMenuText = "Make font library...";
inline constexpr const char* kMakeFontTitle = "Make font library";
inline constexpr const char* kChooseFontTitle = "Choose font file";

class CMakeFontDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMakeFontDlg(CommandHost& host, QWidget* parent = nullptr);

    // The answers (also set by tests before accepting).
    void setFontPath(const std::string& path);
    void setType(zarn::FontLibraryType type);
    void setGlyphSize(int width, int height);
    std::string fontPath() const;
    zarn::FontLibraryType type() const;
    int glyphWidth() const;
    int glyphHeight() const;

    // "...": asks the host for the font file.
    void OnBrowse();

    QLineEdit* fontField() const { return m_font; }
    QComboBox* typeList() const { return m_type; }
    QSpinBox* widthBox() const { return m_width; }
    QSpinBox* heightBox() const { return m_height; }
    QPushButton* okButton() const { return m_ok; }

private:
    void typeChanged();
    void updateOk();

    CommandHost& m_host;
    QLineEdit* m_font;
    QPushButton* m_browse;
    QComboBox* m_type;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QPushButton* m_ok;
};

} // namespace zarn::ui
