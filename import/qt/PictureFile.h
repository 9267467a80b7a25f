#pragma once
// Pictures in the formats Qt's image readers know (PNG, JPEG, GIF), turned into
// the standard BMP they stand for, so that they fit and convert exactly as BMP
// files do. One call loads any picture file into the picture control.

#include "import/LoadedPicture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarn {

// The file dialog's extra filter entry, after "BMP File(*.BMP)" and "All Files(*.*)".
inline constexpr char kImageFilesFilterText[] = "Image Files(*.PNG;*.JPG;*.JPEG;*.GIF)";
inline constexpr char kImageFilesFilterPattern[] = "*.PNG *.JPG *.JPEG *.GIF"; // one dialog pattern each

struct PictureAsBmp {
    bool ok = false;
    std::string message; // "Reading File Error" when the picture cannot be read
    std::vector<std::uint8_t> bmp; // the standard BMP file image
};

// Reads a picture with Qt's readers. A palette of at most 2, 16 or 256 colours
// gives a 1-, 4- or 8-bit file with that palette and the picture's own indices;
// every other picture a 24-bit file (alpha is dropped, the colours kept).
PictureAsBmp pictureFileAsBmp(const std::string& path);

// Loads pic.fileName(): a file beginning with "BM" through the BMP reader,
// anything else through pictureFileAsBmp. Same outcome and state as loadBmpFile.
LoadedPicture::Outcome loadPictureFile(LoadedPicture& pic);

} // namespace zarn
