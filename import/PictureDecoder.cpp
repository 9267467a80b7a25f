#include "import/PictureDecoder.h"

#include "common/Messages.h"

#include <algorithm>

namespace zarn {

DecodeResult DecodeResult::failed(std::string cause)
{
    return { Status::Failed, kMsgReadingFileError, std::move(cause) };
}

PictureFileFormat pictureFileFormatOf(std::span<const std::uint8_t> head)
{
    auto startsWith = [head](std::initializer_list<std::uint8_t> bytes) {
        return head.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), head.begin());
    };
    if (startsWith({ 'B', 'M' }))
        return PictureFileFormat::Bmp;
    if (startsWith({ 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' }))
        return PictureFileFormat::Png;
    // Two bytes are all a JPEG file is known by (the start-of-image marker), as other readers know it.
    if (startsWith({ 0xFF, 0xD8 }))
        return PictureFileFormat::Jpeg;
    if (startsWith({ 'G', 'I', 'F', '8', '7', 'a' }) || startsWith({ 'G', 'I', 'F', '8', '9', 'a' }))
        return PictureFileFormat::Gif;
    return PictureFileFormat::Other;
}

const char* pictureFileFormatName(PictureFileFormat format)
{
    switch (format) {
    case PictureFileFormat::Bmp:
        return "BMP";
    case PictureFileFormat::Png:
        return "PNG";
    case PictureFileFormat::Jpeg:
        return "JPEG";
    case PictureFileFormat::Gif:
        return "GIF";
    case PictureFileFormat::Other:
        break;
    }
    return "other";
}

} // namespace zarn
