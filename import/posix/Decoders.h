#pragma once
// The decoders of PNG (libpng), JPEG (libjpeg) and GIF (giflib) files. Each
// reads its file in pieces and hands rows to the sink as they are decoded;
// the libraries' own messages never reach standard error: a failure comes back
// as a cause in this tool's words.

#include "import/PictureDecoder.h"

namespace zarn {

DecodeResult decodePng(PictureInput& input, PictureSink& sink);
DecodeResult decodeJpeg(PictureInput& input, PictureSink& sink);
DecodeResult decodeGif(PictureInput& input, PictureSink& sink);

} // namespace zarn
