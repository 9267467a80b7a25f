#include "ui/UiTexts.h"

#include "import/FileExtension.h"
#include "platform/FileIo.h"
#include "ui/CommandHost.h"

namespace zarn::ui {

std::string withLineBreaks(const std::string& text, const char* lineBreak)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += lineBreak;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string fileExistsQuestion(const std::string& path)
{
    return "The resource file " + quotedPath(path) + " already exists.\nReplace it with an empty one?";
}

std::string pictureLargerThanScreenText(int width, int height, int screenWidth, int screenHeight)
{
    return "The loaded picture (" + std::to_string(width) + "x" + std::to_string(height)
        + ") was fitted to a larger screen than this resource file's (" + std::to_string(screenWidth) + "x"
        + std::to_string(screenHeight) + "). Load the picture again with \"Load BMP\" to fit it to this screen.";
}

std::string fileNotTakenText(const std::string& path) { return "This file cannot be used here: " + quotedPath(path); }

std::string dropTakesText(bool otherPictureFormats)
{
    return "Drop a resource file (.zrf), a picture (" + bitmapExtensionsText(otherPictureFormats)
        + "), a font library (.hzk, .big, .kzk, .asc) or a WAVE file (.wav).";
}

} // namespace zarn::ui
