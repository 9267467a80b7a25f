#include "import/FileExtension.h"

#include "platform/Utf8Path.h"

#include <algorithm>
#include <cctype>

namespace zarn {

std::string fileExtension(const std::string& path)
{
    const std::string name = fileNameOf(path);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return {};
    return name.substr(dot + 1);
}

std::string lowerExtension(const std::string& path)
{
    std::string e = fileExtension(path);
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e;
}

bool isBitmapExtension(const std::string& e, bool otherPictureFormats)
{
    return e == "bmp" || (otherPictureFormats && (e == "png" || e == "jpg" || e == "jpeg" || e == "gif"));
}

std::string bitmapExtensionsText(bool otherPictureFormats)
{
    return otherPictureFormats ? ".bmp .png .jpg .jpeg .gif" : ".bmp";
}

} // namespace zarn
