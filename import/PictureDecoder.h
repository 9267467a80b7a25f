#pragma once
// Decoders of the picture formats beyond BMP (PNG, JPEG, GIF). Each system
// builds them on its own libraries (libpng, libjpeg and giflib on Linux, in
// import/posix/); the core reads BMP files itself, and takes every decoder's
// pixels the same way (PictureSink), so that the fitting, the transparency rule
// and the conversion are one for all systems.

#include "import/PictureInput.h"
#include "import/PictureSink.h"

#include <functional>
#include <span>
#include <string>

namespace zarn {

// How a decoding ended.
struct DecodeResult {
    enum class Status {
        Decoded, // every pixel went to the sink
        Refused, // the sink did not take the picture; it says why
        Failed, // the file could not be decoded: `message` and `cause` say why
    } status
        = Status::Failed;
    std::string message; // "Reading File Error", or what kind of file is not taken
    std::string cause; // why, as the end of "Cannot read "FILE": ..."; empty when `message` says it all

    static DecodeResult decoded() { return { Status::Decoded, {}, {} }; }
    static DecodeResult refused() { return { Status::Refused, {}, {} }; }
    static DecodeResult failed(std::string cause);
    static DecodeResult unsupported(std::string message) { return { Status::Failed, std::move(message), {} }; }
};

// The cause of a decoding that ran out of memory.
inline constexpr char kNotEnoughMemoryCause[] = "there is not enough memory to decode the picture";

using PictureDecoder = std::function<DecodeResult(PictureInput& input, PictureSink& sink)>;

// The decoders a build has; a format without one is refused.
struct PictureDecoders {
    PictureDecoder png, jpeg, gif;
};

enum class PictureFileFormat { Bmp, Png, Jpeg, Gif, Other };
// The format a file's first bytes (8 or more, when the file has them) announce.
PictureFileFormat pictureFileFormatOf(std::span<const std::uint8_t> head);
const char* pictureFileFormatName(PictureFileFormat format); // "BMP", "PNG", ...

} // namespace zarn
