#pragma once
// Picture files as "Load BMP", zarnres add and zarnres build read them: BMP
// files with the core's reader, PNG, JPEG and GIF pictures with the decoders
// this system's build has (import/posix/ on Linux: libpng, libjpeg, giflib).
// Built into the library of those decoders, not the core.

#include "import/LoadedPicture.h"
#include "import/PictureDecoder.h"

namespace zarn {

// The file dialog's extra filter entry, after "BMP File(*.BMP)" and "All Files(*.*)".
inline constexpr char kImageFilesFilterText[] = "Image Files(*.PNG;*.JPG;*.JPEG;*.GIF)";
inline constexpr char kImageFilesFilterPattern[] = "*.PNG *.JPG *.JPEG *.GIF"; // one dialog pattern each

// This system's decoders of PNG, JPEG and GIF pictures.
PictureDecoders systemPictureDecoders();

// Loads pic.fileName(): the file's first bytes say its format, whatever its name.
// Same outcome and state as loadBmpFile.
LoadedPicture::Outcome loadPictureFile(LoadedPicture& pic);

} // namespace zarn
