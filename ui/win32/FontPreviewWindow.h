#pragma once
// "Font library preview" as the Win32 window shows it (ui/CFontPreviewDlg.h):
// the summary, selectable, above the sheet of glyphs 1:1 in a scrolling frame;
// the dialog opens as large as the sheet within most of the screen, and can be
// resized and maximised.

#include "ui/CFontPreviewDlg.h"
#include "ui/win32/DialogWindow.h"

namespace zarn::win32 {

class FontPreviewWindow : public DialogWindow {
public:
    explicit FontPreviewWindow(const zarn::ui::CFontPreviewDlg& state);
    ~FontPreviewWindow() override;

    // The sheet's part shown at the frame's top left.
    POINT scrolled() const { return m_scroll; }

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onDestroy() override;

private:
    static LRESULT CALLBACK sheetProcedure(
        HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    void layOut(int width, int height);
    void fitScrollBars();
    void scroll(int bar, int code, int amount = 0);
    void drawSheet(const DRAWITEMSTRUCT& draw) const;

    const zarn::ui::CFontPreviewDlg& m_state;
    HBITMAP m_bitmap = nullptr; // the sheet, made once
    POINT m_scroll {};
    // Margins from the client area's right and bottom edges, as the template places the controls.
    int m_summaryRight = 0, m_sheetRight = 0, m_sheetBottom = 0, m_closeRight = 0, m_closeBottom = 0;
    SIZE m_least {}; // the smallest the dialog is sized to: half the template's size
};

} // namespace zarn::win32
