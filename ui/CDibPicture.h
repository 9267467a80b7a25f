#pragma once
// The main window's picture control: the picture loaded last (its reading,
// fitting and conversion are zarn::LoadedPicture's) and what the control shows
// of it. The module's screen box is stretched over the whole control, blue
// with a black outline, and the source picture is drawn into its fitted
// rectangle (origin at the top left), nearest pixel, in its own colours.

#include "import/LoadedPicture.h"
#include "ui/PixelImage.h"

#include <cstdint>
#include <vector>

namespace zarn::ui {

class CDibPicture {
public:
    LoadedPicture& picture() { return m_pic; }
    const LoadedPicture& picture() const { return m_pic; }
    // Takes `picture` as the held one (a load that succeeded).
    void adopt(LoadedPicture picture);
    // After the held picture's ignore colour changed (transparent pixels are shown over it).
    void pictureChanged();

    // What a control of width x height shows, every pixel.
    PixelImage render(int width, int height) const;

private:
    LoadedPicture m_pic;
    std::vector<std::uint8_t> m_shown; // the source as drawn, rebuilt when the picture changes
};

} // namespace zarn::ui
