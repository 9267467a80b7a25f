#pragma once
// "Preview font library": the glyphs of a stored font library item on a grid,
// one code row a line, as `zarnres font-preview` draws them.

#include "import/fontgen/LibraryPreview.h"

#include <QDialog>
#include <QImage>

class QLabel;

namespace zarn::ui {

inline constexpr const char* kFontPreviewMenuText = "Preview font library...";
inline constexpr const char* kFontPreviewTitle = "Font library preview";
inline constexpr const char* kMsgSelectFontToPreview = "Please select a font library to preview in resource items";
inline constexpr const char* kMsgNotFontItem = "Selected item is not a font library";

class CFontPreviewDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFontPreviewDlg(QWidget* parent = nullptr);

    // Shows the sheet under `heading` (the item) and the line that says what it holds.
    void setSheet(const PreviewResult& preview, const QString& heading);

    QString summary() const;
    const QImage& sheet() const { return m_sheet; }

private:
    QLabel* m_summary;
    QLabel* m_view;
    QImage m_sheet;
};

} // namespace zarn::ui
