#pragma once
// "Font library preview": the glyphs of a stored font library item on a grid.
//
// The view shows m_strSummary (selectable text) above m_sheet (1:1, in a
// scrolling area as large as the sheet within most of the screen) and a
// "Close" button; the window has a maximise box.

#include "ui/PixelImage.h"

#include <string>

namespace zarn::ui {

class CFontPreviewDlg {
public:
    static constexpr const char* kTitle = "Font library preview";
    static constexpr const char* kMenuText = "Preview font library...";

    std::string m_strSummary; // the item, then what the sheet shows
    PixelImage m_sheet;
};

} // namespace zarn::ui
