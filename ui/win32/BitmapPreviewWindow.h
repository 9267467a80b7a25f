#pragma once
// "Bitmap Playback Display": one stored bitmap item on its module's screen
// shape, the item's ignore colour, and a click on the item to pick another.

#include "ui/win32/DialogWindow.h"
#include "ui/win32/Drawing.h"

#include <functional>
#include <memory>
#include <string>

namespace zarn::win32 {

class BitmapPreviewWindow : public DialogWindow {
public:
    // `item` is shown from the moment the dialog opens.
    explicit BitmapPreviewWindow(ItemImage item);

    // The ignore colour: the swatch and its "0x%.4x" text (kept until the dialog opens).
    void showIgnoreColor(Rgb colour, const std::string& text);
    // A left click in the frame, edges included: the colour shown under it.
    std::function<void(Rgb)> onPick;

    // A press at `point` (client pixels); true when it fell on the frame.
    bool pickAt(POINT point);
    // The frame's place after fitting, in client pixels.
    RECT frameRect() const;
    // What the frame shows (for the picture's colours under a click).
    const Canvas* frameCanvas() const { return m_canvas.get(); }

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    ItemImage m_item;
    std::unique_ptr<Canvas> m_canvas; // the frame's picture, drawn once when it is fitted
    Rgb m_colour {};
    std::string m_colourText;
};

} // namespace zarn::win32
