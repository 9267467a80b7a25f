#include "import/PictureFile.h"

#include "import/windows/Decoders.h"

namespace zarn {

PictureDecoders systemPictureDecoders() { return PictureDecoders { decodePng, decodeJpeg, decodeGif }; }

LoadedPicture::Outcome loadPictureFile(LoadedPicture& pic) { return pic.loadPicture(systemPictureDecoders()); }

} // namespace zarn
