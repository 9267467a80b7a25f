// A build without PNG, JPEG and GIF decoders: picture files are BMP files only.
#include "import/PictureFile.h"

namespace zarn {

PictureDecoders systemPictureDecoders() { return {}; }

LoadedPicture::Outcome loadPictureFile(LoadedPicture& pic) { return pic.loadBmpFile(); }

} // namespace zarn
