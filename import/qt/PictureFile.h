#pragma once
// Pictures in the formats Qt's image readers know (PNG, JPEG, GIF), turned into
// the standard BMP they stand for, so that they fit and convert exactly as BMP
// files do. One call loads any picture file into the picture control.

#include "import/LoadedPicture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zarn {

// The file dialog's extra filter entry, after "BMP File(*.BMP)" and "All Files(*.*)".
inline constexpr char kImageFilesFilterText[] = "Image Files(*.PNG;*.JPG;*.JPEG;*.GIF)";
inline constexpr char kImageFilesFilterPattern[] = "*.PNG *.JPG *.JPEG *.GIF"; // one dialog pattern each

// Reads a picture file's bytes with Qt's readers. A palette of at most 2, 16 or 256 colours
// gives a 1-, 4- or 8-bit file with that palette and the picture's own indices;
// every other picture a 24-bit file. Transparency comes apart: per palette entry
// for the indexed files, per pixel for the others.
PictureAsBmp pictureFileAsBmp(std::span<const std::uint8_t> bytes);

// The JPEG (compression 4) or PNG (5) file a BMP file holds as its pixel data,
// read as pictureFileAsBmp reads a file of that format (and of no other).
PictureAsBmp embeddedPictureAsBmp(std::span<const std::uint8_t> bytes, std::uint32_t compression);

// Loads pic.fileName(), read once: a file beginning with "BM" through the BMP reader
// (with embeddedPictureAsBmp for what it embeds), anything else through pictureFileAsBmp.
// Same outcome and state as loadBmpFile.
LoadedPicture::Outcome loadPictureFile(LoadedPicture& pic);

} // namespace zarn
